// CPageWriter: puts text lines on the pages of an IPageDevice whose document is started: a page
// is started before its first line and ended when it is full or a form feed comes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "print/page_device.h"

namespace ostrane {

class CPageWriter {
 public:
  CPageWriter(IPageDevice& device, const PageLayout& layout) : device_(device), layout_(layout) {}

  // Each false once a page could not be started or ended; the document must then be aborted.
  bool Line(std::u16string_view text);
  // An empty line: it takes its place on the page without starting one.
  bool Blank();
  bool FormFeed();
  // Ends a started page; the document stays the caller's.
  bool EndLastPage();
  const PageLayout& Layout() const { return layout_; }

 private:
  bool Advance();
  bool Fail() {
    failed_ = true;
    return false;
  }

  IPageDevice& device_;
  PageLayout layout_;
  int linesOnPage_ = 0;
  bool pageStarted_ = false;
  bool failed_ = false;
};

// Prints lines as one document, linesPerPage to a page. A page that fails to start or end
// aborts the document and the remaining pages are not printed.
enum class PrintResult { kPrinted, kCannotStart, kPageFailed };
PrintResult PrintDocument(IPageDevice& device, const PageLayout& layout, const std::string& title,
                          const std::vector<std::u16string>& lines);

}  // namespace ostrane
