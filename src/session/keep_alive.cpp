#include "session/keep_alive.h"

namespace ostrane {

void CKeepAlive::SetInterval(std::chrono::milliseconds interval) {
  {
    std::lock_guard lock(mutex_);
    interval_ = interval;
    ++generation_;
  }
  changed_.notify_all();
}

void CKeepAlive::SetEnabled(bool enabled) {
  std::lock_guard lock(mutex_);
  enabled_ = enabled;
}

bool CKeepAlive::Enabled() const {
  std::lock_guard lock(mutex_);
  return enabled_;
}

void CKeepAlive::Start() {
  std::lock_guard lock(mutex_);
  if (thread_.joinable()) return;
  stopping_ = false;
  thread_ = std::thread([this] { Run(); });
}

void CKeepAlive::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void CKeepAlive::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    const unsigned generation = generation_;
    const auto due = std::chrono::steady_clock::now() + interval_;
    if (changed_.wait_until(lock, due, [&] { return stopping_ || generation != generation_; }))
      continue;
    if (!enabled_) continue;
    // The action talks to the transport; it never runs under this clock's lock.
    lock.unlock();
    action_();
    lock.lock();
  }
}

}  // namespace ostrane
