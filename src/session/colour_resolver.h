// CColourResolver: the colours a run of cells is drawn in. A snapshot of the palette, the colour
// map and the screen flags, so that a view can resolve colours without holding the terminal lock.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ostrane {

class CSettingsSet;

struct CellColours {
  uint32_t text = 0;        // 0x00RRGGBB
  uint32_t background = 0;  // 0x00RRGGBB
  bool underline = false;   // draw the underline of the cells
};

class CColourResolver {
 public:
  CColourResolver();
  explicit CColourResolver(const CSettingsSet& settings);

  // Colours of cells with attribute word `attribute`, drawn as selected or not, in the given
  // blink phase (true: blinking text is shown).
  CellColours Resolve(uint16_t attribute, bool selected, bool blinkShown) const;
  // The window background and the area below the last line.
  uint32_t WindowBackground() const;
  uint32_t Palette(int index) const { return palette_[static_cast<size_t>(index & 0x0F)]; }

 private:
  struct MapEntry {
    bool mapped = false;
    uint8_t fore = 0;
    uint8_t back = 0;
    bool displayAttr = false;
  };
  std::array<uint32_t, 16> palette_{};
  std::array<MapEntry, 16> map_{};
  bool dark_ = true;
  bool blinkText_ = true;
};

}  // namespace ostrane
