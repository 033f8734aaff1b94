#include "emulator/soft_font.h"

#include <algorithm>

namespace ostrane {
namespace {

// Rows are padded to a multiple of 16 bits; every glyph keeps the largest size, so the host's
// parameters never change how much memory a glyph takes.
constexpr int kStrideBytes = (kSoftFontMaxWidth + 15) / 16 * 2;
constexpr size_t kGlyphBytes = static_cast<size_t>(kStrideBytes) * kSoftFontMaxHeight;

bool IsSixel(char c) {
  return c >= 0x3F && c <= 0x7E;
}

// Cell height when the host leaves it to the terminal: from the first glyph's band count.
int DerivedCellHeight(int bands) {
  const int pixels = bands * 6;
  if (pixels >= 13) return pixels + 6;
  if (pixels == 12) return 16;
  return 12;
}

}  // namespace

void CSoftFont::Load(const CControlParams& params, std::string_view data) {
  data = data.substr(0, data.find('\0'));

  size_t pos = 0;
  char designator[kSoftFontDesignator] = {};
  int designatorCount = 0;
  while (pos < data.size() && data[pos] >= 0x20 && data[pos] <= 0x2F) {
    if (designatorCount < kSoftFontDesignator) designator[designatorCount++] = data[pos];
    ++pos;
  }
  if (pos >= data.size()) return;  // no final character: nothing to designate or load
  std::copy(designator, designator + kSoftFontDesignator, designator_);
  designatorCount_ = designatorCount;
  final_ = static_cast<uint8_t>(data[pos++]);

  const int erase = params.Param(2, 0);
  if (erase == 0 || erase == 2)
    for (auto& glyph : glyphs_) glyph.clear();
  set96_ = params.Param(7, 0) == 1;

  int width = 0;
  for (size_t i = pos; i < data.size() && data[i] != '/' && data[i] != ';'; ++i)
    if (IsSixel(data[i])) ++width;
  glyphWidth_ = std::min(width, kSoftFontMaxWidth);

  const int64_t requestedHeight = params.Param(6, 0);
  cellHeight_ = static_cast<int>(std::min<int64_t>(requestedHeight, kSoftFontMaxHeight));

  int64_t position = params.Param(1, 0);
  std::vector<uint8_t>* glyph = nullptr;  // created on first use, so a trailing ";" adds none
  auto currentGlyph = [&]() -> std::vector<uint8_t>* {
    if (glyph == nullptr && position < kSoftFontGlyphs) {
      glyph = &glyphs_[static_cast<size_t>(position)];
      glyph->assign(kGlyphBytes, 0);
    }
    return glyph;
  };
  bool firstGlyph = true;
  auto endFirstGlyph = [&](int bands) {
    if (firstGlyph && cellHeight_ == 0)
      cellHeight_ = std::min(DerivedCellHeight(bands), kSoftFontMaxHeight);
    firstGlyph = false;
  };

  int column = 0;
  int band = 0;
  for (; pos < data.size(); ++pos) {
    const char c = data[pos];
    if (c == ';') {
      currentGlyph();
      endFirstGlyph(band + 1);
      ++position;
      glyph = nullptr;
      column = 0;
      band = 0;
      if (position >= kSoftFontGlyphs) break;  // the store is full; the rest is dropped
    } else if (c == '/') {
      currentGlyph();
      ++band;
      column = 0;
    } else if (IsSixel(c)) {
      std::vector<uint8_t>* bits = currentGlyph();
      const int value = c - 0x3F;
      if (bits != nullptr && column < glyphWidth_) {
        for (int k = 0; k < 6; ++k) {
          const int row = band * 6 + k;
          if ((value >> k & 1) == 0 || row >= kSoftFontMaxHeight) continue;
          (*bits)[static_cast<size_t>(row * kStrideBytes + column / 8)] |=
              static_cast<uint8_t>(0x80 >> (column % 8));
        }
      }
      ++column;
    }
  }
  endFirstGlyph(band + 1);
}

bool CSoftFont::Matches(uint8_t final, const CControlParams& params) const {
  if (final_ == 0 || final != final_) return false;
  for (int i = 0; i < designatorCount_; ++i)
    if (!params.Has(designator_[i])) return false;
  return true;
}

std::optional<SoftGlyph> CSoftFont::Glyph(int character) const {
  const bool usable = (character >= 0x21 && character <= 0x7D) ||
                      (set96_ && (character == 0x20 || character == 0x7E));
  if (!usable || glyphWidth_ == 0 || cellHeight_ == 0) return std::nullopt;
  const auto& bits = glyphs_[static_cast<size_t>(character - 0x20)];
  if (bits.empty()) return std::nullopt;
  return SoftGlyph{bits.data(), glyphWidth_, cellHeight_, kStrideBytes};
}

bool CSoftFont::Empty() const {
  for (const auto& glyph : glyphs_)
    if (!glyph.empty()) return false;
  return true;
}

}  // namespace ostrane
