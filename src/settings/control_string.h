// The notation in which byte strings with control characters are typed and shown: <ESC> and the
// other control names, ^X for C0 controls, \xHH for any byte, and \\, \<, \^ for the three
// characters the notation uses itself.
#pragma once

#include <string>
#include <string_view>

namespace ostrane {

// Appends the bytes written by text to out. Returns false on a malformed \x escape; out then
// holds what was parsed so far and the caller rejects the input.
bool ParseControlString(std::string_view text, std::string& out);
// Writes bytes in the notation; parsing the result gives back the same bytes.
std::string FormatControlString(std::string_view bytes);

}  // namespace ostrane
