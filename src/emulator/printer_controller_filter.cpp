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

CPrinterControllerFilter::Output CPrinterControllerFilter::Feed(uint8_t byte) {
  Output out;
  switch (step_) {
    case Step::kText:
      if (byte == 0x1B) {
        eightBit_ = false;
        step_ = Step::kAfterEscape;
      } else if (byte == 0x9B) {
        eightBit_ = true;
        step_ = Step::kAfterIntroducer;
      } else {
        Put(out, byte);
      }
      break;
    case Step::kAfterEscape:
      if (byte == '[') {
        step_ = Step::kAfterIntroducer;
      } else {
        Put(out, 0x1B);
        Put(out, byte);
        step_ = Step::kText;
      }
      break;
    case Step::kAfterIntroducer:
      if (byte == '4') {
        step_ = Step::kAfterFour;
      } else if (byte == '5') {
        step_ = Step::kAfterFive;
      } else {
        PutIntroducer(out);
        Put(out, byte);
        step_ = Step::kText;
      }
      break;
    case Step::kAfterFour:
      step_ = Step::kText;
      if (byte == 'i') {
        out.ended = true;
      } else {
        PutIntroducer(out);
        Put(out, '4');
        Put(out, byte);
      }
      break;
    case Step::kAfterFive:
      step_ = Step::kText;
      if (byte != 'i') {
        PutIntroducer(out);
        Put(out, '5');
        Put(out, byte);
      }
      break;
  }
  return out;
}

}  // namespace ostrane
