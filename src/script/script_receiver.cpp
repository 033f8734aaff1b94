#include "script/script_receiver.h"

#include "script/script_limits.h"

namespace ostrane::script {

void CScriptReceiver::Feed(const uint8_t* data, size_t length) {
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < length; ++i) FeedLocked(data[i]);
}

void CScriptReceiver::FeedLocked(uint8_t byte) {
  if (!waiting_) {
    if (queue_.size() < kReceiveQueueSize) queue_.push_back(byte);
    return;
  }
  if (routine_ && !routine_(byte)) routine_ = nullptr;
  if (matcher_.Feed(byte)) {
    // Bytes after the match go to the queue again, so the next wait sees them.
    waiting_ = false;
    matched_ = true;
    routine_ = nullptr;
    woken_.notify_all();
  }
}

std::string CScriptReceiver::WaitLocked(std::unique_lock<std::mutex>& lock, Timeout timeout) {
  waiting_ = true;
  matched_ = false;
  // Bytes that came while nobody waited are matched first; those behind a match stay queued.
  while (waiting_ && !queue_.empty()) {
    const uint8_t byte = queue_.front();
    queue_.pop_front();
    FeedLocked(byte);
  }
  const auto done = [this] { return matched_ || stopped_; };
  if (timeout.count() > 0) {
    woken_.wait_for(lock, timeout, done);
  } else {
    woken_.wait(lock, done);
  }
  // A wait that ended without a match ends its waiting state, so later bytes are queued.
  waiting_ = false;
  routine_ = nullptr;
  return matcher_.Result();
}

std::string CScriptReceiver::WaitFor(std::string_view alternatives, Timeout timeout,
                                     Routine routine) {
  std::unique_lock lock(mutex_);
  if (stopped_) return {};
  matcher_.StartPatterns(alternatives);
  routine_ = std::move(routine);
  std::string result = WaitLocked(lock, timeout);
  return matched_ ? result : std::string();
}

std::string CScriptReceiver::Get(size_t count, Timeout timeout) {
  std::unique_lock lock(mutex_);
  if (stopped_) return {};
  matcher_.StartCount(count);
  routine_ = nullptr;
  return WaitLocked(lock, timeout);
}

void CScriptReceiver::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  woken_.notify_all();
}

}  // namespace ostrane::script
