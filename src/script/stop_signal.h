// CStopSignal: a request to stop a script, asked for from any thread. Every wait of the script
// thread waits on it too, so a stop is never held up by a Sleep or a timeout.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ostrane::script {

class CStopSignal {
 public:
  void Request() {
    {
      std::lock_guard lock(mutex_);
      requested_ = true;
    }
    changed_.notify_all();
  }
  bool Requested() const { return requested_.load(); }
  // Sleeps for the duration; false when a stop was requested before or during it.
  bool SleepFor(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, duration, [this] { return requested_.load(); });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::atomic<bool> requested_ = false;
};

}  // namespace ostrane::script
