#include "session/clipboard_text.h"

#include "emulator/terminal.h"

namespace ostrane {

std::string EncodePaste(const CTerminal& terminal, std::u16string_view text) {
  // Linux programs put LF-only text on the clipboard, others CR LF, old ones a lone CR.
  const std::string_view lineEnd = terminal.Settings().Int(S::NewLine) != 0 ? "\r\n" : "\r";
  std::string out;
  out.reserve(text.size());
  const bool bracketed = terminal.BracketedPaste();
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t ch = text[i];
    if (ch == u'\r' || ch == u'\n') {
      out += lineEnd;
      if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      continue;
    }
    // Inside brackets an ESC could end the paste early and run the rest as typed commands.
    if (bracketed && ch == u'\x1b') continue;
    out += terminal.EncodeChar(ch);
  }
  if (bracketed) return "\x1b[200~" + out + "\x1b[201~";
  return out;
}

}  // namespace ostrane
