// CKeepAlive: the session's keep-alive clock. While it is enabled (the KeepSession setting) it
// calls its action once per interval on a thread of its own; the action sends the transport's
// keep-alive when the connection is up. It belongs to the session, so every front end gets it
// and any number of windows on one session share the one clock.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace ostrane {

class CKeepAlive {
 public:
  static constexpr std::chrono::milliseconds kDefaultInterval{10000};

  explicit CKeepAlive(std::function<void()> action) : action_(std::move(action)) {}
  ~CKeepAlive() { Stop(); }
  CKeepAlive(const CKeepAlive&) = delete;
  CKeepAlive& operator=(const CKeepAlive&) = delete;

  // A new interval starts counting at once.
  void SetInterval(std::chrono::milliseconds interval);
  void SetEnabled(bool enabled);
  bool Enabled() const;
  // Starts the clock's thread (once); Stop ends it and waits for a running action.
  void Start();
  void Stop();

 private:
  void Run();

  const std::function<void()> action_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::chrono::milliseconds interval_{kDefaultInterval};
  bool enabled_ = false;
  bool stopping_ = false;
  unsigned generation_ = 0;  // counts interval changes, so that a wait starts over
  std::thread thread_;
};

}  // namespace ostrane
