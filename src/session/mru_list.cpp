#include "session/mru_list.h"

#include <algorithm>

namespace ostrane {

namespace {

std::string ValueName(int index) {
  return "HostMRU" + std::to_string(index);
}

}  // namespace

std::vector<std::string> CMruList::Read(const CProfile& profile, std::string_view section) {
  std::vector<std::string> values;
  for (int i = 0; i < kMruCapacity; ++i) {
    std::string value = profile.GetString(section, ValueName(i), "");
    if (!value.empty()) values.push_back(std::move(value));
  }
  return values;
}

CMruList::CMruList(CProfile& profile, std::string section)
    : profile_(profile), section_(std::move(section)), values_(Read(profile_, section_)) {}

void CMruList::MoveToFront(std::string_view value) {
  if (value.empty()) return;
  const auto it = std::find(values_.begin(), values_.end(), value);
  if (it != values_.end()) values_.erase(it);
  values_.insert(values_.begin(), std::string(value));
  if (values_.size() > kMruCapacity) values_.resize(kMruCapacity);
  Write();
}

void CMruList::Remove(std::string_view value) {
  const auto it = std::find(values_.begin(), values_.end(), value);
  if (it == values_.end()) return;
  values_.erase(it);
  Write();
}

void CMruList::Clear() {
  values_.clear();
  Write();
}

void CMruList::Write() {
  profile_.BeginBatch();
  for (int i = 0; i < kMruCapacity; ++i) {
    if (static_cast<size_t>(i) < values_.size())
      profile_.WriteString(section_, ValueName(i), values_[static_cast<size_t>(i)]);
    else
      profile_.DeleteValue(section_, ValueName(i));
  }
  profile_.EndBatch();
}

}  // namespace ostrane
