// CTermFont: the one font every cell of a session is drawn in, with its cell size. Shared by the
// view and printing.
#pragma once

#include <QFont>
#include <QString>

#include "session/view_geometry.h"

namespace ostrane {

class CTermFont {
 public:
  // face: a family name; when it is not installed a metric-compatible monospace family is used.
  // points: converted to pixels with dpiY.
  void Create(const QString& face, int points, bool bold, int dpiY);

  const QFont& Font() const { return font_; }
  int Points() const { return points_; }
  int CellWidth() const { return cellWidth_; }
  int CellHeight() const { return cellHeight_; }
  int Ascent() const { return ascent_; }
  bool Valid() const { return cellWidth_ > 0 && cellHeight_ > 0; }

  // The cell of the font at that size, without keeping it (font fitting).
  static CellSize MeasureCell(const QString& face, int points, bool bold, int dpiY);
  // The family drawn for a face name.
  static QString ResolveFamily(const QString& face);

 private:
  static QFont MakeFont(const QString& face, int points, bool bold, int dpiY);

  QFont font_;
  int points_ = 0;
  int cellWidth_ = 0;
  int cellHeight_ = 0;
  int ascent_ = 0;
};

}  // namespace ostrane
