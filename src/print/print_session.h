// CPrintSession: the printing of one session. Printer-controller and auto-print output go to a
// CPrintChannel job that JobTimeout may keep open so that output soon after joins the same job;
// on-demand prints (page, selection, history) are documents of their own on the page printer.
// One lock serialises the channel between the session's worker and the job timer. Failures
// are posted to the user through the devices, never waited for.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "print/job_timer.h"
#include "print/print_channel.h"
#include "print/print_devices.h"

namespace ostrane {

class CPrintSession {
 public:
  explicit CPrintSession(IPrintDevices& devices) : devices_(&devices) {}
  ~CPrintSession();
  CPrintSession(const CPrintSession&) = delete;
  CPrintSession& operator=(const CPrintSession&) = delete;

  // Set before printing starts (a front end with its own page printer and messages).
  void SetDevices(IPrintDevices& devices);

  // Opens the job (or takes back the one JobTimeout keeps open); false, with the reason
  // posted, when the printer cannot be opened.
  bool StartOutput(const PrintSetup& setup, CPrintChannel::Translate translate);
  void PutByte(uint8_t byte);
  void PutLine(std::u16string_view text);
  // Output ended: the job closes at once with a JobTimeout of 0 (or less), else after that many
  // seconds unless more output comes first.
  void EndOutput(int jobTimeoutSeconds);
  // The session closes: the job ends now.
  void CloseNow();
  bool JobOpen();

  // One document of lines on the page printer; false, with the reason posted, when it could
  // not be printed.
  bool PrintLines(const PrintSetup& setup, const std::vector<std::u16string>& lines);

 private:
  void TimerFired(uint64_t token);
  void Post(std::string_view text);

  std::mutex mutex_;
  IPrintDevices* devices_;
  CPrintChannel channel_;
  uint64_t token_ = 0;
  // Last: its thread calls TimerFired until it is joined.
  CJobTimer timer_{[this](uint64_t token) { TimerFired(token); }};
};

}  // namespace ostrane
