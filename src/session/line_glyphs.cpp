#include "session/line_glyphs.h"

#include <algorithm>
#include <iterator>

namespace ostrane {

namespace {

struct GlyphLines {
  int count;
  GlyphSegment segments[2];
};

constexpr GlyphLines kGlyphs[kLineGlyphCount] = {
    {0, {}},                                            // 0 blank
    {1, {{127, 0, 127, 255}}},                          // 1 vertical
    {2, {{127, 127, 127, 255}, {127, 127, 255, 127}}},  // 2 down and right
    {2, {{127, 127, 127, 0}, {127, 127, 255, 127}}},    // 3 up and right
    {2, {{127, 127, 0, 127}, {127, 127, 127, 255}}},    // 4 down and left
    {2, {{127, 127, 127, 0}, {127, 127, 0, 127}}},      // 5 up and left
    {2, {{0, 127, 255, 127}, {127, 0, 127, 255}}},      // 6 cross
    {2, {{127, 0, 127, 255}, {127, 127, 255, 127}}},    // 7 vertical and right
    {2, {{127, 0, 127, 255}, {127, 127, 0, 127}}},      // 8 vertical and left
    {2, {{0, 127, 255, 127}, {127, 127, 127, 255}}},    // 9 down and horizontal
    {2, {{0, 127, 255, 127}, {127, 127, 127, 0}}},      // 10 up and horizontal
    {1, {{0, 127, 255, 127}}},                          // 11 horizontal
    {1, {{0, 16, 255, 16}}},                            // 12 scan line 1
    {1, {{0, 73, 255, 73}}},                            // 13 scan line 3
    {1, {{0, 182, 255, 182}}},                          // 14 scan line 7
    {1, {{0, 239, 255, 239}}},                          // 15 scan line 9
};

struct GlyphRange {
  char16_t first, last;
  uint8_t glyph;
};

// Box-drawing characters and the glyph each shows. U+2550 (double horizontal) has no entry and
// shows the empty glyph, as the character table always has.
constexpr GlyphRange kGlyphRanges[] = {
    {0x23BA, 0x23BA, 12}, {0x23BB, 0x23BB, 13}, {0x23BC, 0x23BC, 14}, {0x23BD, 0x23BD, 15},
    {0x2500, 0x2500, 11}, {0x2502, 0x2502, 1},  {0x250C, 0x250C, 2},  {0x2510, 0x2510, 4},
    {0x2514, 0x2514, 3},  {0x2518, 0x2518, 5},  {0x251C, 0x251C, 7},  {0x2524, 0x2524, 8},
    {0x252C, 0x252C, 9},  {0x2534, 0x2534, 10}, {0x253C, 0x253C, 6},  {0x2551, 0x2551, 1},
    {0x2552, 0x2554, 2},  {0x2555, 0x2557, 4},  {0x2558, 0x255A, 3},  {0x255B, 0x255D, 5},
    {0x255E, 0x2560, 7},  {0x2561, 0x2563, 8},  {0x2564, 0x2566, 9},  {0x2567, 0x2569, 10},
    {0x256A, 0x256C, 6},
};

}  // namespace

std::span<const GlyphSegment> LineGlyphSegments(int glyph) {
  if (glyph < 0 || glyph >= kLineGlyphCount) return {};
  const GlyphLines& g = kGlyphs[glyph];
  return {g.segments, static_cast<size_t>(g.count)};
}

int LineGlyphFor(char16_t ch) {
  const auto* it =
      std::find_if(std::begin(kGlyphRanges), std::end(kGlyphRanges),
                   [ch](const GlyphRange& r) { return ch >= r.first && ch <= r.last; });
  return it == std::end(kGlyphRanges) ? 0 : it->glyph;
}

int LineGlyphPenWidth(int cellHeight) {
  return std::max(1, cellHeight / 8);
}

int LineGlyphScale(int units, int extent) {
  return units * extent / kLineGlyphUnits;
}

}  // namespace ostrane
