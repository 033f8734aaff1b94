// CLineGlyphCache: the line-drawing glyphs drawn once per cell size for the whole program, as a
// strip of 16 cells: a one-bit image whose white pixels are background and black ones lines.
#pragma once

#include <QColor>
#include <QImage>

namespace ostrane {

class CLineGlyphCache {
 public:
  // The strip for a cell size; built on first use. GUI thread only.
  static const QImage& Strip(int cellWidth, int cellHeight);
  // The strip with lines in `ink` on `paper`, ready to copy from; kept for the colour pairs in
  // use.
  static const QImage& ColouredStrip(int cellWidth, int cellHeight, QRgb ink, QRgb paper);
  // A copy of a one-bit image whose black pixels take `ink` and white ones `paper`.
  static QImage Coloured(const QImage& mono, QColor ink, QColor paper);
};

}  // namespace ostrane
