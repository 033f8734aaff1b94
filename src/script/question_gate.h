// CQuestionGate: the questions of a session's scripts, asked so that the script can leave them.
// A front end's question cannot be interrupted, so each one is carried by a thread of its own
// while the asking script waits for the answer, its stop request or the gate's closing, and
// takes whichever comes first. Closing asks the front end to dismiss its open dialogs and joins
// every carrier, so none outlives the gate or the front end.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "script/stop_signal.h"
#include "settings/question_interface.h"

namespace ostrane::script {

class CQuestionGate {
 public:
  CQuestionGate() = default;
  ~CQuestionGate();
  CQuestionGate(const CQuestionGate&) = delete;
  CQuestionGate& operator=(const CQuestionGate&) = delete;

  // front: who answers (none: every question is cancelled). dismiss: closes the front end's
  // open dialogs from any thread, so that their calls return; empty for front ends that answer
  // at once.
  void SetFront(IQuestions* front, std::function<void()> dismiss);

  // Cancelled (kCancel, nothing) when stop is requested or the gate closes before the answer.
  MessageAnswer AskMessage(const MessageQuestion& question, const CStopSignal& stop);
  std::optional<std::string> AskText(const TextQuestion& question, const CStopSignal& stop);
  std::optional<std::string> ChooseFile(const FileQuestion& question, const CStopSignal& stop);
  // Shows a message without waiting for it (reports from threads that must not block).
  void Post(const MessageQuestion& question);

  // Every waiting call returns cancelled, the front end dismisses its dialogs and the carriers
  // are joined. Later questions are cancelled at once.
  void Close();

 private:
  struct Carrier {
    std::thread thread;
    std::shared_ptr<bool> done;
  };
  // How often a waiting caller looks at its stop signal, which has no way to wake it.
  static constexpr std::chrono::milliseconds kStopPoll{20};

  template <class Result>
  std::optional<Result> Carry(std::function<Result(IQuestions&)> ask, const CStopSignal* stop);
  // Joins the carriers whose question was answered; mutex_ held.
  void JoinAnsweredLocked();

  std::mutex mutex_;
  std::condition_variable answered_;
  IQuestions* front_ = nullptr;
  std::function<void()> dismiss_;
  std::list<Carrier> carriers_;
  bool closed_ = false;
};

}  // namespace ostrane::script
