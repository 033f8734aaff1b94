#include "emulator/link_table.h"

#include <algorithm>
#include <utility>

namespace ostrane {

namespace {

// Bounds on what a host can make the table hold: the numbers a cell's field has, and memory.
constexpr size_t kMaxLinks = 0xFFFF;
constexpr size_t kMaxLinkBytes = size_t{4} << 20;

bool Printable(std::string_view uri) {
  return std::none_of(uri.begin(), uri.end(), [](char c) {
    const auto b = static_cast<uint8_t>(c);
    return b <= 0x20 || b == 0x7F;
  });
}

}  // namespace

uint16_t CLinkTable::Intern(std::string_view uri) {
  if (uri.empty() || uri.size() > kMaxLinkUri || !Printable(uri)) return 0;
  std::string key(uri);
  if (const auto found = numbers_.find(key); found != numbers_.end()) return found->second;
  if (uris_.size() >= kMaxLinks || bytes_ + uri.size() > kMaxLinkBytes) return 0;
  uris_.push_back(key);
  bytes_ += uri.size();
  const auto id = static_cast<uint16_t>(uris_.size());
  numbers_.emplace(std::move(key), id);
  return id;
}

std::string_view CLinkTable::Uri(uint16_t id) const {
  if (id == 0 || id > uris_.size()) return {};
  return uris_[id - 1];
}

}  // namespace ostrane
