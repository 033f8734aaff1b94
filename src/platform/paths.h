// The folders of the program at run time.
#pragma once

#include <string>

namespace ostrane::platform {

// $OSTRANE_HOME when set, else $XDG_CONFIG_HOME/ostrane, else ~/.config/ostrane.
std::string ConfigFolder();
// $OSTRANE_HOME when set, else $XDG_DATA_HOME/ostrane, else ~/.local/share/ostrane. Templates,
// the address book and received files live here.
std::string DataFolder();

}  // namespace ostrane::platform
