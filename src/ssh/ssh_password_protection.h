// The protected form in which a remembered password is kept in the session settings: 3DES-CBC
// under the program's fixed key, written as letters "A" to "P", one per nibble.
#pragma once

#include <string>

namespace ostrane {

std::string ProtectPassword(const std::string& password);
// The password again; empty for an empty or malformed text.
std::string UnprotectPassword(const std::string& text);

}  // namespace ostrane
