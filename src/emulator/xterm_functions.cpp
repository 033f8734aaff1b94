// The xterm type's additions to the VT420 engine: extended renditions (256 and 24-bit colours,
// italic, strike-through, faint), operating-system commands (titles) and the alternate screen.
// None of this runs for the VT types.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <string>
#include <utility>

#include "emulator/vt420_emulator.h"
#include "settings/product_version.h"

namespace ostrane {
namespace {

constexpr int kBright = 8;

// Standard Base64 with its padding; false for anything else (the whole write is then dropped).
bool DecodeBase64(std::string_view text, std::string& out) {
  static constexpr auto kValues = [] {
    std::array<int8_t, 256> v{};
    v.fill(-1);
    const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i) v[static_cast<uint8_t>(digits[i])] = static_cast<int8_t>(i);
    return v;
  }();
  if (text.size() % 4 != 0) return false;
  out.clear();
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    uint32_t group = 0;
    int pad = 0;
    for (size_t k = 0; k < 4; ++k) {
      const char c = text[i + k];
      const bool last = i + 4 == text.size();
      if (c == '=' && last && k >= 2) {
        ++pad;
        group <<= 6;
        continue;
      }
      const int8_t v = kValues[static_cast<uint8_t>(c)];
      if (v < 0 || pad > 0) return false;
      group = group << 6 | static_cast<uint32_t>(v);
    }
    out += static_cast<char>(group >> 16);
    if (pad < 2) out += static_cast<char>(group >> 8 & 0xFF);
    if (pad < 1) out += static_cast<char>(group & 0xFF);
  }
  return true;
}

// "rgb:RRRR/GGGG/BBBB", the form colour queries are answered in.
std::string ColourText(uint32_t rgb) {
  char text[32];
  const auto channel = [rgb](int shift) {
    return static_cast<unsigned>((rgb >> shift) & 0xFF) * 0x101;
  };
  std::snprintf(text, sizeof text, "rgb:%04x/%04x/%04x", channel(16), channel(8), channel(0));
  return text;
}

int HexDigits(std::string_view s, unsigned& value) {
  value = 0;
  int n = 0;
  for (const char c : s) {
    const int d = c >= '0' && c <= '9'   ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                         : -1;
    if (d < 0 || ++n > 4) return 0;
    value = value << 4 | static_cast<unsigned>(d);
  }
  return n;
}

// A colour as "rgb:R/G/B" (1-4 hex digits each) or "#RGB" with 1-4 hex digits for each of the
// three parts; false for anything else.
bool ParseColourText(std::string_view text, uint32_t& rgb) {
  uint32_t out = 0;
  if (!text.empty() && text[0] == '#') {
    text.remove_prefix(1);
    const size_t digits = text.size() / 3;
    if (digits == 0 || digits > 4 || text.size() % 3 != 0) return false;
    // The digits are the high bits of each part: "#f00" is 0xF00000.
    for (size_t i = 0; i < 3; ++i) {
      unsigned v = 0;
      if (HexDigits(text.substr(i * digits, digits), v) != static_cast<int>(digits)) return false;
      const int shift = 4 * static_cast<int>(digits) - 8;
      out = out << 8 | (shift >= 0 ? v >> shift : v << -shift);
    }
    rgb = out;
    return true;
  }
  if (text.substr(0, 4) != "rgb:") return false;
  text.remove_prefix(4);
  for (int i = 0; i < 3; ++i) {
    const size_t slash = text.find('/');
    if ((i < 2) != (slash != std::string_view::npos)) return false;
    unsigned v = 0;
    const int digits = HexDigits(text.substr(0, slash), v);
    if (digits == 0) return false;
    // Scaled to eight bits from however many hex digits were given.
    const unsigned max = (1u << (4 * digits)) - 1;
    out = out << 8 | (v * 255 + max / 2) / max;
    if (slash != std::string_view::npos) text.remove_prefix(slash + 1);
  }
  rgb = out;
  return true;
}

// The style bits that SGR values set and clear.
struct StyleRow {
  int32_t set;
  int32_t clear;
  uint8_t bit;
};
constexpr StyleRow kStyles[] = {
    {2, 22, style::kFaint},  {3, 23, style::kItalic},    {8, 28, style::kInvisible},
    {9, 29, style::kStrike}, {53, 55, style::kOverline},
};

// Black and white share their field values with the default colours. Once the host has set
// those apart (OSC 10, 11), a rendition that names black or white keeps it in the extra as well,
// in the field it is drawn in. Only then: a cell with an extra costs the fast rendition path.
void KeepBlackOrWhite(const HostPalette& host, uint16_t word, CellExtra& extra, bool foreground,
                      int ansi) {
  if (ansi != 0 && ansi != 7) return;
  if (host.dynamic[HostPalette::kForeground] == 0 && host.dynamic[HostPalette::kBackground] == 0)
    return;
  const bool textField = foreground != ((word & attr::kReverse) != 0);
  (textField ? extra.foreground : extra.background) =
      colour::kIndexed | static_cast<uint32_t>(ansi);
}

uint8_t ClampByte(int32_t v) {
  return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

}  // namespace

void CVT420Emulator::UpdateTerminalType() {
  const bool xterm = settings_.Int(S::TermID) == kXtermTermId;
  if (xterm == xterm_) return;
  xterm_ = xterm;
  parser_.SetHostStrings(xterm);
  // The host's colours belong to the type that took them.
  if (hostPalette_ != HostPalette{}) {
    hostPalette_ = {};
    for (ITerminalView* view : views_) view->FullRepaint();
  }
  if (!xterm) {
    attr_ &= static_cast<uint16_t>(~attr::kExtended);
    extra_ = {};
    bracketedPaste_ = false;
    hostMouse_ = {};
    focusEvents_ = false;
    if (altScreen_) SetAlternateScreen(false, false);
  }
  UpdateEraseRendition();
}

void CVT420Emulator::SetHostColour(bool foreground, int nibble, uint32_t extended) {
  // Colours are stored as drawn: under reverse video the host's foreground is the background.
  const bool textField = foreground != ((attr_ & attr::kReverse) != 0);
  const int shift = textField ? 8 : 12;
  // Under an extended colour the field holds the default, which is what a reader that knows
  // only the word shows.
  if (extended != 0) nibble = textField ? 7 : 0;
  if (nibble >= 0)
    attr_ = static_cast<uint16_t>((attr_ & ~(0xF << shift)) | ((nibble & 0xF) << shift));
  (textField ? extra_.foreground : extra_.background) = extended;
}

// Reads the colour of a 38 or 48 at parameter i: "5;n", "2;r;g;b" or their colon forms
// ("5:n", "2::r:g:b", "2:r:g:b"). Returns the parameters it used after i; colour stays 0 when
// the form is not understood.
size_t CVT420Emulator::ExtendedColour(const CControlParams& p, int i, uint32_t& colour) const {
  colour = 0;
  const int kind = p.Param(i + 1, 0);
  const bool colons = p.IsSubParameter(i + 1);
  int subs = 0;
  if (colons)
    while (p.IsSubParameter(i + 1 + subs)) ++subs;
  if (kind == 5) {
    if (p.Count() <= i + 2) return static_cast<size_t>(colons ? subs : p.Count() - i - 1);
    colour = colour::kIndexed | ClampByte(p.Param(i + 2, 0));
    return 2;
  }
  if (kind == 2) {
    // The colon form may carry a colour-space number before the three components.
    const int first = colons && subs >= 5 ? i + 3 : i + 2;
    const size_t used = colons ? static_cast<size_t>(subs) : 4;
    if (p.Count() < first + 3)
      return std::min<size_t>(used, static_cast<size_t>(p.Count() - i - 1));
    colour = colour::kRgb | uint32_t{ClampByte(p.Param(first, 0))} << 16 |
             uint32_t{ClampByte(p.Param(first + 1, 0))} << 8 | ClampByte(p.Param(first + 2, 0));
    return used;
  }
  return colons ? static_cast<size_t>(subs) : 1;
}

void CVT420Emulator::XtermRendition(const CControlParams& p) {
  const int count = std::max(p.Count(), 1);
  for (int i = 0; i < count; ++i) {
    if (p.IsSubParameter(i)) continue;  // a sub-parameter where none belongs
    const int32_t v = p.Param(i, 0);
    if (v == 38 || v == 48) {
      uint32_t colour = 0;
      i += static_cast<int>(ExtendedColour(p, i, colour));
      if (colour == 0) continue;
      const int index = (colour & colour::kTagMask) == colour::kIndexed ? colour & 0xFF : -1;
      // The sixteen system colours stay in the word, exactly as 30-37/90-97 set them.
      if (index >= 0 && index < 8) attr_ = ApplyRenditionValue(attr_, (v == 38 ? 30 : 40) + index);
      if (index >= 0 && index < 16) {
        SetHostColour(v == 38, index < 8 ? -1 : kAnsiToPalette[index - 8] + kBright, 0);
        KeepBlackOrWhite(hostPalette_, attr_, extra_, v == 38, index);
      } else {
        SetHostColour(v == 38, -1, colour);
      }
      continue;
    }
    if (v >= 90 && v <= 97) {
      SetHostColour(true, kAnsiToPalette[v - 90] + kBright, 0);
      continue;
    }
    if (v >= 100 && v <= 107) {
      SetHostColour(false, kAnsiToPalette[v - 100] + kBright, 0);
      continue;
    }
    const auto styleRow =
        std::find_if(std::begin(kStyles), std::end(kStyles),
                     [v](const StyleRow& r) { return r.set == v || r.clear == v; });
    if (styleRow != std::end(kStyles)) {
      if (v == styleRow->set)
        extra_.styles |= styleRow->bit;
      else
        extra_.styles &= static_cast<uint8_t>(~styleRow->bit);
      if (v != 22) continue;  // 22 also ends bold, below
    }
    switch (v) {
      case 0: {
        // A link is no rendition: text stays linked until the host ends the link.
        const uint16_t link = extra_.link;
        extra_ = {};
        extra_.link = link;
        break;
      }
      case 6:  // rapid blink is drawn as blink
        attr_ = ApplyRenditionValue(attr_, 5);
        continue;
      case 21:  // double underline is drawn as underline
        attr_ = ApplyRenditionValue(attr_, 4);
        continue;
      case 7:
      case 27:
        // The word swaps its colour fields; the extra colours go with them.
        if (((attr_ & attr::kReverse) != 0) != (v == 7))
          std::swap(extra_.foreground, extra_.background);
        break;
      default:
        break;
    }
    attr_ = ApplyRenditionValue(attr_, v);
    if ((v >= 30 && v <= 39) || (v >= 40 && v <= 49)) {
      SetHostColour(v < 40, -1, 0);
      KeepBlackOrWhite(hostPalette_, attr_, extra_, v < 40, v % 10);
    }
  }
  MarkExtended();
}

void CVT420Emulator::MarkExtended() {
  if (extra_.Empty())
    attr_ &= static_cast<uint16_t>(~attr::kExtended);
  else
    attr_ |= attr::kExtended;
}

void CVT420Emulator::UpdateEraseRendition() {
  if (!xterm_) {
    screen_.SetEraseRendition(kDefaultAttr, {});
    return;
  }
  // The background as drawn: the word's background field and the extra background.
  CellExtra extra;
  extra.background = extra_.background;
  const auto word =
      static_cast<uint16_t>((kDefaultAttr & ~attr::kBgMask) | (attr_ & attr::kBgMask) |
                            (extra.Empty() ? 0 : attr::kExtended));
  screen_.SetEraseRendition(word, extra);
}

// Operating-system commands: "Ps;Pt". Titles drop control characters, so that nothing the host
// sends can reach a report or a window title as a control.
void CVT420Emulator::OscDispatch(std::string_view data) {
  plainText_ = false;
  // "Ps;Pt", or "Ps" alone for a command without text (OSC 104).
  const size_t semicolon = std::min(data.find(';'), data.size());
  int command = -1;
  const auto [end, error] = std::from_chars(data.data(), data.data() + semicolon, command);
  if (error != std::errc() || end != data.data() + semicolon) return;
  const std::string_view text = data.substr(std::min(semicolon + 1, data.size()));
  if (command == 4 || command == 104 || (command >= 10 && command <= 12) ||
      (command >= 110 && command <= 112)) {
    ColourCommand(command, text);
    return;
  }
  if (command == 8) {
    // "params;URI": the parameters (a link id) change nothing here; an empty URI ends the link,
    // and so does one the link table refuses, so that no text is shown with a wrong target.
    const size_t split = text.find(';');
    if (split == std::string_view::npos) return;
    extra_.link = screen_.Links().Intern(text.substr(split + 1));
    MarkExtended();
    return;
  }
  if (command == 52) {
    // "Pc;Pd": the selection names are ignored, "?" (a read) is refused.
    const size_t split = text.find(';');
    if (split == std::string_view::npos || !events_) return;
    const std::string_view payload = text.substr(split + 1);
    std::string decoded;
    if (payload == "?" || !DecodeBase64(payload, decoded) || decoded.size() > kMaxHostClipboard)
      return;
    events_->HostClipboard(decoded);
    return;
  }
  if ((command == 0 || command == 2) && text.size() <= kMaxHostTitle) {
    std::string title;
    for (const char c : text)
      if (static_cast<uint8_t>(c) >= 0x20 && c != 0x7F) title += c;
    SetHostTitle(std::move(title));
  }
}

void CVT420Emulator::SetHostTitle(std::string title) {
  hostTitle_ = std::move(title);
  if (events_) events_->HostTitleChanged(hostTitle_);
  CSettingsChange change;
  change.title = true;
  ApplyChanges(change);
}

// CSI 22 ; Ps t saves the window title and CSI 23 ; Ps t brings the last saved one back (Ps 0
// or 2; 1 names the icon title, which this terminal does not keep). Programs that set the title
// while they run save it first and restore it as they leave. A full stack drops its oldest.
void CVT420Emulator::TitleStack(bool push, int which) {
  if (which != 0 && which != 2) return;
  if (push) {
    if (titleStack_.size() == kMaxSavedTitles) titleStack_.erase(titleStack_.begin());
    titleStack_.push_back(hostTitle_);
    return;
  }
  if (titleStack_.empty()) return;
  std::string title = std::move(titleStack_.back());
  titleStack_.pop_back();
  SetHostTitle(std::move(title));
}

uint32_t CVT420Emulator::IndexedColour(int index) const {
  const uint32_t set = hostPalette_.entries[static_cast<size_t>(index & 0xFF)];
  if (set != 0) return set & 0xFFFFFF;
  std::array<uint32_t, 16> palette{};
  for (int i = 0; i < 16; ++i) palette[static_cast<size_t>(i)] = settings_.PaletteColour(i);
  return XtermColour(index, palette);
}

// The colour a dynamic colour is drawn in: the host's, or the palette's white (text, cursor) or
// black (background), which OSC 4 may have changed.
uint32_t CVT420Emulator::DynamicColour(int which) const {
  const uint32_t set = hostPalette_.dynamic[static_cast<size_t>(which)];
  return set != 0 ? set & 0xFFFFFF : IndexedColour(which == HostPalette::kBackground ? 0 : 7);
}

// OSC 4 sets or asks for palette colours ("n;colour" pairs, "?" asks), OSC 104 resets them (all
// when no index is given). OSC 10, 11 and 12 set or ask for the text, background and cursor
// colours, each further ";colour" going to the next of them; OSC 110, 111 and 112 reset them.
// A colour that does not parse changes nothing. Only numbers go back to the host.
void CVT420Emulator::ColourCommand(int command, std::string_view text) {
  const HostPalette before = hostPalette_;
  if (command == 104) {
    if (text.empty()) hostPalette_.entries = {};
    while (!text.empty()) {
      const size_t end = std::min(text.find(';'), text.size());
      int index = -1;
      std::from_chars(text.data(), text.data() + end, index);
      if (index >= 0 && index < 256) hostPalette_.entries[static_cast<size_t>(index)] = 0;
      text.remove_prefix(std::min(end + 1, text.size()));
    }
  } else if (command == 4) {
    while (!text.empty()) {
      const size_t split = text.find(';');
      if (split == std::string_view::npos) break;
      const size_t end = std::min(text.find(';', split + 1), text.size());
      int index = -1;
      const auto [p, error] = std::from_chars(text.data(), text.data() + split, index);
      const bool valid =
          error == std::errc() && p == text.data() + split && index >= 0 && index < 256;
      const std::string_view colour = text.substr(split + 1, end - split - 1);
      text.remove_prefix(std::min(end + 1, text.size()));
      uint32_t rgb = 0;
      if (!valid) continue;
      if (colour == "?")
        Reply("\x1b]4;" + std::to_string(index) + ";" + ColourText(IndexedColour(index)) +
              "\x1b\\");
      else if (ParseColourText(colour, rgb))
        hostPalette_.entries[static_cast<size_t>(index)] = HostPalette::kSet | rgb;
    }
  } else if (command >= 110) {
    hostPalette_.dynamic[static_cast<size_t>(command - 110)] = 0;
  } else {
    for (int which = command - 10; which < HostPalette::kDynamicCount && !text.empty(); ++which) {
      const size_t end = std::min(text.find(';'), text.size());
      const std::string_view colour = text.substr(0, end);
      text.remove_prefix(std::min(end + 1, text.size()));
      uint32_t rgb = 0;
      if (colour == "?")
        Reply("\x1b]" + std::to_string(which + 10) + ";" + ColourText(DynamicColour(which)) +
              "\x1b\\");
      else if (ParseColourText(colour, rgb))
        hostPalette_.dynamic[static_cast<size_t>(which)] = HostPalette::kSet | rgb;
    }
  }
  // Remembered renditions were worked out without the marks the host's colours call for.
  if (before.dynamic != hostPalette_.dynamic) renditions_ = {};
  if (before != hostPalette_)
    for (ITerminalView* view : views_) view->FullRepaint();
}

// The alternate screen: the page's rows are exchanged with a second set, the history is left
// alone while it is shown, and each screen keeps its own saved cursor.
void CVT420Emulator::SetAlternateScreen(bool on, bool clear) {
  if (on == altScreen_) {
    if (on && clear) EraseInDisplay(2);
    return;
  }
  if (statusActive_) SelectStatusDisplay(0);
  screen_.ExchangeAlternate();
  altScreen_ = on;
  std::swap(saved_, otherSaved_);
  if (on && clear) EraseInDisplay(2);
  wrapPending_ = false;
}

void CVT420Emulator::CursorToColumn(int column) {
  MoveTo(originMode_ ? cursorRow_ - top_ + 1 : cursorRow_ + 1, column);
}

void CVT420Emulator::CursorToRow(int row) {
  MoveTo(row, originMode_ ? cursorCol_ - left_ + 1 : cursorCol_ + 1);
}

void CVT420Emulator::BackTab(int n) {
  const uint8_t* stops = settings_.Binary(S::TabList);
  int column = std::min(cursorCol_, kLineWidth - 1);
  const int limit = cursorCol_ >= left_ ? left_ : 0;
  for (n = std::clamp(n, 0, kLineWidth); n > 0 && column > limit; --n) {
    --column;
    while (column > limit && !stops[column]) --column;
  }
  SetCursor(-1, column);
}

// REP: the last graphic character again; the count is bounded by what one page can hold.
void CVT420Emulator::RepeatCharacter(int n) {
  if (lastChar_ == 0) return;
  n = std::clamp(n, 0, kLineWidth * kPageMemory);
  for (int i = 0; i < n; ++i) OutputChar(lastChar_);
}

// Window operations: the size reports and the title stack. Values from 24 on keep their DEC
// meaning (lines per page); moving, resizing and iconifying are not offered.
void CVT420Emulator::WindowOperation(const CControlParams& p) {
  if (p.Omitted(0)) return;
  const int op = p.Param(0, 0);
  if (op >= 24) {
    ChangePageSize(op, -1);
    return;
  }
  if (op == 22 || op == 23) {
    TitleStack(op == 22, p.Param(1, 0));
    return;
  }
  if (op != 18 && op != 19) return;
  const std::string report = "\x1b[" + std::string(op == 18 ? "8;" : "9;") +
                             std::to_string(screen_.Lines()) + ";" + std::to_string(Columns()) +
                             "t";
  Reply(report);
}

// DECSCUSR: 0-2 block, 3-4 underline, 5-6 bar; odd values (and 0) blink.
void CVT420Emulator::SetCursorStyle(int n) {
  static constexpr int kShapes[] = {0, 0, 0, 1, 1, 2, 2};
  if (n < 0 || n >= static_cast<int>(std::size(kShapes))) return;
  settings_.SetInt(S::CursorType, kShapes[n]);
  settings_.SetInt(S::CursorBlink, n == 0 || n % 2 == 1 ? 1 : 0);
  CSettingsChange change;
  change.cursor = true;
  ApplyChanges(change);
}

// DECRQM: 1 set, 2 reset, 0 for a mode not known.
void CVT420Emulator::RequestMode(int number, bool isPrivate) {
  struct ModeState {
    int number;
    bool isPrivate;
    int (*state)(const CVT420Emulator&);
  };
  static const ModeState kStates[] = {
      {4, false, [](const CVT420Emulator& e) { return e.insertMode_ ? 1 : 2; }},
      {20, false, [](const CVT420Emulator& e) { return e.settings_.Int(S::NewLine) == 1 ? 1 : 2; }},
      {1, true,
       [](const CVT420Emulator& e) { return e.settings_.Int(S::CursorKeys) == 0 ? 1 : 2; }},
      {6, true, [](const CVT420Emulator& e) { return e.originMode_ ? 1 : 2; }},
      {7, true, [](const CVT420Emulator& e) { return e.settings_.Int(S::AutoWrap) ? 1 : 2; }},
      {12, true, [](const CVT420Emulator& e) { return e.settings_.Int(S::CursorBlink) ? 1 : 2; }},
      {25, true, [](const CVT420Emulator& e) { return e.settings_.Int(S::CursorVisible) ? 1 : 2; }},
      {47, true, [](const CVT420Emulator& e) { return e.altScreen_ ? 1 : 2; }},
      {1047, true, [](const CVT420Emulator& e) { return e.altScreen_ ? 1 : 2; }},
      {1049, true, [](const CVT420Emulator& e) { return e.altScreen_ ? 1 : 2; }},
      {2004, true, [](const CVT420Emulator& e) { return e.bracketedPaste_ ? 1 : 2; }},
      {1004, true, [](const CVT420Emulator& e) { return e.focusEvents_ ? 1 : 2; }},
      {1000, true,
       [](const CVT420Emulator& e) {
         return e.hostMouse_.tracking == MouseTracking::kPressRelease ? 1 : 2;
       }},
      {1002, true,
       [](const CVT420Emulator& e) {
         return e.hostMouse_.tracking == MouseTracking::kButtonMotion ? 1 : 2;
       }},
      {1003, true,
       [](const CVT420Emulator& e) {
         return e.hostMouse_.tracking == MouseTracking::kAnyMotion ? 1 : 2;
       }},
      {1006, true,
       [](const CVT420Emulator& e) {
         return e.hostMouse_.encoding == MouseEncoding::kSgr ? 1 : 2;
       }},
  };
  int state = 0;
  for (const ModeState& m : kStates)
    if (m.number == number && m.isPrivate == isPrivate) state = m.state(*this);
  Reply("\x1b[" + std::string(isPrivate ? "?" : "") + std::to_string(number) + ";" +
        std::to_string(state) + "$y");
}

// XTVERSION: the product and its version.
void CVT420Emulator::SendVersion() {
  Reply(std::string("\x1bP>|Secure Ostrane ") + kProductVersion + "\x1b\\");
}

// DECRQSS for the renditions, the margins and the cursor style; anything else is answered as
// not valid.
void CVT420Emulator::RequestStatusString(std::string_view request) {
  std::string value;
  if (request == "m") {
    const bool reverse = attr_ & attr::kReverse;
    value = "0";
    if (attr_ & attr::kBold) value += ";1";
    if (extra_.styles & style::kFaint) value += ";2";
    if (extra_.styles & style::kItalic) value += ";3";
    if (attr_ & attr::kUnderline) value += ";4";
    if (attr_ & attr::kBlink) value += ";5";
    if (reverse) value += ";7";
    if (extra_.styles & style::kInvisible) value += ";8";
    if (extra_.styles & style::kStrike) value += ";9";
    value += "m";
  } else if (request == "r") {
    value = std::to_string(top_ + 1) + ";" + std::to_string(bottom_ + 1) + "r";
  } else if (request == "s") {
    value = std::to_string(left_ + 1) + ";" + std::to_string(right_ + 1) + "s";
  } else if (request == " q") {
    const int type = settings_.Int(S::CursorType);
    const int shape = type == 1 ? 3 : type == 2 ? 5 : 1;
    value = std::to_string(shape + (settings_.Int(S::CursorBlink) ? 0 : 1)) + " q";
  } else {
    Reply("\x1bP0$r\x1b\\");
    return;
  }
  Reply("\x1bP1$r" + value + "\x1b\\");
}

// DECRQCRA: a 16-bit checksum of a rectangle (Pi; Pg; top; left; bottom; right, the page
// ignored), the two's complement of the sum of the character codes (an empty cell as a space)
// and the rendition weights of each cell, sent as four hex digits.
void CVT420Emulator::RequestChecksum(const CControlParams& p) {
  struct Weight {
    uint16_t bit;
    uint32_t value;
  };
  static constexpr Weight kWeights[] = {{attr::kProtected, 0x04},
                                        {attr::kUnderline, 0x10},
                                        {attr::kReverse, 0x20},
                                        {attr::kBlink, 0x40},
                                        {attr::kBold, 0x80}};
  const int rowBase = originMode_ ? top_ : 0;
  const int columnBase = originMode_ ? left_ : 0;
  const int lastRow = originMode_ ? bottom_ : screen_.Lines() - 1;
  const int lastColumn = originMode_ ? right_ : Columns() - 1;
  const int top = std::clamp(rowBase + p.Param(2, 1) - 1, rowBase, lastRow);
  const int left = std::clamp(columnBase + p.Param(3, 1) - 1, columnBase, lastColumn);
  const int bottom = std::clamp(rowBase + p.Param(4, lastRow - rowBase + 1) - 1, rowBase, lastRow);
  const int right =
      std::clamp(columnBase + p.Param(5, lastColumn - columnBase + 1) - 1, columnBase, lastColumn);
  uint32_t sum = 0;
  for (int r = top; r <= bottom; ++r) {
    for (int c = left; c <= right; ++c) {
      const uint16_t ch = screen_.CharAt(r, c);
      const uint16_t word = screen_.AttrAt(r, c);
      sum += ch == 0 ? 0x20 : ch;
      for (const Weight& w : kWeights)
        if (word & w.bit) sum += w.value;
    }
  }
  char text[48];
  std::snprintf(text, sizeof text, "\x1bP%d!~%04X\x1b\\", p.Param(0, 0), (0u - sum) & 0xFFFF);
  Reply(text);
}

void CVT420Emulator::FullReset() {
  Reset();
  SetCursor(0, 0);
  CSettingsChange change;
  change.repaint = change.cursor = true;
  ApplyChanges(change);
}

// The private modes only the xterm type knows. Returns false for a number it does not know.
bool CVT420Emulator::SetXtermMode(int number, bool set) {
  static constexpr std::pair<int, MouseTracking> kTracking[] = {
      {9, MouseTracking::kPress},
      {1000, MouseTracking::kPressRelease},
      {1002, MouseTracking::kButtonMotion},
      {1003, MouseTracking::kAnyMotion},
  };
  static constexpr std::pair<int, MouseEncoding> kEncodings[] = {
      {1005, MouseEncoding::kUtf8},
      {1006, MouseEncoding::kSgr},
  };
  // Setting one tracking mode or encoding replaces the other; resetting it ends only itself.
  for (const auto& [mode, tracking] : kTracking) {
    if (mode != number) continue;
    if (set)
      hostMouse_.tracking = tracking;
    else if (hostMouse_.tracking == tracking)
      hostMouse_.tracking = MouseTracking::kOff;
    return true;
  }
  for (const auto& [mode, encoding] : kEncodings) {
    if (mode != number) continue;
    if (set)
      hostMouse_.encoding = encoding;
    else if (hostMouse_.encoding == encoding)
      hostMouse_.encoding = MouseEncoding::kBytes;
    return true;
  }
  switch (number) {
    case 1004:
      focusEvents_ = set;
      return true;
    case 2004:
      bracketedPaste_ = set;
      return true;
    case 47:
      SetAlternateScreen(set, false);
      return true;
    case 1047:
      // Leaving clears the alternate screen first.
      if (!set && altScreen_) EraseInDisplay(2);
      SetAlternateScreen(set, false);
      return true;
    case 1048:
      if (set)
        SaveCursor();
      else
        RestoreCursor();
      return true;
    case 1049:
      if (set) {
        SaveCursor();
        SetAlternateScreen(true, true);
      } else {
        SetAlternateScreen(false, false);
        RestoreCursor();
      }
      return true;
    default:
      return false;
  }
}

}  // namespace ostrane
