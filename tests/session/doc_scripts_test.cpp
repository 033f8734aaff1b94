// The session's scripts over the local loop: host-started scripts and their protection and
// size bound, closing a session whose scripts wait, and macro recording of what is sent.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "script/script_limits.h"
#include "session/vt420_doc.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

template <class Check>
bool Eventually(Check check) {
  for (int i = 0; i < 500; ++i) {
    if (check()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return check();
}

// Script dialogs stay open until dismissed; session messages and file choices are recorded.
class CSessionFront : public IQuestions, public IScriptFrontEnd, public ISessionMonitor {
 public:
  MessageAnswer AskMessage(const MessageQuestion& q) override {
    std::unique_lock lock(mutex_);
    messages_.push_back(q.text);
    if (!holdDialogs) return MessageAnswer::kOk;
    ++open_;
    changed_.wait(lock, [this] { return dismissed_; });
    --open_;
    return MessageAnswer::kCancel;
  }
  std::optional<std::string> ChooseFile(const FileQuestion& q) override {
    std::lock_guard lock(mutex_);
    fileTitles_.push_back(q.title);
    return chosenFile;
  }
  bool PostMenuCommand(std::string_view) override { return false; }
  bool LoadSession(const std::string&) override { return false; }
  void PlaySound(const std::string&) override {}
  void ReportScriptError(const std::string& report, bool) override {
    std::lock_guard lock(mutex_);
    reports_.push_back(report);
  }
  void DismissQuestions() override {
    std::lock_guard lock(mutex_);
    dismissed_ = true;
    changed_.notify_all();
  }
  void Sent(const uint8_t* data, size_t length) override {
    std::lock_guard lock(mutex_);
    sent_.append(reinterpret_cast<const char*>(data), length);
  }
  void Received(const uint8_t*, size_t) override {}

  std::vector<std::string> Reports() {
    std::lock_guard lock(mutex_);
    return reports_;
  }
  std::vector<std::string> Messages() {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  std::string SentText() {
    std::lock_guard lock(mutex_);
    return sent_;
  }
  int OpenDialogs() {
    std::lock_guard lock(mutex_);
    return open_;
  }

  bool holdDialogs = false;
  std::optional<std::string> chosenFile;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> messages_, fileTitles_, reports_;
  std::string sent_;
  int open_ = 0;
  bool dismissed_ = false;
};

// A session on the local loop: what it sends comes back as received data.
class DocScripts : public testing::Test {
 protected:
  void SetUp() override { Open(); }
  void Open(int hostScript = 0) {
    doc_ = std::make_unique<CVT420Doc>();
    doc_->SetQuestions(&front_);
    doc_->SetScriptFrontEnd(&front_);
    doc_->SetMonitor(&front_);
    {
      std::lock_guard lock(doc_->Terminal().Mutex());
      doc_->Settings().SetInt(S::HostType, 2);
      doc_->Settings().SetInt(S::HostScript, hostScript);
    }
    ASSERT_TRUE(doc_->StartNewSession());
  }
  void Send(const std::string& bytes) {
    doc_->Send(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  bool SentContains(const std::string& text) {
    return Eventually([&] { return front_.SentText().find(text) != std::string::npos; });
  }

  CSessionFront front_;
  std::unique_ptr<CVT420Doc> doc_;
};

TEST_F(DocScripts, HostStartedScriptIsRefusedProtectedFunctionsUnlessHostScriptIsOne) {
  const std::string hostScript = "\x1bP$tsys.System(\"true\"); term.Send(\"ran\");\x1b\\";
  Send(hostScript);
  ASSERT_TRUE(Eventually([&] { return !front_.Reports().empty(); }));
  EXPECT_NE(front_.Reports()[0].find("E1091 Protected script function disabled: \"System\""),
            std::string::npos)
      << front_.Reports()[0];
  // The same text run by the user is not protected.
  doc_->RunScriptText("sys.System(\"true\"); term.Send(\"user-ran\");", false);
  EXPECT_TRUE(SentContains("user-ran"));
  Open(1);
  Send(hostScript);
  EXPECT_TRUE(SentContains("ran"));
  EXPECT_EQ(front_.Reports().size(), 1u);
}

TEST_F(DocScripts, HostScriptStringsAreBoundedAt64KiB) {
  // Exactly the bound runs; one byte more is discarded. Each script sends a mark that its own
  // text does not contain.
  const std::pair<size_t, std::string> cases[] = {
      {script::kMaxHostScriptString + 1, "term.Send(\"over\" + \"-ran\");"},
      {script::kMaxHostScriptString, "term.Send(\"at\" + \"-ran\");"},
  };
  for (const auto& [size, tail] : cases) {
    std::string text(size - tail.size(), ' ');
    text += tail;
    Send("\x1bP$t" + text + "\x1b\\");
  }
  ASSERT_TRUE(SentContains("at-ran"));
  EXPECT_EQ(front_.SentText().find("over-ran"), std::string::npos);
}

TEST_F(DocScripts, ClosingTheSessionEndsScriptsWaitingForDataOrInADialog) {
  front_.holdDialogs = true;
  const auto waiting = doc_->RunScriptText("term.Wait(\"never\");", false);
  const auto asking = doc_->RunScriptText("sys.MessageBox(\"open\"); term.Send(\"after\");", false);
  ASSERT_TRUE(Eventually([&] { return front_.OpenDialogs() == 1; }));
  EXPECT_EQ(doc_->RunningScripts(), 2u);
  doc_.reset();
  EXPECT_EQ(waiting->GetState(), script::CScript::State::kFinished);
  EXPECT_EQ(asking->GetState(), script::CScript::State::kFinished);
  EXPECT_EQ(front_.OpenDialogs(), 0);
  EXPECT_EQ(front_.SentText().find("after"), std::string::npos);
  EXPECT_TRUE(front_.Reports().empty());
}

TEST_F(DocScripts, StopScriptsEndsAWaitAndFinishedScriptsLeaveTheList) {
  const auto s = doc_->RunScriptText("term.Wait(\"never\");", false);
  doc_->StopScripts();
  EXPECT_TRUE(s->WaitFinished(std::chrono::steady_clock::now() + std::chrono::seconds(5)));
  EXPECT_TRUE(Eventually([&] { return doc_->RunningScripts() == 0; }));
  EXPECT_FALSE(s->Error());
}

TEST_F(DocScripts, ReceiveSideSeesTheHostsDataAndBytesBehindAMatchStayQueued) {
  // "login:" and "Password:" arrive in one piece; both waits find theirs.
  const auto s = doc_->RunScriptText(
      "a = term.Wait(\"login:\", 5); b = term.Wait(\"Password:\", 5);"
      " term.Send(\"[\" + a + b + \"]\");",
      false);
  Send("login: Password:");
  EXPECT_TRUE(SentContains("[login:Password:]"));
}

TEST_F(DocScripts, MacroRecordsSentBytesAndTerminalRepliesAndSavesToTheChosenFile) {
  const auto path = test::FreshTestFolder() / "macro.oss";
  front_.chosenFile = path.string();
  doc_->RecordMacroCommand();
  ASSERT_TRUE(doc_->IsRecordingMacro());
  Send("ls\r");
  // The local loop gives the terminal a cursor position request; its reply is sent too.
  Send("\x1b[6n");
  ASSERT_TRUE(SentContains("R"));
  doc_->RecordMacroCommand();
  EXPECT_FALSE(doc_->IsRecordingMacro());
  std::ifstream in(path, std::ios::binary);
  std::stringstream macro;
  macro << in.rdbuf();
  // One call (no pause between), holding the typed bytes, the request and the reply, the
  // reply possibly first: the local loop answers before the request's write returns.
  const std::string text = macro.str();
  EXPECT_EQ(text.rfind("term.Send(\"ls<CR><ESC>[", 0), 0u) << text;
  EXPECT_NE(text.find("<ESC>[6n"), std::string::npos) << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("<ESC>\\[[0-9]+;[0-9]+R"))) << text;
  EXPECT_EQ(text.find("sys.Sleep"), std::string::npos) << text;
}

TEST_F(DocScripts, MacroWithNothingSentIsIgnoredWithAMessage) {
  doc_->RecordMacroCommand();
  doc_->RecordMacroCommand();
  EXPECT_EQ(front_.Messages(), std::vector<std::string>{std::string(kTextEmptyMacro)});
}

}  // namespace
}  // namespace ostrane
