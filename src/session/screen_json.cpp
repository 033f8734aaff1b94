#include "session/screen_json.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "emulator/vt420_emulator.h"
#include "platform/utf8_text.h"
#include "settings/control_string.h"

namespace ostrane {
namespace {

// A JSON string literal from UTF-8 text.
void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c == 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += ch;
    }
  }
  out += '"';
}

// A colour of a cell's extra as SGR writes it ("5;196", "2;255;0;0"); empty for the word's own.
std::string ExtraColourText(uint32_t colour) {
  const uint32_t value = colour & ~colour::kTagMask;
  switch (colour & colour::kTagMask) {
    case colour::kIndexed:
      return "5;" + std::to_string(value);
    case colour::kRgb:
      return "2;" + std::to_string(value >> 16) + ';' + std::to_string((value >> 8) & 0xFF) + ';' +
             std::to_string(value & 0xFF);
    default:
      return {};
  }
}

// The cells whose colours or styles go beyond their attribute word, one object each; the key is
// left out when there are none.
void AppendExtendedCells(std::string& out, const CScreenBuffer& screen, int lines, int columns) {
  bool any = false;
  for (int r = 0; r < lines; ++r) {
    const LineView row = *screen.GetPageRow(r);
    for (int c = 0; c < columns; ++c) {
      const CellExtra* extra = row.ExtraAt(c);
      if (!extra) continue;
      out += any ? "," : ",\"extended\":[";
      any = true;
      out += "{\"row\":" + std::to_string(r) + ",\"col\":" + std::to_string(c) + ",\"fg\":";
      AppendJsonString(out, ExtraColourText(extra->foreground));
      out += ",\"bg\":";
      AppendJsonString(out, ExtraColourText(extra->background));
      out += ",\"styles\":" + std::to_string(extra->styles);
      if (const std::string_view link = screen.Links().Uri(extra->link); !link.empty()) {
        out += ",\"link\":";
        AppendJsonString(out, link);
      }
      out += '}';
    }
  }
  if (any) out += ']';
}

}  // namespace

// A cell that holds no character or half of a surrogate pair shows as a space or U+FFFD.
std::string LineToText(const LineView& line, int columns) {
  std::string text;
  for (int c = 0; c < columns; ++c) {
    const char16_t ch = line.chars[c];
    if (ch == 0) {
      const bool rightHalf = c > 0 && line.chars[c - 1] != 0 &&
                             (line.attrs[c - 1] & attr::kGlyphMask) == attr::kGlyphWide;
      if (!rightHalf) text += ' ';
    } else if (ch >= 0xD800 && ch <= 0xDFFF) {
      AppendUtf8(text, 0xFFFD);
    } else {
      AppendUtf8(text, ch);
    }
    // A combining mark follows its base character.
    if (const CellExtra* extra = line.ExtraAt(c); extra && extra->combining != 0)
      AppendUtf8(text, extra->combining);
  }
  return text;
}

namespace {

void AppendSettingValue(std::string& out, const CSettingsSet& s, int pos) {
  const SettingDescriptor& d = CSettingsSet::Descriptor(pos);
  switch (d.type) {
    case SettingType::kInteger:
      out += std::to_string(s.Int(pos));
      break;
    case SettingType::kString:
      AppendJsonString(out, FormatControlString(s.Str(pos)));
      break;
    case SettingType::kBinary:
      out += '[';
      for (size_t i = 0; i < s.BinarySize(pos); ++i) {
        if (i) out += ',';
        out += std::to_string(s.Binary(pos)[i]);
      }
      out += ']';
      break;
    case SettingType::kArray:
      out += '[';
      for (int i = 0; i < d.size; ++i) {
        if (i) out += ',';
        if (d.elementType == 0)
          out += std::to_string(s.IntElement(pos, i));
        else
          AppendJsonString(out, FormatControlString(s.StrElement(pos, i)));
      }
      out += ']';
      break;
  }
}

bool SameValue(const CSettingsSet& a, const CSettingsSet& b, int pos) {
  const SettingDescriptor& d = CSettingsSet::Descriptor(pos);
  switch (d.type) {
    case SettingType::kInteger:
      return a.Int(pos) == b.Int(pos);
    case SettingType::kString:
      return a.Str(pos) == b.Str(pos);
    case SettingType::kBinary:
      return std::equal(a.Binary(pos), a.Binary(pos) + a.BinarySize(pos), b.Binary(pos));
    case SettingType::kArray:
      for (int i = 0; i < d.size; ++i) {
        if (d.elementType == 0 ? a.IntElement(pos, i) != b.IntElement(pos, i)
                               : a.StrElement(pos, i) != b.StrElement(pos, i))
          return false;
      }
      return true;
  }
  return true;
}

}  // namespace

std::string ScreenToJson(const CVT420Emulator& terminal, std::string_view replies,
                         const ScreenJsonOptions& options) {
  const CScreenBuffer& screen = terminal.Screen();
  const CSettingsSet& settings = terminal.Settings();
  const int columns = std::clamp(settings.Int(S::Columns), 1, kLineWidth);
  const int lines = screen.Lines();
  std::string out = "{";
  out += "\"columns\":" + std::to_string(columns);
  out += ",\"lines\":" + std::to_string(lines);
  out += ",\"page\":" + std::to_string(screen.CurrentPage());
  out += ",\"cursor\":{\"row\":" + std::to_string(terminal.CursorRow()) +
         ",\"col\":" + std::to_string(terminal.CursorColumn()) + "}";

  out += ",\"rows\":[";
  for (int r = 0; r < lines; ++r) {
    if (r) out += ',';
    AppendJsonString(out, LineToText(*screen.GetPageRow(r), columns));
  }
  out += "],\"line_sizes\":[";
  for (int r = 0; r < lines; ++r) {
    if (r) out += ',';
    out += std::to_string(screen.GetPageRow(r)->sizeCode & 0xFF);
  }
  out += ']';
  if (options.attributes) {
    out += ",\"attrs\":[";
    for (int r = 0; r < lines; ++r) {
      if (r) out += ',';
      const LineView row = *screen.GetPageRow(r);
      out += '[';
      for (int c = 0; c < columns; ++c) {
        if (c) out += ',';
        out += std::to_string(row.attrs[c]);
      }
      out += ']';
    }
    out += ']';
    AppendExtendedCells(out, screen, lines, columns);
  }
  if (!terminal.HostTitle().empty()) {
    out += ",\"title\":";
    AppendJsonString(out, terminal.HostTitle());
  }
  out += ",\"history\":[";
  for (int i = 0; i < screen.HistoryCount(); ++i) {
    if (i) out += ',';
    AppendJsonString(out, LineToText(*screen.GetLine(i), columns));
  }
  out += "],\"status_line\":";
  if (settings.Int(S::StatusLine))
    AppendJsonString(out, LineToText(*screen.GetPageRow(lines), columns));
  else
    out += "null";
  out += ",\"replies\":";
  AppendJsonString(out, FormatControlString(replies));

  out += ",\"settings\":{";
  const CSettingsSet defaults;
  bool first = true;
  for (int pos = 0; pos < kSettingCount; ++pos) {
    if (SameValue(settings, defaults, pos)) continue;
    if (!first) out += ',';
    first = false;
    AppendJsonString(out, CSettingsSet::Descriptor(pos).key);
    out += ':';
    AppendSettingValue(out, settings, pos);
  }
  out += "}}\n";
  return out;
}

}  // namespace ostrane
