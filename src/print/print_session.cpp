#include "print/print_session.h"

#include <algorithm>

#include "print/print_messages.h"

namespace ostrane {

CPrintSession::~CPrintSession() {
  CloseNow();
}

void CPrintSession::SetDevices(IPrintDevices& devices) {
  std::lock_guard lock(mutex_);
  devices_ = &devices;
}

void CPrintSession::Post(std::string_view text) {
  devices_->PostMessage(std::string(text));
}

bool CPrintSession::StartOutput(const PrintSetup& setup, CPrintChannel::Translate translate) {
  std::lock_guard lock(mutex_);
  // The job kept open by JobTimeout takes this output too.
  ++token_;
  timer_.Cancel();
  const CPrintChannel::OpenResult result = channel_.Open(*devices_, setup, std::move(translate));
  switch (result.status) {
    case CPrintChannel::OpenStatus::kOpened:
      return true;
    case CPrintChannel::OpenStatus::kCannotSetup:
      Post(kTextCannotSetupPrinter);
      break;
    case CPrintChannel::OpenStatus::kCannotStart:
      Post(kTextCannotStartPrintJob);
      break;
    case CPrintChannel::OpenStatus::kCannotInitialize:
      Post(CannotInitializePrinterText(result.error));
      break;
  }
  return false;
}

void CPrintSession::PutByte(uint8_t byte) {
  std::lock_guard lock(mutex_);
  channel_.Put(byte);
}

void CPrintSession::PutLine(std::u16string_view text) {
  std::lock_guard lock(mutex_);
  channel_.PutLine(text);
}

void CPrintSession::EndOutput(int jobTimeoutSeconds) {
  std::lock_guard lock(mutex_);
  channel_.EndOutput();
  const int seconds = std::clamp(jobTimeoutSeconds, 0, kMaxJobTimeoutSeconds);
  ++token_;
  if (seconds == 0) {
    timer_.Cancel();
    channel_.Close();
    return;
  }
  channel_.SetKeepOpen(true);
  timer_.Arm(std::chrono::seconds(seconds), token_);
}

void CPrintSession::TimerFired(uint64_t token) {
  std::lock_guard lock(mutex_);
  // Output that came after the deadline was set owns the job now.
  if (token != token_) return;
  channel_.SetKeepOpen(false);
  channel_.Close();
}

void CPrintSession::CloseNow() {
  std::lock_guard lock(mutex_);
  ++token_;
  timer_.Cancel();
  channel_.SetKeepOpen(false);
  channel_.Close();
}

bool CPrintSession::JobOpen() {
  std::lock_guard lock(mutex_);
  return channel_.IsOpen();
}

bool CPrintSession::PrintLines(const PrintSetup& setup, const std::vector<std::u16string>& lines) {
  IPrintDevices* devices;
  {
    std::lock_guard lock(mutex_);
    devices = devices_;
  }
  std::unique_ptr<IPageDevice> page = devices->OpenPageDevice(setup.printer, setup.font);
  const std::optional<PageLayout> layout =
      page ? LayoutFor(page->Metrics()) : std::optional<PageLayout>();
  if (!layout) {
    devices->PostMessage(std::string(kTextCannotSetupPrinter));
    return false;
  }
  switch (PrintDocument(*page, *layout, setup.title, lines)) {
    case PrintResult::kPrinted:
      return true;
    case PrintResult::kCannotStart:
      devices->PostMessage(std::string(kTextCannotStartPrintJob));
      return false;
    case PrintResult::kPageFailed:
      return false;
  }
  return false;
}

}  // namespace ostrane
