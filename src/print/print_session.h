// CPrintSession: the printing of one session. Printer-controller and auto-print output go to a
// job that JobTimeout may keep open so that output soon after joins the same job; on-demand
// prints (page, selection, history) are documents of their own on the page printer.
// The job's output goes through a CPrintQueue: the session's worker only hands it over, and the
// print thread waits for the printer. One lock serialises the job state between the worker and
// the job timer. Failures are posted to the user through the devices, never waited for.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "print/job_timer.h"
#include "print/print_queue.h"

namespace ostrane {

class CPrintSession {
 public:
  // A received byte as a character (the terminal's character sets); 0 drops it. Called on the
  // thread that hands the byte over, under its lock.
  using Translate = std::function<char16_t(uint8_t)>;

  explicit CPrintSession(IPrintDevices& devices) : devices_(&devices), queue_(devices) {}
  // Ends the job and lets the printer take what is queued, within a bound (CPrintQueue::Stop).
  ~CPrintSession();
  CPrintSession(const CPrintSession&) = delete;
  CPrintSession& operator=(const CPrintSession&) = delete;

  // Set before printing starts (a front end with its own page printer and messages).
  void SetDevices(IPrintDevices& devices);

  // Opens a job (or takes back the one JobTimeout keeps open) without waiting for the printer:
  // a printer that cannot be opened is reported later and the job's output dropped. False only
  // once the session is closing.
  bool StartOutput(const PrintSetup& setup, Translate translate);
  void PutByte(uint8_t byte);
  void PutLine(std::u16string_view text);
  // Output ended: the job closes at once with a JobTimeout of 0 (or less), else after that many
  // seconds unless more output comes first.
  void EndOutput(int jobTimeoutSeconds);
  // The session closes: the job ends now.
  void CloseNow();
  // A job is open that can still print.
  bool JobOpen();
  // The open job's printer could not be opened: its owner ends the print mode, which then
  // stays as it was before the job, and the output handed over meanwhile is dropped.
  bool OpenFailed();

  // One document of lines on the page printer, printed later on the print thread; a reason it
  // could not be printed is posted from there.
  void QueueLines(const PrintSetup& setup, std::vector<std::u16string> lines);

 private:
  void TimerFired(uint64_t token);

  std::mutex mutex_;
  IPrintDevices* devices_;
  CPrintQueue queue_;
  CPrintQueue::JobId job_ = 0;  // 0: no job open
  PrintDestination destination_ = PrintDestination::kRawJob;
  Translate translate_;
  uint64_t token_ = 0;
  bool closing_ = false;
  // Last: its thread calls TimerFired until it is joined.
  CJobTimer timer_{[this](uint64_t token) { TimerFired(token); }};
};

}  // namespace ostrane
