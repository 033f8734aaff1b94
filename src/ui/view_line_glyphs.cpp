#include "ui/view_line_glyphs.h"

#include <QHash>
#include <QPainter>
#include <QPen>

#include "session/line_glyphs.h"

namespace ostrane {

namespace {

QImage BuildStrip(int cellWidth, int cellHeight) {
  QImage strip(cellWidth * kLineGlyphCount, cellHeight, QImage::Format_RGB32);
  strip.fill(Qt::white);
  QPainter painter(&strip);
  QPen pen(Qt::black);
  pen.setWidth(LineGlyphPenWidth(cellHeight));
  pen.setCapStyle(Qt::FlatCap);
  painter.setPen(pen);
  for (int glyph = 0; glyph < kLineGlyphCount; ++glyph) {
    const int x0 = glyph * cellWidth;
    painter.setClipRect(x0, 0, cellWidth, cellHeight);
    for (const GlyphSegment& s : LineGlyphSegments(glyph)) {
      painter.drawLine(x0 + LineGlyphScale(s.x1, cellWidth), LineGlyphScale(s.y1, cellHeight),
                       x0 + LineGlyphScale(s.x2, cellWidth), LineGlyphScale(s.y2, cellHeight));
    }
  }
  painter.end();
  return strip.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither | Qt::AvoidDither);
}

}  // namespace

const QImage& CLineGlyphCache::Strip(int cellWidth, int cellHeight) {
  static QHash<QString, QImage> strips;
  const QString key = QStringLiteral("%1,%2").arg(cellWidth).arg(cellHeight);
  auto it = strips.find(key);
  if (it == strips.end()) it = strips.insert(key, BuildStrip(cellWidth, cellHeight));
  return it.value();
}

const QImage& CLineGlyphCache::ColouredStrip(int cellWidth, int cellHeight, QRgb ink, QRgb paper) {
  // A screen uses a handful of colour pairs; the cache starts again if that ever grows large.
  constexpr qsizetype kMaxColouredStrips = 256;
  static QHash<QString, QImage> strips;
  const QString key =
      QStringLiteral("%1,%2,%3,%4").arg(cellWidth).arg(cellHeight).arg(ink).arg(paper);
  auto it = strips.find(key);
  if (it != strips.end()) return it.value();
  if (strips.size() >= kMaxColouredStrips) strips.clear();
  QImage coloured =
      Coloured(Strip(cellWidth, cellHeight), QColor::fromRgb(ink), QColor::fromRgb(paper))
          .convertToFormat(QImage::Format_RGB32);
  return strips.insert(key, coloured).value();
}

QImage CLineGlyphCache::Coloured(const QImage& mono, QColor ink, QColor paper) {
  QImage out = mono;
  QList<QRgb> table = out.colorTable();
  for (QRgb& c : table) c = qGray(c) < 128 ? ink.rgb() : paper.rgb();
  out.setColorTable(table);
  return out;
}

}  // namespace ostrane
