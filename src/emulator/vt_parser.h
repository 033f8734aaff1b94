// CVtParser: the byte-level front of the terminal. It knows bytes, not screens: it sorts the
// host's stream into runs of graphic bytes, controls, escape sequences, control sequences and
// device-control strings, collects their parameters once, and calls a sink. The screen, the
// cursor, the modes and the character sets are the sink's business.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "emulator/control_params.h"
#include "emulator/vt_id.h"

namespace ostrane {

enum class VtParserState : uint8_t {
  kGround = 0,
  kEscape = 1,
  kControlSequence = 2,
  kDeviceControl = 3,
  kString = 4,  // OSC, APC, PM or SOS (only with host strings on)
};

class IVtParserSink {
 public:
  virtual ~IVtParserSink() = default;
  // A run of graphic bytes received in Ground, in order; a chunk boundary may split a run into
  // several calls (and a UTF-8 sequence with it). `ascii`: every byte is 0x20-0x7E.
  virtual void Print(const uint8_t* bytes, size_t length, bool ascii) = 0;
  // Whether 0x7F-0x9F print in Ground (GR holds a full 8-bit set); asked once per run that
  // meets such a byte, and again after any other call.
  virtual bool GraphicC1() = 0;
  // A C0 or C1 control that does not change the parser's state; CAN is also passed on after it
  // has aborted any sequence.
  virtual void Execute(uint8_t code) = 0;
  virtual void EscDispatch(VtId id, const CControlParams& params) = 0;
  virtual void CsiDispatch(VtId id, const CControlParams& params) = 0;
  // CSI ... m with at most seven parameter bytes, all digits and ";", whole in the chunk, packed
  // into `text` (first byte lowest, 0 for none): the sink may apply it from what the same text
  // did before and return true. Otherwise the parser collects the parameters and calls
  // SelectGraphicRendition with the same text.
  virtual bool RememberedRendition(uint64_t /*text*/) { return false; }
  // CSI ... m without markers or intermediates, by far the commonest sequence, handed over
  // without looking its identifier up; `text` as above, or none when it was not seen whole.
  virtual void SelectGraphicRendition(const CControlParams& params,
                                      std::optional<uint64_t> /*text*/) {
    CsiDispatch(VtId("m"), params);
  }
  // A device-control header is complete: true when the sink wants the string's data.
  virtual bool DcsHook(VtId id, const CControlParams& params) = 0;
  // The string ended with ST (ESC \ or 0x9C) within its limit; only after an accepting hook.
  virtual void DcsUnhook(VtId id, const CControlParams& params, std::string_view data) = 0;
  // An operating-system command ended (BEL, ESC \\ or 0x9C) within its limit: its data.
  virtual void OscDispatch(std::string_view /*data*/) {}
};

// The parser for one type of sink. With IVtParserSink every call goes through the interface; with
// a final class the calls are direct, and where the parser's code is compiled beside the sink's
// (vt_parser_impl.h) the hot ones are inlined into the byte loops.
template <class Sink>
class CVtParserFor {
 public:
  explicit CVtParserFor(Sink& sink) : sink_(sink) {}
  CVtParserFor(const CVtParserFor&) = delete;
  CVtParserFor& operator=(const CVtParserFor&) = delete;

  // Handles bytes until the chunk ends or the sink called Suspend; returns the bytes used.
  size_t Feed(const uint8_t* data, size_t length);
  // From inside a sink call: Feed returns after the byte being handled, so that the caller can
  // route the bytes that follow elsewhere (printer controller, ZModem start detection).
  void Suspend() { suspended_ = true; }
  // Back to Ground; a device-control string being collected is dropped.
  void Reset();
  // Host strings on: OSC, APC, PM and SOS are strings, never printed, and ":" splits parameters
  // into sub-parameters. Off, their introducers are plain escape sequences and controls.
  void SetHostStrings(bool on) {
    hostStrings_ = on;
    params_.SetSubParameters(on);
  }

  VtParserState State() const { return state_; }
  const CControlParams& Params() const { return params_; }

 private:
  enum class DcsPhase : uint8_t { kHeader, kData, kAfterEscape };

  void EnterState(VtParserState state);
  void Control(uint8_t code);
  // Flattened: the sink's calls and the parser's own steps are inlined into this loop where the
  // sink's code is compiled beside it (vt_parser_impl.h); each would cost a call per few bytes.
  [[gnu::flatten]] size_t GroundRun(const uint8_t* data, size_t length);
  void EscapeByte(uint8_t byte);
  size_t ControlSequenceStart(const uint8_t* data, size_t length);
  // Kept out of the flattened loop: only sequences split by a chunk or too long for the word
  // path come here.
  [[gnu::noinline]] size_t ControlSequenceRun(const uint8_t* data, size_t length);
  void DispatchControlSequence(uint8_t final);
  size_t DeviceControlRun(const uint8_t* data, size_t length);
  void EndDeviceControlString();
  // Starts a string after its introducer; `osc`: its data is kept for the sink.
  void EnterString(bool osc);
  size_t StringRun(const uint8_t* data, size_t length);
  void EndString();

  Sink& sink_;
  VtParserState state_ = VtParserState::kGround;
  CControlParams params_;
  bool suspended_ = false;
  // Cached answer of GraphicC1: unknown until a run meets 0x7F-0x9F.
  enum class C1 : uint8_t { kUnknown, kGraphic, kControl };
  C1 c1_ = C1::kUnknown;
  // Device-control string.
  DcsPhase dcsPhase_ = DcsPhase::kHeader;
  VtId dcsId_;
  bool dcsWanted_ = false;
  bool dcsOverflow_ = false;
  std::string dcsData_;
  // Host strings (OSC, APC, PM, SOS).
  bool hostStrings_ = false;
  bool stringIsOsc_ = false;
  bool stringAfterEscape_ = false;
  bool stringOverflow_ = false;
  std::string stringData_;
};

using CVtParser = CVtParserFor<IVtParserSink>;
extern template class CVtParserFor<IVtParserSink>;

}  // namespace ostrane
