#include "session/clipboard_text.h"

#include "emulator/terminal.h"

namespace ostrane {

std::string EncodePaste(const CTerminal& terminal, std::u16string_view text) {
  const bool newLine = terminal.Settings().Int(S::NewLine) != 0;
  std::string out;
  out.reserve(text.size());
  const bool bracketed = terminal.BracketedPaste();
  for (char16_t ch : text) {
    // Inside brackets an ESC could end the paste early and run the rest as typed commands.
    if (bracketed && ch == u'\x1b') continue;
    for (char byte : terminal.EncodeChar(ch))
      if (byte != '\n' || newLine) out.push_back(byte);
  }
  if (bracketed) return "\x1b[200~" + out + "\x1b[201~";
  return out;
}

}  // namespace ostrane
