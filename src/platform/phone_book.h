// The modem page's phone book: named telephone numbers in the profile's [PhoneBook] section as
// numbered entries Name1, Number1, Name2, ... up to the first missing name.
#pragma once

#include <string>
#include <vector>

#include "platform/profile.h"

namespace ostrane::platform {

struct CPhoneBookEntry {
  std::string name;
  std::string number;
};

std::vector<CPhoneBookEntry> ListPhoneBook(const CProfile& profile);
// Replaces the whole list; entries without a name are left out (one would end the list).
bool WritePhoneBook(CProfile& profile, const std::vector<CPhoneBookEntry>& entries);

}  // namespace ostrane::platform
