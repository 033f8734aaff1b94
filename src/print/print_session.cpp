#include "print/print_session.h"

#include <algorithm>
#include <utility>

#include "print/print_limits.h"

namespace ostrane {

CPrintSession::~CPrintSession() {
  CloseNow();
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  queue_.Stop();
}

void CPrintSession::SetDevices(IPrintDevices& devices) {
  std::lock_guard lock(mutex_);
  devices_ = &devices;
  queue_.SetDevices(devices);
}

bool CPrintSession::StartOutput(const PrintSetup& setup, Translate translate) {
  std::lock_guard lock(mutex_);
  ++token_;
  timer_.Cancel();
  if (closing_) return false;
  // The job kept open by JobTimeout takes this output too, unless it can no longer print.
  if (job_ != 0 && !queue_.Failed(job_)) return true;
  if (job_ != 0) queue_.Close(job_);
  job_ = queue_.Open(setup);
  destination_ = setup.destination;
  translate_ = std::move(translate);
  return true;
}

void CPrintSession::PutByte(uint8_t byte) {
  std::lock_guard lock(mutex_);
  if (job_ == 0) return;
  if (destination_ != PrintDestination::kPagePrinter) {
    queue_.Bytes(job_, std::string_view(reinterpret_cast<const char*>(&byte), 1));
    return;
  }
  // A page printer takes characters; the character sets are read here, under the lock of the
  // thread that owns them. Controls stay as they are for the page to act on or drop.
  char16_t c = byte;
  if (byte >= 0x20 && translate_) {
    c = translate_(byte);
    if (c < 0x20) return;
  }
  queue_.Chars(job_, std::u16string_view(&c, 1));
}

void CPrintSession::PutLine(std::u16string_view text) {
  std::lock_guard lock(mutex_);
  if (job_ != 0) queue_.Line(job_, text);
}

void CPrintSession::EndOutput(int jobTimeoutSeconds) {
  std::lock_guard lock(mutex_);
  const int seconds = std::clamp(jobTimeoutSeconds, 0, kMaxJobTimeoutSeconds);
  ++token_;
  if (job_ == 0) return;
  if (seconds == 0) {
    timer_.Cancel();
    queue_.Close(std::exchange(job_, 0));
    return;
  }
  timer_.Arm(std::chrono::seconds(seconds), token_);
}

void CPrintSession::TimerFired(uint64_t token) {
  std::lock_guard lock(mutex_);
  // Output that came after the deadline was set owns the job now.
  if (token != token_ || job_ == 0) return;
  queue_.Close(std::exchange(job_, 0));
}

void CPrintSession::CloseNow() {
  std::lock_guard lock(mutex_);
  ++token_;
  timer_.Cancel();
  if (job_ != 0) queue_.Close(std::exchange(job_, 0));
}

bool CPrintSession::JobOpen() {
  std::lock_guard lock(mutex_);
  return job_ != 0 && !queue_.Failed(job_);
}

bool CPrintSession::OpenFailed() {
  std::lock_guard lock(mutex_);
  return job_ != 0 && queue_.OpenFailed(job_);
}

void CPrintSession::QueueLines(const PrintSetup& setup, std::vector<std::u16string> lines) {
  queue_.Document(setup, std::move(lines));
}

}  // namespace ostrane
