// The session view's mouse, clipboard, find, scrolling and keyboard under the offscreen
// platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QMainWindow>
#include <QScrollBar>
#include <QSignalSpy>
#include <cstdlib>

#include "ui/view_test_support.h"

namespace ostrane::test {
namespace {

void Press(CViewFixture& f, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::mousePress(f.view->viewport(), button, modifiers, pos);
}

void Release(CViewFixture& f, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::mouseRelease(f.view->viewport(), button, modifiers, pos);
}

void Drag(CViewFixture& f, QPoint from, QPoint to,
          Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  Press(f, from, Qt::LeftButton, modifiers);
  QMouseEvent move(QEvent::MouseMove, to, f.view->viewport()->mapToGlobal(to), Qt::NoButton,
                   Qt::LeftButton, modifiers);
  QApplication::sendEvent(f.view->viewport(), &move);
  Release(f, to, Qt::LeftButton, modifiers);
}

QString Clipboard() {
  return QApplication::clipboard()->text();
}

TEST(ViewSelectionTest, DraggingSelectsAndCopyUsesCopySpace) {
  CViewFixture f;
  f.Feed("alpha beta   \r\ngamma\r\ndelta");
  // From (0, 6) to (2, 3): "beta" and its line's blanks, "gamma", "del".
  Drag(f, f.CellCentre(0, 6), f.CellCentre(2, 3));
  ASSERT_TRUE(f.view->CanCopy());
  f.view->Copy();
  EXPECT_EQ(Clipboard(), QStringLiteral("beta\r\ngamma\r\ndel"));
  f.Set(S::CopySpace, 1);
  f.view->Copy();
  EXPECT_EQ(Clipboard().section(QStringLiteral("\r\n"), 0, 0),
            QStringLiteral("beta") + QString(70, u' '));
  // The selection is drawn inverted: silver behind the selected blank at (1, 10).
  const QImage image = f.Grab();
  EXPECT_EQ(CountColour(image, f.Cell(1, 10), kSilver), f.CellWidth() * f.CellHeight());
  EXPECT_EQ(CountColour(image, f.Cell(2, 7), kBlack), f.CellWidth() * f.CellHeight());
  // A click without movement removes the selection and selects nothing.
  Drag(f, f.CellCentre(1, 1), f.CellCentre(1, 1));
  EXPECT_FALSE(f.view->CanCopy());
}

TEST(ViewSelectionTest, CtrlDragSelectsABlockAndAutoCopyCopiesAtOnce) {
  CViewFixture f;
  f.Set(S::AutoCopy, 1);
  f.Feed("0123456789\r\nabcdefghij\r\nABCDEFGHIJ");
  QApplication::clipboard()->clear();
  Drag(f, f.CellCentre(0, 2), f.CellCentre(2, 4), Qt::ControlModifier);
  EXPECT_EQ(Clipboard(), QStringLiteral("234\r\ncde\r\nCDE"));
}

// The X habit: selecting sets the primary selection (the clipboard stays), and the middle
// button pastes it unless the host takes the mouse. Needs a platform with a primary selection
// (xcb under Xvfb: QT_QPA_PLATFORM=xcb); the offscreen platform has none.
TEST(ViewSelectionTest, SelectionGoesToThePrimarySelectionAndTheMiddleButtonPastesIt) {
  CViewFixture f;
  if (!QApplication::clipboard()->supportsSelection())
    GTEST_SKIP() << "the platform has no primary selection";
  f.Set(S::NewLine, 0);
  f.Feed("echo primary\r\n");
  QApplication::clipboard()->setText("clipboard");
  // The cell the drag ends on is not selected: the twelve characters end before column 12.
  Drag(f, f.CellCentre(0, 0), f.CellCentre(0, 12));
  OSTRANE_TRY_COMPARE(QApplication::clipboard()->text(QClipboard::Selection),
                      QString("echo primary"));
  EXPECT_EQ(Clipboard(), QString("clipboard"));
  f.sent.Take();
  Press(f, f.CellCentre(3, 3), Qt::MiddleButton);
  Release(f, f.CellCentre(3, 3), Qt::MiddleButton);
  EXPECT_EQ(f.sent.Take(), "echo primary");
  f.Set(S::MouseSupport, 1);
  Press(f, f.CellCentre(3, 3), Qt::MiddleButton);
  EXPECT_EQ(f.sent.Take().find("echo"), std::string::npos);
}

// Text copied from a Linux program has LF line ends; each reaches the host as a line end.
TEST(ViewSelectionTest, PasteSendsEveryLineEndAsTheSessionWantsIt) {
  CViewFixture f;
  f.Set(S::NewLine, 0);
  QApplication::clipboard()->setText(QStringLiteral("a\r\nb"));
  ASSERT_TRUE(f.view->CanPaste());
  f.view->Paste();
  EXPECT_EQ(f.sent.Take(), "a\rb");
  QApplication::clipboard()->setText(QStringLiteral("ls\nps\n"));
  f.view->Paste();
  EXPECT_EQ(f.sent.Take(), "ls\rps\r");
  f.Set(S::NewLine, 1);
  f.view->Paste();
  EXPECT_EQ(f.sent.Take(), "ls\r\nps\r\n");
}

TEST(ViewSelectionTest, FindNextDownAndUpScrollsAndSelects) {
  CViewFixture f(12, QSize(900, 200));  // a few lines high: the page scrolls
  f.Feed("needle at top\r\n");
  for (int i = 0; i < 20; ++i) f.Feed("filler\r\n");
  f.Feed("a needle below");
  f.view->ScrollToTop();
  ASSERT_EQ(f.view->VerticalPosition(), 0);
  FindParams p;
  p.text = u"NEEDLE";
  f.view->SetFindParameters(p);
  f.view->FindNext();
  ASSERT_TRUE(f.view->CanCopy());
  EXPECT_EQ(f.view->Selection().StartRow(), 0);
  f.view->FindNext();
  EXPECT_EQ(f.view->Selection().StartRow(), 21);
  EXPECT_EQ(f.view->Selection().StartColumn(), 2);
  EXPECT_EQ(f.view->Selection().EndColumn(), 7);
  // The match row is the last fully shown one.
  const int shown = f.view->viewport()->height() / f.CellHeight();
  EXPECT_EQ(f.view->VerticalPosition(), 21 - shown + 1);
  f.view->Copy();
  EXPECT_EQ(Clipboard(), QStringLiteral("needle"));
  // Nothing further down: a message, selection and position unchanged.
  f.view->FindNext();
  EXPECT_EQ(f.messages, QStringList{QStringLiteral("Text not found.")});
  EXPECT_EQ(f.view->Selection().StartRow(), 21);
  // Upwards: back to the first line, which becomes the top line.
  p.up = true;
  f.view->SetFindParameters(p);
  f.view->FindNext();
  EXPECT_EQ(f.view->Selection().StartRow(), 0);
  EXPECT_EQ(f.view->VerticalPosition(), 0);
}

TEST(ViewMouseTest, CharacterCellReports) {
  CViewFixture f;
  f.Set(S::MouseSupport, 1);
  Press(f, f.CellCentre(0, 0));
  EXPECT_EQ(f.sent.Take(), "\x1b[M\x23\x21\x21");
  Release(f, f.CellCentre(0, 0));
  EXPECT_EQ(f.sent.Take(), "\x1b[M\x20\x21\x21");
  Press(f, f.CellCentre(3, 7), Qt::RightButton);
  EXPECT_EQ(f.sent.Take(), "\x1b[M\x21\x28\x24");
  Release(f, f.CellCentre(3, 7), Qt::RightButton);
  EXPECT_EQ(f.sent.Take(), "\x1b[M\x20\x28\x24");
  EXPECT_FALSE(f.view->CanCopy());
}

TEST(ViewMouseTest, LocatorReportsShiftSelectsAndHistorySendsNothing) {
  CViewFixture f(12, QSize(900, 250));
  f.Set(S::MouseSupport, 2);
  Press(f, f.CellCentre(1, 4));
  EXPECT_EQ(f.sent.Take(), "\x1b[2;4;2;5&w");
  QTest::mouseMove(f.view->viewport(), f.CellCentre(1, 5));
  Release(f, f.CellCentre(1, 5));
  EXPECT_EQ(f.sent.Take(), "\x1b[1;4;2;6&w\x1b[3;0;2;6&w");  // left held while moving
  // Shift: a selection instead of a report.
  Drag(f, f.CellCentre(0, 0), f.CellCentre(0, 3), Qt::ShiftModifier);
  EXPECT_EQ(f.sent.Take(), "");
  EXPECT_TRUE(f.view->CanCopy());
  // With history above the page, clicks on history lines are not reported.
  for (int i = 0; i < 40; ++i) f.Feed("line\r\n");
  f.view->ScrollToTop();
  ASSERT_EQ(f.view->VerticalPosition(), 0);
  Press(f, f.CellCentre(0, 0));
  Release(f, f.CellCentre(0, 0));
  EXPECT_EQ(f.sent.Take(), "");
}

TEST(ViewScrollTest, HistoryShowsTheScrollBarAndTheCommandsMoveThroughIt) {
  CViewFixture f;
  EXPECT_FALSE(f.view->verticalScrollBar()->isVisible());
  for (int i = 0; i < 60; ++i) f.Feed("x\r\n");
  ASSERT_TRUE(f.view->verticalScrollBar()->isVisible());
  int history;
  {
    std::lock_guard lock(f.doc.Terminal().Mutex());
    history = f.doc.Terminal().Screen().HistoryCount();
  }
  ASSERT_GT(history, 30);
  // Output keeps the cursor in view: the page's top line is the top of the window.
  EXPECT_EQ(f.view->VerticalPosition(), history);
  f.view->ScrollToTop();
  EXPECT_EQ(f.view->VerticalPosition(), 0);
  f.view->ScrollPageDown();
  const int page = f.view->viewport()->height() / f.CellHeight() - 1;
  EXPECT_EQ(f.view->VerticalPosition(), page);
  QWheelEvent up(QPointF(10, 10), f.view->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 240),
                 Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(f.view->viewport(), &up);
  // Two notches, each the desktop's lines per notch (3 unless configured).
  const int configured = QApplication::wheelScrollLines();
  EXPECT_EQ(f.view->VerticalPosition(), page - 2 * configured);
  QApplication::setWheelScrollLines(1);
  QApplication::sendEvent(f.view->viewport(), &up);
  EXPECT_EQ(f.view->VerticalPosition(), page - 2 * configured - 2);
  QApplication::setWheelScrollLines(configured);
  f.view->ScrollToBottom();
  EXPECT_EQ(f.view->VerticalPosition(), f.view->verticalScrollBar()->maximum());
  // The history lines are drawn: the top of the window shows "x" after scrolling to the top.
  f.view->ScrollToTop();
  EXPECT_GT(CountOther(f.Grab(), f.Cell(0, 0), kBlack), 0);
}

TEST(ViewKeyboardTest, KeysReachTheKeyMapBeforeShortcuts) {
  EnsureApplication();
  CSentBytes sent;
  CVT420Doc doc;
  doc.SetMonitor(&sent);
  QMainWindow window;
  int triggered = 0;
  auto* action = window.addAction(QStringLiteral("Copy"));
  action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  QObject::connect(action, &QAction::triggered, [&] { ++triggered; });
  auto* view = new CVT420View(doc, &window);
  window.setCentralWidget(view);
  window.resize(700, 450);
  window.show();
  view->setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(triggered, 0);
  EXPECT_EQ(sent.Take(), "\x03");
  QTest::keyClicks(view, QStringLiteral("hi"));
  EXPECT_EQ(sent.Take(), "hi");
  QTest::keyClick(view, Qt::Key_Up);
  EXPECT_EQ(sent.Take(), "\x1b[A");
  QTest::keyClick(view, Qt::Key_Tab);
  EXPECT_EQ(sent.Take(), "\t");
  EXPECT_TRUE(view->hasFocus());
}

// The host's BEL rings the desktop's bell: once for a burst, never with WarningBell off.
TEST(ViewBellTest, HostBellRingsTheDesktopBellThinnedOutAndOnlyWithWarningBell) {
  CViewFixture f;
  QSignalSpy rang(f.view.get(), &CVT420View::bellRang);
  f.Feed("A\aB\aC\a");
  OSTRANE_TRY_COMPARE(rang.count(), 1);
  QTest::qWait(300);
  EXPECT_EQ(rang.count(), 1);
  f.Feed("\a");
  OSTRANE_TRY_COMPARE(rang.count(), 2);
  f.Set(S::WarningBell, 0);
  QTest::qWait(300);
  f.Feed("\a");
  QTest::qWait(100);
  EXPECT_EQ(rang.count(), 2);
}

// Linked text shows a dotted underline; Ctrl+click opens the target of a web, FTP, mail or file
// link and refuses any other scheme; a plain click on it selects as on any text.
TEST(ViewLinkTest, CtrlClickOpensAllowedLinksAndRefusesOthers) {
  CViewFixture f;
  {
    std::lock_guard lock(f.doc.Terminal().Mutex());
    f.doc.Terminal().Settings().SetInt(S::TermID, 6);
    f.doc.Terminal().Reset();
  }
  QList<QUrl> opened;
  f.view->SetLinkOpener([&opened](const QUrl& url) {
    opened << url;
    return true;
  });
  f.Feed(
      "\x1b]8;;https://example.com/a?b=1\x1b\\web\x1b]8;;\x1b\\ "
      "\x1b]8;;ssh://host/\x1b\\ssh\x1b]8;;\x1b\\ plain "
      "\x1b]8;;mailto:a@example.com\a\x1b[1;4mmail\x1b]8;;\a");
  const auto click = [&f](int column, Qt::KeyboardModifiers modifiers) {
    Press(f, f.CellCentre(0, column), Qt::LeftButton, modifiers);
    Release(f, f.CellCentre(0, column), Qt::LeftButton, modifiers);
  };
  click(1, Qt::ControlModifier);
  EXPECT_EQ(opened, QList<QUrl>{QUrl("https://example.com/a?b=1")});
  EXPECT_TRUE(f.messages.isEmpty());
  click(15, Qt::ControlModifier);
  ASSERT_EQ(opened.size(), 2);
  EXPECT_EQ(opened.last(), QUrl("mailto:a@example.com"));
  // Without Ctrl, or with Shift too, and on text without a link nothing is opened.
  click(1, Qt::NoModifier);
  click(1, Qt::ControlModifier | Qt::ShiftModifier);
  click(10, Qt::ControlModifier);
  EXPECT_EQ(opened.size(), 2);
  EXPECT_TRUE(f.messages.isEmpty());
  click(5, Qt::ControlModifier);
  EXPECT_EQ(opened.size(), 2);
  ASSERT_EQ(f.messages.size(), 1);
  EXPECT_TRUE(f.messages[0].contains("not opened"));

  // A dotted line along the bottom of linked cells, none under plain text.
  const QImage image = f.Grab();
  if (const char* dir = std::getenv("OSTRANE_SCREENS_DIR"))
    image.save(QString::fromUtf8(dir) + "/hyperlinks.png");
  const auto bottomInk = [&](int column) {
    const QRect cell = f.Cell(0, column);
    return CountOther(image, QRect(cell.left(), cell.bottom(), cell.width(), 1), kBlack);
  };
  EXPECT_GE(bottomInk(0), f.CellWidth() / 2 - 1);
  EXPECT_LT(bottomInk(0), f.CellWidth());
  EXPECT_EQ(bottomInk(11), 0);
}

}  // namespace
}  // namespace ostrane::test
