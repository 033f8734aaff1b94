// A script's Input Box in the desktop program: asked from the script's thread through the
// session, answered in the dialog, and the answer seen by the script.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <mutex>

#include "session/vt420_doc.h"
#include "ui/input_box_dialog.h"
#include "ui/qt_questions.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

// Runs a script in a local session whose questions are the desktop program's, answers the Input
// Box with answer, and returns the text of the message box the script shows next.
QString RunAndAnswer(const std::string& script, const std::function<void(QWidget*)>& answer) {
  test::EnsureApplication();
  CQtQuestions questions(nullptr);
  CVT420Doc doc;
  doc.SetQuestions(&questions);
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    doc.Settings().SetInt(S::HostType, 2);
  }
  EXPECT_TRUE(doc.StartNewSession());
  QString message;
  bool answered = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (modal->objectName() == "InputBox" && !answered) {
      answered = true;
      answer(modal);
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      message = box->text();
      box->accept();
    }
  });
  poll.start(20);
  doc.RunScriptText(script, false);
  EXPECT_TRUE(QTest::qWaitFor([&] { return doc.RunningScripts() == 0; }, 10000));
  EXPECT_TRUE(answered);
  return message;
}

TEST(InputBox, HiddenTextIsStarredAndTheTypedAnswerReachesTheScript) {
  const QString shown = RunAndAnswer(
      "sys.MessageBox(\"got \" + sys.InputBox(\"Secret?\", \"ab\", 1));", [](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Input Box");
        EXPECT_EQ(d->findChild<QLabel*>("prompt")->text(), "Secret?");
        QLineEdit* field = d->findChild<QLineEdit*>("text");
        EXPECT_EQ(field->echoMode(), QLineEdit::Password);
        EXPECT_EQ(field->displayText(), "**");
        EXPECT_EQ(d->findChild<QPushButton*>("browse"), nullptr);
        // The initial answer is selected, so typing replaces it.
        QTest::keyClicks(field, "xyz");
        QTest::keyClick(field, Qt::Key_Return);
      });
  EXPECT_EQ(shown, "got xyz");
}

TEST(InputBox, CancelGivesTheEmptyTextAndFileStylesOfferBrowse) {
  const QString shown = RunAndAnswer(
      "sys.MessageBox(\"[\" + sys.InputBox(\"Save to?\", \"f.txt\", 2) + \"]\");", [](QWidget* d) {
        EXPECT_EQ(d->findChild<QLineEdit*>("text")->echoMode(), QLineEdit::Normal);
        EXPECT_NE(d->findChild<QPushButton*>("browse"), nullptr);
        QTest::keyClick(d, Qt::Key_Escape);
      });
  EXPECT_EQ(shown, "[]");
}

}  // namespace
}  // namespace ostrane
