#include "script/script.h"

#include "script/sys_object.h"
#include "script/term_object.h"

namespace ostrane::script {

CScript::CScript(IScriptHost& host, std::string name, std::string text, bool fromHost,
                 ScriptLimits limits)
    : interpreter_(stop_, limits), context_{interpreter_, receiver_, stop_, host, fromHost} {
  interpreter_.Load(std::move(name), std::move(text));
  interpreter_.Adopt(std::make_unique<CTermObject>(context_), "term");
  interpreter_.Adopt(std::make_unique<CSysObject>(context_), "sys");
}

CScript::~CScript() {
  RequestStop();
  Join();
}

void CScript::Start() {
  State expected = State::kLoaded;
  if (!state_.compare_exchange_strong(expected, State::kRunning)) return;
  // The script may finish before the assignment below is done: a Join from another thread
  // waits for it under the same lock.
  std::lock_guard lock(threadMutex_);
  thread_ = std::thread([this] { Body(); });
}

std::optional<ScriptError> CScript::RunHere() {
  State expected = State::kLoaded;
  if (!state_.compare_exchange_strong(expected, State::kRunning)) return std::nullopt;
  Body();
  return Error();
}

void CScript::Body() {
  std::optional<ScriptError> error = interpreter_.Run();
  if (error) context_.host.ReportError(*error);
  // Nothing waits for received data any more.
  receiver_.Stop();
  {
    std::lock_guard lock(errorMutex_);
    error_ = std::move(error);
    state_ = State::kFinished;
  }
  finished_.notify_all();
}

void CScript::Feed(const uint8_t* data, size_t length) {
  if (state_.load() != State::kFinished) receiver_.Feed(data, length);
}

void CScript::RequestStop() {
  stop_.Request();
  receiver_.Stop();
}

void CScript::Join() {
  std::thread thread;
  {
    std::lock_guard lock(threadMutex_);
    thread.swap(thread_);
  }
  if (thread.joinable()) thread.join();
}

bool CScript::WaitFinished(std::chrono::steady_clock::time_point deadline) const {
  std::unique_lock lock(errorMutex_);
  return finished_.wait_until(lock, deadline, [this] { return state_ == State::kFinished; });
}

std::optional<ScriptError> CScript::Error() const {
  std::lock_guard lock(errorMutex_);
  return error_;
}

}  // namespace ostrane::script
