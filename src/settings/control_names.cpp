#include "settings/control_names.h"

#include <array>

namespace ostrane {
namespace {

// Index 0-31 name the bytes 0x00-0x1F, index 32 names 0x7F and index 33-64 name 0x80-0x9F.
// 0x10 is "DLO" and 0x94 "CRH"; unassigned C1 codes are named by their hex value.
constexpr std::array<const char*, 65> kControlNames = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",  "VT",  "FF",
    "CR",  "SO",  "SI",  "DLO", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB", "CAN", "EM",
    "SUB", "ESC", "FS",  "GS",  "RS",  "US",  "DEL", "80",  "81",  "82",  "83",  "IND", "NEL",
    "SSA", "ESA", "HTS", "HTJ", "VTS", "PLD", "PLU", "RI",  "SS2", "SS3", "DCS", "PU1", "PU2",
    "STS", "CRH", "MW",  "SPA", "EPA", "98",  "99",  "9A",  "CSI", "ST",  "OSC", "PM",  "APC",
};

constexpr int kFirstHighIndex = 32;  // "DEL"
constexpr int kHighIndexToCode = 0x7F - kFirstHighIndex;

}  // namespace

const char* ControlName(uint8_t code) {
  if (code < 0x20) return kControlNames[code];
  if (code >= 0x7F && code <= 0x9F)
    return kControlNames[static_cast<size_t>(code - kHighIndexToCode)];
  return nullptr;
}

int ControlCodeFromName(std::string_view name) {
  for (size_t i = 0; i < kControlNames.size(); ++i) {
    if (name == kControlNames[i]) {
      const int index = static_cast<int>(i);
      return index < kFirstHighIndex ? index : index + kHighIndexToCode;
    }
  }
  return -1;
}

}  // namespace ostrane
