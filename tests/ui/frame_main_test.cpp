#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "peers/scripted_peer.h"
#include "session/command_line.h"
#include "settings/message_texts.h"
#include "support/test_folder.h"
#include "ui/application.h"
#include "ui/button_bar.h"
#include "ui/chat_line.h"
#include "ui/child_frame.h"
#include "ui/key_map_page.h"
#include "ui/main_frame.h"
#include "ui/qt_questions.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

class MainFrame : public testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    dir_ = test::FreshTestFolder();
    profile_ = std::make_unique<CProfile>((dir_ / "ostrane.ini").string());
  }
  void TearDown() override { frame_.reset(); }
  CMainFrame& Frame() {
    if (!frame_) {
      frame_ = std::make_unique<CMainFrame>(*profile_);
      frame_->Questions().SetMessageHandler([this](const MessageQuestion& q) {
        asked_.push_back(q.messageId ? q.messageId : -1);
        return q.buttons == MessageButtons::kYesNo ? answer_ : MessageAnswer::kOk;
      });
      frame_->show();
    }
    return *frame_;
  }
  // A session over the local loop, opened from a session file as File Open would.
  CChildFrame* OpenLocalSession(bool autoExit, std::function<void(CSettingsSet&)> adjust = {}) {
    const std::string path = (dir_ / "local.OSN").string();
    {
      CVT420Doc doc;
      std::lock_guard lock(doc.Terminal().Mutex());
      CSettingsSet& s = doc.Settings();
      s.SetInt(S::HostType, 2);
      s.SetInt(S::AutoExit, autoExit ? 1 : 0);
      if (adjust) adjust(s);
    }
    CVT420Doc writer;
    {
      std::lock_guard lock(writer.Terminal().Mutex());
      writer.Settings().SetInt(S::HostType, 2);
      writer.Settings().SetInt(S::AutoExit, autoExit ? 1 : 0);
      if (adjust) adjust(writer.Settings());
    }
    EXPECT_EQ(writer.WriteSessionFile(path), SetupFileStatus::kOk);
    CChildFrame* child = Frame().OpenSessionFile(QString::fromStdString(path));
    if (child) child->Document().SetMonitor(&sent_);
    return child;
  }

  std::filesystem::path dir_;
  std::unique_ptr<CProfile> profile_;
  std::unique_ptr<CMainFrame> frame_;
  std::vector<int> asked_;
  MessageAnswer answer_ = MessageAnswer::kYes;
  test::CSentBytes sent_;
};

TEST_F(MainFrame, DefaultsWithAnEmptyProfile) {
  CMainFrame& f = Frame();
  EXPECT_EQ(f.size(), QSize(619, 459));
  EXPECT_EQ(f.windowTitle(), AppTitle());
  EXPECT_TRUE(f.MainToolBar()->isVisible());
  EXPECT_TRUE(f.statusBar()->isVisible());
  EXPECT_FALSE(f.ButtonBarDock()->isVisible());
  EXPECT_FALSE(f.ChatLineDock()->isVisible());
  EXPECT_TRUE(f.menuBar()->isVisible());
}

TEST_F(MainFrame, ProfileHidesBarsAndMenuAndIsWrittenOnClose) {
  profile_->WriteInt("Window", "width", 801);
  profile_->WriteInt("Window", "menu", 0);
  profile_->WriteInt("Window", "chatline", 1);
  profile_->WriteInt("Window", "statusbar", 0);
  CMainFrame& f = Frame();
  EXPECT_EQ(f.width(), 800);
  EXPECT_FALSE(f.menuBar()->isVisible());
  EXPECT_TRUE(f.ChatLineDock()->isVisible());
  EXPECT_FALSE(f.statusBar()->isVisible());
  f.RunCommand(Cmd::kButtonPalette);
  EXPECT_TRUE(f.close());
  EXPECT_EQ(profile_->GetInt("Window", "width", 0), 801);
  EXPECT_EQ(profile_->GetInt("Window", "buttonbar", 0), 1);
  EXPECT_EQ(profile_->GetInt("Window", "statusbar", 1), 0);
}

TEST_F(MainFrame, EveryKeyMapMenuPathResolves) {
  CMainFrame& f = Frame();
  for (const char* path : kKeyMapMenuPaths) EXPECT_NE(f.ResolveMenuPath(path), 0) << path;
  EXPECT_EQ(f.ResolveMenuPath("  connection :  SETTINGS...  "), Cmd::kSettings);
  EXPECT_EQ(f.ResolveMenuPath("Window: Next"), Cmd::kNext);
  EXPECT_EQ(f.ResolveMenuPath("View"), 0);  // a menu, not a command
  EXPECT_EQ(f.ResolveMenuPath("View: Nothing"), 0);
  EXPECT_EQ(f.ResolveMenuPath("Edit: Copy: More"), 0);
  // Commands of later features stand disabled.
  EXPECT_TRUE(f.Action(Cmd::kSettings)->isEnabled());  // the "default" template with no session
  EXPECT_FALSE(f.Action(Cmd::kPrintPage)->isEnabled());
  EXPECT_TRUE(f.Action(Cmd::kNew)->isEnabled());
  EXPECT_FALSE(f.Action(Cmd::kCopy)->isEnabled());  // no session
}

TEST_F(MainFrame, ButtonBarPagesAndButtons) {
  CChildFrame* child = OpenLocalSession(false, [](CSettingsSet& s) {
    s.SetButton(0, "Hello", "hi<CR>", 0);
    s.SetButton(1, "Empty", "", 0);
    s.SetButton(25, "Page 3", "p3", 0);
  });
  ASSERT_NE(child, nullptr);
  CMainFrame& f = Frame();
  f.RunCommand(Cmd::kButtonPalette);
  CButtonBar* bar = f.ButtonBar();
  EXPECT_EQ(bar->Button(0)->text(), "Hello");
  EXPECT_FALSE(bar->PreviousButton()->isEnabled());
  bar->Button(1)->click();  // a caption without a string sends nothing
  bar->Button(0)->click();
  EXPECT_EQ(sent_.Take(), "hi\r");
  for (int i = 0; i < 5; ++i) f.RunCommand(Cmd::kNextPage);
  EXPECT_EQ(child->ButtonPage(), 3);
  EXPECT_FALSE(bar->NextButton()->isEnabled());
  EXPECT_TRUE(bar->PreviousButton()->isEnabled());
  EXPECT_EQ(bar->Button(1)->text(), "Page 3");
  bar->Button(1)->click();
  EXPECT_EQ(sent_.Take(), "p3");

  // Layout: eight buttons between the page buttons, at least 40 wide.
  bar->resize(600, bar->height());
  const int p = bar->PreviousButton()->width();
  const int w = std::max(40, (600 - 2 * p - 8) / 8 - 4);
  EXPECT_EQ(bar->Button(3)->geometry(),
            QRect(p + (w + 4) * 3 + 8, 6, w, bar->PreviousButton()->height()));
  EXPECT_EQ(bar->NextButton()->x(), 600 - p - 4);
  bar->resize(200, bar->height());
  EXPECT_EQ(bar->Button(0)->width(), 40);
}

// The lock panes show what the last key press saw: X's state mask has Lock 0x02, Mod2 0x10.
TEST_F(MainFrame, LockPanesFollowTheKeyboard) {
  CChildFrame* child = OpenLocalSession(false);
  ASSERT_NE(child, nullptr);
  CMainFrame& f = Frame();
  QKeyEvent withLocks(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, 0x61, 0x12, "a");
  QApplication::sendEvent(child->View(), &withLocks);
  OSTRANE_TRY_COMPARE(f.CapsPane()->text(), QString("CAP"));
  OSTRANE_TRY_COMPARE(f.NumPane()->text(), QString("NUM"));
  QKeyEvent withoutLocks(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, 56, 0x62, 0, "b");
  QApplication::sendEvent(child->View(), &withoutLocks);
  OSTRANE_TRY_VERIFY(f.CapsPane()->text().isEmpty());
  OSTRANE_TRY_VERIFY(f.NumPane()->text().isEmpty());
}

TEST_F(MainFrame, ChatLineSendFirstTakesTheFocusThenSends) {
  CChildFrame* child = OpenLocalSession(false);
  ASSERT_NE(child, nullptr);
  CMainFrame& f = Frame();
  f.RunCommand(Cmd::kChatLine);
  QApplication::setActiveWindow(&f);
  child->View()->setFocus();
  f.ChatLine()->Field()->setText("ls -l");
  f.RunCommand(Cmd::kChatSend);
  EXPECT_EQ(sent_.Take(), "");
  EXPECT_EQ(QApplication::focusWidget(), f.ChatLine()->Field());
  f.RunCommand(Cmd::kChatSend);
  EXPECT_EQ(sent_.Take(), "ls -l\r\n");  // NewLine is not 0 in the defaults
  EXPECT_TRUE(f.ChatLine()->Field()->text().isEmpty());
}

// Clicking into the chat line of an inactive main window gives it the focus, and the window's
// activation makes the MDI area report the same session again: the first typed character must
// still reach the field, not the session's view.
TEST_F(MainFrame, ChatLineKeepsTheFocusWhenTheWindowIsActivatedAgain) {
  CChildFrame* child = OpenLocalSession(false);
  ASSERT_NE(child, nullptr);
  CMainFrame& f = Frame();
  f.RunCommand(Cmd::kChatLine);
  QApplication::setActiveWindow(&f);
  QLineEdit* field = f.ChatLine()->Field();
  field->setFocus(Qt::MouseFocusReason);
  ASSERT_EQ(QApplication::focusWidget(), field);
  f.MdiArea()->setActiveSubWindow(nullptr);
  f.MdiArea()->setActiveSubWindow(child);
  QApplication::processEvents();
  QTest::keyClicks(QApplication::focusWidget(), "echo chat-hello");
  EXPECT_EQ(field->text(), "echo chat-hello");
  EXPECT_EQ(sent_.Take(), "");
  // Another session becoming active still takes the focus to its view.
  CChildFrame* second = OpenLocalSession(false);
  ASSERT_NE(second, nullptr);
  f.MdiArea()->setActiveSubWindow(child);
  EXPECT_EQ(QApplication::focusWidget(), child->View());
}

TEST_F(MainFrame, ClosingTheLastSessionWithAutoExitClosesTheProgram) {
  CChildFrame* child = OpenLocalSession(true);
  ASSERT_NE(child, nullptr);
  CMainFrame& f = Frame();
  EXPECT_TRUE(f.windowTitle().endsWith("- " + AppTitle()));
  answer_ = MessageAnswer::kNo;
  f.RunCommand(Cmd::kClose);
  EXPECT_EQ(asked_, std::vector<int>({Msg::kStillConnected}));
  EXPECT_EQ(f.Children().size(), 1);
  answer_ = MessageAnswer::kYes;
  f.RunCommand(Cmd::kClose);
  OSTRANE_TRY_VERIFY(f.Children().isEmpty());
  OSTRANE_TRY_VERIFY(!f.isVisible());
}

TEST_F(MainFrame, ClosingTheLastSessionWithoutAutoExitKeepsTheWindow) {
  CChildFrame* child = OpenLocalSession(false);
  ASSERT_NE(child, nullptr);
  CMainFrame& f = Frame();
  f.RunCommand(Cmd::kClose);
  OSTRANE_TRY_VERIFY(f.Children().isEmpty());
  QTest::qWait(50);
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(f.windowTitle(), AppTitle());
}

TEST_F(MainFrame, CantCloseWindowRefusesBothCloses) {
  CChildFrame* child =
      OpenLocalSession(false, [](CSettingsSet& s) { s.SetInt(S::CantCloseWindow, 1); });
  ASSERT_NE(child, nullptr);
  CMainFrame& f = Frame();
  EXPECT_FALSE(child->close());
  EXPECT_FALSE(f.close());
  EXPECT_TRUE(asked_.empty());
  {
    std::lock_guard lock(child->Document().Terminal().Mutex());
    child->Document().Settings().SetInt(S::CantCloseWindow, 0);
  }
  // A refusal of the disconnect question keeps the main window open too.
  answer_ = MessageAnswer::kNo;
  EXPECT_FALSE(f.close());
  answer_ = MessageAnswer::kYes;
  EXPECT_TRUE(f.close());
}

TEST_F(MainFrame, SessionLayoutRoundTripsAndFilesGoToTheRecentList) {
  CChildFrame* child = OpenLocalSession(false);
  ASSERT_NE(child, nullptr);
  CMainFrame& f = Frame();
  MainWindowPlacement p;
  p.left = 40;
  p.top = 30;
  p.right = 40 + 700;
  p.bottom = 30 + 500;
  p.toolBar = false;
  p.statusBar = true;
  p.buttonBar = true;
  p.chatLine = true;
  f.ApplySessionLayout(p);
  EXPECT_EQ(f.size(), QSize(700, 500));
  const auto back = f.CurrentPlacement();
  ASSERT_TRUE(back);
  EXPECT_EQ(back->right - back->left, 700);
  EXPECT_EQ(back->bottom - back->top, 500);
  EXPECT_FALSE(back->toolBar);
  EXPECT_TRUE(back->buttonBar);
  EXPECT_TRUE(back->chatLine);
  ASSERT_EQ(f.RecentFiles().size(), 1);
  EXPECT_TRUE(f.RecentFiles().front().endsWith("local.OSN"));
  EXPECT_EQ(profile_->GetString("Recent File List", "File1", ""),
            f.RecentFiles().front().toStdString());
}

TEST_F(MainFrame, MalformedSessionFileGivesTheMessageAndNoWindow) {
  const auto path = dir_ / "bad.OSN";
  std::ofstream(path, std::ios::binary) << "not a session file at all";
  CMainFrame& f = Frame();
  std::vector<QString> shown;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown.push_back(box->text());
      box->accept();
    }
  });
  EXPECT_EQ(f.OpenSessionFile(QString::fromStdString(path.string())), nullptr);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown.front(), "Unexpected file format.");
  EXPECT_TRUE(f.Children().isEmpty());
}

// A folder or FIFO named on the command line is "not a session file" in the failure box, with
// no session opened and nothing connected to.
TEST_F(MainFrame, CommandLineFolderOrFifoIsNotASessionFile) {
  const std::string fifo = (dir_ / "pipe").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  CMainFrame& f = Frame();
  for (const std::string& target : {dir_.string(), fifo}) {
    QString shown;
    QTimer::singleShot(0, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        shown = box->text();
        box->accept();
      }
    });
    bool maximized = false;
    EXPECT_EQ(f.OpenCommandLine({target}, maximized), nullptr);
    EXPECT_TRUE(shown.startsWith(kTextCommandLineFailed)) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QString::fromStdString(target) + kTextNotSessionFile))
        << shown.toStdString();
    EXPECT_TRUE(f.Children().isEmpty());
  }
}

// A maximised session window has no title bar: the main window's title and the status bar say
// that the host logged out.
TEST_F(MainFrame, TheActiveSessionsStateShowsInTheTitleAndTheStatusBar) {
  CMainFrame& f = Frame();
  test::CScriptedPeer peer;
  CChildFrame* child = OpenLocalSession(false, [&peer](CSettingsSet& s) {
    s.SetInt(S::HostType, 0);
    s.SetStr(S::HostName, "127.0.0.1");
    s.SetInt(S::Port, peer.Port());
    s.SetInt(S::AutoClose, 0);
    s.SetInt(S::Maximize, 1);
  });
  ASSERT_NE(child, nullptr);
  ASSERT_TRUE(peer.Accept());
  OSTRANE_TRY_COMPARE(f.statusBar()->currentMessage(), QString("Ready"));
  EXPECT_FALSE(f.windowTitle().contains("Disconnected"));
  peer.CloseClient();
  OSTRANE_TRY_VERIFY(f.windowTitle().contains(" - Disconnected - Secure Ostrane"));
  OSTRANE_TRY_COMPARE(f.statusBar()->currentMessage(), QString("Disconnected"));
}

// Every command has a line of help for the status bar, and leaving it brings the idle message
// back instead of an empty pane.
TEST_F(MainFrame, HoveredCommandsShowTheirHelpAndReadyComesBack) {
  CMainFrame& f = Frame();
  for (const MenuItem& item : kMenuItems) {
    if (item.text && item.command != Cmd::kRecentFile1) {
      EXPECT_FALSE(f.Action(item.command)->statusTip().isEmpty()) << item.text;
    }
  }
  f.Action(Cmd::kNew)->showStatusText(&f);
  EXPECT_EQ(f.statusBar()->currentMessage(), QString("Open a new connection"));
  QStatusTipEvent left{QString()};
  QApplication::sendEvent(&f, &left);
  EXPECT_EQ(f.statusBar()->currentMessage(), QString("Ready"));
}

// Font size and the bars are kept in the session file, so changing them makes closing ask
// whether to save.
TEST_F(MainFrame, FontSizeAndBarChangesMarkTheSessionModified) {
  CMainFrame& f = Frame();
  CChildFrame* child = OpenLocalSession(false);
  ASSERT_NE(child, nullptr);
  EXPECT_FALSE(child->Document().IsModified());
  f.RunCommand(Cmd::kLargerFont);
  EXPECT_TRUE(child->Document().IsModified());
  child->Document().SetModified(false);
  f.RunCommand(Cmd::kToolbar);
  EXPECT_TRUE(child->Document().IsModified());
  asked_.clear();
  child->close();
  OSTRANE_TRY_VERIFY(f.Children().isEmpty());
  EXPECT_NE(std::find(asked_.begin(), asked_.end(), Msg::kSaveModified), asked_.end());
}

// Each session window shows at least 80 x 24 cells when the main window has the room: after
// Cascade, and when a maximised window is closed and the next one restored.
TEST_F(MainFrame, CascadedAndRestoredWindowsKeepAUsableSize) {
  CMainFrame& f = Frame();
  f.resize(1200, 900);
  auto maximized = [](CSettingsSet& s) { s.SetInt(S::Maximize, 1); };
  CChildFrame* first = OpenLocalSession(false, maximized);
  CChildFrame* second = OpenLocalSession(false, maximized);
  ASSERT_TRUE(first && second);
  QTest::qWait(50);
  auto cells = [](CChildFrame* c) {
    const CVT420View* v = c->View();
    return QSize(v->viewport()->width() / v->TermFont().CellWidth(),
                 v->viewport()->height() / v->TermFont().CellHeight());
  };
  // Closing the maximised window in front: the one behind stays maximised, and restoring it
  // gives a usable window rather than one of a few pixels.
  EXPECT_TRUE(second->isMaximized());
  second->close();
  OSTRANE_TRY_COMPARE(f.Children().size(), 1);
  OSTRANE_TRY_VERIFY(first->isMaximized());
  first->showNormal();
  QTest::qWait(20);
  EXPECT_GE(first->width(), f.UsableSize(*first).width());
  EXPECT_GE(first->height(), f.UsableSize(*first).height());

  CChildFrame* third = OpenLocalSession(false);
  ASSERT_NE(third, nullptr);
  f.RunCommand(Cmd::kCascade);
  QTest::qWait(20);
  ASSERT_EQ(f.Children().size(), 2);
  for (CChildFrame* c : f.Children()) {
    EXPECT_FALSE(c->isMaximized());
    EXPECT_GE(c->width(), f.UsableSize(*c).width());
    EXPECT_GE(cells(c).width(), 80) << c->size().width();
    EXPECT_GE(cells(c).height(), 24) << c->size().height();
    EXPECT_TRUE(f.MdiArea()->viewport()->rect().contains(c->geometry()));
  }
  // They step down and right, also in the default window, smaller than 80 x 24 cells.
  for (QSize size : {QSize(1200, 900), QSize(620, 460)}) {
    f.resize(size);
    QTest::qWait(20);
    f.RunCommand(Cmd::kCascade);
    QTest::qWait(20);
    const QRect a = f.Children()[0]->geometry();
    const QRect b = f.Children()[1]->geometry();
    EXPECT_GT(b.x(), a.x()) << size.width();
    EXPECT_GT(b.y(), a.y()) << size.width();
    EXPECT_GE(b.width(), size.width() / 2);
  }
}

// 132 columns in the default window, maximised as a session file opens it and reopened: the
// font fits both ways, with no scroll bar in either direction.
TEST_F(MainFrame, A132ColumnSessionFitsTheDefaultWindowWithoutScrollBars) {
  CMainFrame& f = Frame();
  for (int pass = 0; pass < 2; ++pass) {
    CChildFrame* child = OpenLocalSession(false, [](CSettingsSet& s) {
      s.SetInt(S::Columns, 132);
      s.SetInt(S::Maximize, 1);
      s.SetInt(S::FitFont, 1);
    });
    ASSERT_NE(child, nullptr);
    QTest::qWait(100);
    CVT420View* v = child->View();
    EXPECT_EQ(v->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff) << pass;
    EXPECT_EQ(v->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff) << pass;
    EXPECT_LE(v->TermFont().CellWidth() * 132, v->viewport()->width()) << pass;
    EXPECT_LE(v->TermFont().CellHeight() * 24, v->viewport()->height()) << pass;
    // Sized by the width, not the floor of a readable font.
    EXPECT_GT(v->TermFont().CellWidth() * 132, v->viewport()->width() * 2 / 3) << pass;
    // The second pass reopens the file with the size the first one stored.
    child->Save();
    child->close();
    OSTRANE_TRY_VERIFY(f.Children().isEmpty());
  }
}

TEST_F(MainFrame, WindowMenuListsTheSessionsWithTitlesThatTellThemApart) {
  CChildFrame* a = OpenLocalSession(false);
  CChildFrame* b = OpenLocalSession(false);
  ASSERT_TRUE(a && b);
  CMainFrame& f = Frame();
  const QString base = a->View()->FrameTitle();
  EXPECT_TRUE(base.startsWith("local.OSN"));
  EXPECT_EQ(a->windowTitle(), base + ":1");
  EXPECT_EQ(b->windowTitle(), base + ":2");
  emit f.WindowMenu()->aboutToShow();
  QStringList listed;
  for (QAction* action : f.WindowMenu()->actions())
    if (action->isCheckable() && action->text().startsWith('&') && action->text()[1].isDigit())
      listed << action->text() + (action->isChecked() ? " *" : "");
  EXPECT_EQ(listed, QStringList({"&1 " + base + ":1", "&2 " + base + ":2 *"}));
  // Choosing an entry activates that window; closing one leaves the other unnumbered.
  f.WindowMenu()->actions()[f.WindowMenu()->actions().size() - 2]->trigger();
  EXPECT_EQ(f.ActiveChild(), a);
  b->close();
  OSTRANE_TRY_COMPARE(a->windowTitle(), base);
}

TEST_F(MainFrame, NewWindowOpensOnThePageWithTheCursor) {
  CChildFrame* child = OpenLocalSession(false);
  ASSERT_NE(child, nullptr);
  CMainFrame& f = Frame();
  {
    std::lock_guard lock(child->Document().Terminal().Mutex());
    for (int i = 0; i < 100; ++i)
      child->Document().Terminal().ReceiveBytes(reinterpret_cast<const uint8_t*>("line\r\n"), 6);
  }
  child->View()->FlushNow();
  f.RunCommand(Cmd::kNewWindow);
  CChildFrame* second = f.ActiveChild();
  ASSERT_NE(second, child);
  QTest::qWait(50);
  int history;
  {
    std::lock_guard lock(child->Document().Terminal().Mutex());
    history = child->Document().Terminal().Screen().HistoryCount();
  }
  ASSERT_GT(history, 0);
  EXPECT_EQ(second->View()->VerticalPosition(), second->View()->verticalScrollBar()->maximum());
  EXPECT_GT(second->View()->VerticalPosition(), 0);
}

// The right-button menu's "Settings..." is enabled exactly when the toolbar's is; a disabled
// item does nothing.
TEST_F(MainFrame, RightButtonMenuFollowsTheCommandStates) {
  CChildFrame* child = OpenLocalSession(false);
  ASSERT_NE(child, nullptr);
  CMainFrame& f = Frame();
  EXPECT_EQ(f.ViewCommandEnabled(ViewCommand::kSettings), f.Action(Cmd::kSettings)->isEnabled());
  EXPECT_TRUE(f.ViewCommandEnabled(ViewCommand::kClearDisplay));
  QStringList disabled;
  QTimer::singleShot(50, [&] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      for (QAction* a : menu->actions())
        if (!a->isSeparator() && !a->isEnabled()) disabled << a->text();
      menu->close();
    }
  });
  QTest::mouseClick(child->View()->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
  OSTRANE_TRY_VERIFY(!disabled.isEmpty());
  EXPECT_FALSE(disabled.contains("&Settings...")) << disabled.join(", ").toStdString();
  EXPECT_FALSE(disabled.contains("Clear &Display")) << disabled.join(", ").toStdString();
}

TEST_F(MainFrame, AboutBoxShowsTheVersionAndFitsItsTitle) {
  CMainFrame& f = Frame();
  QString title;
  int width = 0;
  int titleWidth = 0;
  QTimer::singleShot(50, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      title = box->windowTitle();
      width = box->width();
      titleWidth = box->fontMetrics().horizontalAdvance(title);
      box->accept();
    }
  });
  f.RunCommand(Cmd::kAbout);
  EXPECT_EQ(title, "About Secure Ostrane " + QString(kProductVersion));
  EXPECT_GT(width, titleWidth + 100);
}

// The program answers --help and --version on stdout, without a window, and exits 0.
TEST(DesktopProgram, HelpAndVersionPrintAndExit) {
  const QString program = QString(OSTRANE_BINARY_DIR) + "/src/ui/ostrane";
  QProcess p;
  p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
  p.start(program, {"--help"});
  ASSERT_TRUE(p.waitForFinished(20000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_TRUE(p.readAllStandardOutput().startsWith("Usage: ostrane"));
  p.start(program, {"--version"});
  ASSERT_TRUE(p.waitForFinished(20000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_EQ(p.readAllStandardOutput(), "Secure Ostrane " + QByteArray(kProductVersion) + "\n");
}

// Qt's file dialog remembers its state through QSettings; that file lands in the program's own
// configuration folder.
TEST(DesktopProgram, QtSettingsStayInTheConfigurationFolder) {
  test::EnsureApplication();
  const auto dir = test::FreshTestFolder();
  KeepQtSettingsIn(dir.string());
  {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(QString::fromStdString(dir.string()));
    dialog.show();
    QApplication::processEvents();
    dialog.close();
  }
  EXPECT_TRUE(std::filesystem::exists(dir / "QtProject.conf"));
}

}  // namespace
}  // namespace ostrane
