#include "platform/print_output.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

namespace ostrane::platform {

namespace {

constexpr std::string_view kPrinterSection = "Printer";
// How long the connection to the CUPS server may stay silent during one request.
constexpr int kCupsTimeoutMs = 30000;
// The most written to the CUPS server in one call.
constexpr size_t kCupsWriteSlice = 64 * 1024;
// How often a wait for the server or for a device looks whether the job was cancelled.
constexpr int kCancelCheckMs = 100;

// What libcups' timeout callback decides on: wait on unless the job was cancelled or the
// server has been silent for the whole timeout.
struct CupsWait {
  CPrintCancel* cancel;
  int silentMs = 0;
};

int KeepWaiting(http_t*, void* data) {
  auto* wait = static_cast<CupsWait*>(data);
  wait->silentMs += kCancelCheckMs;
  return !wait->cancel->Cancelled() && wait->silentMs < kCupsTimeoutMs ? 1 : 0;
}

// A job never asks for a password: libcups would otherwise prompt on the terminal the program
// was started from, and the print thread would wait for it for good.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*) {
  return nullptr;
}

class CCupsRawJob final : public IPrintOutput {
 public:
  CCupsRawJob(http_t* http, CPrintCancel& cancel) : http_(http), wait_{&cancel} {
    httpSetTimeout(http_, kCancelCheckMs / 1000.0, &KeepWaiting, &wait_);
  }
  ~CCupsRawJob() override {
    // A cancelled job's connection is given up, not used again.
    if (job_ != 0 && !finished_ && !wait_.cancel->Cancelled())
      cupsCancelJob2(http_, queue_.c_str(), job_, 0);
    httpClose(http_);
  }
  CCupsRawJob(const CCupsRawJob&) = delete;
  CCupsRawJob& operator=(const CCupsRawJob&) = delete;

  // Creates the job on queue (the default destination when empty) and starts its document;
  // the CUPS status when that fails.
  ipp_status_t Start(const std::string& queue, const std::string& title) {
    queue_ = queue;
    if (queue_.empty()) {
      const char* fallback = cupsGetDefault2(http_);
      if (fallback == nullptr) return IPP_STATUS_ERROR_NOT_FOUND;
      queue_ = fallback;
    }
    wait_.silentMs = 0;
    job_ = CreateJob(title);
    if (job_ == 0)
      return cupsLastError() == IPP_STATUS_OK ? IPP_STATUS_ERROR_INTERNAL : cupsLastError();
    wait_.silentMs = 0;
    if (cupsStartDocument(http_, queue_.c_str(), job_, title.c_str(), CUPS_FORMAT_RAW, 1) !=
        HTTP_STATUS_CONTINUE)
      return cupsLastError();
    return IPP_STATUS_OK;
  }
  bool Write(const uint8_t* data, size_t length) override {
    // In slices, each with the whole timeout, so that a server that takes a large write
    // slowly is not taken for a silent one.
    while (length > 0) {
      if (finished_ || wait_.cancel->Cancelled()) return false;
      const size_t slice = std::min(length, kCupsWriteSlice);
      wait_.silentMs = 0;
      if (cupsWriteRequestData(http_, reinterpret_cast<const char*>(data), slice) !=
          HTTP_STATUS_CONTINUE)
        return false;
      data += slice;
      length -= slice;
    }
    return true;
  }
  bool Finish() override {
    if (finished_) return true;
    finished_ = true;
    wait_.silentMs = 0;
    return !wait_.cancel->Cancelled() && cupsFinishDocument(http_, queue_.c_str()) == IPP_STATUS_OK;
  }

 private:
  // Create-Job on this job's own connection. cupsCreateJob first looks the queue up on a
  // connection libcups keeps for the thread, which neither the timeout nor the cancel reaches.
  int CreateJob(const std::string& title) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", queue_.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_CREATE_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.c_str());
    const std::string resource = "/printers/" + queue_;
    // Takes the request.
    ipp_t* response = cupsDoRequest(http_, request, resource.c_str());
    ipp_attribute_t* id = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER);
    const int job = id && cupsLastError() <= IPP_STATUS_OK_CONFLICTING ? ippGetInteger(id, 0) : 0;
    ippDelete(response);
    return job;
  }

  http_t* http_;
  CupsWait wait_;
  std::string queue_;
  int job_ = 0;
  bool finished_ = false;
};

// Writes without blocking, waiting for the device between tries, so that a printer that does
// not drain still lets a cancel through.
class CDeviceOutput final : public IPrintOutput {
 public:
  CDeviceOutput(int fd, CPrintCancel& cancel) : fd_(fd), cancel_(cancel) {}
  ~CDeviceOutput() override { close(fd_); }
  CDeviceOutput(const CDeviceOutput&) = delete;
  CDeviceOutput& operator=(const CDeviceOutput&) = delete;

  bool Write(const uint8_t* data, size_t length) override {
    while (length > 0) {
      if (cancel_.Cancelled()) return false;
      const ssize_t n = write(fd_, data, length);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) {
        pollfd ready{fd_, POLLOUT, 0};
        poll(&ready, 1, kCancelCheckMs);
        continue;
      }
      if (n <= 0) return false;
      data += n;
      length -= static_cast<size_t>(n);
    }
    return true;
  }
  bool Finish() override { return !cancel_.Cancelled(); }

 private:
  int fd_;
  CPrintCancel& cancel_;
};

}  // namespace

std::unique_ptr<IPrintOutput> OpenCupsRawJob(const std::string& queue, const std::string& title,
                                             int& error, CPrintCancel& cancel) {
  cupsSetPasswordCB2(&NoPassword, nullptr);
  http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                              kCupsTimeoutMs, cancel.ConnectFlag());
  if (http == nullptr) {
    error = static_cast<int>(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE);
    return nullptr;
  }
  auto output = std::make_unique<CCupsRawJob>(http, cancel);
  const ipp_status_t status = output->Start(queue, title);
  if (status != IPP_STATUS_OK) {
    error = static_cast<int>(status);
    return nullptr;
  }
  return output;
}

std::string PrintPortPath(const CProfile& profile, int portIndex) {
  const int n = std::max(portIndex, 0);
  const std::string usb = "/dev/usb/lp" + std::to_string(n);
  const std::string fallback = access(usb.c_str(), F_OK) == 0 ? usb : "/dev/lp" + std::to_string(n);
  return profile.GetString(kPrinterSection, "LPT" + std::to_string(n + 1), fallback);
}

std::unique_ptr<IPrintOutput> OpenPrintDevice(const std::string& path, int& error,
                                              CPrintCancel& cancel) {
  // Without blocking: a device nobody reads (a FIFO without a reader) fails at once, and the
  // writes wait for the printer in steps that a cancel can end.
  const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  return std::make_unique<CDeviceOutput>(fd, cancel);
}

}  // namespace ostrane::platform
