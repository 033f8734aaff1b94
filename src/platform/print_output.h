// The byte ends of printing without a window: a raw job on a CUPS queue and a printer device
// (a parallel or USB printer port). Both take the printer's own bytes unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/profile.h"

namespace ostrane::platform {

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
std::unique_ptr<IPrintOutput> OpenCupsRawJob(const std::string& queue, const std::string& title,
                                             int& error);

// The device of printer port index n ("LPT(n+1)"): the profile's [Printer] LPT<n+1> entry, else
// /dev/usb/lp<n> when it exists, else /dev/lp<n>.
std::string PrintPortPath(const CProfile& profile, int portIndex);

// An existing device opened for writing (never created); null with errno in error.
std::unique_ptr<IPrintOutput> OpenPrintDevice(const std::string& path, int& error);

}  // namespace ostrane::platform
