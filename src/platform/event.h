// CEvent: a manual- or auto-reset event for threads of one process. Abort releases every
// current and later wait, so a thread that waits on an event can always be told to leave.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ostrane::platform {

class CEvent {
 public:
  enum class Reset { kManual, kAuto };

  CEvent(Reset mode, bool initiallySet);
  CEvent(const CEvent&) = delete;
  CEvent& operator=(const CEvent&) = delete;

  void Set();
  void Clear();
  bool IsSet() const;
  // Waits until the event is set (true; an auto-reset event is cleared again) or aborted (false).
  bool Wait();
  // As Wait, but gives up after the timeout (false).
  bool WaitFor(std::chrono::milliseconds timeout);
  void Abort();

 private:
  bool TakeLocked();

  const Reset mode_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool set_;
  bool aborted_ = false;
};

}  // namespace ostrane::platform
