#include "session/settings_set.h"

#include <algorithm>
#include <cstring>

#include "platform/code_page.h"

namespace ostrane {

CSettingsSet::CSettingsSet()
    : ints_(kSettingCount, 0),
      strings_(kSettingCount),
      blocks_(kSettingCount),
      intArrays_(kSettingCount),
      stringArrays_(kSettingCount) {
  for (int i = 0; i < kSettingCount; ++i) {
    const SettingDescriptor& d = kSettingsTable[i];
    const auto p = static_cast<size_t>(i);
    if (d.type == SettingType::kBinary) blocks_[p].assign(d.size, 0);
    if (d.type == SettingType::kArray) {
      if (d.elementType == 0)
        intArrays_[p].assign(d.size, 0);
      else
        stringArrays_[p].assign(d.size, std::string());
    }
  }
  CSettingsSet::ResetToDefaults();
}

CSettingsSet::~CSettingsSet() = default;

int CSettingsSet::FindKey(std::string_view key) {
  for (int i = 0; i < kSettingCount; ++i)
    if (key == kSettingsTable[i].key) return i;
  return -1;
}

int CSettingsSet::FindId(uint16_t id) {
  for (int i = 0; i < kSettingCount; ++i)
    if (kSettingsTable[i].id == id) return i;
  return -1;
}

void CSettingsSet::SetStr(int position, std::string_view text) {
  strings_[static_cast<size_t>(position)].assign(text);
}

void CSettingsSet::SetBinary(int position, const uint8_t* data, size_t length) {
  auto& block = blocks_[static_cast<size_t>(position)];
  const size_t n = std::min(length, block.size());
  if (n > 0) std::memmove(block.data(), data, n);
}

int32_t CSettingsSet::IntElement(int position, int index) const {
  return intArrays_[static_cast<size_t>(position)][static_cast<size_t>(index)];
}

void CSettingsSet::SetIntElement(int position, int index, int32_t value) {
  intArrays_[static_cast<size_t>(position)][static_cast<size_t>(index)] = value;
}

const std::string& CSettingsSet::StrElement(int position, int index) const {
  return stringArrays_[static_cast<size_t>(position)][static_cast<size_t>(index)];
}

void CSettingsSet::SetStrElement(int position, int index, std::string_view text) {
  stringArrays_[static_cast<size_t>(position)][static_cast<size_t>(index)].assign(text);
}

}  // namespace ostrane

namespace ostrane {

void CSettingsSet::ResetToDefaults() {
  for (int i = 0; i < kSettingCount; ++i) {
    const SettingDescriptor& d = kSettingsTable[i];
    const auto p = static_cast<size_t>(i);
    switch (d.type) {
      case SettingType::kInteger:
        ints_[p] = d.defaultInt;
        break;
      case SettingType::kString:
        strings_[p] = d.defaultText ? d.defaultText : "";
        break;
      case SettingType::kBinary:
        if (d.defaultBlock)
          std::copy(d.defaultBlock, d.defaultBlock + d.size, blocks_[p].begin());
        else
          std::fill(blocks_[p].begin(), blocks_[p].end(), 0);
        break;
      case SettingType::kArray:
        // Integer arrays are zeroed; string arrays keep their contents.
        std::fill(intArrays_[p].begin(), intArrays_[p].end(), 0);
        break;
    }
  }
  const int codePage = platform::SystemCodePage();
  if (codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950) {
    ints_[S::PrimarySet] = 4;
    ints_[S::DBCS] = 1;
  } else if (codePage == platform::kCodePageUtf8) {
    // A UTF-8 workstation: show what a UTF-8 host sends from the start.
    ints_[S::DBCS] = 1;
    ints_[S::DBCSSet] = 5;
  }
}

}  // namespace ostrane
