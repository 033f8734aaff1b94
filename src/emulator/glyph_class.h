// The glyph class a character gets in its cell, shared by character output and rectangle fills.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "emulator/screen_buffer.h"

namespace ostrane {

// The 44 characters drawn as lines by the renderer.
inline bool IsLineDrawingChar(char16_t c) {
  static constexpr char16_t kSingles[] = {0x2500, 0x2502, 0x250C, 0x2510, 0x2514, 0x2518,
                                          0x251C, 0x2524, 0x252C, 0x2534, 0x253C};
  // Most text lies outside the range, and wide text is all above it.
  if (c < 0x23BA || c > 0x256C) return false;
  if (c >= 0x2550 && c <= 0x256C) return true;
  if (c >= 0x23BA && c <= 0x23BD) return true;
  return std::find(std::begin(kSingles), std::end(kSingles), c) != std::end(kSingles);
}

// Combining marks, which take no cell of their own: the combining diacritical blocks.
inline bool IsCombiningMark(char16_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
         (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
         (c >= 0xFE20 && c <= 0xFE2F);
}

struct GlyphClass {
  char16_t code;   // soft-font glyphs move from U+EFxx to U+F0xx
  uint16_t glyph;  // attribute bits 5-6
  int width;
};

inline GlyphClass ClassifyGlyph(char16_t code, bool dbcs) {
  if (code < 0x23BA) return {code, 0, 1};  // below every special range
  if (IsLineDrawingChar(code)) return {code, attr::kGlyphLineDraw, 1};
  // Soft-font glyphs U+EF20..U+EF7E are stored as U+F020..U+F07E.
  if (code >= 0xEF00 && code <= 0xEFFF)
    return {static_cast<char16_t>(code + 0x100), attr::kGlyphSoftFont, 1};
  // The replacement for an undecodable sequence takes one cell.
  if (dbcs && code > 0x2FFF && code != 0xFFFD) return {code, attr::kGlyphWide, 2};
  return {code, 0, 1};
}

}  // namespace ostrane
