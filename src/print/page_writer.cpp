#include "print/page_writer.h"

namespace ostrane {

bool CPageWriter::Line(std::u16string_view text) {
  if (failed_) return false;
  if (!pageStarted_) {
    if (!device_.StartPage()) return Fail();
    pageStarted_ = true;
  }
  device_.DrawLine(linesOnPage_ * layout_.cellHeight, text);
  return Advance();
}

bool CPageWriter::Blank() {
  if (failed_) return false;
  return Advance();
}

bool CPageWriter::Advance() {
  if (++linesOnPage_ < layout_.linesPerPage) return true;
  // A page of blank lines still comes out as a page.
  return FormFeed();
}

bool CPageWriter::FormFeed() {
  if (failed_) return false;
  if (!pageStarted_ && !device_.StartPage()) return Fail();
  pageStarted_ = false;
  linesOnPage_ = 0;
  if (!device_.EndPage()) return Fail();
  return true;
}

bool CPageWriter::EndLastPage() {
  if (failed_) return false;
  if (!pageStarted_) return true;
  pageStarted_ = false;
  linesOnPage_ = 0;
  if (!device_.EndPage()) return Fail();
  return true;
}

PrintResult PrintDocument(IPageDevice& device, const PageLayout& layout, const std::string& title,
                          const std::vector<std::u16string>& lines) {
  if (!device.StartDocument(title)) return PrintResult::kCannotStart;
  CPageWriter writer(device, layout);
  // Every line starts its page, blank or not, so that the page count follows the line count.
  bool ok = true;
  for (const std::u16string& line : lines) {
    if (!(ok = writer.Line(line))) break;
  }
  if (ok) ok = writer.EndLastPage();
  if (!ok) {
    device.AbortDocument();
    return PrintResult::kPageFailed;
  }
  return device.EndDocument() ? PrintResult::kPrinted : PrintResult::kPageFailed;
}

}  // namespace ostrane
