// Capacities and time limits of the transports, each protecting one buffer or one wait.
#pragma once

#include <chrono>
#include <cstddef>

namespace ostrane {

// Bytes waiting for delivery to the terminal; writers beyond it wait or overflow, never drop.
inline constexpr size_t kReceiveQueueCapacity = 8192;
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
