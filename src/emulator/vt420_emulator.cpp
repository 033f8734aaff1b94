// The receive half of the emulator: received bytes through the side paths that see the raw
// stream (debug capture, interpretation off, printer controller, ZModem start detection) and the
// parser, and the parser's print and device-control calls.
#include "emulator/vt420_emulator.h"

#include <algorithm>
#include <optional>
#include <string>

#include "emulator/vt_parser_impl.h"
#include "settings/control_names.h"

namespace ostrane {

CVT420Emulator::CVT420Emulator() {
  Reset();
}

CVT420Emulator::~CVT420Emulator() = default;

ParserState CVT420Emulator::State() const {
  switch (diversion_) {
    case Diversion::kPrinterController:
      return ParserState::kPrinterController;
    case Diversion::kZmodemDetect:
      return ParserState::kZmodemDetect;
    case Diversion::kNone:
      break;
  }
  switch (parser_.State()) {
    case VtParserState::kEscape:
      return ParserState::kEscape;
    case VtParserState::kControlSequence:
      return ParserState::kControlSequence;
    case VtParserState::kDeviceControl:
      return ParserState::kDeviceControl;
    case VtParserState::kString:
      return ParserState::kHostString;
    case VtParserState::kGround:
      break;
  }
  return ParserState::kGround;
}

void CVT420Emulator::EnterGround() {
  diversion_ = Diversion::kNone;
  zmodemMatched_ = 0;
  parser_.Reset();
}

void CVT420Emulator::ReceiveByte(uint8_t byte) {
  ReceiveChunk(&byte, 1);
}

void CVT420Emulator::ReceiveBytes(const uint8_t* data, size_t length) {
  ReceiveChunk(data, length);
  NotifyViews();
}

void CVT420Emulator::ReceiveChunk(const uint8_t* data, size_t length) {
  plainText_ = false;  // settings or capture may have changed since the last chunk
  // Debug capture and interpretation off see every byte raw, whatever the state.
  if ((capture_ && settings_.Int(S::CaptureDebug)) || !settings_.Int(S::Interpret)) {
    for (size_t i = 0; i < length; ++i) RawByte(data[i]);
    return;
  }
  Route(data, length);
}

void CVT420Emulator::RawByte(uint8_t byte) {
  if (capture_ && settings_.Int(S::CaptureDebug)) DebugCaptureByte(byte);
  if (!settings_.Int(S::Interpret))
    DisplayControlsByte(byte);
  else
    Route(&byte, 1);
}

// The parser takes the stream until a side path claims it (the parser is suspended then), and
// gets it back when that path ends.
void CVT420Emulator::Route(const uint8_t* data, size_t length) {
  size_t i = 0;
  while (i < length) {
    switch (diversion_) {
      case Diversion::kNone:
        i += parser_.Feed(data + i, length - i);
        break;
      case Diversion::kPrinterController:
        PrinterControllerByte(data[i++]);
        break;
      case Diversion::kZmodemDetect:
        ZmodemDetectByte(data[i++]);
        break;
    }
  }
}

// Prints a run of plain ASCII on the cursor row up to the right margin in one step, while GL
// passes ASCII through (captured text takes the per-character path, which writes it to the
// capture file); `ascii`: the parser found only 0x20-0x7E, so the bytes need no test. Returns 0
// when anything about the current state needs the byte-by-byte path.
inline size_t CVT420Emulator::PrintAsciiRun(const uint8_t* data, size_t length, bool ascii,
                                            bool plain) {
  if (wrapPending_ || cursorCol_ > right_) return 0;
  if (!plain && (capture_ || insertMode_ || statusActive_)) return 0;
  // The cursor is at or left of the right margin here.
  int last = right_;
  if (screen_.PageRowSize(cursorRow_)) last = std::min(last, HalfRowLast());
  if (cursorCol_ > last) return 0;
  const size_t room = static_cast<size_t>(last - cursorCol_ + 1);
  const size_t limit = std::min(length, room);
  size_t n = limit;
  if (!ascii)
    n = std::find_if(data, data + limit, [](uint8_t b) { return b < 0x20 || b >= 0x7F; }) - data;
  if (n == 0) return 0;
  screen_.PutByteRun(cursorRow_, cursorCol_, data, static_cast<int>(n), attr_);
  lastChar_ = data[n - 1];
  if (attr_ & attr::kExtended)
    screen_.PutExtras(cursorRow_, cursorCol_, static_cast<int>(n), extra_);
  if (static_cast<size_t>(cursorCol_) + n - 1 < static_cast<size_t>(last)) {
    cursorCol_ += static_cast<int>(n);
  } else {
    cursorCol_ = last;
    wrapPending_ = true;
  }
  return n;
}

// Kept beside Print, where the parser's loops are compiled, so that both are inlined there.
bool CVT420Emulator::RememberedRendition(uint64_t text) {
  // A word with extra colours depends on more than the word: such renditions are never kept.
  if (attr_ & attr::kExtended) return false;
  // "ESC [ 0 m" and "ESC [ m", the commonest of all, need no look-up. Without extra colours
  // the xterm type resets nothing more either.
  if (text == '0' || text == 0) {
    attr_ = attr::Reset(attr_);
    return true;
  }
  return renditions_.Apply(RenditionKey(text), attr_);
}

// A run of graphic bytes: plain ASCII on the cursor row in one step where the state allows,
// complete UTF-8 sequences decoded at once, anything else through the character sets. Whether
// plain ASCII may be written straight is asked again only after something could change it.
void CVT420Emulator::Print(const uint8_t* bytes, size_t length, bool ascii) {
  // Most runs: plain ASCII that fits on the row. The rest of the run, and any other run, takes
  // the general path, kept out of line so that this one stays short.
  if (!plainText_) plainText_ = PlainText();
  if (ascii && plainText_) {
    const size_t used = PrintAsciiRun(bytes, length, true, true);
    if (used < length) PrintMixed(bytes + used, length - used, ascii, true);
    return;
  }
  PrintMixed(bytes, length, ascii, plainText_);
}

void CVT420Emulator::PrintMixed(const uint8_t* bytes, size_t length, bool ascii,
                                bool glPassesAscii) {
  std::optional<bool> asciiDirect;  // GL passes plain ASCII through unchanged
  if (glPassesAscii) asciiDirect = true;
  std::optional<bool> utf8Direct;  // the UTF-8 decoder is idle
  size_t i = 0;
  while (i < length) {
    const uint8_t b = bytes[i];
    size_t used = 0;
    if (b < 0x7F) {
      if (!asciiDirect) asciiDirect = charsets_.GlIsIdentity();
      if (*asciiDirect) used = PrintAsciiRun(bytes + i, length - i, ascii, plainText_);
    } else if (b >= 0xC2 && b < 0xF0) {
      if (!utf8Direct) utf8Direct = charsets_.Utf8Ready();
      if (*utf8Direct) used = DecodeUtf8Sequence(bytes + i, length - i);
    }
    if (used == 0) {
      plainText_ = false;  // a single shift or a multibyte decoder may change state here
      OutputChar(charsets_.TranslateChar(b));
      used = 1;
      asciiDirect.reset();
      utf8Direct.reset();
    }
    i += used;
  }
}

// Prints complete, valid two- and three-byte UTF-8 sequences while the decoder, idle, would take
// them byte by byte to the same characters; returns the bytes used (0 when none).
size_t CVT420Emulator::DecodeUtf8Sequence(const uint8_t* data, size_t length) {
  auto continuation = [](uint8_t b) { return (b & 0xC0) == 0x80; };
  size_t i = 0;
  while (i + 1 < length) {
    const uint8_t lead = data[i];
    if (lead < 0xC2 || lead >= 0xF0 || !continuation(data[i + 1])) break;
    if (lead < 0xE0) {
      OutputChar(static_cast<char16_t>(((lead & 0x1F) << 6) | (data[i + 1] & 0x3F)));
      i += 2;
      continue;
    }
    // Overlong forms (E0 80..9F) and surrogates (ED A0..BF) take the decoder's own path.
    if (i + 2 >= length || !continuation(data[i + 2]) || (lead == 0xE0 && data[i + 1] < 0xA0) ||
        (lead == 0xED && data[i + 1] >= 0xA0))
      break;
    OutputChar(static_cast<char16_t>(((lead & 0x0F) << 12) | ((data[i + 1] & 0x3F) << 6) |
                                     (data[i + 2] & 0x3F)));
    i += 3;
  }
  return i;
}

bool CVT420Emulator::GraphicC1() {
  return charsets_.GrTakesC1Range();
}

bool CVT420Emulator::DcsHook(VtId id, const CControlParams& params) {
  plainText_ = false;
  const uint8_t final = id.Final();
  if (xterm_ && final == 'q' && params.Has('$')) return true;  // DECRQSS
  return final == '|' || final == '{' || (params.Has('$') && (final == 't' || final == 's'));
}

void CVT420Emulator::DcsUnhook(VtId id, const CControlParams& params, std::string_view data) {
  plainText_ = false;
  if (data.empty()) return;
  const uint8_t final = id.Final();
  if (final == 'q') {
    RequestStatusString(data);
  } else if (final == '|') {
    // DECUDK: the clear and lock parameters have no effect; definitions only accumulate.
    keyMap_.ApplyUserDefinedKeys(data);
  } else if (final == '{') {
    softFont_.Load(params, data);
    for (ITerminalView* view : views_) view->FullRepaint();
  } else if (events_) {
    events_->RunHostScript(data, final == 's');
  }
}

void CVT420Emulator::CancelReceived() {
  if (!settings_.Int(S::AutoRecv)) return;
  diversion_ = Diversion::kZmodemDetect;
  zmodemMatched_ = 0;
  parser_.Suspend();
}

void CVT420Emulator::DebugCaptureByte(uint8_t byte) {
  if (const char* name = ControlName(byte)) {
    std::string text = "<";
    text += name;
    text += '>';
    CaptureWrite(text);
  } else {
    const char c = static_cast<char>(byte);
    CaptureWrite(std::string_view(&c, 1));
  }
}

// Interpretation off: graphic bytes show as themselves, every other byte as its name in angle
// brackets drawn with the colours exchanged.
void CVT420Emulator::DisplayControlsByte(uint8_t byte) {
  const char* name = ControlName(byte);
  if (!name) {
    OutputChar(byte);
    return;
  }
  const uint16_t saved = attr_;
  attr_ = static_cast<uint16_t>((attr_ & 0x00FF) | ((attr_ & attr::kFgMask) << 4) |
                                ((attr_ & attr::kBgMask) >> 4));
  OutputChar(u'<');
  for (const char* p = name; *p; ++p) OutputChar(static_cast<uint8_t>(*p));
  OutputChar(u'>');
  attr_ = saved;
}

void CVT420Emulator::PrinterControllerByte(uint8_t byte) {
  const CPrinterControllerFilter::Output out = printerFilter_.Feed(byte);
  if (events_)
    for (int i = 0; i < out.count; ++i) events_->PrinterControllerByte(out.bytes[i]);
  if (out.ended) {
    if (events_) events_->PrinterControllerOff();
    printMode_ = PrintMode::kNone;
    EnterGround();
  }
}

void CVT420Emulator::ZmodemDetectByte(uint8_t byte) {
  static constexpr char kStart[] = "B00";
  if (byte != static_cast<uint8_t>(kStart[zmodemMatched_])) {
    EnterGround();  // the byte that did not match is dropped
    return;
  }
  if (++zmodemMatched_ == 3) {
    EnterGround();
    if (events_) events_->StartZModemReceive();
  }
}

char16_t CVT420Emulator::TranslateChar(uint8_t byte) {
  return charsets_.TranslateChar(byte);
}

std::string CVT420Emulator::EncodeChar(char16_t ch) const {
  return charsets_.EncodeChar(ch);
}

template class CVtParserFor<CVT420Emulator>;

}  // namespace ostrane
