// Printers for the print tests that record what they were given, and fail on request.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/print_output.h"
#include "print/print_devices.h"

namespace ostrane::test {

// Pages as the lines drawn on them, with each line's row (y / cell height).
struct RecordedPage {
  std::vector<std::pair<int, std::u16string>> lines;
};

struct PageRecord {
  std::vector<RecordedPage> pages;
  bool started = false;
  bool ended = false;
  bool aborted = false;
  bool pageOpen = false;
};

class CFakePageDevice final : public IPageDevice {
 public:
  CFakePageDevice(PageRecord& record, PageMetrics metrics, int failPage = -1)
      : record_(record), metrics_(metrics), failPage_(failPage) {}
  PageMetrics Metrics() const override { return metrics_; }
  bool StartDocument(const std::string&) override { return record_.started = true; }
  bool StartPage() override {
    if (static_cast<int>(record_.pages.size()) == failPage_) return false;
    record_.pages.emplace_back();
    record_.pageOpen = true;
    return true;
  }
  void DrawLine(int y, std::u16string_view text) override {
    record_.pages.back().lines.emplace_back(y / metrics_.cellHeight, std::u16string(text));
  }
  bool EndPage() override {
    const bool wasOpen = record_.pageOpen;
    record_.pageOpen = false;
    return wasOpen;
  }
  bool EndDocument() override { return record_.ended = true; }
  void AbortDocument() override { record_.aborted = true; }

 private:
  PageRecord& record_;
  PageMetrics metrics_;
  int failPage_;
};

// One raw job or port: its bytes, and whether it was finished before it was dropped.
struct OutputRecord {
  std::string bytes;
  bool finished = false;
  bool dropped = false;
};

// Written on the print thread, read by the test: under the devices' lock.
class CFakeOutput final : public platform::IPrintOutput {
 public:
  CFakeOutput(OutputRecord& record, std::mutex& mutex) : record_(record), mutex_(mutex) {}
  ~CFakeOutput() override {
    std::lock_guard lock(mutex_);
    record_.dropped = true;
  }
  bool Write(const uint8_t* data, size_t length) override {
    std::lock_guard lock(mutex_);
    if (record_.finished) return false;
    record_.bytes.append(reinterpret_cast<const char*>(data), length);
    return true;
  }
  bool Finish() override {
    std::lock_guard lock(mutex_);
    return record_.finished = true;
  }

 private:
  OutputRecord& record_;
  std::mutex& mutex_;
};

// Hands out fake printers and keeps what each job got. Raw jobs and messages are thread-safe;
// pages are read once the session that printed them is gone (its print thread joined).
class CFakePrintDevices final : public IPrintDevices {
 public:
  PageMetrics metrics{600, 600, 10, 10};  // 60 lines of 60 characters
  int rawError = 0;                       // non-zero: raw jobs fail with this code
  int failPage = -1;

  std::unique_ptr<IPageDevice> OpenPageDevice(const PrinterTarget&, const PrintFont&,
                                              platform::CPrintCancel&) override {
    std::lock_guard lock(mutex_);
    pages_.push_back(std::make_unique<PageRecord>());
    return std::make_unique<CFakePageDevice>(*pages_.back(), metrics, failPage);
  }
  std::unique_ptr<platform::IPrintOutput> OpenRawJob(const PrinterTarget&, const std::string&,
                                                     int& error, platform::CPrintCancel&) override {
    std::lock_guard lock(mutex_);
    if (rawError != 0) {
      error = rawError;
      return nullptr;
    }
    outputs_.push_back(std::make_unique<OutputRecord>());
    return std::make_unique<CFakeOutput>(*outputs_.back(), mutex_);
  }
  std::unique_ptr<platform::IPrintOutput> OpenPort(int, int& error,
                                                   platform::CPrintCancel&) override {
    error = 2;
    return nullptr;
  }
  void PostMessage(const std::string& text) override {
    std::lock_guard lock(mutex_);
    messages_.push_back(text);
  }

  std::vector<std::string> Messages() {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  size_t Jobs() {
    std::lock_guard lock(mutex_);
    return outputs_.size();
  }
  OutputRecord Job(size_t i) {
    std::lock_guard lock(mutex_);
    return *outputs_.at(i);
  }
  PageRecord& Document(size_t i) { return *pages_.at(i); }
  size_t Documents() { return pages_.size(); }

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<PageRecord>> pages_;
  std::vector<std::unique_ptr<OutputRecord>> outputs_;
  std::vector<std::string> messages_;
};

}  // namespace ostrane::test
