// A session's print requests with printers that record what they get: the host's media-copy
// requests, page printing of controller bytes through the terminal's character sets, and the
// print commands' enabling.
#include <gtest/gtest.h>

#include <memory>

#include "print_fakes.h"
#include "session/vt420_doc.h"
#include "settings/settings_table.h"

namespace ostrane {
namespace {

class DocPrintTest : public testing::Test {
 protected:
  void SetUp() override { doc_->SetPrintDevices(&devices_); }
  void Receive(std::string_view bytes) {
    doc_->DeliverReceived(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  // Closes the session, which lets its print thread print what was handed over.
  void CloseSession() { doc_.reset(); }
  static std::u16string Trimmed(std::u16string text) {
    while (!text.empty() && text.back() == u' ') text.pop_back();
    return text;
  }
  std::vector<std::u16string> PageText(size_t document, size_t page) {
    std::vector<std::u16string> lines;
    for (const auto& [row, text] : devices_.Document(document).pages.at(page).lines)
      lines.push_back(Trimmed(text));
    return lines;
  }

  test::CFakePrintDevices devices_;
  std::unique_ptr<CVT420Doc> doc_ = std::make_unique<CVT420Doc>();
};

TEST_F(DocPrintTest, TheHostsMediaCopyPrintsThePageAsItWasAndTheCursorLine) {
  // CSI i prints the page as it is then, though the screen changes right after in the chunk.
  Receive("one\r\ntwo\x1b[ithree\x1b[2J\x1b[Hafter\x1b[?1i");
  CloseSession();
  ASSERT_EQ(devices_.Documents(), 2u);
  std::vector<std::u16string> page = PageText(0, 0);
  ASSERT_EQ(page.size(), 24u);
  EXPECT_EQ(page[0], u"one");
  EXPECT_EQ(page[1], u"two");
  EXPECT_EQ(page[2], u"");
  EXPECT_EQ(PageText(1, 0), std::vector<std::u16string>{u"after"});
  EXPECT_TRUE(devices_.Document(1).ended);
}

TEST_F(DocPrintTest, ControllerBytesOnThePagePrinterGoThroughTheCharacterSets) {
  {
    std::lock_guard lock(doc_->Terminal().Mutex());
    doc_->Settings().SetInt(S::PrintTo, 1);
    doc_->Settings().SetInt(S::JobTimeout, 0);
  }
  // G0 holds the DEC special graphics: "q" is a horizontal line. The character sets are read
  // as the bytes are handed over, not when the print thread prints them.
  Receive("\x1b(0\x1b[5iaqq\r\nx\x1b[4i\x1b(B");
  CloseSession();
  ASSERT_EQ(devices_.Documents(), 1u);
  EXPECT_TRUE(devices_.Document(0).ended);
  EXPECT_EQ(PageText(0, 0), (std::vector<std::u16string>{u"\u2592\u2500\u2500", u"\u2502"}));
}

TEST_F(DocPrintTest, PagePrintsWaitWhileTheHostPrints) {
  EXPECT_TRUE(doc_->CanPrint());
  Receive("\x1b[?5i");
  EXPECT_EQ(doc_->CurrentPrintMode(), PrintMode::kAutoPrint);
  EXPECT_FALSE(doc_->CanPrint());
  doc_->TogglePrintingMode();
  EXPECT_EQ(doc_->CurrentPrintMode(), PrintMode::kNone);
  doc_->TogglePrintingMode();
  EXPECT_EQ(doc_->CurrentPrintMode(), PrintMode::kAutoPrint);
  Receive("\x1b[?4i\x1b[5i");
  EXPECT_EQ(doc_->CurrentPrintMode(), PrintMode::kPrinterController);
  EXPECT_FALSE(doc_->CanPrint());
}

}  // namespace
}  // namespace ostrane
