// What a key press asks of the world outside the terminal object when it sends no bytes: a
// menu command, a script, or one of the local functions of F1..F5.
#pragma once

#include <cstdint>

namespace ostrane {

enum class KeyCommand : uint8_t {
  kMenu,        // text: a menu path such as "View: Scroll Page Up"
  kScriptText,  // text: script source, run under the name "<No Name>"
  kScriptFile,  // text: path of a script file
  kHoldScreen,  // F1: the "&Hold Screen" command
  kPrintPage,   // F2: Print Page
  kSettings,    // F3: the "Se&ttings..." command of the main window
  kBreak,       // F5: the transport's break signal
};

}  // namespace ostrane
