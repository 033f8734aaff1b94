// The 256 colours of the xterm type: the sixteen system colours (the session's palette, in ANSI
// order), the 6x6x6 colour cube and the 24-step grey ramp, with the host's own settings (OSC 4)
// over them; and the default colours and cursor colour the host set (OSC 10, 11, 12).
#pragma once

#include <array>
#include <cstdint>

namespace ostrane {

// ANSI colour order (black, red, green, yellow, blue, ...) to the palette's order and back:
// the palette has blue and yellow the other way round, so the map is its own inverse.
inline constexpr uint8_t kAnsiToPalette[8] = {0, 1, 2, 4, 3, 5, 6, 7};

// One of the 256 colours as 0xRRGGBB; `palette` holds the session's sixteen in its own order.
inline uint32_t XtermColour(int index, const std::array<uint32_t, 16>& palette) {
  index &= 0xFF;
  if (index < 16) return palette[kAnsiToPalette[index & 7] + (index & 8)];
  if (index < 232) {
    static constexpr uint32_t kLevels[6] = {0x00, 0x5F, 0x87, 0xAF, 0xD7, 0xFF};
    const int cube = index - 16;
    return kLevels[cube / 36] << 16 | kLevels[cube / 6 % 6] << 8 | kLevels[cube % 6];
  }
  const auto grey = static_cast<uint32_t>(8 + 10 * (index - 232));
  return grey << 16 | grey << 8 | grey;
}

// Colours the host set: the 256 by index (OSC 4) and the dynamic ones (OSC 10, 11, 12). Each is
// kSet | 0xRRGGBB, or 0 where the user's own colour holds. They belong to the session only.
struct HostPalette {
  static constexpr uint32_t kSet = 0x01000000;
  // The dynamic colours in the order OSC 10, 11 and 12 name them.
  enum Dynamic { kForeground, kBackground, kCursor, kDynamicCount };
  std::array<uint32_t, 256> entries{};
  std::array<uint32_t, kDynamicCount> dynamic{};
  friend bool operator==(const HostPalette&, const HostPalette&) = default;
};

}  // namespace ostrane
