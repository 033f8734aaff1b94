// CSoftFont: the down-line-loaded soft font (DECDLD).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "emulator/control_params.h"
#include "emulator/emulator_limits.h"

namespace ostrane {

struct SoftGlyph {
  const uint8_t* bits;  // one bit per pixel, most significant bit first
  int width;
  int height;
  int strideBytes;  // rows padded to a multiple of 16 bits
};

class CSoftFont {
 public:
  // params: the DCS header parameters (Pfn;Pcn;Pe;Pcmw;Pss;Pt;Pcmh;Pcss); data: the string body.
  void Load(const CControlParams& params, std::string_view data);
  // True when final and every designator intermediate match a designation's.
  bool Matches(uint8_t final, const CControlParams& params) const;
  // Glyph at a character position 0x20..0x7F, or none.
  std::optional<SoftGlyph> Glyph(int character) const;
  bool Empty() const;

 private:
  char designator_[kSoftFontDesignator] = {};
  int designatorCount_ = 0;
  uint8_t final_ = 0;  // 0 = no designator loaded
  int cellHeight_ = 0;
  int glyphWidth_ = 0;
  bool set96_ = false;
  std::array<std::vector<uint8_t>, kSoftFontGlyphs> glyphs_;  // empty = no glyph there
};

}  // namespace ostrane
