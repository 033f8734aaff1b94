// CPrinterControllerFilter: while printer-controller mode is on, every received byte goes to
// the printer until CSI 4 i (7-bit or 8-bit introducer) ends the mode; a repeated CSI 5 i is
// swallowed. A byte machine: bytes in, printer bytes and the end out.
#pragma once

#include <cstdint>

namespace ostrane {

class CPrinterControllerFilter {
 public:
  // What one received byte gives: bytes for the printer (held back bytes of a sequence that
  // turned out not to end the mode come out with it), and whether the mode ended.
  struct Output {
    uint8_t bytes[4];
    int count = 0;
    bool ended = false;
  };

  void Start() { step_ = Step::kText; }
  Output Feed(uint8_t byte);

 private:
  enum class Step : uint8_t {
    kText,             // passing bytes through
    kAfterEscape,      // ESC held back
    kAfterIntroducer,  // ESC [ or CSI held back
    kAfterFour,        // CSI 4 held back: "i" ends the mode
    kAfterFive,        // CSI 5 held back: "i" is swallowed
  };
  static void Put(Output& out, uint8_t byte) { out.bytes[out.count++] = byte; }
  void PutIntroducer(Output& out) const;
  void FeedText(Output& out, uint8_t byte);

  Step step_ = Step::kText;
  bool eightBit_ = false;  // the held introducer was 0x9B rather than ESC [
};

}  // namespace ostrane
