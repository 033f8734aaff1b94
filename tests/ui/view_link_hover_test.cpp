// Pointing at linked text: the pointing hand while Ctrl is held (Ctrl+click opens the link), and
// a tooltip with the link's address as plain text, whatever markup the host put in it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>

#include "view_test_support.h"

namespace ostrane::test {
namespace {

// Columns 0-3 "link" and 10-13 "long" are linked, 5-9 "plain" is not.
constexpr char kMarkupUri[] = "https://example.com/<b>bold</b>?a=1&b=<i>2</i>";

class LinkHover : public testing::Test {
 protected:
  void SetUp() override {
    {
      std::lock_guard lock(f_.doc.Terminal().Mutex());
      f_.doc.Terminal().Settings().SetInt(S::TermID, 6);
      f_.doc.Terminal().Reset();
    }
    f_.Feed(std::string("\x1b]8;;") + kMarkupUri + "\x1b\\link\x1b]8;;\x1b\\ plain\x1b]8;;" +
            LongUri() + "\x1b\\long\x1b]8;;\x1b\\");
  }
  static std::string LongUri() { return "https://example.com/" + std::string(400, 'x') + "/end"; }

  void Move(int column, Qt::KeyboardModifiers modifiers) {
    const QPoint pos = f_.CellCentre(0, column);
    QMouseEvent move(QEvent::MouseMove, pos, f_.view->viewport()->mapToGlobal(pos), Qt::NoButton,
                     Qt::NoButton, modifiers);
    QApplication::sendEvent(f_.view->viewport(), &move);
  }
  Qt::CursorShape Shape() const { return f_.view->viewport()->cursor().shape(); }
  // The tooltip asked for at a column, as the reader sees it (markup rendered).
  QString TipAt(int column) {
    const QPoint pos = f_.CellCentre(0, column);
    QHelpEvent help(QEvent::ToolTip, pos, f_.view->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(f_.view->viewport(), &help);
    if (!QToolTip::isVisible()) return {};
    QTextDocument shown;
    shown.setHtml(QToolTip::text());
    return shown.toPlainText();
  }

  CViewFixture f_;
};

TEST_F(LinkHover, PointingHandOnlyOverALinkWhileCtrlAloneIsHeld) {
  Move(1, Qt::NoModifier);
  EXPECT_EQ(Shape(), Qt::IBeamCursor);
  Move(1, Qt::ControlModifier);
  EXPECT_EQ(Shape(), Qt::PointingHandCursor);
  Move(7, Qt::ControlModifier);
  EXPECT_EQ(Shape(), Qt::IBeamCursor);
  Move(11, Qt::ControlModifier);
  EXPECT_EQ(Shape(), Qt::PointingHandCursor);
  // Ctrl+Shift selects a block instead of opening the link.
  Move(11, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Shape(), Qt::IBeamCursor);

  // Ctrl pressed and released with the pointer resting on the link.
  Move(2, Qt::NoModifier);
  QTest::keyPress(f_.view.get(), Qt::Key_Control, Qt::ControlModifier);
  EXPECT_EQ(Shape(), Qt::PointingHandCursor);
  QTest::keyRelease(f_.view.get(), Qt::Key_Control, Qt::NoModifier);
  EXPECT_EQ(Shape(), Qt::IBeamCursor);
  // Once the pointer has left the text, Ctrl changes nothing.
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(f_.view->viewport(), &leave);
  QTest::keyPress(f_.view.get(), Qt::Key_Control, Qt::ControlModifier);
  EXPECT_EQ(Shape(), Qt::IBeamCursor);
  QTest::keyRelease(f_.view.get(), Qt::Key_Control, Qt::NoModifier);
}

TEST_F(LinkHover, TooltipShowsTheAddressAsPlainTextAndNothingOffALink) {
  const QString tip = TipAt(2);
  EXPECT_TRUE(tip.contains(QString::fromLatin1(kMarkupUri))) << tip.toStdString();
  EXPECT_TRUE(tip.contains("Ctrl+click")) << tip.toStdString();

  // An address too long for the screen keeps its start and end.
  const QString longTip = TipAt(11);
  EXPECT_TRUE(longTip.startsWith("https://example.com/xxx")) << longTip.toStdString();
  EXPECT_TRUE(longTip.contains("xxx/end")) << longTip.toStdString();
  EXPECT_LT(longTip.size(), 300);

  TipAt(7);
  OSTRANE_TRY_VERIFY(!QToolTip::isVisible());
}

}  // namespace
}  // namespace ostrane::test
