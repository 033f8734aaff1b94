// What printing needs from the settings, and IPrintDevices, where the printers come from: the
// front end supplies the page printer and shows the messages; raw jobs and ports are the
// platform's. CSystemPrintDevices is the headless set.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/print_output.h"
#include "print/page_device.h"
#include "print/printer_param.h"
#include "settings/settings_set.h"

namespace ostrane {

// Where printer-controller and auto-print output goes (PrintTo).
enum class PrintDestination : int { kRawJob = 0, kPagePrinter = 1, kPort = 2 };

struct PrinterTarget {
  bool useDefault = true;  // DefaultPrinter
  std::string driver;      // DriverName
  std::string name;        // PrinterName: a queue, or the file of the "PDF" driver
  // From PrinterParam, only when it is a valid record of this program's.
  std::optional<PrinterOptions> options;
};

// The DriverName that prints pages into the PDF file named by PrinterName.
inline constexpr char kPdfDriver[] = "PDF";

struct PrintFont {
  std::string name;
  int points = 9;
  bool bold = false;
};

struct PrintSetup {
  PrintDestination destination = PrintDestination::kPagePrinter;
  bool formFeedAtClose = false;
  PrinterTarget printer;
  PrintFont font;
  int port = 0;
  std::string title;
};

// The printing settings of a session; the title names its print jobs.
PrintSetup PrintSetupFrom(const CSettingsSet& settings, const std::string& title);

class IPrintDevices {
 public:
  virtual ~IPrintDevices() = default;
  // Called on the session's print thread. cancel, which outlives what is opened, makes the
  // printer's calls give up when the job is cancelled (where the printer allows it).
  // A page printer with the print font selected, its document not started; null when the
  // printer or the font cannot be set up.
  virtual std::unique_ptr<IPageDevice> OpenPageDevice(const PrinterTarget& printer,
                                                      const PrintFont& font,
                                                      platform::CPrintCancel& cancel) = 0;
  virtual std::unique_ptr<platform::IPrintOutput> OpenRawJob(const PrinterTarget& printer,
                                                             const std::string& title, int& error,
                                                             platform::CPrintCancel& cancel) = 0;
  virtual std::unique_ptr<platform::IPrintOutput> OpenPort(int port, int& error,
                                                           platform::CPrintCancel& cancel) = 0;
  // A message for the user, from any thread. Posted: nobody waits for the user.
  virtual void PostMessage(const std::string& text) = 0;
};

// Raw jobs on CUPS, ports from the profile, and page printing as plain text pages (lines ended
// by LF, pages by FF) sent as a raw job, for a session without a window.
class CSystemPrintDevices : public IPrintDevices {
 public:
  explicit CSystemPrintDevices(std::function<void(const std::string&)> post = {})
      : post_(std::move(post)) {}
  std::unique_ptr<IPageDevice> OpenPageDevice(const PrinterTarget& printer, const PrintFont& font,
                                              platform::CPrintCancel& cancel) override;
  std::unique_ptr<platform::IPrintOutput> OpenRawJob(const PrinterTarget& printer,
                                                     const std::string& title, int& error,
                                                     platform::CPrintCancel& cancel) override;
  std::unique_ptr<platform::IPrintOutput> OpenPort(int port, int& error,
                                                   platform::CPrintCancel& cancel) override;
  void PostMessage(const std::string& text) override {
    if (post_) post_(text);
  }

 private:
  std::function<void(const std::string&)> post_;
};

}  // namespace ostrane
