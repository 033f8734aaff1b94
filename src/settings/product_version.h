// The program's version, shown by the About box and by --version. CMake reads the project's
// version from this line too, so there is one place to change it.
#pragma once

namespace ostrane {

inline constexpr char kProductVersion[] = "4.4";

}  // namespace ostrane
