// CPrintChannel: where printer-controller and auto-print output goes while a job is open: the
// bytes unchanged to a raw job or a port, or, for a page printer, received characters gathered
// into lines (LF ends a line, FF a page, a full line is broken, other controls are dropped).
// Not thread-safe: its owner serialises the calls.
#pragma once

#include <cstdint>
#include <functional>
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
  // A received byte as a character (the terminal's character sets); 0 drops it.
  using Translate = std::function<char16_t(uint8_t)>;

  CPrintChannel() = default;
  ~CPrintChannel() { Abandon(); }
  CPrintChannel(const CPrintChannel&) = delete;
  CPrintChannel& operator=(const CPrintChannel&) = delete;

  // Nothing when already open.
  OpenResult Open(IPrintDevices& devices, const PrintSetup& setup, Translate translate);
  bool IsOpen() const { return kind_ != Kind::kClosed; }
  // One printer-controller byte.
  void Put(uint8_t byte);
  // One whole line of screen text (auto print).
  void PutLine(std::u16string_view text);
  // Writes what is buffered and clears keep-open.
  void EndOutput();
  void SetKeepOpen(bool keep) { keepOpen_ = keep; }
  bool KeepOpen() const { return keepOpen_; }
  // Ends the job (nothing while keep-open is set): a form feed first when FFNeeded is on, and
  // a raw job is finished so that it is printed. False when the job did not end well.
  bool Close();

 private:
  enum class Kind { kClosed, kRaw, kPage, kPort };
  void FlushLine();
  void FlushRaw();
  void WriteOut(const uint8_t* data, size_t length);
  void Abandon();

  Kind kind_ = Kind::kClosed;
  bool formFeedAtClose_ = false;
  bool keepOpen_ = false;
  bool failed_ = false;
  std::unique_ptr<platform::IPrintOutput> output_;
  std::unique_ptr<IPageDevice> page_;
  std::unique_ptr<CPageWriter> writer_;
  Translate translate_;
  char16_t line_[kPrintLineChars];
  int lineLength_ = 0;
  uint8_t raw_[kRawPrintBuffer];
  size_t rawLength_ = 0;
};

}  // namespace ostrane
