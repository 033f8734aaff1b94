// Telnet byte values (RFC 854) and the option numbers this client knows.
#pragma once

#include <cstdint>

namespace ostrane::telnet {

inline constexpr uint8_t IAC = 255;
inline constexpr uint8_t DONT = 254;
inline constexpr uint8_t DO = 253;
inline constexpr uint8_t WONT = 252;
inline constexpr uint8_t WILL = 251;
inline constexpr uint8_t SB = 250;
inline constexpr uint8_t SE = 240;

inline constexpr uint8_t TELOPT_ECHO = 1;
inline constexpr uint8_t TELOPT_SGA = 3;
inline constexpr uint8_t TELOPT_STATUS = 5;
inline constexpr uint8_t TELOPT_TTYPE = 24;  // RFC 1091
inline constexpr uint8_t TELOPT_NAWS = 31;   // RFC 1073

inline constexpr uint8_t TELQUAL_IS = 0;
inline constexpr uint8_t TELQUAL_SEND = 1;

}  // namespace ostrane::telnet
