#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "../peers/scripted_peer.h"
#include "session/mru_list.h"
#include "support/test_folder.h"
#include "ui/child_frame.h"
#include "ui/input_box_dialog.h"
#include "ui/macro_save_dialog.h"
#include "ui/main_frame.h"
#include "ui/new_connection_dialog.h"
#include "ui/qt_questions.h"
#include "ui/session_front_end.h"
#include "ui/ssh_dialogs.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

using Clock = std::chrono::steady_clock;

// Calls found(widget) once a visible modal widget of type W shows up, from inside whatever
// event loop runs then (a dialog's own loop included).
template <class W>
void WhenShown(std::function<void(W*)> found) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, found] {
    if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget()); w && w->isVisible()) {
      timer->stop();
      timer->deleteLater();
      found(w);
    }
  });
  timer->start(10);
}

class FrameScripts : public testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    dir_ = test::FreshTestFolder();
    profile_ = std::make_unique<CProfile>((dir_ / "ostrane.ini").string());
    frame_ = std::make_unique<CMainFrame>(*profile_);
    frame_->Questions().SetMessageHandler([this](const MessageQuestion& q) {
      messages_.push_back(q.text);
      return q.buttons == MessageButtons::kYesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
    });
    frame_->show();
  }
  void TearDown() override { frame_.reset(); }

  CChildFrame* OpenLocalSession() {
    const std::string path = (dir_ / "local.OSN").string();
    CVT420Doc writer;
    {
      std::lock_guard lock(writer.Terminal().Mutex());
      writer.Settings().SetInt(S::HostType, 2);
    }
    EXPECT_EQ(writer.WriteSessionFile(path), SetupFileStatus::kOk);
    return frame_->OpenSessionFile(QString::fromStdString(path));
  }

  std::filesystem::path dir_;
  std::unique_ptr<CProfile> profile_;
  std::unique_ptr<CMainFrame> frame_;
  std::vector<std::string> messages_;
};

// The session is destroyed on the GUI thread while a script waits in its Input Box, which runs
// in a loop nested below the close: the close must not wait for that loop.
TEST_F(FrameScripts, ClosingTheSessionWithAScriptInputBoxOpenEndsTheScript) {
  CChildFrame* child = OpenLocalSession();
  ASSERT_NE(child, nullptr);
  std::weak_ptr<CVT420Doc> doc = child->SharedDocument();
  const auto script =
      child->Document().RunScriptText("x = sys.InputBox(\"Name?\"); term.Send(\"after\");", false);
  ASSERT_NE(script, nullptr);
  bool closed = false;
  WhenShown<CInputBoxDialog>([&](CInputBoxDialog*) {
    frame_->RunCommand(Cmd::kClose);
    closed = true;
  });
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(closed, 5000);
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(doc.expired(), 5000);
  EXPECT_TRUE(frame_->Children().isEmpty());
  OSTRANE_TRY_VERIFY(QApplication::activeModalWidget() == nullptr);
}

// A transport's worker waiting in the SSH Authorization dialog leaves it when the session's
// questions are dismissed, though the dialog's loop is still running on the GUI thread.
TEST_F(FrameScripts, DismissReleasesAWorkerWaitingInTheSshDialog) {
  CSessionFrontEnd frontEnd(*frame_, frame_->Questions());
  std::atomic<bool> returned = false;
  std::optional<SshAuthorizationAnswer> answer;
  std::thread worker([&] {
    answer =
        frontEnd.Questions().AskAuthorization("127.0.0.1", 22, "vtuser", SshKeyFiles::kOffered);
    returned = true;
  });
  bool shown = false;
  WhenShown<CSshAuthorizationDialog>([&](CSshAuthorizationDialog*) {
    shown = true;
    frontEnd.DismissQuestions();
    // Joined while the dialog's own loop is still below us on this thread's stack.
    worker.join();
  });
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(shown, 5000);
  EXPECT_TRUE(returned);
  EXPECT_FALSE(answer);
  OSTRANE_TRY_VERIFY(QApplication::activeModalWidget() == nullptr);
  // Later questions from other threads are not asked any more.
  std::thread late(
      [&] { answer = frontEnd.Questions().AskAuthorization("h", 22, "u", SshKeyFiles::kOffered); });
  late.join();
  EXPECT_FALSE(answer);
}

TEST_F(FrameScripts, MenuCommandsOfScriptsResolveAndFollowTheSession) {
  EXPECT_EQ(frame_->ResolveMenuPath("Session: Run Script..."), Cmd::kRunScript);
  EXPECT_EQ(frame_->ResolveMenuPath("Session: Stop Script"), Cmd::kStopScript);
  EXPECT_EQ(frame_->ResolveMenuPath("Session: Record Macro"), Cmd::kRecordMacro);
  frame_->UpdateCommandStates();
  EXPECT_FALSE(frame_->Action(Cmd::kRunScript)->isEnabled());
  CChildFrame* child = OpenLocalSession();
  ASSERT_NE(child, nullptr);
  frame_->UpdateCommandStates();
  EXPECT_TRUE(frame_->Action(Cmd::kRunScript)->isEnabled());
  EXPECT_FALSE(frame_->Action(Cmd::kStopScript)->isEnabled());
  child->Document().RunScriptText("sys.Sleep(60000);", false);
  frame_->UpdateCommandStates();
  EXPECT_TRUE(frame_->Action(Cmd::kStopScript)->isEnabled());
  frame_->RunCommand(Cmd::kStopScript);
  OSTRANE_TRY_COMPARE(child->Document().RunningScripts(), size_t{0});
  // A script's DoMenu goes through the real menus; an unknown path is refused.
  auto* front = frame_->FrontEnd(child->Document());
  ASSERT_NE(front, nullptr);
  // Each call waits for this thread's event loop: join only once both have returned.
  std::atomic<bool> known = false;
  std::atomic<bool> unknown = true;
  std::atomic<bool> done = false;
  std::thread script([&] {
    known = front->PostMenuCommand("View: Button Palette");
    unknown = front->PostMenuCommand("View: No Such Item");
    done = true;
  });
  const bool returned = test::WaitUntil([&] { return done.load(); }, 5000);
  if (!returned) front->DismissQuestions();
  script.join();
  ASSERT_TRUE(returned);
  EXPECT_TRUE(known);
  EXPECT_FALSE(unknown);
  OSTRANE_TRY_VERIFY(frame_->ButtonBarDock()->isVisible());
  // LoadSession opens the file as a new session before the script goes on.
  std::atomic<int> loaded = -1;
  const std::string path = (dir_ / "local.OSN").string();
  std::thread loader([&] { loaded = front->LoadSession(path) ? 1 : 0; });
  const bool loadReturned = test::WaitUntil([&] { return loaded >= 0; }, 5000);
  if (!loadReturned) front->DismissQuestions();
  loader.join();
  ASSERT_TRUE(loadReturned);
  EXPECT_EQ(loaded, 1);
  EXPECT_EQ(frame_->Children().size(), 2);
}

// A script's error is shown in a stop box, waited for; a receive routine's is posted without
// an icon, and the thread that reports it goes on at once.
TEST_F(FrameScripts, ScriptErrorsAreShownStoppedOrPosted) {
  std::vector<MessageIcon> icons;
  frame_->Questions().SetMessageHandler([&](const MessageQuestion& q) {
    messages_.push_back(q.text);
    icons.push_back(q.icon);
    return MessageAnswer::kOk;
  });
  CChildFrame* child = OpenLocalSession();
  ASSERT_NE(child, nullptr);
  child->Document().RunScriptText("x = 1 / 0;", false);
  OSTRANE_TRY_COMPARE_WITH_TIMEOUT(messages_.size(), size_t{1}, 5000);
  EXPECT_EQ(icons.front(), MessageIcon::kStop);
  OSTRANE_TRY_COMPARE(child->Document().RunningScripts(), size_t{0});
  CSessionFrontEnd* front = frame_->FrontEnd(child->Document());
  ASSERT_NE(front, nullptr);
  std::thread routine([&] { front->ReportScriptError("routine report", true); });
  routine.join();  // returns before the box is shown
  EXPECT_EQ(messages_.size(), 1u);
  OSTRANE_TRY_COMPARE(messages_.size(), size_t{2});
  EXPECT_EQ(messages_.back(), "routine report");
  EXPECT_EQ(icons.back(), MessageIcon::kNone);
}

TEST_F(FrameScripts, StoppingAnEmptyRecordingSaysSoAndOpensNoDialog) {
  CChildFrame* child = OpenLocalSession();
  ASSERT_NE(child, nullptr);
  frame_->RunCommand(Cmd::kRecordMacro);
  frame_->UpdateCommandStates();
  EXPECT_TRUE(frame_->Action(Cmd::kRecordMacro)->isChecked());
  frame_->RunCommand(Cmd::kRecordMacro);
  EXPECT_FALSE(frame_->Action(Cmd::kRecordMacro)->isChecked());
  EXPECT_EQ(messages_, std::vector<std::string>({std::string(kTextEmptyMacro)}));
}

TEST_F(FrameScripts, MacroDialogRefusesAButtonWithoutCaptionAndAKeyWithoutOneCharacter) {
  CMacroSaveDialog dialog("term.Send(\"x\");\r\n", {"One", "Two"});
  QStringList refused;
  dialog.SetMessageHandler([&](const QString& text) { refused << text; });
  auto* buttons = dialog.findChild<QComboBox*>("buttons");
  EXPECT_EQ(buttons->count(), 32);
  EXPECT_EQ(buttons->itemText(1), "Button #02 Two");
  dialog.accept();
  EXPECT_EQ(refused, QStringList{kTextNoCaption});
  dialog.findChild<QLineEdit*>("caption")->setText("Go");
  dialog.findChild<QCheckBox*>("toKey")->setChecked(true);
  dialog.accept();
  EXPECT_EQ(refused.last(), kTextNoSingleCharacter);
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  dialog.findChild<QLineEdit*>("character")->setText("q");
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  const MacroSaveChoice c = dialog.Choice();
  EXPECT_EQ(c.script, "term.Send(\"x\");\r\n");
  EXPECT_EQ(c.button, 0);
  EXPECT_EQ(c.key, 'Q');
}

// What a Telnet peer received, with the time of each byte, telnet commands left out.
class CByteRecorder {
 public:
  explicit CByteRecorder(test::CScriptedPeer& peer) : peer_(peer) {
    thread_ = std::thread([this] {
      while (!stop_) {
        const std::string got = peer_.Read(1, 20);
        if (got.empty()) continue;
        std::lock_guard lock(mutex_);
        for (char c : got) Take(static_cast<uint8_t>(c), Clock::now());
      }
    });
  }
  ~CByteRecorder() {
    stop_ = true;
    thread_.join();
  }
  std::vector<std::pair<char, Clock::time_point>> Bytes() {
    std::lock_guard lock(mutex_);
    return bytes_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    bytes_.clear();
  }

 private:
  void Take(uint8_t b, Clock::time_point at) {
    // IAC commands of three bytes, subnegotiations up to IAC SE.
    if (skip_ > 0) {
      --skip_;
      return;
    }
    if (inSub_) {
      if (lastIac_ && b == 240) inSub_ = false;
      lastIac_ = b == 255;
      return;
    }
    if (b == 255) {
      skip_ = -1;
      return;
    }
    if (skip_ == -1) {
      skip_ = 0;
      if (b == 250) {
        inSub_ = true;
        return;
      }
      if (b >= 251) skip_ = 1;
      return;
    }
    bytes_.emplace_back(static_cast<char>(b), at);
  }

  test::CScriptedPeer& peer_;
  std::thread thread_;
  std::atomic<bool> stop_ = false;
  std::mutex mutex_;
  std::vector<std::pair<char, Clock::time_point>> bytes_;
  int skip_ = 0;
  bool inSub_ = false;
  bool lastIac_ = false;
};

std::string Text(const std::vector<std::pair<char, Clock::time_point>>& bytes) {
  std::string s;
  for (const auto& b : bytes) s += b.first;
  return s;
}

// The pause before the first byte of `second` after the last byte before it.
int GapMs(const std::vector<std::pair<char, Clock::time_point>>& bytes, size_t at) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(bytes[at].second - bytes[at - 1].second)
          .count());
}

TEST_F(FrameScripts, RecordedMacroSavedToAButtonReplaysTheBytesAndPauses) {
  test::CScriptedPeer peer;
  CChildFrame* child = frame_->NewTelnetSession("127.0.0.1", peer.Port());
  ASSERT_NE(child, nullptr);
  ASSERT_TRUE(peer.Accept());
  CByteRecorder recorder(peer);
  OSTRANE_TRY_COMPARE_WITH_TIMEOUT(child->Document().ConnectionState(), TransportState::kConnected,
                                   5000);
  QTest::qWait(200);
  recorder.Clear();

  frame_->RunCommand(Cmd::kRecordMacro);
  CVT420View* view = child->View();
  QTest::keyClicks(view, "ab");
  QTest::qWait(900);
  QTest::keyClicks(view, "cd");
  // The host has sent no CR yet, so NewLine's automatic detection still sends CR LF.
  QTest::keyClick(view, Qt::Key_Return);
  OSTRANE_TRY_COMPARE(Text(recorder.Bytes()), std::string("abcd\r\n"));
  const int recordedGap = GapMs(recorder.Bytes(), 2);

  WhenShown<CMacroSaveDialog>([](CMacroSaveDialog* dialog) {
    dialog->findChild<QLineEdit*>("caption")->setText("Replay");
    dialog->accept();
  });
  frame_->RunCommand(Cmd::kRecordMacro);
  EXPECT_FALSE(child->Document().IsRecordingMacro());
  EXPECT_TRUE(frame_->ButtonBarDock()->isVisible());
  {
    std::lock_guard lock(child->Document().Terminal().Mutex());
    EXPECT_EQ(child->Document().Settings().ButtonCaption(0), "Replay");
  }

  recorder.Clear();
  frame_->RunCommand(Cmd::kBarButton1);
  OSTRANE_TRY_COMPARE_WITH_TIMEOUT(Text(recorder.Bytes()), std::string("abcd\r\n"), 5000);
  const int replayedGap = GapMs(recorder.Bytes(), 2);
  EXPECT_NEAR(replayedGap, recordedGap, 100);
  EXPECT_GE(recordedGap, 800);
}

// New Connection remembers a host only once a connection to it was made.
TEST_F(FrameScripts, OnlyAHostThatConnectedIsRemembered) {
  test::CScriptedPeer peer;
  const int refused = test::UnusedPort();
  for (int port : {refused, peer.Port()}) {
    WhenShown<CNewConnectionDialog>([port](CNewConnectionDialog* d) {
      d->KindList()->setCurrentIndex(d->KindList()->findText("Telnet"));
      QList<QComboBox*> fields = d->Page("Telnet")->findChildren<QComboBox*>();
      fields.at(0)->setEditText("127.0.0.1");
      fields.at(1)->setEditText(QString::number(port));
      d->accept();
    });
    // A refused connection may close its window: watch it through a guarded pointer.
    QPointer<CChildFrame> child = frame_->NewSession();
    ASSERT_NE(child, nullptr);
    if (port == refused) {
      OSTRANE_TRY_VERIFY_WITH_TIMEOUT(
          !child || child->Document().ConnectionState() == TransportState::kClosed, 5000);
      QTest::qWait(600);  // the main window looks at pending hosts every 250 ms
      EXPECT_TRUE(CMruList::Read(*profile_, kHostMruSection).empty());
    } else {
      ASSERT_TRUE(peer.Accept());
      OSTRANE_TRY_VERIFY_WITH_TIMEOUT(!CMruList::Read(*profile_, kHostMruSection).empty(), 5000);
      EXPECT_EQ(CMruList::Read(*profile_, kHostMruSection).front(), "127.0.0.1");
    }
  }
}

}  // namespace
}  // namespace ostrane
