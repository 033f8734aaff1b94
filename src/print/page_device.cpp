#include "print/page_device.h"

#include <algorithm>

#include "print/print_limits.h"

namespace ostrane {

std::optional<PageLayout> LayoutFor(const PageMetrics& metrics) {
  if (metrics.cellWidth < 1 || metrics.cellHeight < 1) return std::nullopt;
  PageLayout layout;
  layout.cellHeight = metrics.cellHeight;
  layout.linesPerPage = metrics.height / metrics.cellHeight;
  layout.charsPerLine = std::min(metrics.width / metrics.cellWidth, kPrintLineChars);
  if (layout.linesPerPage < 1 || layout.charsPerLine < 1) return std::nullopt;
  return layout;
}

}  // namespace ostrane
