#include "print/job_timer.h"

namespace ostrane {

CJobTimer::~CJobTimer() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void CJobTimer::Arm(std::chrono::milliseconds delay, uint64_t token) {
  {
    std::lock_guard lock(mutex_);
    armed_ = true;
    token_ = token;
    deadline_ = std::chrono::steady_clock::now() + delay;
    // Started on first use: most sessions never print.
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  changed_.notify_all();
}

void CJobTimer::Cancel() {
  {
    std::lock_guard lock(mutex_);
    armed_ = false;
  }
  changed_.notify_all();
}

void CJobTimer::Run() {
  std::unique_lock lock(mutex_);
  while (!quit_) {
    if (!armed_) {
      changed_.wait(lock);
      continue;
    }
    if (changed_.wait_until(lock, deadline_) == std::cv_status::timeout && armed_ && !quit_ &&
        std::chrono::steady_clock::now() >= deadline_) {
      armed_ = false;
      const uint64_t token = token_;
      lock.unlock();
      fired_(token);
      lock.lock();
    }
  }
}

}  // namespace ostrane
