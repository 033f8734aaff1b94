// Capacities and time limits of the transports, each protecting one buffer or one wait.
#pragma once

#include <chrono>
#include <cstddef>

namespace ostrane {

// The receive queue: a ring of kReceiveQueueCapacity bytes waiting for delivery to the
// terminal. A writer that finds it full and may wait (a sender not holding the terminal lock)
// waits for room. The worker never waits: the rest of its read goes to an overflow store, which
// it empties before it reads again, so it adds at most one read. Every other writer that cannot
// wait (SendNoWait, anyone while the session is held or stopping) may leave up to
// kMaxReceiveOverflow bytes there; beyond that its bytes are refused whole, the send fails and
// the connection is stopped. So the queue holds at most
// kReceiveQueueCapacity + kMaxReceiveOverflow + one worker read.
inline constexpr size_t kReceiveQueueCapacity = 8192;
inline constexpr size_t kMaxReceiveOverflow = 1024 * 1024;
// Largest chunk handed to the terminal at once, so views are told about changes often enough.
inline constexpr size_t kDeliveryChunk = 2048;
// Largest single socket read.
inline constexpr size_t kSocketReadSize = 8192;
// Largest block written to the socket when draining the pending-send buffer.
inline constexpr size_t kSocketSendBlock = 4096;
// Initial reserve of the pending-send buffer.
inline constexpr size_t kPendingSendReserve = 4096;
// Output a host that stops reading may leave unsent before sends fail and the session stops.
inline constexpr size_t kMaxPendingSend = 16u * 1024 * 1024;
// Input bytes per block when IAC is doubled on the way out (a block yields at most twice this).
inline constexpr size_t kTelnetEscapeBlock = 1024;
// Telnet subnegotiation bytes kept; the rest of a longer one is discarded.
inline constexpr size_t kTelnetSubnegotiationCapacity = 256;
// How long Stop waits for the worker thread.
inline constexpr std::chrono::milliseconds kStopTimeout{30000};

}  // namespace ostrane
