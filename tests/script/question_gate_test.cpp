// Script dialogs through the question gate: a stop or the session's closing ends the wait even
// though the dialog itself cannot be interrupted.
#include "script/question_gate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace ostrane {
namespace {

using script::CQuestionGate;
using script::CStopSignal;

// A front end whose dialogs stay open until the test answers them or dismisses them all.
class CHeldQuestions : public IQuestions {
 public:
  MessageAnswer AskMessage(const MessageQuestion&) override {
    return Hold() ? MessageAnswer::kYes : MessageAnswer::kCancel;
  }
  std::optional<std::string> ChooseFile(const FileQuestion&) override { return std::nullopt; }
  std::optional<std::string> AskText(const TextQuestion&) override {
    if (Hold()) return std::string("typed");
    return std::nullopt;
  }
  void Answer() { Release(true); }
  void Dismiss() { Release(false); }
  int Open() {
    std::lock_guard lock(mutex_);
    return open_;
  }

 private:
  // True when answered, false when dismissed.
  bool Hold() {
    std::unique_lock lock(mutex_);
    ++open_;
    changed_.notify_all();
    const int round = round_;
    changed_.wait(lock, [&] { return round_ != round; });
    --open_;
    return answered_;
  }
  void Release(bool answered) {
    std::lock_guard lock(mutex_);
    answered_ = answered;
    ++round_;
    changed_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  int open_ = 0;
  int round_ = 0;
  bool answered_ = false;
};

void WaitUntilOpen(CHeldQuestions& q, int count) {
  for (int i = 0; i < 500 && q.Open() < count; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

TEST(QuestionGate, AnAnsweredDialogGivesItsAnswer) {
  CHeldQuestions front;
  CQuestionGate gate;
  gate.SetFront(&front, [&] { front.Dismiss(); });
  CStopSignal stop;
  std::thread answerer([&] {
    WaitUntilOpen(front, 1);
    front.Answer();
  });
  EXPECT_EQ(gate.AskText({}, stop), "typed");
  answerer.join();
}

TEST(QuestionGate, AStopEndsTheWaitWhileTheDialogStaysOpen) {
  CHeldQuestions front;
  CQuestionGate gate;
  gate.SetFront(&front, [&] { front.Dismiss(); });
  CStopSignal stop;
  std::thread stopper([&] {
    WaitUntilOpen(front, 1);
    stop.Request();
  });
  EXPECT_EQ(gate.AskMessage({}, stop), MessageAnswer::kCancel);
  stopper.join();
  EXPECT_EQ(front.Open(), 1);
  // A stopped script asks nothing more.
  EXPECT_EQ(gate.AskText({}, stop), std::nullopt);
  // Closing dismisses the open dialog and joins its carrier.
  gate.Close();
  EXPECT_EQ(front.Open(), 0);
}

TEST(QuestionGate, ClosingReleasesEveryWaitingCallerAndRefusesLaterOnes) {
  CHeldQuestions front;
  CQuestionGate gate;
  gate.SetFront(&front, [&] { front.Dismiss(); });
  CStopSignal stop;
  MessageAnswer first = MessageAnswer::kOk;
  std::optional<std::string> second = "unset";
  std::thread a([&] { first = gate.AskMessage({}, stop); });
  std::thread b([&] { second = gate.AskText({}, stop); });
  WaitUntilOpen(front, 2);
  gate.Close();
  a.join();
  b.join();
  EXPECT_EQ(first, MessageAnswer::kCancel);
  EXPECT_EQ(second, std::nullopt);
  EXPECT_EQ(front.Open(), 0);
  EXPECT_EQ(gate.AskMessage({}, stop), MessageAnswer::kCancel);
}

TEST(QuestionGate, PostDoesNotWaitAndNoFrontCancels) {
  CHeldQuestions front;
  CQuestionGate gate;
  CStopSignal stop;
  EXPECT_EQ(gate.AskMessage({}, stop), MessageAnswer::kCancel);
  gate.SetFront(&front, [&] { front.Dismiss(); });
  gate.Post({});
  WaitUntilOpen(front, 1);
  EXPECT_EQ(front.Open(), 1);
}

}  // namespace
}  // namespace ostrane
