// CPrintQueue: the print thread of one session and the bounded queue that feeds it. The
// session's worker hands over jobs, their output and documents, and never waits: everything
// that may wait for a printer (opening, writing, finishing) runs on the print thread, in the
// order it was handed over. Failures are posted to the user from there.
// A printer that does not take what is queued makes the job fail once kPrintQueueBytes wait:
// what was queued for it is dropped, the job is cancelled and the user told.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "print/print_channel.h"
#include "print/print_devices.h"

namespace ostrane {

// What a failed open tells the user.
std::string OpenFailureText(const CPrintChannel::OpenResult& result);

// Prints lines as one document on the page printer, waiting for it; the message for the user
// when it could not be printed (none when a page failed: the document is then aborted).
struct DocumentResult {
  bool printed = false;
  std::string message;
};
DocumentResult PrintDocumentOn(IPrintDevices& devices, const PrintSetup& setup,
                               const std::vector<std::u16string>& lines,
                               platform::CPrintCancel& cancel);

class CPrintQueue {
 public:
  using JobId = uint64_t;

  explicit CPrintQueue(IPrintDevices& devices);
  ~CPrintQueue() { Stop(); }
  CPrintQueue(const CPrintQueue&) = delete;
  CPrintQueue& operator=(const CPrintQueue&) = delete;

  void SetDevices(IPrintDevices& devices);

  // None of these waits for the printer.
  JobId Open(const PrintSetup& setup);
  // Output of a job; dropped once the job has failed.
  void Bytes(JobId job, std::string_view bytes);
  void Chars(JobId job, std::u16string_view chars);
  void Line(JobId job, std::u16string_view text);
  void Close(JobId job);
  // True once the job cannot print any more: it could not be opened, or the printer stopped
  // taking its output.
  bool Failed(JobId job);
  // True once the printer could not be opened for the job (not when the job was cancelled).
  bool OpenFailed(JobId job);
  void Document(const PrintSetup& setup, std::vector<std::u16string> lines);

  // Lets the printer take what is queued for up to kPrintCloseGraceMs, then cancels the job in
  // progress and waits up to kPrintStopWaitMs for the thread. A thread still inside a printer
  // call that cannot be given up (a page printer's) is left to finish on its own; it no longer
  // reaches the devices' messages. Nothing is taken afterwards.
  void Stop();

 private:
  struct Op;
  struct Shared;
  static void Run(const std::shared_ptr<Shared>& shared);
  // Whether an op of size may be queued; counts it, starts the thread and wakes it. A job whose
  // output would pass the bound fails instead; a document is dropped.
  bool AdmitLocked(JobId job, bool document, size_t size);

  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace ostrane
