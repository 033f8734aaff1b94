#include "xfer/zmodem_machine.h"

#include "xfer/xfer_texts.h"
#include "xfer/zmodem_limits.h"

namespace ostrane {
namespace {

bool IsHeaderLineEnd(uint8_t byte) {
  return byte == '\r' || byte == '\n' || byte == 0x8A || byte == 0x8D || byte == XON;
}

}  // namespace

CZmodemMachine::CZmodemMachine(IZmodemEvents& events) : events_(events) {}

size_t CZmodemMachine::Feed(const uint8_t* data, size_t length) {
  size_t used = 0;
  while (used < length && !Ended()) {
    if (closing_) {
      // The sender's "OO" after the final ZFIN belongs to the transfer, not to the screen;
      // so does the rest of the ZFIN header's line.
      if (IsHeaderLineEnd(data[used])) {
        ++used;
        continue;
      }
      if (data[used] != 'O') {
        closing_ = false;
        break;
      }
      ++used;
      if (++closingSwallowed_ == 2) closing_ = false;
      continue;
    }
    used += decoder_.Feed(data + used, length - used, *this);
  }
  return used;
}

void CZmodemMachine::Tick() {
  if (closing_) {
    closing_ = false;
    return;
  }
  if (outcome_ != XferOutcome::kRunning || !Waiting()) {
    idleTicks_ = 0;
    return;
  }
  if (++idleTicks_ < kZmodemRetryTicks) return;
  idleTicks_ = 0;
  if (++retries_ > kZmodemMaxRetries) {
    DropFile(kTextPeerSilent);
    Cancel();
    Fail(kTextPeerSilent);
    return;
  }
  OnSilence();
}

void CZmodemMachine::Abort() {
  if (outcome_ != XferOutcome::kRunning) return;
  DropFile(kTextAborted);
  Cancel();
  Finish(XferOutcome::kAborted, kTextAborted);
}

void CZmodemMachine::Cancel() {
  out_.insert(out_.end(), 8, CAN);
  out_.insert(out_.end(), 10, 0x08);
}

void CZmodemMachine::OnCancel() {
  DropFile(kTextPeerCancelled);
  Fail(kTextPeerCancelled);
}

void CZmodemMachine::Finish(XferOutcome outcome, std::string message) {
  if (outcome_ != XferOutcome::kRunning) return;
  outcome_ = outcome;
  message_ = std::move(message);
  decoder_.Halt();
}

void CZmodemMachine::FinishClosing(XferOutcome outcome, std::string message) {
  Finish(outcome, std::move(message));
  closing_ = true;
}

}  // namespace ostrane
