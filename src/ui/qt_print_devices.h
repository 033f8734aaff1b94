// CQtPrintDevices: the desktop program's printers. Pages go through QPrinter to a CUPS printer
// or, with the "PDF" driver, into a PDF file; raw jobs and ports are the core's. Messages are
// posted to the GUI thread as message boxes that nobody waits for.
#pragma once

#include <QFont>
#include <QPainter>
#include <memory>

#include "print/print_devices.h"

class QPrinter;

namespace ostrane {

// One QPrinter document, its pages and its font.
class CQtPageDevice final : public IPageDevice {
 public:
  CQtPageDevice(std::unique_ptr<QPrinter> printer, const QFont& font);
  ~CQtPageDevice() override;
  PageMetrics Metrics() const override;
  bool StartDocument(const std::string& title) override;
  bool StartPage() override;
  void DrawLine(int y, std::u16string_view text) override;
  bool EndPage() override { return true; }
  bool EndDocument() override;
  void AbortDocument() override;

 private:
  std::unique_ptr<QPrinter> printer_;
  QFont font_;
  QPainter painter_;
  int ascent_ = 0;
  bool firstPage_ = true;
};

class CQtPrintDevices final : public CSystemPrintDevices {
 public:
  // QPrinter has no way to give up a call in progress: cancel is not used.
  std::unique_ptr<IPageDevice> OpenPageDevice(const PrinterTarget& printer, const PrintFont& font,
                                              platform::CPrintCancel& cancel) override;
  void PostMessage(const std::string& text) override;
};

// The devices every session of the desktop program prints with; they outlive the sessions.
CQtPrintDevices& QtPrintDevices();

// A QPrinter for the chosen printer with its options; null when the printer does not exist.
std::unique_ptr<QPrinter> MakePrinter(const PrinterTarget& printer);

}  // namespace ostrane
