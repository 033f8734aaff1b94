// Names of the control characters (C0, DEL and C1), as the debug capture writes them and as the
// control-string notation reads them.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrane {

// The name of a control byte (0x00-0x1F, 0x7F, 0x80-0x9F); nullptr for a printable byte.
const char* ControlName(uint8_t code);
// The byte named by an exact, case-sensitive name; -1 when the name is not in the table.
int ControlCodeFromName(std::string_view name);

}  // namespace ostrane
