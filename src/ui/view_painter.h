// CViewPainter: draws lines of a terminal screen with QPainter: runs of equal attributes in one
// call each, line-drawing and soft-font glyphs, wide characters and double-size lines.
#pragma once

#include <QImage>
#include <QPainter>
#include <array>
#include <cstdint>

#include "emulator/emulator_limits.h"
#include "emulator/screen_buffer.h"
#include "session/colour_resolver.h"
#include "session/selection.h"

namespace ostrane {

class CTermFont;

// One line copied out of the screen buffer, so that drawing needs no terminal lock.
struct ViewRow {
  int line = 0;
  int sizeCode = 0;
  std::array<uint16_t, kLineWidth> chars{};
  std::array<uint16_t, kLineWidth> attrs{};
  // Extra colours and styles, copied only for a line that has any.
  bool hasExtras = false;
  std::array<CellExtra, kLineWidth> extras{};

  const CellExtra* ExtraAt(int column) const {
    const auto c = static_cast<size_t>(column);
    return hasExtras && (attrs[c] & attr::kExtended) ? &extras[c] : nullptr;
  }
};

// The soft-font glyphs as one-bit images (white clear, black set), character 0x20..0x7F.
using SoftFontImages = std::array<QImage, 96>;

class CViewPainter {
 public:
  CViewPainter(const CTermFont& font, const CColourResolver& colours, const SoftFontImages& soft,
               int columns, bool blinkShown);

  // Draws a line with its cell (0, 0) at (x, y); `selected` are the selected columns.
  void DrawRow(QPainter& painter, const ViewRow& row, int x, int y, SelectionSpan selected);

 private:
  void DrawCells(QPainter& painter, const ViewRow& row, int x, int y, SelectionSpan selected);
  void DrawRange(QPainter& painter, const ViewRow& row, int x, int y, int first, int last,
                 bool selected);
  void DrawRun(QPainter& painter, const ViewRow& row, int x, int y, int first, int count,
               bool selected);

  const CTermFont& font_;
  const CColourResolver& colours_;
  const SoftFontImages& soft_;
  int columns_;
  bool blinkShown_;
  QImage sized_;  // one double-size line, made on first use
};

}  // namespace ostrane
