// The parser half of the emulator: the per-byte pipeline, its states and the side paths that
// see the raw stream (debug capture, ZModem start detection, printer controller).
#include "emulator/vt420_emulator.h"

#include <algorithm>
#include <string>

#include "settings/control_names.h"

namespace ostrane {

CVT420Emulator::CVT420Emulator() {
  Reset();
}

CVT420Emulator::~CVT420Emulator() = default;

void CVT420Emulator::EnterState(ParserState state) {
  state_ = state;
  zmodemMatched_ = 0;
  switch (state) {
    case ParserState::kEscape:
    case ParserState::kControlSequence:
      params_.Clear();
      break;
    case ParserState::kDeviceControl:
      // Cleared here too, so that an 8-bit DCS never inherits an earlier sequence's parameters.
      params_.Clear();
      dcsPhase_ = DcsPhase::kHeader;
      dcsFinal_ = 0;
      dcsOverflow_ = false;
      dcsData_.clear();
      break;
    case ParserState::kPrinterController:
      pcState_ = 0;
      break;
    case ParserState::kGround:
    case ParserState::kZmodemDetect:
      break;
  }
}

void CVT420Emulator::ReceiveBytes(const uint8_t* data, size_t length) {
  // With no capture and interpretation on, the commonest paths skip the per-byte pipeline:
  // runs of printable ASCII, and ESC [ with its digits, separators and final.
  const bool plain = !capture_ && settings_.Int(S::Interpret);
  size_t i = 0;
  while (i < length) {
    const uint8_t byte = data[i];
    if (plain) {
      switch (state_) {
        case ParserState::kGround:
          if (byte >= 0x20 && byte < 0x7F) {
            const size_t run = PrintAsciiRun(data + i, length - i);
            if (run > 0) {
              i += run;
              continue;
            }
          } else if (byte == 0x1B) {
            const size_t used = ControlSequenceInOneStep(data + i, length - i);
            if (used == 0) EnterState(ParserState::kEscape);
            i += used == 0 ? 1 : used;
            continue;
          } else if (byte >= 0xA0 || (byte >= 0x80 && charsets_.GrTakesC1Range())) {
            const size_t n =
                byte >= 0xC2 && byte < 0xF0 ? DecodeUtf8Sequence(data + i, length - i) : 0;
            if (n == 0) OutputChar(charsets_.TranslateChar(byte));
            i += n == 0 ? 1 : n;
            continue;
          }
          break;
        case ParserState::kEscape:
          if (byte == '[' && !params_.HasAny()) {
            EnterState(ParserState::kControlSequence);
            ++i;
            continue;
          }
          break;
        case ParserState::kControlSequence:
          if ((byte >= '0' && byte <= '9') || byte == ';') {
            for (; i < length; ++i) {
              const uint8_t b = data[i];
              if (b >= '0' && b <= '9')
                params_.AddDigit(b - '0');
              else if (b == ';')
                params_.Separator();
              else
                break;
            }
            continue;
          }
          if (byte >= 0x40 && byte <= 0x7E) {
            EnterState(ParserState::kGround);
            DispatchControlSequence(byte);
            ++i;
            continue;
          }
          break;
        default:
          break;
      }
    }
    ReceiveByte(byte);
    ++i;
  }
  NotifyViews();
}

// Prints a run of plain ASCII on the cursor row up to the right margin in one step. Returns 0
// when anything about the current state needs the byte-by-byte path.
size_t CVT420Emulator::PrintAsciiRun(const uint8_t* data, size_t length) {
  if (wrapPending_ || insertMode_ || statusActive_ || cursorCol_ > right_ ||
      !charsets_.GlIsIdentity())
    return 0;
  const size_t room = static_cast<size_t>(right_ - cursorCol_ + 1);
  const size_t limit = std::min(length, room);
  uint16_t cells[kLineWidth];
  size_t n = 0;
  while (n < limit && data[n] >= 0x20 && data[n] < 0x7F) {
    cells[n] = data[n];
    ++n;
  }
  screen_.PutRun(cursorRow_, cursorCol_, cells, static_cast<int>(n), attr_);
  if (static_cast<size_t>(cursorCol_) + n - 1 < static_cast<size_t>(right_)) {
    cursorCol_ += static_cast<int>(n);
  } else {
    cursorCol_ = right_;
    wrapPending_ = true;
  }
  return n;
}

// A control sequence wholly inside the chunk with only digits and ";" before its final (ESC [
// 1 ; 31 m): collected and dispatched in one step. Returns the bytes used, or 0 when the
// sequence needs the byte-by-byte path.
size_t CVT420Emulator::ControlSequenceInOneStep(const uint8_t* data, size_t length) {
  if (length < 3 || data[1] != '[') return 0;
  params_.Clear();
  size_t i = 2;
  for (; i < length; ++i) {
    const uint8_t b = data[i];
    if (b >= '0' && b <= '9')
      params_.AddDigit(b - '0');
    else if (b == ';')
      params_.Separator();
    else
      break;
  }
  if (i == length || data[i] < 0x40 || data[i] > 0x7E) return 0;
  EnterState(ParserState::kGround);
  // SGR is by far the commonest sequence: it goes straight to its function.
  if (data[i] == 'm')
    SelectGraphicRendition();
  else
    DispatchControlSequence(data[i]);
  return i + 1;
}

// Prints complete, valid two- and three-byte UTF-8 sequences while the decoder would take them
// byte by byte to the same characters; returns the bytes used (0 when none).
size_t CVT420Emulator::DecodeUtf8Sequence(const uint8_t* data, size_t length) {
  if (!charsets_.Utf8Ready()) return 0;
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

void CVT420Emulator::ReceiveByte(uint8_t byte) {
  if (capture_ && settings_.Int(S::CaptureDebug)) DebugCaptureByte(byte);
  if (!settings_.Int(S::Interpret)) {
    DisplayControlsByte(byte);
    return;
  }
  switch (state_) {
    case ParserState::kGround:
      GroundByte(byte);
      break;
    case ParserState::kEscape:
      EscapeByte(byte);
      break;
    case ParserState::kControlSequence:
      ControlSequenceByte(byte);
      break;
    case ParserState::kDeviceControl:
      DeviceControlByte(byte);
      break;
    case ParserState::kPrinterController:
      PrinterControllerByte(byte);
      break;
    case ParserState::kZmodemDetect:
      ZmodemDetectByte(byte);
      break;
  }
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

void CVT420Emulator::GroundByte(uint8_t byte) {
  if (byte < 0x20) {
    ExecuteControl(byte);
  } else if (byte < 0x7F || byte >= 0xA0 || charsets_.GrTakesC1Range()) {
    OutputChar(charsets_.TranslateChar(byte));
  } else {
    ExecuteControl(byte);
  }
}

void CVT420Emulator::EscapeByte(uint8_t byte) {
  if (byte >= 0x20 && byte <= 0x2F) {
    params_.Collect(byte);
  } else if ((byte >= 0x30 && byte <= 0x7E) || byte >= 0xA0) {
    if (!params_.HasAny() && byte == '[') {
      EnterState(ParserState::kControlSequence);
    } else if (!params_.HasAny() && byte == 'P') {
      EnterState(ParserState::kDeviceControl);
    } else {
      EnterState(ParserState::kGround);
      DispatchEscape(byte);
    }
  } else {
    ExecuteControl(byte);
  }
}

void CVT420Emulator::ControlSequenceByte(uint8_t byte) {
  if (byte >= 0x20 && byte <= 0x3F) {
    params_.Collect(byte);
  } else if (byte >= 0x40 && byte <= 0x7E) {
    EnterState(ParserState::kGround);
    DispatchControlSequence(byte);
  } else if (byte >= 0xA0) {
    EnterState(ParserState::kGround);
  } else {
    ExecuteControl(byte);
  }
}

void CVT420Emulator::DeviceControlByte(uint8_t byte) {
  switch (dcsPhase_) {
    case DcsPhase::kHeader:
      if (byte < 0x40) {
        params_.Collect(byte);
      } else if (byte <= 0x7E) {
        dcsFinal_ = byte;
        dcsPhase_ = DcsPhase::kData;
      } else {
        EnterState(ParserState::kGround);
      }
      break;
    case DcsPhase::kData:
      if (byte == 0x1B) {
        dcsPhase_ = DcsPhase::kAfterEscape;
      } else if (byte == 0x9C) {
        EndDeviceControlString();
      } else if (dcsData_.size() < kMaxDeviceControlString) {
        dcsData_.push_back(static_cast<char>(byte));
      } else {
        dcsOverflow_ = true;
      }
      break;
    case DcsPhase::kAfterEscape:
      if (byte == '\\') {
        EndDeviceControlString();
      } else {
        EnterState(ParserState::kEscape);
        EscapeByte(byte);
      }
      break;
  }
}

void CVT420Emulator::EndDeviceControlString() {
  // A string that outgrew its limit is discarded whole rather than acted on in part.
  if (!dcsData_.empty() && !dcsOverflow_) {
    if (dcsFinal_ == '|') {
      // DECUDK: the clear and lock parameters have no effect; definitions only accumulate.
      keyMap_.ApplyUserDefinedKeys(dcsData_);
    } else if (dcsFinal_ == '{') {
      softFont_.Load(params_, dcsData_);
      for (ITerminalView* view : views_) view->FullRepaint();
    } else if (params_.Has('$') && (dcsFinal_ == 't' || dcsFinal_ == 's')) {
      if (events_) events_->RunHostScript(dcsData_, dcsFinal_ == 's');
    }
  }
  dcsData_.clear();
  dcsData_.shrink_to_fit();
  EnterState(ParserState::kGround);
}

// Printer-controller mode: every byte goes to the printer until CSI 4 i (7-bit or 8-bit); a
// repeated CSI 5 i is swallowed.
void CVT420Emulator::PrinterControllerByte(uint8_t byte) {
  auto put = [this](uint8_t b) {
    if (events_) events_->PrinterControllerByte(b);
  };
  auto putIntroducer = [&] {
    if (pcEightBit_) {
      put(0x9B);
    } else {
      put(0x1B);
      put('[');
    }
  };
  switch (pcState_) {
    case 0:
      if (byte == 0x1B) {
        pcEightBit_ = false;
        pcState_ = 1;
      } else if (byte == 0x9B) {
        pcEightBit_ = true;
        pcState_ = 2;
      } else {
        put(byte);
      }
      break;
    case 1:
      if (byte == '[') {
        pcState_ = 2;
      } else {
        put(0x1B);
        put(byte);
        pcState_ = 0;
      }
      break;
    case 2:
      if (byte == '4') {
        pcState_ = 3;
      } else if (byte == '5') {
        pcState_ = 4;
      } else {
        putIntroducer();
        put(byte);
        pcState_ = 0;
      }
      break;
    case 3:
      pcState_ = 0;
      if (byte == 'i') {
        if (events_) events_->PrinterControllerOff();
        printMode_ = PrintMode::kNone;
        EnterState(ParserState::kGround);
      } else {
        putIntroducer();
        put('4');
        put(byte);
      }
      break;
    default:
      pcState_ = 0;
      if (byte != 'i') {
        putIntroducer();
        put('5');
        put(byte);
      }
      break;
  }
}

void CVT420Emulator::ZmodemDetectByte(uint8_t byte) {
  static constexpr char kStart[] = "B00";
  if (byte != static_cast<uint8_t>(kStart[zmodemMatched_])) {
    EnterState(ParserState::kGround);
    return;
  }
  if (++zmodemMatched_ == 3) {
    EnterState(ParserState::kGround);
    if (events_) events_->StartZModemReceive();
  }
}

char16_t CVT420Emulator::TranslateChar(uint8_t byte) {
  return charsets_.TranslateChar(byte);
}

std::string CVT420Emulator::EncodeChar(char16_t ch) const {
  return charsets_.EncodeChar(ch);
}

}  // namespace ostrane
