#include "script/question_gate.h"

#include <utility>

namespace ostrane::script {

CQuestionGate::~CQuestionGate() {
  Close();
}

void CQuestionGate::SetFront(IQuestions* front, std::function<void()> dismiss) {
  std::lock_guard lock(mutex_);
  front_ = front;
  dismiss_ = std::move(dismiss);
}

void CQuestionGate::JoinAnsweredLocked() {
  for (auto it = carriers_.begin(); it != carriers_.end();) {
    if (!*it->done) {
      ++it;
      continue;
    }
    // An answered carrier has only to return; it takes no lock on its way out.
    it->thread.join();
    it = carriers_.erase(it);
  }
}

template <class Result>
std::optional<Result> CQuestionGate::Carry(std::function<Result(IQuestions&)> ask,
                                           const CStopSignal* stop) {
  auto answer = std::make_shared<std::optional<Result>>();
  auto done = std::make_shared<bool>(false);
  std::unique_lock lock(mutex_);
  if (closed_ || front_ == nullptr || (stop != nullptr && stop->Requested())) return std::nullopt;
  JoinAnsweredLocked();
  IQuestions* front = front_;
  carriers_.push_back({std::thread([this, front, ask = std::move(ask), answer, done] {
                         Result result = ask(*front);
                         {
                           std::lock_guard carried(mutex_);
                           *answer = std::move(result);
                           *done = true;
                         }
                         answered_.notify_all();
                       }),
                       done});
  if (stop == nullptr) return std::nullopt;
  while (!*done && !closed_ && !stop->Requested()) answered_.wait_for(lock, kStopPoll);
  return *done ? std::move(*answer) : std::nullopt;
}

MessageAnswer CQuestionGate::AskMessage(const MessageQuestion& question, const CStopSignal& stop) {
  return Carry<MessageAnswer>([question](IQuestions& q) { return q.AskMessage(question); }, &stop)
      .value_or(MessageAnswer::kCancel);
}

std::optional<std::string> CQuestionGate::AskText(const TextQuestion& question,
                                                  const CStopSignal& stop) {
  return Carry<std::optional<std::string>>(
             [question](IQuestions& q) { return q.AskText(question); }, &stop)
      .value_or(std::nullopt);
}

std::optional<std::string> CQuestionGate::ChooseFile(const FileQuestion& question,
                                                     const CStopSignal& stop) {
  return Carry<std::optional<std::string>>(
             [question](IQuestions& q) { return q.ChooseFile(question); }, &stop)
      .value_or(std::nullopt);
}

void CQuestionGate::Post(const MessageQuestion& question) {
  Carry<MessageAnswer>([question](IQuestions& q) { return q.AskMessage(question); }, nullptr);
}

void CQuestionGate::Close() {
  std::function<void()> dismiss;
  std::list<Carrier> carriers;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    dismiss = dismiss_;
  }
  answered_.notify_all();
  if (dismiss) dismiss();
  {
    std::lock_guard lock(mutex_);
    carriers.swap(carriers_);
  }
  for (Carrier& c : carriers) c.thread.join();
}

}  // namespace ostrane::script
