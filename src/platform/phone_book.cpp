#include "platform/phone_book.h"

#include <string_view>

namespace ostrane::platform {

namespace {

constexpr std::string_view kPhoneBookSection = "PhoneBook";
// More entries than this are not looked for (a profile is small).
constexpr size_t kMaxEntries = 200;

}  // namespace

std::vector<CPhoneBookEntry> ListPhoneBook(const CProfile& profile) {
  std::vector<CPhoneBookEntry> entries;
  for (size_t i = 1; i <= kMaxEntries; ++i) {
    const std::string n = std::to_string(i);
    if (!profile.Has(kPhoneBookSection, "Name" + n)) break;
    entries.push_back({profile.GetString(kPhoneBookSection, "Name" + n, ""),
                       profile.GetString(kPhoneBookSection, "Number" + n, "")});
  }
  return entries;
}

bool WritePhoneBook(CProfile& profile, const std::vector<CPhoneBookEntry>& entries) {
  const size_t before = ListPhoneBook(profile).size();
  profile.BeginBatch();
  size_t written = 0;
  for (const CPhoneBookEntry& e : entries) {
    if (e.name.empty() || written == kMaxEntries) continue;
    const std::string n = std::to_string(++written);
    profile.WriteString(kPhoneBookSection, "Name" + n, e.name);
    profile.WriteString(kPhoneBookSection, "Number" + n, e.number);
  }
  for (size_t i = written + 1; i <= before; ++i) {
    profile.DeleteValue(kPhoneBookSection, "Name" + std::to_string(i));
    profile.DeleteValue(kPhoneBookSection, "Number" + std::to_string(i));
  }
  return profile.EndBatch();
}

}  // namespace ostrane::platform
