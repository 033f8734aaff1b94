// The byte ends of printing without a window: a raw job on a CUPS queue and a printer device
// (a parallel or USB printer port). Both take the printer's own bytes unchanged.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/profile.h"

namespace ostrane::platform {

// Lets another thread make a print output give up: a connection being made, an answer being
// awaited from the CUPS server and a write to a device that does not drain all end within
// about a tenth of a second once Cancel is called, and every later call fails.
class CPrintCancel {
 public:
  void Cancel() { std::atomic_ref<int>(flag_).store(1); }
  bool Cancelled() { return std::atomic_ref<int>(flag_).load() != 0; }
  // For libcups' connect, which reads the flag while it waits.
  int* ConnectFlag() { return &flag_; }

 private:
  alignas(std::atomic_ref<int>::required_alignment) int flag_ = 0;
};

class IPrintOutput {
 public:
  virtual ~IPrintOutput() = default;
  virtual bool Write(const uint8_t* data, size_t length) = 0;
  // Ends the job so that it is really printed; false when the printer did not take it.
  virtual bool Finish() = 0;
};

// A raw job ("application/vnd.cups-raw") on queue, or on the default destination when queue is
// empty, through the server libcups chooses (CUPS_SERVER, client.conf). The job has its own
// connection, so it may be written and finished from different threads (one at a time).
// Null on failure, with the CUPS status in error. A job dropped unfinished is cancelled.
// cancel must outlive the job.
std::unique_ptr<IPrintOutput> OpenCupsRawJob(const std::string& queue, const std::string& title,
                                             int& error, CPrintCancel& cancel);

// The device of printer port index n ("LPT(n+1)"): the profile's [Printer] LPT<n+1> entry, else
// /dev/usb/lp<n> when it exists, else /dev/lp<n>.
std::string PrintPortPath(const CProfile& profile, int portIndex);

// An existing device opened for writing (never created); null with errno in error. cancel must
// outlive the output.
std::unique_ptr<IPrintOutput> OpenPrintDevice(const std::string& path, int& error,
                                              CPrintCancel& cancel);

}  // namespace ostrane::platform
