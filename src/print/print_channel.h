// CPrintChannel: one printer-controller or auto-print job on the printer: the bytes unchanged to
// a raw job or a port, or, for a page printer, received characters gathered into lines (LF ends
// a line, FF a page, a full line is broken, other controls are dropped).
// Not thread-safe: the session's print thread alone uses it, since every call may wait for the
// printer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "print/page_writer.h"
#include "print/print_devices.h"
#include "print/print_limits.h"

namespace ostrane {

class CPrintChannel {
 public:
  enum class OpenStatus { kOpened, kCannotSetup, kCannotStart, kCannotInitialize };
  struct OpenResult {
    OpenStatus status = OpenStatus::kOpened;
    int error = 0;  // the platform's error code for kCannotInitialize
  };

  CPrintChannel() = default;
  ~CPrintChannel() { Abandon(); }
  CPrintChannel(const CPrintChannel&) = delete;
  CPrintChannel& operator=(const CPrintChannel&) = delete;

  // Nothing when already open. cancel must outlive the job.
  OpenResult Open(IPrintDevices& devices, const PrintSetup& setup, platform::CPrintCancel& cancel);
  bool IsOpen() const { return kind_ != Kind::kClosed; }
  // Printer-controller bytes for a raw job or a port.
  void Write(std::string_view bytes);
  // Printer-controller characters for a page printer, already translated by the character
  // sets; LF and FF keep their meaning, other controls are dropped.
  void PutChars(std::u16string_view chars);
  // One whole line of screen text (auto print).
  void PutLine(std::u16string_view text);
  // Ends the job: a form feed first when FFNeeded is on, and a raw job is finished so that it
  // is printed. False when the job did not end well.
  bool Close();
  // Ends the job without printing it: a raw job is cancelled, a document aborted.
  void Abandon();

 private:
  enum class Kind { kClosed, kRaw, kPage, kPort };
  void FlushLine();

  Kind kind_ = Kind::kClosed;
  bool formFeedAtClose_ = false;
  bool failed_ = false;
  std::unique_ptr<platform::IPrintOutput> output_;
  std::unique_ptr<IPageDevice> page_;
  std::unique_ptr<CPageWriter> writer_;
  char16_t line_[kPrintLineChars];
  int lineLength_ = 0;
};

}  // namespace ostrane
