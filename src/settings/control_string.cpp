#include "settings/control_string.h"

#include <cstdint>

#include "settings/control_names.h"

namespace ostrane {
namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Bytes that format as a name rather than as ^X or \xHH.
struct NamedByte {
  uint8_t byte;
  const char* text;
};
constexpr NamedByte kNamedBytes[] = {
    {0x0A, "<LF>"}, {0x0D, "<CR>"}, {0x1B, "<ESC>"}, {0x9B, "<CSI>"},
    {'<', "\\<"},   {'\\', "\\\\"}, {'^', "\\^"},
};

constexpr char kHexDigits[] = "0123456789abcdef";

}  // namespace

bool ParseControlString(std::string_view text, std::string& out) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    const char c = text[i];
    if (c == '\\') {
      if (i + 1 >= n) {
        out += '\\';
        return true;
      }
      const char next = text[i + 1];
      if (next == '\\' || next == '<' || next == '^') {
        out += next;
        i += 2;
      } else if (next == 'x') {
        if (i + 3 >= n) return false;
        const int high = HexDigitValue(text[i + 2]);
        const int low = HexDigitValue(text[i + 3]);
        if (high < 0 || low < 0) return false;
        out += static_cast<char>(high * 16 + low);
        i += 4;
      } else {
        out += c;
        out += next;
        i += 2;
      }
    } else if (c == '<') {
      const size_t close = text.find('>', i + 1);
      if (close == std::string_view::npos) {
        out.append(text.substr(i));
        return true;
      }
      const std::string_view name = text.substr(i + 1, close - i - 1);
      const int code = ControlCodeFromName(name);
      if (code >= 0)
        out += static_cast<char>(code);
      else
        out.append(text.substr(i, close - i + 1));
      i = close + 1;
    } else if (c == '^' && i + 1 < n) {
      const char next = text[i + 1];
      if (next >= '@' && next <= '_') {
        out += static_cast<char>(next & 0x1F);
      } else {
        out += c;
        out += next;
      }
      i += 2;
    } else {
      out += c;
      ++i;
    }
  }
  return true;
}

std::string FormatControlString(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<uint8_t>(c);
    const NamedByte* named = nullptr;
    for (const NamedByte& entry : kNamedBytes)
      if (entry.byte == byte) named = &entry;
    if (named) {
      out += named->text;
    } else if (byte < 0x20) {
      out += '^';
      out += static_cast<char>(byte + 0x40);
    } else if (byte >= 0x7F) {
      out += "\\x";
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

std::string EscapeControls(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  auto escape = [&out](uint8_t b) {
    out += "\\x";
    out += kHex[b >> 4];
    out += kHex[b & 0x0F];
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<uint8_t>(text[i]);
    // U+0080..U+009F in UTF-8 is C2 80..C2 9F.
    if (b == 0xC2 && i + 1 < text.size() && static_cast<uint8_t>(text[i + 1]) >= 0x80 &&
        static_cast<uint8_t>(text[i + 1]) <= 0x9F) {
      escape(b);
      escape(static_cast<uint8_t>(text[++i]));
    } else if ((b < 0x20 && b != '\n' && b != '\t') || b == 0x7F) {
      escape(b);
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

}  // namespace ostrane
