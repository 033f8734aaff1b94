#include "session/clipboard_text.h"

#include "emulator/terminal.h"

namespace ostrane {

std::string EncodePaste(const CTerminal& terminal, std::u16string_view text) {
  const bool newLine = terminal.Settings().Int(S::NewLine) != 0;
  std::string out;
  out.reserve(text.size());
  for (char16_t ch : text) {
    for (char byte : terminal.EncodeChar(ch))
      if (byte != '\n' || newLine) out.push_back(byte);
  }
  return out;
}

}  // namespace ostrane
