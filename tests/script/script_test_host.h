// A session for script tests: a real terminal emulator, the bytes the script sends, the menu
// paths it may run, and answers for its questions given in advance.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "emulator/vt420_emulator.h"
#include "script/script.h"

namespace ostrane::test {

class CTestQuestions : public IQuestions {
 public:
  MessageAnswer AskMessage(const MessageQuestion& question) override {
    std::lock_guard lock(mutex_);
    messages.push_back(question);
    return messageAnswer;
  }
  std::optional<std::string> ChooseFile(const FileQuestion&) override { return std::nullopt; }
  std::optional<std::string> AskText(const TextQuestion& question) override {
    std::lock_guard lock(mutex_);
    texts.push_back(question);
    if (textAnswers.empty()) return std::nullopt;
    std::string answer = textAnswers.front();
    textAnswers.pop_front();
    return answer;
  }

  MessageAnswer messageAnswer = MessageAnswer::kOk;
  std::deque<std::string> textAnswers;
  std::vector<MessageQuestion> messages;
  std::vector<TextQuestion> texts;

 private:
  std::mutex mutex_;
};

class CTestScriptHost : public script::IScriptHost {
 public:
  CTerminal& Terminal() override { return emulator; }
  MessageAnswer AskMessage(const MessageQuestion& question, const script::CStopSignal&) override {
    return questions.AskMessage(question);
  }
  std::optional<std::string> AskText(const TextQuestion& question,
                                     const script::CStopSignal&) override {
    return questions.AskText(question);
  }
  bool IsConnected() override { return connected; }
  void Send(std::string_view bytes) override {
    std::lock_guard lock(mutex_);
    sent += bytes;
  }
  void SendLocal(std::string_view bytes) override {
    std::lock_guard lock(emulator.Mutex());
    emulator.ReceiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  void SendBreak() override { ++breaks; }
  void Disconnect() override { connected = false; }
  bool RunMenuCommand(std::string_view path) override {
    if (!menus.contains(std::string(path))) return false;
    menuRuns.emplace_back(path);
    return true;
  }
  bool StartCapture(const std::string& path, const std::string&) override {
    capture = path;
    return path.find("/missing/") == std::string::npos;
  }
  void StopCapture() override { capture.clear(); }
  void SendZModem(const std::string& path) override { zmodem = path; }
  void LoadSession(const std::string& path) override { session = path; }
  void PlaySound(const std::string& path) override { sound = path; }
  void ReportError(const script::ScriptError& error) override {
    std::lock_guard lock(mutex_);
    reports.push_back(script::FormatErrorReport(error));
  }
  void PostRoutineError(const script::ScriptError& error) override {
    std::lock_guard lock(mutex_);
    routineReports.push_back(script::FormatRoutineErrorReport(error));
  }

  std::string Sent() {
    std::lock_guard lock(mutex_);
    return sent;
  }
  void Show(std::string_view bytes) { SendLocal(bytes); }

  CVT420Emulator emulator;
  CTestQuestions questions;
  bool connected = true;
  int breaks = 0;
  std::set<std::string> menus = {"View: Scroll Page Up"};
  std::vector<std::string> menuRuns;
  std::string capture, zmodem, session, sound;
  std::vector<std::string> reports;
  std::vector<std::string> routineReports;

 private:
  std::mutex mutex_;
  std::string sent;
};

// A script run to its end on the test's thread: what it sent and the error that ended it.
struct RunResult {
  std::string sent;
  std::optional<script::ScriptError> error;

  int Code() const { return error ? error->code : 0; }
};

inline RunResult RunScript(CTestScriptHost& host, std::string text, bool fromHost = false,
                           script::ScriptLimits limits = {}) {
  script::CScript s(host, script::kUnnamedScript, std::move(text), fromHost, limits);
  RunResult result;
  result.error = s.RunHere();
  result.sent = host.Sent();
  return result;
}

inline RunResult RunScript(std::string text, bool fromHost = false) {
  CTestScriptHost host;
  return RunScript(host, std::move(text), fromHost);
}

}  // namespace ostrane::test
