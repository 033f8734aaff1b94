#include "ui/print_commands.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>

#include "print/print_devices.h"
#include "print/printer_param.h"
#include "settings/settings_table.h"
#include "ui/qt_print_devices.h"

namespace ostrane {

namespace {

// The driver name kept for a CUPS queue (the queue is the printer name).
constexpr char kCupsDriver[] = "CUPS";

}  // namespace

bool PrintSelection(CVT420Doc& doc, const CSelection& selection) {
  if (!selection.Active()) return false;
  return doc.PrintViewLines(std::min(selection.StartRow(), selection.EndRow()),
                            std::max(selection.StartRow(), selection.EndRow()));
}

void StorePrinterSetup(CVT420Doc& doc, const QPrinter& printer) {
  PrinterOptions options;
  options.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
  options.copies = printer.copyCount();
  options.duplex = static_cast<int>(printer.duplex());
  options.paperSize = static_cast<int>(printer.pageLayout().pageSize().id());
  const bool pdf = printer.outputFormat() == QPrinter::PdfFormat;
  const std::string name = (pdf ? printer.outputFileName() : printer.printerName()).toStdString();
  const bool isDefault = !pdf && printer.printerName() == QPrinterInfo::defaultPrinterName();
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    CSettingsSet& s = doc.Settings();
    const std::vector<uint8_t> param = EncodePrinterOptions(options, s.BinarySize(S::PrinterParam));
    s.StorePrinterChoice(isDefault, pdf ? kPdfDriver : kCupsDriver, name, param.data(),
                         param.size());
  }
  doc.SetModified(true);
}

bool RunPrintSetup(CVT420Doc& doc, QWidget* parent, const std::function<int(QDialog&)>& exec) {
  PrintSetup setup;
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    setup = PrintSetupFrom(doc.Settings(), doc.Title());
  }
  std::unique_ptr<QPrinter> printer = MakePrinter(setup.printer);
  if (!printer) printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  QPrintDialog dialog(printer.get(), parent);
  dialog.setWindowTitle("Print Setup");
  if (exec(dialog) != QDialog::Accepted) return false;
  StorePrinterSetup(doc, *printer);
  return true;
}

}  // namespace ostrane
