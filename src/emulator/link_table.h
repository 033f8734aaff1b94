// CLinkTable: the hyperlink targets the host attached to text. A cell's extra keeps a small
// number into this table, so a link costs a cell two bytes and its text is stored once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ostrane {

// Longest target kept; a longer one gives no link.
inline constexpr size_t kMaxLinkUri = 2048;

class CLinkTable {
 public:
  // The number of uri, added when it is new; 0 (no link) for an empty or over-long target, one
  // holding a control character or a space, or when the table is full. Numbers are never reused,
  // so a cell can never come to point at another target than the one it was printed with.
  uint16_t Intern(std::string_view uri);
  // The target of a number; empty for 0 or a number never given.
  std::string_view Uri(uint16_t id) const;

 private:
  std::vector<std::string> uris_;  // number n is uris_[n - 1]
  std::unordered_map<std::string, uint16_t> numbers_;
  size_t bytes_ = 0;
};

}  // namespace ostrane
