// Keys typed into a session document: bytes go through the session's Send path, commands are
// carried out after the terminal lock is released.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "keyboard/keyboard_commands.h"
#include "session/session_view.h"
#include "session/vt420_doc.h"

namespace ostrane {
namespace {

class CSentRecorder : public ISessionMonitor {
 public:
  void Sent(const uint8_t* data, size_t length) override {
    std::lock_guard lock(mutex_);
    sent_.append(reinterpret_cast<const char*>(data), length);
  }
  void Received(const uint8_t*, size_t) override {}
  std::string SentText() {
    std::lock_guard lock(mutex_);
    return sent_;
  }

 private:
  std::mutex mutex_;
  std::string sent_;
};

// Checks that no command arrives while the terminal lock is held. A mapped key's script runs
// on its own thread and asks for a menu command of its own.
class CCommandRecorder : public IKeyboardCommands, public IScriptFrontEnd {
 public:
  explicit CCommandRecorder(CVT420Doc& doc) : doc_(doc) {}
  void RunMenuCommand(std::string_view path) override { Record("menu " + std::string(path)); }
  void LocalFunction(KeyCommand command) override {
    Record("local " + std::to_string(static_cast<int>(command)));
  }
  void MarginBell() override { Record("bell"); }
  // On the script's thread, where the worker may hold the terminal lock at the time.
  bool PostMenuCommand(std::string_view path) override {
    std::lock_guard lock(mutex_);
    seen_.push_back("script menu " + std::string(path));
    return true;
  }
  bool LoadSession(const std::string&) override { return false; }
  void PlaySound(const std::string&) override {}
  void ReportScriptError(const std::string& report, bool) override {
    std::lock_guard lock(mutex_);
    seen_.push_back(report);
  }
  void DismissQuestions() override {}
  std::vector<std::string> Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }
  bool lockHeld = false;

 private:
  std::mutex mutex_;
  std::vector<std::string> seen_;
  void Record(const std::string& what) {
    std::lock_guard lock(mutex_);
    seen_.push_back(what);
    if (!doc_.Terminal().Mutex().try_lock())
      lockHeld = true;
    else
      doc_.Terminal().Mutex().unlock();
  }
  CVT420Doc& doc_;
};

class DocKeyboardTest : public testing::Test {
 protected:
  void SetUp() override {
    doc_.SetMonitor(&monitor_);
    doc_.SetKeyboardCommands(&commands_);
    doc_.SetScriptFrontEnd(&commands_);
    doc_.Settings().SetInt(S::HostType, 2);  // the local loop
    ASSERT_TRUE(doc_.StartNewSession());
  }
  void TearDown() override { doc_.QueryDisconnect(false); }

  CVT420Doc doc_;
  CSentRecorder monitor_;
  CCommandRecorder commands_{doc_};
};

TEST_F(DocKeyboardTest, KeysAndCharactersAreSentThroughTheSession) {
  doc_.KeyDown(38, 2, true, {});  // Up, twice
  doc_.KeyDown('A', 1, false, {});
  doc_.KeyChar(u'a');
  EXPECT_EQ(monitor_.SentText(), "\x1b[A\x1b[Aa");
  // The local loop echoes what was sent: the screen shows the typed character.
  for (int i = 0; i < 200; ++i) {
    {
      std::lock_guard lock(doc_.Terminal().Mutex());
      if (doc_.Terminal().Screen().CharAt(0, 0) == u'a') break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::lock_guard lock(doc_.Terminal().Mutex());
  EXPECT_EQ(doc_.Terminal().Screen().CharAt(0, 0), u'a');
}

TEST_F(DocKeyboardTest, CommandsRunWithoutTheTerminalLock) {
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    CKeyMap& map = doc_.Terminal().KeyMap();
    map.Set('S', KeyMod::kAlt, KeyAction::kScriptText, "term.DoMenu(\"Edit: Copy\");");
    doc_.Settings().SetInt(S::MarginBell, 1);
  }
  KeyboardState ctrl;
  ctrl.ctrl = true;
  KeyboardState alt;
  alt.alt = true;
  doc_.KeyDown(33, 1, true, ctrl);  // Ctrl+Page Up
  doc_.KeyDown(112, 1, false, {});  // F1: Hold Screen
  doc_.KeyDown('S', 1, false, alt);
  for (int i = 0; i < 200 && commands_.Seen().size() < 3; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(commands_.Seen(),
            (std::vector<std::string>{
                "menu View: Scroll Page Up",
                "local " + std::to_string(static_cast<int>(KeyCommand::kHoldScreen)),
                "script menu Edit: Copy"}));
  EXPECT_FALSE(commands_.lockHeld);
  EXPECT_EQ(monitor_.SentText(), "");
}

}  // namespace
}  // namespace ostrane
