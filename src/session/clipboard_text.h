// Clipboard text on its way to the host.
#pragma once

#include <string>
#include <string_view>

namespace ostrane {

class CTerminal;

// Every character through the session's character-set encoder; LF bytes are dropped unless the
// NewLine setting is on, so CR LF line ends reach the host as CR. The caller holds the terminal
// lock.
std::string EncodePaste(const CTerminal& terminal, std::u16string_view text);

}  // namespace ostrane
