// IKeyboardCommands: what the desktop program does for keys that ask for its menu commands or
// local functions. Called on the user-interface thread without the terminal lock.
#pragma once

#include <string_view>

#include "keyboard/key_command.h"

namespace ostrane {

class IKeyboardCommands {
 public:
  virtual ~IKeyboardCommands() = default;
  // A menu path ("Menu: Item", ":" between submenu levels) resolved against the main window's
  // menus; a path that does not resolve does nothing.
  virtual void RunMenuCommand(std::string_view path) = 0;
  // KeyCommand::kHoldScreen, kPrintPage or kSettings.
  virtual void LocalFunction(KeyCommand command) = 0;
  // The information beep of the margin bell.
  virtual void MarginBell() = 0;
};

}  // namespace ostrane
