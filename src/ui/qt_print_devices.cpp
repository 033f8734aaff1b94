#include "ui/qt_print_devices.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include "print/print_limits.h"
#include "settings/question_interface.h"

namespace ostrane {

CQtPageDevice::CQtPageDevice(std::unique_ptr<QPrinter> printer, const QFont& font)
    : printer_(std::move(printer)), font_(font) {}

CQtPageDevice::~CQtPageDevice() {
  if (painter_.isActive()) painter_.end();
}

PageMetrics CQtPageDevice::Metrics() const {
  const QFontMetrics metrics(font_, printer_.get());
  const QRect page = printer_->pageLayout().paintRectPixels(printer_->resolution());
  return {page.width(), page.height(), metrics.horizontalAdvance(QLatin1Char('M')),
          metrics.height()};
}

bool CQtPageDevice::StartDocument(const std::string& title) {
  printer_->setDocName(QString::fromStdString(title));
  if (!painter_.begin(printer_.get())) return false;
  painter_.setFont(font_);
  ascent_ = QFontMetrics(font_, printer_.get()).ascent();
  firstPage_ = true;
  return true;
}

bool CQtPageDevice::StartPage() {
  // QPainter::begin opened the first page.
  if (firstPage_) {
    firstPage_ = false;
    return true;
  }
  return printer_->newPage();
}

void CQtPageDevice::DrawLine(int y, std::u16string_view text) {
  painter_.drawText(0, y + ascent_,
                    QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
}

bool CQtPageDevice::EndDocument() {
  return painter_.end();
}

void CQtPageDevice::AbortDocument() {
  printer_->abort();
  if (painter_.isActive()) painter_.end();
}

std::unique_ptr<QPrinter> MakePrinter(const PrinterTarget& target) {
  std::unique_ptr<QPrinter> printer;
  if (!target.useDefault && target.driver == kPdfDriver) {
    if (target.name.empty()) return nullptr;
    printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(target.name));
  } else {
    const QPrinterInfo info = target.useDefault
                                  ? QPrinterInfo::defaultPrinter()
                                  : QPrinterInfo::printerInfo(QString::fromStdString(target.name));
    if (info.isNull()) return nullptr;
    printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  }
  if (target.options) {
    const PrinterOptions& o = *target.options;
    printer->setPageOrientation(o.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer->setCopyCount(o.copies);
    printer->setDuplex(static_cast<QPrinter::DuplexMode>(o.duplex));
    if (o.paperSize >= 0 && o.paperSize <= QPageSize::LastPageSize)
      printer->setPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(o.paperSize)));
  }
  return printer;
}

std::unique_ptr<IPageDevice> CQtPrintDevices::OpenPageDevice(const PrinterTarget& printer,
                                                             const PrintFont& font,
                                                             platform::CPrintCancel&) {
  // A point size Qt would refuse or that no page holds: no cell, "Cannot setup printer.".
  if (font.points < 1 || font.points > kMaxPrintFontPoints) return nullptr;
  std::unique_ptr<QPrinter> qprinter = MakePrinter(printer);
  if (!qprinter) return nullptr;
  QFont qfont(QString::fromStdString(font.name), font.points);
  qfont.setStyleHint(QFont::TypeWriter);
  qfont.setFixedPitch(true);
  qfont.setBold(font.bold);
  return std::make_unique<CQtPageDevice>(std::move(qprinter), qfont);
}

void CQtPrintDevices::PostMessage(const std::string& text) {
  const QString message = QString::fromStdString(text);
  QMetaObject::invokeMethod(
      qApp,
      [message] {
        auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kMessageCaption),
                                    message, QMessageBox::Ok, QApplication::activeWindow());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
      },
      Qt::QueuedConnection);
}

CQtPrintDevices& QtPrintDevices() {
  static CQtPrintDevices devices;
  return devices;
}

}  // namespace ostrane
