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
// Text from a peer made safe to show on a UTF-8 terminal: control bytes (C0 but line feed and
// tab, DEL, and C1 in its UTF-8 form) become \xHH, so a peer cannot move the cursor, set a
// title or switch screens on the user's own terminal. Other bytes, UTF-8 text among them, stay.
std::string EscapeControls(std::string_view text);

}  // namespace ostrane
