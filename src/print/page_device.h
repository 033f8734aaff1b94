// IPageDevice: a printer that takes pages of text lines (the desktop program's printer, a PDF
// file, or plain text pages for a headless session), and PageLayout, what fits on its page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostrane {

// Printable size and the print font's cell, in the device's own units.
struct PageMetrics {
  int width = 0;
  int height = 0;
  int cellWidth = 0;
  int cellHeight = 0;
};

class IPageDevice {
 public:
  virtual ~IPageDevice() = default;
  virtual PageMetrics Metrics() const = 0;
  virtual bool StartDocument(const std::string& title) = 0;
  virtual bool StartPage() = 0;
  // One line of text at x = 0 and y, the top of its cell.
  virtual void DrawLine(int y, std::u16string_view text) = 0;
  virtual bool EndPage() = 0;
  virtual bool EndDocument() = 0;
  virtual void AbortDocument() = 0;
};

struct PageLayout {
  int cellHeight = 1;
  int linesPerPage = 1;
  int charsPerLine = 1;
};

// The layout of a device's page; none when the font's cell or the page holds no line (a font
// size of 0 or one larger than the page), which would divide by zero or print nothing.
std::optional<PageLayout> LayoutFor(const PageMetrics& metrics);

}  // namespace ostrane
