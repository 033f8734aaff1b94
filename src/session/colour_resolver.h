// CColourResolver: the colours a run of cells is drawn in. A snapshot of the palette, the colour
// map and the screen flags, so that a view can resolve colours without holding the terminal lock.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "emulator/xterm_palette.h"

namespace ostrane {

class CSettingsSet;
struct CellExtra;

struct CellColours {
  uint32_t text = 0;        // 0x00RRGGBB
  uint32_t background = 0;  // 0x00RRGGBB
  bool underline = false;   // draw the underline of the cells
  bool italic = false;
  bool strike = false;
  bool overline = false;
};

class CColourResolver {
 public:
  CColourResolver();
  explicit CColourResolver(const CSettingsSet& settings);

  // Colours of cells with attribute word `attribute`, drawn as selected or not, in the given
  // blink phase (true: blinking text is shown).
  CellColours Resolve(uint16_t attribute, bool selected, bool blinkShown) const;
  // The same for a cell with extra colours and styles (nullptr: none).
  CellColours Resolve(uint16_t attribute, const CellExtra* extra, bool selected,
                      bool blinkShown) const;
  // One of the 256 colours: the 16 of the palette (in ANSI order), the 6x6x6 cube, the grey ramp.
  uint32_t IndexedColour(int index) const;
  // The window background and the area below the last line.
  uint32_t WindowBackground() const;
  uint32_t Palette(int index) const { return palette_[static_cast<size_t>(index & 0x0F)]; }
  // The colours the host set take the place of the palette's and the 256 colours (OSC 4), and
  // of the default text and background colours (OSC 10, 11).
  void SetHostPalette(const HostPalette& host) { host_ = host; }
  // The cursor colour the host set (OSC 12) as 0xRRGGBB, or nothing for the usual cursor.
  std::optional<uint32_t> HostCursor() const;

 private:
  struct MapEntry {
    bool mapped = false;
    uint8_t fore = 0;
    uint8_t back = 0;
    bool displayAttr = false;
  };
  // A colour of a cell's extra, or `fallback` when it names none.
  uint32_t ExtraColour(uint32_t colour, uint32_t fallback) const;

  // A colour field of the attribute word, with a colour the host set for it. Without an extra
  // colour, 7 and 0 are the default text and background colours.
  uint32_t WordColour(int index) const;

  std::array<uint32_t, 16> palette_{};
  HostPalette host_;
  std::array<MapEntry, 16> map_{};
  bool dark_ = true;
  bool blinkText_ = true;
};

}  // namespace ostrane
