#include "script/wait_matcher.h"

namespace ostrane::script {

void CWaitMatcher::StartPatterns(std::string_view alternatives) {
  patterns_.clear();
  count_ = 0;
  result_.clear();
  for (;;) {
    const size_t bar = alternatives.find('|');
    if (bar == std::string_view::npos) {
      if (!alternatives.empty()) patterns_.push_back({std::string(alternatives)});
      return;
    }
    patterns_.push_back({std::string(alternatives.substr(0, bar))});
    alternatives.remove_prefix(bar + 1);
  }
}

void CWaitMatcher::StartCount(size_t count) {
  patterns_.clear();
  count_ = count;
  result_.clear();
}

bool CWaitMatcher::Feed(uint8_t byte) {
  const char c = static_cast<char>(byte);
  if (count_ > 0) {
    result_.push_back(c);
    return result_.size() >= count_;
  }
  for (Pattern& p : patterns_) {
    if (p.text.empty()) continue;
    if (p.text[p.position] == c) {
      if (++p.position == p.text.size()) {
        result_ = p.text;
        return true;
      }
    } else {
      p.position = p.text[0] == c ? 1 : 0;
    }
  }
  return false;
}

}  // namespace ostrane::script
