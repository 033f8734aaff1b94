// Capacities and time limits of ZModem transfers, each protecting one buffer or one wait.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrane {

// Data bytes of one received subpacket. Senders use at most 8 KiB; the slack covers senders that
// round up. A longer subpacket is treated as a damaged one.
inline constexpr size_t kZmodemMaxSubpacket = 8192 + 512;
// Data bytes of one received header of the variable-length kind (the usual ones carry 4).
inline constexpr size_t kZmodemMaxHeaderData = 16;
// Data bytes of each subpacket we send: the size every receiver accepts.
inline constexpr size_t kZmodemSendSubpacket = 1024;
// A streaming sender asks for an acknowledgement (ZCRCQ) after this many subpackets, so a
// receiver's answer keeps the progress honest without stopping the stream.
inline constexpr unsigned kZmodemAckEvery = 32;
// When the receiver cannot overlap reading and writing and names no buffer size, the sender
// stops for an acknowledgement after this many bytes.
inline constexpr uint32_t kZmodemHalfDuplexWindow = 8192;
// Consecutive CAN bytes that cancel a transfer, in both directions.
inline constexpr unsigned kZmodemCancelCount = 5;
// Bytes kept of the Attn string a sender gives in ZSINIT.
inline constexpr size_t kZmodemMaxAttn = 32;
// Largest file that fits the protocol's 32-bit positions.
inline constexpr uint64_t kZmodemMaxFileSize = 0xFFFFFFFFull;
// Longest name of a received file (the usual limit of one path component).
inline constexpr size_t kZmodemMaxNameLength = 255;
// Highest ".N" suffix tried before a received file is refused for want of a free name.
inline constexpr unsigned kZmodemMaxNameSuffix = 999;
// Ticks without a sign of life from the peer before the last request is repeated.
inline constexpr unsigned kZmodemRetryTicks = 10;
// Repeats of one request before the peer counts as gone and the transfer fails.
inline constexpr unsigned kZmodemMaxRetries = 5;
// Ticks after an abort during which the peer's leftover bytes are swallowed, ended early by
// one quiet tick.
inline constexpr unsigned kZmodemAbortDrainTicks = 60;
// Bytes the sender prepares before writing them to the link in one call.
inline constexpr size_t kZmodemWriteBatch = 16384;

}  // namespace ostrane
