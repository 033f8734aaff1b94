#include "emulator/printer_controller_filter.h"

namespace ostrane {

void CPrinterControllerFilter::PutIntroducer(Output& out) const {
  if (eightBit_) {
    Put(out, 0x9B);
  } else {
    Put(out, 0x1B);
    Put(out, '[');
  }
}

// A byte seen with nothing held: it may begin the end sequence or goes to the printer.
void CPrinterControllerFilter::FeedText(Output& out, uint8_t byte) {
  if (byte == 0x1B) {
    eightBit_ = false;
    step_ = Step::kAfterEscape;
  } else if (byte == 0x9B) {
    eightBit_ = true;
    step_ = Step::kAfterIntroducer;
  } else {
    Put(out, byte);
    step_ = Step::kText;
  }
}

CPrinterControllerFilter::Output CPrinterControllerFilter::Feed(uint8_t byte) {
  Output out;
  // A byte that breaks a partial match lets the held bytes go to the printer and is then
  // looked at afresh, so "ESC ESC [ 4 i" and "ESC [ ESC [ 4 i" still end the mode.
  switch (step_) {
    case Step::kText:
      FeedText(out, byte);
      break;
    case Step::kAfterEscape:
      if (byte == '[') {
        step_ = Step::kAfterIntroducer;
      } else {
        Put(out, 0x1B);
        FeedText(out, byte);
      }
      break;
    case Step::kAfterIntroducer:
      if (byte == '4') {
        step_ = Step::kAfterFour;
      } else if (byte == '5') {
        step_ = Step::kAfterFive;
      } else {
        PutIntroducer(out);
        FeedText(out, byte);
      }
      break;
    case Step::kAfterFour:
      if (byte == 'i') {
        out.ended = true;
        step_ = Step::kText;
      } else {
        PutIntroducer(out);
        Put(out, '4');
        FeedText(out, byte);
      }
      break;
    case Step::kAfterFive:
      if (byte == 'i') {
        step_ = Step::kText;
      } else {
        PutIntroducer(out);
        Put(out, '5');
        FeedText(out, byte);
      }
      break;
  }
  return out;
}

}  // namespace ostrane
