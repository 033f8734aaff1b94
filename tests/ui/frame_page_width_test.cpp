// A session window follows the width of its page: 132 columns (from the host or the settings)
// widen it, and the main window when needed, so that the fitted text keeps its size; 80 columns
// give the sizes back. Windows that cannot grow fit the font as before.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMdiArea>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "session/setup_file.h"
#include "settings/message_texts.h"
#include "support/test_folder.h"
#include "ui/child_frame.h"
#include "ui/main_frame.h"
#include "ui/qt_questions.h"
#include "ui/settings_page.h"
#include "ui/settings_sheet.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

constexpr char kWide[] = "\x1b[?3h";    // DECCOLM set: 132 columns
constexpr char kNarrow[] = "\x1b[?3l";  // 80 columns

class PageWidth : public testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    dir_ = test::FreshTestFolder();
    profile_ = std::make_unique<CProfile>((dir_ / "ostrane.ini").string());
    frame_ = std::make_unique<CMainFrame>(*profile_);
    frame_->Questions().SetMessageHandler([](const MessageQuestion& q) {
      // Disconnect when closing, without saving the session file.
      if (q.buttons != MessageButtons::kYesNo) return MessageAnswer::kOk;
      return q.messageId == Msg::kSaveModified ? MessageAnswer::kNo : MessageAnswer::kYes;
    });
    frame_->show();
  }
  void TearDown() override { frame_.reset(); }

  // A local-loop session with the font fitted to its window.
  CChildFrame* Open(bool maximize) {
    const std::string path = (dir_ / "local.OSN").string();
    CVT420Doc writer;
    {
      std::lock_guard lock(writer.Terminal().Mutex());
      CSettingsSet& s = writer.Settings();
      s.SetInt(S::HostType, 2);
      s.SetInt(S::FitFont, 1);
      s.SetInt(S::Maximize, maximize ? 1 : 0);
    }
    EXPECT_EQ(writer.WriteSessionFile(path), SetupFileStatus::kOk);
    CChildFrame* child = frame_->OpenSessionFile(QString::fromStdString(path));
    QTest::qWait(50);
    return child;
  }
  static void Feed(CChildFrame* child, const std::string& bytes) {
    {
      std::lock_guard lock(child->Document().Terminal().Mutex());
      child->Document().Terminal().ReceiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()),
                                                bytes.size());
    }
    child->View()->FlushNow();
    QTest::qWait(20);
  }
  static int Columns(CChildFrame* child) {
    std::lock_guard lock(child->Document().Terminal().Mutex());
    return child->Document().Settings().Int(S::Columns);
  }
  // "132 Columns" ticked on the Terminal page of the settings, then OK.
  void TickWideInSettings() {
    bool done = false;
    QTimer::singleShot(50, [&] {
      auto* sheet = qobject_cast<CSettingsSheet*>(QApplication::activeModalWidget());
      if (!sheet) return;
      for (QAbstractButton* b : sheet->Page("Terminal")->findChildren<QAbstractButton*>())
        if (b->text() == "132 Columns") b->click();
      sheet->accept();
      done = true;
    });
    frame_->OpenSettings();
    ASSERT_TRUE(done);
    QTest::qWait(20);
  }
  int AvailableWidth() const { return frame_->screen()->availableGeometry().width(); }
  bool InsideArea(CChildFrame* child) const {
    return frame_->MdiArea()->viewport()->rect().contains(child->geometry());
  }

  std::filesystem::path dir_;
  std::unique_ptr<CProfile> profile_;
  std::unique_ptr<CMainFrame> frame_;
};

// The whole page fits at the old size afterwards: no smaller font, no scroll bar.
void ExpectPageFits(CVT420View* v, int columns) {
  EXPECT_EQ(v->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_LE(v->TermFont().CellWidth() * columns, v->viewport()->width());
}

// A session window in the main window's area, and a maximised one (as sessions open by
// default), which follows the main window.
TEST_F(PageWidth, WiderPageGrowsTheWindowsAndTheTextKeepsItsSize) {
  for (const bool maximize : {false, true}) {
    SCOPED_TRACE(maximize ? "maximised" : "normal");
    frame_->resize(450, 420);
    QTest::qWait(20);
    CChildFrame* child = Open(maximize);
    ASSERT_NE(child, nullptr);
    ASSERT_EQ(child->isMaximized(), maximize);
    CVT420View* v = child->View();
    const int points = v->TermFont().Points();
    const int cell = v->TermFont().CellWidth();
    const QRect narrowChild = child->geometry();
    const QRect narrowMain = frame_->geometry();
    ASSERT_LE(frame_->frameGeometry().width() + 52 * cell, AvailableWidth());

    TickWideInSettings();
    ASSERT_EQ(Columns(child), 132);
    EXPECT_EQ(child->width(), narrowChild.width() + 52 * cell);
    EXPECT_EQ(child->height(), narrowChild.height());
    EXPECT_EQ(v->TermFont().Points(), points);
    ExpectPageFits(v, 132);
    EXPECT_GT(frame_->width(), narrowMain.width());
    EXPECT_EQ(frame_->height(), narrowMain.height());
    EXPECT_TRUE(InsideArea(child));

    // The host goes back to 80 columns: both windows as they were, the text still the same.
    Feed(child, kNarrow);
    EXPECT_EQ(child->geometry(), narrowChild);
    EXPECT_EQ(frame_->geometry(), narrowMain);
    EXPECT_EQ(v->TermFont().Points(), points);

    // And the host's 132 columns grow them the same way.
    Feed(child, kWide);
    EXPECT_EQ(child->width(), narrowChild.width() + 52 * cell);
    EXPECT_EQ(v->TermFont().Points(), points);
    Feed(child, kNarrow);
    EXPECT_EQ(frame_->geometry(), narrowMain);
    child->close();
    OSTRANE_TRY_VERIFY(frame_->Children().isEmpty());
  }
}

// A session opened before the main window is shown (the command line) opens maximised; restored,
// it is a usable window that can grow, not one of a few cells.
TEST(PageWidthStart, ASessionOpenedBeforeTheMainWindowRestoresToAUsableSize) {
  test::EnsureApplication();
  const auto dir = test::FreshTestFolder();
  CProfile profile((dir / "ostrane.ini").string());
  CMainFrame frame(profile);
  const std::string path = (dir / "local.OSN").string();
  CVT420Doc writer;
  {
    std::lock_guard lock(writer.Terminal().Mutex());
    writer.Settings().SetInt(S::HostType, 2);
  }
  ASSERT_EQ(writer.WriteSessionFile(path), SetupFileStatus::kOk);
  bool maximized = false;
  CChildFrame* child = frame.OpenCommandLine({path}, maximized);
  ASSERT_NE(child, nullptr);
  frame.show();
  QTest::qWait(50);
  ASSERT_TRUE(child->isMaximized());
  child->showNormal();
  QTest::qWait(20);
  const CVT420View* v = child->View();
  EXPECT_GE(v->viewport()->width() / v->TermFont().CellWidth(), 80) << child->width();
  EXPECT_GE(v->viewport()->height() / v->TermFont().CellHeight(), 24) << child->height();
}

// The main window gives its room back only when no session window needs it any more.
TEST_F(PageWidth, MainWindowShrinksBackOnlyWhenEverySessionIsNarrowAgain) {
  frame_->resize(450, 420);
  CChildFrame* first = Open(false);
  CChildFrame* second = Open(false);
  ASSERT_TRUE(first && second);
  second->move(first->pos());
  const QRect narrowMain = frame_->geometry();
  Feed(first, kWide);
  const QRect wideMain = frame_->geometry();
  ASSERT_GT(wideMain.width(), narrowMain.width());
  // The second needs no more room than the first took.
  Feed(second, kWide);
  EXPECT_EQ(frame_->geometry(), wideMain);
  EXPECT_TRUE(InsideArea(second));
  Feed(first, kNarrow);
  EXPECT_EQ(frame_->geometry(), wideMain);
  EXPECT_TRUE(InsideArea(second));
  Feed(second, kNarrow);
  EXPECT_EQ(frame_->geometry(), narrowMain);
}

// A maximised main window, and one nearly as wide as the screen, cannot give the room: the
// font is fitted to what there is, and 80 columns bring the old size back.
TEST_F(PageWidth, WindowsThatCannotGrowFitTheFontToTheirSize) {
  for (const bool maximize : {true, false}) {
    SCOPED_TRACE(maximize ? "maximised main window" : "main window nearly as wide as the screen");
    if (maximize) {
      frame_->showMaximized();
    } else {
      frame_->showNormal();
      frame_->resize(AvailableWidth() - 40, 420);
    }
    QTest::qWait(50);
    ASSERT_EQ(frame_->isMaximized(), maximize);
    CChildFrame* child = Open(maximize);
    ASSERT_NE(child, nullptr);
    CVT420View* v = child->View();
    const int points = v->TermFont().Points();
    const QRect narrowChild = child->geometry();
    const QSize narrowMain = frame_->size();

    Feed(child, kWide);
    EXPECT_LT(v->TermFont().Points(), points);
    ExpectPageFits(v, 132);
    EXPECT_TRUE(InsideArea(child));
    EXPECT_LE(frame_->frameGeometry().width(), AvailableWidth());
    if (maximize) {
      EXPECT_EQ(frame_->size(), narrowMain);
    }

    Feed(child, kNarrow);
    EXPECT_EQ(child->geometry(), narrowChild);
    EXPECT_EQ(frame_->size(), narrowMain);
    EXPECT_EQ(v->TermFont().Points(), points);
    child->close();
    OSTRANE_TRY_VERIFY(frame_->Children().isEmpty());
  }
}

}  // namespace
}  // namespace ostrane
