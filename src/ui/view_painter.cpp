#include "ui/view_painter.h"

#include <QString>
#include <algorithm>

#include "emulator/screen_buffer.h"
#include "session/line_glyphs.h"
#include "ui/term_font.h"
#include "ui/view_line_glyphs.h"

namespace ostrane {

namespace {

constexpr int kDoubleTop = 2;
constexpr int kDoubleBottom = 4;
constexpr uint16_t kSoftFontBase = 0xF000;
constexpr int kLinkDotStep = 2;

QColor Rgb(uint32_t rgb) {
  return QColor::fromRgb(static_cast<QRgb>(rgb | 0xFF000000u));
}

}  // namespace

CViewPainter::CViewPainter(const CTermFont& font, const CColourResolver& colours,
                           const SoftFontImages& soft, int columns, bool blinkShown)
    : font_(font),
      colours_(colours),
      soft_(soft),
      columns_(std::clamp(columns, 1, kLineWidth)),
      blinkShown_(blinkShown) {}

void CViewPainter::DrawRow(QPainter& painter, const ViewRow& row, int x, int y,
                           SelectionSpan selected) {
  if (row.sizeCode == 0) {
    DrawCells(painter, row, x, y, selected);
    return;
  }
  const int cw = font_.CellWidth();
  const int ch = font_.CellHeight();
  if (sized_.isNull()) sized_ = QImage(kLineWidth * cw, ch, QImage::Format_RGB32);
  {
    QPainter rowPainter(&sized_);
    rowPainter.setFont(font_.Font());
    DrawCells(rowPainter, row, 0, 0, selected);
  }
  // Double width shows the first half of the line stretched over the whole width.
  const int width = columns_ * cw;
  QRect source(0, 0, width / 2, ch);
  if (row.sizeCode & kDoubleTop)
    source = QRect(0, 0, width / 2, ch / 2);
  else if (row.sizeCode & kDoubleBottom)
    source = QRect(0, ch / 2, width / 2, ch - ch / 2);
  painter.drawImage(QRect(x, y, width, ch), sized_, source);
}

void CViewPainter::DrawCells(QPainter& painter, const ViewRow& row, int x, int y,
                             SelectionSpan selected) {
  const int last = columns_ - 1;
  if (selected.last < selected.first) {
    DrawRange(painter, row, x, y, 0, last, false);
    return;
  }
  DrawRange(painter, row, x, y, 0, selected.first - 1, false);
  DrawRange(painter, row, x, y, selected.first, std::min(selected.last, last), true);
  DrawRange(painter, row, x, y, selected.last + 1, last, false);
}

void CViewPainter::DrawRange(QPainter& painter, const ViewRow& row, int x, int y, int first,
                             int last, bool selected) {
  first = std::max(first, 0);
  last = std::min(last, columns_ - 1);
  while (first <= last) {
    int end = first + 1;
    const CellExtra* extra = row.ExtraAt(first);
    while (end <= last &&
           row.attrs[static_cast<size_t>(end)] == row.attrs[static_cast<size_t>(first)] &&
           (extra == nullptr || *row.ExtraAt(end) == *extra))
      ++end;
    DrawRun(painter, row, x, y, first, end - first, selected);
    first = end;
  }
}

void CViewPainter::DrawRun(QPainter& painter, const ViewRow& row, int x, int y, int first,
                           int count, bool selected) {
  const uint16_t attribute = row.attrs[static_cast<size_t>(first)];
  const CellColours colours =
      colours_.Resolve(attribute, row.ExtraAt(first), selected, blinkShown_);
  const QColor ink = Rgb(colours.text);
  const QColor paper = Rgb(colours.background);
  const int cw = font_.CellWidth();
  const int ch = font_.CellHeight();
  const int left = x + first * cw;
  const QRect runRect(left, y, count * cw, ch);
  const uint16_t* chars = row.chars.data() + first;
  painter.fillRect(runRect, paper);
  switch (attribute & attr::kGlyphMask) {
    case attr::kGlyphLineDraw: {
      const QImage& glyphs = CLineGlyphCache::ColouredStrip(cw, ch, ink.rgb(), paper.rgb());
      for (int i = 0; i < count; ++i) {
        const int glyph = LineGlyphFor(chars[i]);
        painter.drawImage(QPoint(left + i * cw, y), glyphs, QRect(glyph * cw, 0, cw, ch));
      }
      break;
    }
    case attr::kGlyphSoftFont:
      for (int i = 0; i < count; ++i) {
        const int code = chars[i] - kSoftFontBase;
        if (code < 0x20 || code > 0x7F) continue;
        const QImage& glyph = soft_[static_cast<size_t>(code - 0x20)];
        if (glyph.isNull()) continue;
        painter.drawImage(QRect(left + i * cw, y, cw, ch),
                          CLineGlyphCache::Coloured(glyph, ink, paper));
      }
      break;
    case attr::kGlyphWide:
      painter.setPen(ink);
      for (int i = 0; i < count; ++i) {
        if (chars[i] == 0) continue;
        const QRect cell(left + i * cw, y, 2 * cw, ch);
        painter.save();
        painter.setClipRect(cell);
        painter.fillRect(cell, paper);
        painter.drawText(QPoint(cell.left(), y + font_.Ascent()),
                         QString(QChar(static_cast<char16_t>(chars[i]))));
        painter.restore();
      }
      break;
    default: {
      QString text;
      text.reserve(count);
      for (int i = 0; i < count; ++i) {
        text += QChar(chars[i] == 0 ? u' ' : static_cast<char16_t>(chars[i]));
        // A combining mark takes no cell: it follows its base character.
        if (const CellExtra* extra = row.ExtraAt(first + i); extra && extra->combining != 0)
          text += QChar(extra->combining);
      }
      painter.setPen(ink);
      if (colours.italic) {
        QFont italic = painter.font();
        italic.setItalic(true);
        painter.save();
        painter.setFont(italic);
        painter.setClipRect(runRect);
        painter.drawText(QPoint(left, y + font_.Ascent()), text);
        painter.restore();
      } else {
        painter.drawText(QPoint(left, y + font_.Ascent()), text);
      }
      if (colours.underline) painter.fillRect(QRect(left, y + ch - 1, count * cw, 1), ink);
      if (colours.strike) painter.fillRect(QRect(left, y + ch / 2, count * cw, 1), ink);
      if (colours.overline) painter.fillRect(QRect(left, y, count * cw, 1), ink);
      break;
    }
  }
  // Linked text has a dotted underline, as links the user can open with Ctrl+click.
  if (const CellExtra* extra = row.ExtraAt(first); extra && extra->link != 0)
    for (int px = 0; px < count * cw; px += kLinkDotStep)
      painter.fillRect(QRect(left + px, y + ch - 1, 1, 1), ink);
}

}  // namespace ostrane
