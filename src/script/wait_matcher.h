// CWaitMatcher: decides when received bytes satisfy a Wait (one of several alternatives) or a
// Get (a count of bytes). Each alternative keeps only its own match position; on a mismatch it
// restarts at 1 when the byte is its first character, else at 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane::script {

class CWaitMatcher {
 public:
  // "a|b|c": alternatives in order; an empty one between two bars is kept (and never matches),
  // an empty one after the last bar is not.
  void StartPatterns(std::string_view alternatives);
  void StartCount(size_t count);
  // True when this byte completed the wait.
  bool Feed(uint8_t byte);
  const std::string& Result() const { return result_; }

 private:
  struct Pattern {
    std::string text;
    size_t position = 0;
  };

  std::vector<Pattern> patterns_;
  size_t count_ = 0;
  std::string result_;
};

}  // namespace ostrane::script
