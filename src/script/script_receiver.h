// CScriptReceiver: the receive side of one script. The thread that delivers the host's data
// feeds every byte; while the script waits (Wait or Get) bytes go to its receive routine and
// the matcher, otherwise they are queued for the next wait. The script thread waits here until
// a match, its timeout or a stop.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "script/wait_matcher.h"

namespace ostrane::script {

class CScriptReceiver {
 public:
  // Runs for every byte fed while a wait with a routine is pending; returns false to be removed.
  using Routine = std::function<bool(uint8_t)>;
  // 0 waits without limit.
  using Timeout = std::chrono::milliseconds;

  // Any thread; never waits for the script.
  void Feed(const uint8_t* data, size_t length);
  // The script thread: the alternative found, or empty text after the timeout or a stop.
  std::string WaitFor(std::string_view alternatives, Timeout timeout, Routine routine);
  // The script thread: count bytes, or those collected when the timeout or a stop ends it.
  std::string Get(size_t count, Timeout timeout);
  // Ends the current wait and makes every later one return at once.
  void Stop();

 private:
  void FeedLocked(uint8_t byte);
  std::string WaitLocked(std::unique_lock<std::mutex>& lock, Timeout timeout);

  mutable std::mutex mutex_;
  std::condition_variable woken_;
  std::deque<uint8_t> queue_;
  CWaitMatcher matcher_;
  Routine routine_;
  bool waiting_ = false;
  bool matched_ = false;
  bool stopped_ = false;
};

}  // namespace ostrane::script
