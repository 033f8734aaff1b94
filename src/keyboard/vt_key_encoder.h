// The bytes a VT key sends in the terminal's current modes, and the 7-bit or 8-bit form of
// controls in keyboard output.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "keyboard/key_command.h"

namespace ostrane {

class CSettingsSet;

struct VtKeyOutput {
  std::string bytes;                  // 7-bit form: CSI as ESC [, SS3 as ESC O
  std::optional<KeyCommand> command;  // a local function of F1..F5 instead of bytes
};

// Encodes VT key vtKey (1..108) pressed with the modifier flags (Alt 1, Ctrl 2, Shift 4, Caps
// Lock 8) under the modes held in settings. Keys without output give empty bytes.
VtKeyOutput EncodeVtKey(int vtKey, uint8_t modifiers, const CSettingsSet& settings);

// Keyboard output for the host: without 8-bit controls every C1 byte becomes ESC and its 7-bit
// form; with them every ESC followed by 0x40..0x5F becomes the single C1 byte.
std::string ConvertControls(std::string_view bytes, bool eightBit);

}  // namespace ostrane
