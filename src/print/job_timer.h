// CJobTimer: one restartable deadline on a thread of its own, so that a session's print job is
// closed after JobTimeout whether or not a window shows the session. The callback runs on the
// timer's thread with the token the deadline was armed with; the owner compares it with its
// current token under its own lock, so that a deadline overtaken by a new job does nothing.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace ostrane {

class CJobTimer {
 public:
  explicit CJobTimer(std::function<void(uint64_t)> fired) : fired_(std::move(fired)) {}
  ~CJobTimer();
  CJobTimer(const CJobTimer&) = delete;
  CJobTimer& operator=(const CJobTimer&) = delete;

  void Arm(std::chrono::milliseconds delay, uint64_t token);
  void Cancel();

 private:
  void Run();

  std::function<void(uint64_t)> fired_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;
  bool armed_ = false;
  bool quit_ = false;
  uint64_t token_ = 0;
  std::chrono::steady_clock::time_point deadline_;
};

}  // namespace ostrane
