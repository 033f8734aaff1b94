// Clipboard text on its way to the host.
#pragma once

#include <string>
#include <string_view>

namespace ostrane {

class CTerminal;

// Every character through the session's character-set encoder. A line end (CR LF, a lone LF or
// a lone CR) is sent as CR, or CR LF while the NewLine setting is on. The caller holds the
// terminal lock.
std::string EncodePaste(const CTerminal& terminal, std::u16string_view text);

}  // namespace ostrane
