#include "platform/event.h"

namespace ostrane::platform {

CEvent::CEvent(Reset mode, bool initiallySet) : mode_(mode), set_(initiallySet) {}

void CEvent::Set() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  changed_.notify_all();
}

void CEvent::Clear() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool CEvent::IsSet() const {
  std::lock_guard lock(mutex_);
  return set_;
}

bool CEvent::TakeLocked() {
  if (aborted_) return false;
  if (mode_ == Reset::kAuto) set_ = false;
  return true;
}

bool CEvent::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return set_ || aborted_; });
  return TakeLocked();
}

bool CEvent::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, timeout, [this] { return set_ || aborted_; })) return false;
  return TakeLocked();
}

void CEvent::Abort() {
  {
    std::lock_guard lock(mutex_);
    aborted_ = true;
  }
  changed_.notify_all();
}

}  // namespace ostrane::platform
