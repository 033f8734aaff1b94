#include "ui/term_font.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <algorithm>
#include <iterator>

namespace ostrane {

namespace {

// Families with the metrics of the usual terminal faces, tried in order when a face is missing.
constexpr const char* kFallbackFamilies[] = {"Liberation Mono", "DejaVu Sans Mono"};

}  // namespace

QString CTermFont::ResolveFamily(const QString& face) {
  if (!face.isEmpty() && QFontDatabase::hasFamily(face)) return face;
  for (const char* family : kFallbackFamilies)
    if (QFontDatabase::hasFamily(QString::fromLatin1(family))) return QString::fromLatin1(family);
  return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

QFont CTermFont::MakeFont(const QString& face, int points, bool bold, int dpiY) {
  QFont font(ResolveFamily(face));
  font.setPixelSize(std::max(1, points * dpiY / 72));
  font.setFixedPitch(true);
  font.setStyleHint(QFont::TypeWriter);
  font.setKerning(false);
  font.setWeight(bold ? QFont::Bold : QFont::Normal);
  return font;
}

CellSize CTermFont::MeasureCell(const QString& face, int points, bool bold, int dpiY) {
  const QFontMetrics metrics(MakeFont(face, points, bold, dpiY));
  return {std::max(1, metrics.horizontalAdvance(QLatin1Char('A'))), std::max(1, metrics.height())};
}

void CTermFont::Create(const QString& face, int points, bool bold, int dpiY) {
  font_ = MakeFont(face, points, bold, dpiY);
  points_ = points;
  const QFontMetrics metrics(font_);
  cellWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('A')));
  cellHeight_ = std::max(1, metrics.height());
  ascent_ = metrics.ascent();
  // A run is drawn in one call; spacing makes every advance exactly one whole cell.
  const qreal advance = QFontMetricsF(font_).horizontalAdvance(QLatin1Char('A'));
  if (advance != cellWidth_) font_.setLetterSpacing(QFont::AbsoluteSpacing, cellWidth_ - advance);
}

}  // namespace ostrane
