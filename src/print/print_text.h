// Cell text as the bytes a printer is sent: UTF-8, blanks at the end of a line dropped.
#pragma once

#include <string>
#include <string_view>

namespace ostrane {

// Surrogate pairs become one character; a lone surrogate or an empty cell (0) prints as a blank
// or "?" rather than as bytes no printer understands.
std::string PrintableUtf8(std::u16string_view text);

}  // namespace ostrane
