#include "print/print_text.h"

#include "platform/utf8_text.h"

namespace ostrane {

namespace {

bool IsHigh(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::string PrintableUtf8(std::u16string_view text) {
  size_t end = text.size();
  while (end > 0 && (text[end - 1] == u' ' || text[end - 1] == 0)) --end;
  std::string out;
  out.reserve(end);
  for (size_t i = 0; i < end; ++i) {
    const char16_t c = text[i];
    if (IsHigh(c) && i + 1 < end && IsLow(text[i + 1])) {
      AppendUtf8(out,
                 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (IsHigh(c) || IsLow(c)) {
      out += '?';
    } else {
      AppendUtf8(out, c == 0 ? u' ' : c);
    }
  }
  return out;
}

}  // namespace ostrane
