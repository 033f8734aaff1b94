// CBellLimiter: a burst of BELs from the host rings the bell a few times a second at most, so a
// program that prints thousands of them cannot keep the desktop beeping for minutes.
#pragma once

#include <chrono>
#include <optional>

namespace ostrane {

class CBellLimiter {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kMinGap{250};

  // True when a bell at `now` may ring; a refused one does not push the next ring back.
  bool Allow(Clock::time_point now) {
    if (last_ && now - *last_ < kMinGap) return false;
    last_ = now;
    return true;
  }

 private:
  std::optional<Clock::time_point> last_;
};

}  // namespace ostrane
