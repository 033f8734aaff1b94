#include "platform/print_output.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

namespace ostrane::platform {

namespace {

constexpr std::string_view kPrinterSection = "Printer";
// How long the connection to the CUPS server may take to answer one request.
constexpr int kCupsTimeoutMs = 30000;

class CCupsRawJob final : public IPrintOutput {
 public:
  CCupsRawJob(http_t* http, std::string queue, int job)
      : http_(http), queue_(std::move(queue)), job_(job) {}
  ~CCupsRawJob() override {
    if (!finished_) cupsCancelJob2(http_, queue_.c_str(), job_, 0);
    httpClose(http_);
  }
  CCupsRawJob(const CCupsRawJob&) = delete;
  CCupsRawJob& operator=(const CCupsRawJob&) = delete;

  bool Write(const uint8_t* data, size_t length) override {
    if (finished_) return false;
    return cupsWriteRequestData(http_, reinterpret_cast<const char*>(data), length) ==
           HTTP_STATUS_CONTINUE;
  }
  bool Finish() override {
    if (finished_) return true;
    finished_ = true;
    return cupsFinishDocument(http_, queue_.c_str()) == IPP_STATUS_OK;
  }

 private:
  http_t* http_;
  std::string queue_;
  int job_;
  bool finished_ = false;
};

class CDeviceOutput final : public IPrintOutput {
 public:
  explicit CDeviceOutput(int fd) : fd_(fd) {}
  ~CDeviceOutput() override { close(fd_); }
  CDeviceOutput(const CDeviceOutput&) = delete;
  CDeviceOutput& operator=(const CDeviceOutput&) = delete;

  bool Write(const uint8_t* data, size_t length) override {
    while (length > 0) {
      const ssize_t n = write(fd_, data, length);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data += n;
      length -= static_cast<size_t>(n);
    }
    return true;
  }
  bool Finish() override { return true; }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<IPrintOutput> OpenCupsRawJob(const std::string& queue, const std::string& title,
                                             int& error) {
  std::string name = queue;
  http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                              kCupsTimeoutMs, nullptr);
  if (http == nullptr) {
    error = static_cast<int>(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE);
    return nullptr;
  }
  if (name.empty()) {
    const char* fallback = cupsGetDefault2(http);
    if (fallback == nullptr) {
      error = static_cast<int>(IPP_STATUS_ERROR_NOT_FOUND);
      httpClose(http);
      return nullptr;
    }
    name = fallback;
  }
  const int job = cupsCreateJob(http, name.c_str(), title.c_str(), 0, nullptr);
  if (job == 0) {
    error = static_cast<int>(cupsLastError());
    httpClose(http);
    return nullptr;
  }
  auto output = std::make_unique<CCupsRawJob>(http, name, job);
  if (cupsStartDocument(http, name.c_str(), job, title.c_str(), CUPS_FORMAT_RAW, 1) !=
      HTTP_STATUS_CONTINUE) {
    error = static_cast<int>(cupsLastError());
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

std::unique_ptr<IPrintOutput> OpenPrintDevice(const std::string& path, int& error) {
  // Without blocking: a device nobody reads (a FIFO without a reader) fails at once instead of
  // holding the session; the writes then wait for the printer as usual.
  const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return std::make_unique<CDeviceOutput>(fd);
}

}  // namespace ostrane::platform
