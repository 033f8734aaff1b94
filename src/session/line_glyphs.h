// The line-drawing glyphs the program draws itself: 16 glyphs made of straight segments in a
// 256-unit cell, and which glyph each box-drawing character shows.
#pragma once

#include <cstdint>
#include <span>

namespace ostrane {

inline constexpr int kLineGlyphCount = 16;
inline constexpr int kLineGlyphUnits = 255;  // coordinates run 0..255 across the cell

struct GlyphSegment {
  uint8_t x1, y1, x2, y2;
};

// The segments of glyph 0..15 (glyph 0 is empty; other numbers give no segments).
std::span<const GlyphSegment> LineGlyphSegments(int glyph);
// The glyph a character shows; 0 for a character that is not a line-drawing character.
int LineGlyphFor(char16_t ch);
// Width of the flat-ended pen for a cell height.
int LineGlyphPenWidth(int cellHeight);
// A glyph coordinate in pixels of a cell `extent` pixels wide (or high).
int LineGlyphScale(int units, int extent);

}  // namespace ostrane
