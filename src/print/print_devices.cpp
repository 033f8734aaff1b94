#include "print/print_devices.h"

#include <algorithm>

#include "platform/paths.h"
#include "print/print_limits.h"
#include "print/print_text.h"
#include "settings/settings_table.h"

namespace ostrane {

namespace {

// The headless page: 10 by 7.5 inches of printable area in points, and a cell of 1.2 by 0.6
// times the font size, as a monospaced font has.
constexpr int kTextPageHeight = 720;
constexpr int kTextPageWidth = 540;

// Plain text pages on a raw job: each line ends with LF, each page with FF, and the lines a
// page leaves out above a line (blank lines) come out as empty lines.
class CTextPageDevice final : public IPageDevice {
 public:
  CTextPageDevice(IPrintDevices& devices, PrinterTarget printer, const PrintFont& font,
                  platform::CPrintCancel& cancel)
      : devices_(devices), printer_(std::move(printer)), cancel_(cancel) {
    if (font.points >= 1 && font.points <= kMaxPrintFontPoints) {
      metrics_.cellHeight = std::max(font.points * 6 / 5, 1);
      metrics_.cellWidth = std::max(font.points * 3 / 5, 1);
    }
    metrics_.height = kTextPageHeight;
    metrics_.width = kTextPageWidth;
  }
  PageMetrics Metrics() const override { return metrics_; }
  bool StartDocument(const std::string& title) override {
    int error = 0;
    output_ = devices_.OpenRawJob(printer_, title, error, cancel_);
    return output_ != nullptr;
  }
  bool StartPage() override {
    linesOut_ = 0;
    return output_ != nullptr;
  }
  void DrawLine(int y, std::u16string_view text) override {
    const int line = y / std::max(metrics_.cellHeight, 1);
    std::string bytes(static_cast<size_t>(std::max(line - linesOut_, 0)), '\n');
    bytes += PrintableUtf8(text);
    bytes += '\n';
    linesOut_ = line + 1;
    Write(bytes);
  }
  bool EndPage() override { return Write("\f"); }
  bool EndDocument() override {
    const bool ok = ok_ && output_ && output_->Finish();
    output_.reset();
    return ok;
  }
  void AbortDocument() override { output_.reset(); }

 private:
  bool Write(const std::string& bytes) {
    if (!output_) return false;
    ok_ = output_->Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) && ok_;
    return ok_;
  }

  IPrintDevices& devices_;
  PrinterTarget printer_;
  platform::CPrintCancel& cancel_;
  PageMetrics metrics_;
  std::unique_ptr<platform::IPrintOutput> output_;
  int linesOut_ = 0;
  bool ok_ = true;
};

}  // namespace

PrintSetup PrintSetupFrom(const CSettingsSet& settings, const std::string& title) {
  PrintSetup setup;
  const int to = settings.Int(S::PrintTo);
  setup.destination = to == 0   ? PrintDestination::kRawJob
                      : to == 2 ? PrintDestination::kPort
                                : PrintDestination::kPagePrinter;
  setup.formFeedAtClose = settings.Int(S::FFNeeded) != 0;
  setup.printer.useDefault = settings.Int(S::DefaultPrinter) != 0;
  setup.printer.driver = settings.Str(S::DriverName);
  setup.printer.name = settings.Str(S::PrinterName);
  if (!setup.printer.useDefault)
    setup.printer.options = DecodePrinterOptions(settings.Binary(S::PrinterParam),
                                                 settings.BinarySize(S::PrinterParam));
  setup.font.name = settings.Str(S::PrintFontName);
  setup.font.points = settings.Int(S::PrintFontSize);
  setup.font.bold = settings.Int(S::PrintFontBold) != 0;
  setup.port = settings.Int(S::PrintPort);
  setup.title = title;
  return setup;
}

std::unique_ptr<IPageDevice> CSystemPrintDevices::OpenPageDevice(const PrinterTarget& printer,
                                                                 const PrintFont& font,
                                                                 platform::CPrintCancel& cancel) {
  return std::make_unique<CTextPageDevice>(*this, printer, font, cancel);
}

std::unique_ptr<platform::IPrintOutput> CSystemPrintDevices::OpenRawJob(
    const PrinterTarget& printer, const std::string& title, int& error,
    platform::CPrintCancel& cancel) {
  return platform::OpenCupsRawJob(printer.useDefault ? std::string() : printer.name, title, error,
                                  cancel);
}

std::unique_ptr<platform::IPrintOutput> CSystemPrintDevices::OpenPort(
    int port, int& error, platform::CPrintCancel& cancel) {
  const CProfile profile(platform::ConfigFolder() + "/ostrane.ini");
  return platform::OpenPrintDevice(platform::PrintPortPath(profile, port), error, cancel);
}

}  // namespace ostrane
