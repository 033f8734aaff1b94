// Printer-controller bytes and screen lines through a print channel on a page printer whose
// page and font the input chooses (zero, tiny or huge cells included), or a raw job. Nothing may
// divide by zero, overflow the line buffer, draw a line wider than the page allows or below
// its last line, or lose the order of raw bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "print/print_channel.h"

namespace {

using namespace ostrane;

class CCheckingPage final : public IPageDevice {
 public:
  explicit CCheckingPage(PageMetrics metrics) : metrics_(metrics) {}
  PageMetrics Metrics() const override { return metrics_; }
  bool StartDocument(const std::string&) override { return true; }
  bool StartPage() override {
    if (open_) std::abort();
    open_ = true;
    return true;
  }
  void DrawLine(int y, std::u16string_view text) override {
    const auto layout = LayoutFor(metrics_);
    if (!open_ || !layout || text.size() > static_cast<size_t>(layout->charsPerLine) || y < 0 ||
        y / layout->cellHeight >= layout->linesPerPage)
      std::abort();
  }
  bool EndPage() override {
    if (!open_) std::abort();
    open_ = false;
    return true;
  }
  bool EndDocument() override { return !open_; }
  void AbortDocument() override {}

 private:
  PageMetrics metrics_;
  bool open_ = false;
};

class CCollectingOutput final : public platform::IPrintOutput {
 public:
  explicit CCollectingOutput(std::string& bytes) : bytes_(bytes) {}
  bool Write(const uint8_t* data, size_t length) override {
    bytes_.append(reinterpret_cast<const char*>(data), length);
    return true;
  }
  bool Finish() override { return true; }

 private:
  std::string& bytes_;
};

class CFuzzDevices final : public IPrintDevices {
 public:
  PageMetrics metrics;
  std::string raw;
  std::unique_ptr<IPageDevice> OpenPageDevice(const PrinterTarget&, const PrintFont&,
                                              platform::CPrintCancel&) override {
    return std::make_unique<CCheckingPage>(metrics);
  }
  std::unique_ptr<platform::IPrintOutput> OpenRawJob(const PrinterTarget&, const std::string&, int&,
                                                     platform::CPrintCancel&) override {
    return std::make_unique<CCollectingOutput>(raw);
  }
  std::unique_ptr<platform::IPrintOutput> OpenPort(int, int&, platform::CPrintCancel&) override {
    return nullptr;
  }
  void PostMessage(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  CFuzzDevices devices;
  devices.metrics = {data[1] * 40, data[2] * 40, data[3] % 64, data[4] % 64};
  PrintSetup setup;
  setup.destination = data[0] & 1 ? PrintDestination::kRawJob : PrintDestination::kPagePrinter;
  setup.formFeedAtClose = (data[0] & 2) != 0;
  std::string expected;
  {
    CPrintChannel channel;
    platform::CPrintCancel cancel;
    if (channel.Open(devices, setup, cancel).status != CPrintChannel::OpenStatus::kOpened) return 0;
    for (size_t i = 5; i < size; ++i) {
      // 0xFF asks for a whole screen line of 700 cells, wider than any line buffer.
      if (data[i] == 0xFF) {
        channel.PutLine(std::u16string(700, u'W'));
        expected += std::string(700, 'W') + "\r\n";
      } else {
        if (setup.destination == PrintDestination::kRawJob)
          channel.Write(std::string(1, static_cast<char>(data[i])));
        else
          channel.PutChars(std::u16string(1, static_cast<char16_t>(data[i])));
        expected += static_cast<char>(data[i]);
      }
    }
    channel.Close();
  }
  if (setup.formFeedAtClose) expected += '\f';
  if (setup.destination == PrintDestination::kRawJob && devices.raw != expected) std::abort();
  return 0;
}
