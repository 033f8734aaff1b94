// The parser's code, for the translation units that instantiate it: vt_parser.cpp for the
// interface, the emulator's own file for the emulator, whose calls are then inlined.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "emulator/vt_parser.h"

namespace ostrane {
namespace vtp {

// The controls the parser acts on itself: they start, end or abort a sequence. Every other
// control goes to the sink.
struct ParserControl {
  uint8_t code;
  const char* mnemonic;
  VtParserState next;
  bool toSink;  // also passed on after the state change
};
inline constexpr ParserControl kParserControls[] = {
    {0x18, "CAN", VtParserState::kGround, true},  // the sink may start ZModem detection
    {0x1A, "SUB", VtParserState::kGround, false},
    {0x1B, "ESC", VtParserState::kEscape, false},
    {0x90, "DCS", VtParserState::kDeviceControl, false},
    {0x9B, "CSI", VtParserState::kControlSequence, false},
    {0x9C, "ST", VtParserState::kGround, false},
};

// Row of kParserControls for each byte, built once from it (0xFF: none), so a control costs
// one look-up.
inline constexpr auto kParserControlIndex = [] {
  std::array<uint8_t, 256> index{};
  index.fill(0xFF);
  for (size_t i = 0; i < std::size(kParserControls); ++i)
    index[kParserControls[i].code] = static_cast<uint8_t>(i);
  return index;
}();

// Bytes that print in Ground: 0x20-0x7E and 0xA0-0xFF always, 0x7F-0x9F only while GR holds a
// full 8-bit set; one table for each case keeps the scan free of branches that depend on text.
constexpr auto GraphicBytes(bool c1Graphic) {
  std::array<bool, 256> graphic{};
  for (int b = 0x20; b < 0x100; ++b) graphic[b] = c1Graphic || b < 0x7F || b >= 0xA0;
  return graphic;
}
inline constexpr auto kGraphic = GraphicBytes(false);
inline constexpr auto kGraphicWithC1 = GraphicBytes(true);

// Eight bytes at a time, as one word: the high bit of each byte of the result is set where the
// byte is below 0x20 (a C0 control), or above 0x7E (DEL and everything past ASCII).
inline constexpr uint64_t kOnes = 0x0101010101010101ull;
inline constexpr uint64_t kHigh = 0x8080808080808080ull;
inline uint64_t Load8(const uint8_t* p) {
  uint64_t x;
  std::memcpy(&x, p, sizeof x);
  return x;
}
inline uint64_t BelowSpace(uint64_t x) {
  return (x - kOnes * 0x20) & ~x & kHigh;
}
inline uint64_t AboveTilde(uint64_t x) {
  return ((x + kOnes) | x) & kHigh;
}
// The first byte marked in a mask (not 0) of a word loaded on a little-endian machine: the
// lowest, which a borrow or carry from an earlier byte cannot have marked falsely.
inline constexpr bool kLittleEndian = std::endian::native == std::endian::little;
inline size_t FirstMarked(uint64_t mask) {
  return static_cast<size_t>(std::countr_zero(mask)) / 8;
}
// The high bit of each byte that is not a digit or ";".
inline uint64_t NotNumberBytes(uint64_t x) {
  const uint64_t low = x & (kOnes * 0x7F);
  const uint64_t atLeastZero = low + kOnes * (0x80 - '0');
  const uint64_t atLeastColon = low + kOnes * (0x80 - ':');
  const uint64_t notSemicolon = (low ^ (kOnes * ';')) + kOnes * 0x7F;
  const uint64_t number = ~x & ((atLeastZero & ~atLeastColon) | ~notSemicolon);
  return ~number & kHigh;
}

}  // namespace vtp

template <class Sink>
void CVtParserFor<Sink>::EnterState(VtParserState state) {
  state_ = state;
  switch (state) {
    case VtParserState::kEscape:
    case VtParserState::kControlSequence:
      params_.Clear();
      break;
    case VtParserState::kDeviceControl:
      // Cleared here too, so that an 8-bit DCS never inherits an earlier sequence's parameters.
      params_.Clear();
      dcsPhase_ = DcsPhase::kHeader;
      dcsId_ = VtId();
      dcsWanted_ = false;
      dcsOverflow_ = false;
      dcsData_.clear();
      break;
    case VtParserState::kString:
    case VtParserState::kGround:
      break;
  }
}

template <class Sink>
void CVtParserFor<Sink>::Reset() {
  EnterState(VtParserState::kGround);
  std::string().swap(dcsData_);
  std::string().swap(stringData_);
}

// The string introducers that host strings add: C1 forms here, ESC forms in EscapeByte.
// Tables and word tricks of the byte loops (vt parser).
namespace vtp {
struct StringIntroducer {
  uint8_t c1;
  uint8_t escFinal;
  bool osc;
};
inline constexpr StringIntroducer kStringIntroducers[] = {
    {0x9D, ']', true},   // OSC
    {0x98, 'X', false},  // SOS
    {0x9E, '^', false},  // PM
    {0x9F, '_', false},  // APC
};
inline const StringIntroducer* FindIntroducer(uint8_t c1, uint8_t escFinal) {
  for (const StringIntroducer& s : kStringIntroducers)
    if (s.c1 == c1 || s.escFinal == escFinal) return &s;
  return nullptr;
}
}  // namespace vtp

template <class Sink>
void CVtParserFor<Sink>::EnterString(bool osc) {
  state_ = VtParserState::kString;
  stringIsOsc_ = osc;
  stringAfterEscape_ = false;
  stringOverflow_ = false;
  stringData_.clear();
}

// String data up to its terminator. Only an OSC's data is kept, and only up to its limit; a
// longer one is dropped whole. CAN and SUB abandon a string; ESC not followed by "\\" abandons
// it and starts an escape sequence.
template <class Sink>
size_t CVtParserFor<Sink>::StringRun(const uint8_t* data, size_t length) {
  if (stringAfterEscape_) {
    stringAfterEscape_ = false;
    if (data[0] == '\\') {
      EndString();
    } else {
      EnterState(VtParserState::kEscape);
      EscapeByte(data[0]);
    }
    return 1;
  }
  size_t n = 0;
  auto ends = [this](uint8_t b) {
    return b == 0x1B || b == 0x9C || b == 0x18 || b == 0x1A || (b == 0x07 && stringIsOsc_);
  };
  while (n < length && !ends(data[n])) ++n;
  if (stringIsOsc_) {
    const size_t room = kMaxHostString - stringData_.size();
    stringData_.append(reinterpret_cast<const char*>(data), std::min(n, room));
    stringOverflow_ = stringOverflow_ || n > room;
  }
  if (n == length) return n;
  const uint8_t b = data[n];
  if (b == 0x1B) {
    stringAfterEscape_ = true;
  } else if (b == 0x18 || b == 0x1A) {
    Control(b);
  } else {
    EndString();
  }
  return n + 1;
}

template <class Sink>
void CVtParserFor<Sink>::EndString() {
  const bool deliver = stringIsOsc_ && !stringOverflow_;
  std::string data;
  data.swap(stringData_);
  EnterState(VtParserState::kGround);
  c1_ = C1::kUnknown;
  if (deliver) sink_.OscDispatch(data);
}

template <class Sink>
size_t CVtParserFor<Sink>::Feed(const uint8_t* data, size_t length) {
  suspended_ = false;
  c1_ = C1::kUnknown;
  size_t i = 0;
  while (i < length && !suspended_) {
    switch (state_) {
      case VtParserState::kGround:
        i += GroundRun(data + i, length - i);
        break;
      case VtParserState::kEscape:
        EscapeByte(data[i++]);
        break;
      case VtParserState::kControlSequence:
        i += ControlSequenceRun(data + i, length - i);
        break;
      case VtParserState::kDeviceControl:
        i += DeviceControlRun(data + i, length - i);
        break;
      case VtParserState::kString:
        i += StringRun(data + i, length - i);
        break;
    }
  }
  return i;
}

template <class Sink>
void CVtParserFor<Sink>::Control(uint8_t code) {
  c1_ = C1::kUnknown;  // a control may change what GR holds
  const uint8_t row = vtp::kParserControlIndex[code];
  if (hostStrings_ && code >= 0x98) {
    if (const vtp::StringIntroducer* s = vtp::FindIntroducer(code, 0)) {
      EnterString(s->osc);
      return;
    }
  }
  if (row == 0xFF) {
    sink_.Execute(code);
    return;
  }
  EnterState(vtp::kParserControls[row].next);
  if (vtp::kParserControls[row].toSink) sink_.Execute(code);
}

// Ground: each run of graphic bytes goes to the sink in one call, then the control that ended
// it is handled; ESC [ goes straight on to the control sequence it starts. Returns when the
// chunk ends, the state is no longer Ground or the sink suspended the parser.
template <class Sink>
size_t CVtParserFor<Sink>::GroundRun(const uint8_t* data, size_t length) {
  size_t n = 0;
  while (n < length) {
    // A sequence straight after another (SGR after CUP) skips the run scan.
    if (data[n] == 0x1B && n + 1 < length && data[n + 1] == '[') {
      n += ControlSequenceStart(data + n, length - n);
      if (state_ != VtParserState::kGround || suspended_) break;
      continue;
    }
    const size_t start = n;
    // Every byte of the run plus one, ORed: below 0x80 means all were 0x20-0x7E (DEL: 0x80).
    unsigned all = 0;
    const bool* graphic = (c1_ == C1::kGraphic ? vtp::kGraphicWithC1 : vtp::kGraphic).data();
    for (;;) {
      // Eight bytes at a time first: plain ASCII, or, while 0x7F-0x9F print too, anything
      // without a C0 control.
      if (c1_ == C1::kGraphic) {
        uint64_t wide = 0;
        for (uint64_t x; n + 8 <= length && vtp::BelowSpace(x = vtp::Load8(data + n)) == 0; n += 8)
          wide |= vtp::AboveTilde(x);
        if (wide != 0) all |= 0x80;
      } else {
        // The first byte that is not plain ASCII is found within the word, so the short runs
        // between sequences need no byte loop either. When that byte is a C0 control, as the
        // ESC after text between sequences is, the run ends there without another look.
        bool atControl = false;
        while (n + 8 <= length) {
          const uint64_t x = vtp::Load8(data + n);
          const uint64_t below = vtp::BelowSpace(x);
          if (const uint64_t other = below | vtp::AboveTilde(x); other != 0) {
            if constexpr (vtp::kLittleEndian) {
              n += vtp::FirstMarked(other);
              atControl = (below & other & (0 - other)) != 0;
            }
            break;
          }
          n += 8;
        }
        if (atControl) break;
      }
      while (n < length && graphic[data[n]]) all |= data[n++] + 1u;
      if (n == length || data[n] < 0x7F || c1_ != C1::kUnknown) break;
      // The first byte 0x7F-0x9F since the last call: ask once what it is.
      c1_ = sink_.GraphicC1() ? C1::kGraphic : C1::kControl;
      if (c1_ == C1::kControl) break;
      graphic = vtp::kGraphicWithC1.data();
    }
    if (n > start) sink_.Print(data + start, n - start, all < 0x80);
    if (n == length) break;
    if (data[n] == 0x1B && n + 1 < length && data[n + 1] == '[') {
      n += ControlSequenceStart(data + n, length - n);
    } else {
      Control(data[n++]);
    }
    if (state_ != VtParserState::kGround || suspended_) break;
  }
  return n;
}

template <class Sink>
void CVtParserFor<Sink>::EscapeByte(uint8_t byte) {
  if (byte >= 0x20 && byte <= 0x2F) {
    params_.Collect(byte);
  } else if ((byte >= 0x30 && byte <= 0x7E) || byte >= 0xA0) {
    if (!params_.HasAny() && byte == '[') {
      EnterState(VtParserState::kControlSequence);
    } else if (!params_.HasAny() && byte == 'P') {
      EnterState(VtParserState::kDeviceControl);
    } else if (const vtp::StringIntroducer* s = hostStrings_ && !params_.HasAny() && byte < 0x80
                                                    ? vtp::FindIntroducer(0, byte)
                                                    : nullptr) {
      EnterString(s->osc);
    } else {
      EnterState(VtParserState::kGround);
      c1_ = C1::kUnknown;
      sink_.EscDispatch(VtId::Pack(params_.Intermediates(), byte), params_);
    }
  } else {
    Control(byte);
  }
}

// ESC [ in Ground (`data` starts at the ESC). A sequence of numbers only whose final fits in
// the word after ESC [ is dispatched at once (a rendition as its text and, unless the sink
// remembers that text, its parameters); anything else goes through the control-sequence
// state. Returns the bytes used.
template <class Sink>
size_t CVtParserFor<Sink>::ControlSequenceStart(const uint8_t* data, size_t length) {
  if constexpr (vtp::kLittleEndian) {
    if (length >= 2 + sizeof(uint64_t)) {
      const uint64_t x = vtp::Load8(data + 2);
      if (const uint64_t other = vtp::NotNumberBytes(x); other != 0) {
        // The final is taken from the word, not loaded again: it is on the path every
        // sequence waits for. At most 56, so the mask's shift stays below 64.
        const unsigned shift = static_cast<unsigned>(std::countr_zero(other)) & 56;
        const size_t k = shift / 8;
        const uint8_t final = static_cast<uint8_t>(x >> shift);
        if (final == 'm') {
          const uint64_t text = x & ((uint64_t{1} << shift) - 1);
          c1_ = C1::kUnknown;
          if (!sink_.RememberedRendition(text)) {
            params_.Clear();
            params_.CollectShort(data + 2, k);
            sink_.SelectGraphicRendition(params_, text);
          }
          return 3 + k;
        }
        // Cursor positions and the like: the same dispatch the state would reach.
        if (final >= 0x40 && final <= 0x7E) {
          params_.Clear();
          params_.CollectShort(data + 2, k);
          DispatchControlSequence(final);
          return 3 + k;
        }
      }
    }
  }
  state_ = VtParserState::kControlSequence;
  params_.Clear();
  return 2 + ControlSequenceRun(data + 2, length - 2);
}

// Parameter digits and separators, the commonest bytes here, are taken a whole number at a time.
template <class Sink>
size_t CVtParserFor<Sink>::ControlSequenceRun(const uint8_t* data, size_t length) {
  size_t i = 0;
  while (i < length) {
    i += params_.CollectNumbers(data + i, length - i);
    if (i == length) break;
    const uint8_t b = data[i++];
    if (b >= 0x20 && b <= 0x3F) {
      params_.Collect(b);
    } else if (b >= 0x40 && b <= 0x7E) {
      DispatchControlSequence(b);
      return i;
    } else if (b >= 0xA0) {
      EnterState(VtParserState::kGround);  // a GR byte abandons the sequence
      return i;
    } else {
      Control(b);  // executed at once; the sequence goes on unless it changed the state
      return i;
    }
  }
  return i;
}

template <class Sink>
void CVtParserFor<Sink>::DispatchControlSequence(uint8_t final) {
  state_ = VtParserState::kGround;  // entering Ground clears nothing
  c1_ = C1::kUnknown;
  if (final == 'm' && !params_.HasAny())
    sink_.SelectGraphicRendition(params_, std::nullopt);
  else
    sink_.CsiDispatch(VtId::Pack(params_.Intermediates(), final), params_);
}

template <class Sink>
size_t CVtParserFor<Sink>::DeviceControlRun(const uint8_t* data, size_t length) {
  const uint8_t byte = data[0];
  switch (dcsPhase_) {
    case DcsPhase::kHeader:
      if (byte < 0x40) {
        params_.Collect(byte);
      } else if (byte <= 0x7E) {
        dcsId_ = VtId::Pack(params_.Intermediates(), byte);
        dcsPhase_ = DcsPhase::kData;
        c1_ = C1::kUnknown;
        dcsWanted_ = sink_.DcsHook(dcsId_, params_);
      } else {
        EnterState(VtParserState::kGround);
      }
      return 1;
    case DcsPhase::kData: {
      size_t n = 0;
      while (n < length && data[n] != 0x1B && data[n] != 0x9C) ++n;
      if (dcsWanted_) {
        const size_t room = kMaxDeviceControlString - dcsData_.size();
        dcsData_.append(reinterpret_cast<const char*>(data), std::min(n, room));
        // A string that outgrows its limit is discarded whole rather than acted on in part.
        dcsOverflow_ = dcsOverflow_ || n > room;
      }
      if (n == length) return n;
      if (data[n] == 0x1B)
        dcsPhase_ = DcsPhase::kAfterEscape;
      else
        EndDeviceControlString();
      return n + 1;
    }
    case DcsPhase::kAfterEscape:
      if (byte == '\\') {
        EndDeviceControlString();
      } else {
        // Not a string terminator: the string is abandoned and this byte follows a plain ESC.
        EnterState(VtParserState::kEscape);
        EscapeByte(byte);
      }
      return 1;
  }
  return 1;
}

template <class Sink>
void CVtParserFor<Sink>::EndDeviceControlString() {
  std::string data;
  data.swap(dcsData_);  // the sink may reset the parser; the buffer's memory goes with `data`
  const bool whole = dcsWanted_ && !dcsOverflow_;
  EnterState(VtParserState::kGround);
  c1_ = C1::kUnknown;
  if (whole) sink_.DcsUnhook(dcsId_, params_, data);
}

}  // namespace ostrane
