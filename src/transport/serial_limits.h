// Time limits and buffer sizes of the serial and modem transports, each protecting one wait or
// one buffer.
#pragma once

#include <chrono>
#include <cstddef>

namespace ostrane {

using namespace std::chrono_literals;

// Largest single read from the port.
inline constexpr size_t kSerialReadSize = 1024;
// A write the port has not taken in this time fails (flow control held off for good).
inline constexpr std::chrono::milliseconds kSerialWriteTimeout = 10s;
// Slice of a write's wait for room, between looks at the abort request.
inline constexpr std::chrono::milliseconds kSerialWriteSlice = 100ms;
inline constexpr std::chrono::milliseconds kBreakDuration = 500ms;
// How often a lost device is looked for again; a replugged adapter is back well within 2 s.
inline constexpr std::chrono::milliseconds kReopenInterval = 250ms;

// Modem result lines longer than this are cut (a modem's lines are short).
inline constexpr size_t kMaxModemLine = 128;
// Dialled digits kept; a longer number is refused rather than cut.
inline constexpr size_t kMaxDialString = 64;
// From ATDT to the final result; a modem that never answers does not hold the session.
inline constexpr std::chrono::milliseconds kDialTimeout = 90s;
// An init command's OK.
inline constexpr std::chrono::milliseconds kModemCommandTimeout = 5s;
// How often the carrier line is looked at while connected.
inline constexpr std::chrono::milliseconds kCarrierPoll = 500ms;
// DTR low this long makes a modem hang up.
inline constexpr std::chrono::milliseconds kHangupDtrDrop = 1100ms;
// Silence around "+++" that makes a modem take it as the escape to command mode.
inline constexpr std::chrono::milliseconds kEscapeGuard = 1100ms;
// Wait for the modem's answer to a hang-up command.
inline constexpr std::chrono::milliseconds kHangupAnswer = 1s;
// The line to the modem: 8 data bits, no parity, one stop bit at this rate unless the modem's
// entry names another.
inline constexpr int kModemLineSpeed = 115200;

}  // namespace ostrane
