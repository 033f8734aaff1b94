// Page printing into a PDF file, read back with pdftotext: lines per page and page count of
// Print All, Print Page and Print Selection, auto print on the page printer, the menu commands
// and Print Setup's choice.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <filesystem>

#include "print/page_device.h"
#include "print/printer_param.h"
#include "session/vt420_doc.h"
#include "settings/settings_table.h"
#include "support/test_folder.h"
#include "ui/child_frame.h"
#include "ui/frame_commands.h"
#include "ui/main_frame.h"
#include "ui/print_commands.h"
#include "ui/qt_print_devices.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

// The non-empty lines of each page of a PDF file.
std::vector<std::vector<std::string>> PdfPages(const std::string& path) {
  QProcess pdftotext;
  pdftotext.start("pdftotext", {QString::fromStdString(path), "-"});
  if (!pdftotext.waitForFinished(30000)) return {};
  const std::string text = pdftotext.readAllStandardOutput().toStdString();
  std::vector<std::vector<std::string>> pages(1);
  std::string line;
  for (char c : text) {
    if (c == '\n' || c == '\f') {
      if (!line.empty()) pages.back().push_back(line);
      line.clear();
      if (c == '\f') pages.emplace_back();
    } else {
      line += c;
    }
  }
  // pdftotext ends every page with a form feed.
  if (pages.back().empty()) pages.pop_back();
  return pages;
}

// The pages of a PDF the print thread writes, once it holds `count` of them (a file being
// written reads as none).
std::vector<std::vector<std::string>> WaitForPages(const std::string& path, size_t count) {
  std::vector<std::vector<std::string>> pages;
  test::WaitUntil([&] { return (pages = PdfPages(path)).size() == count; }, 20000);
  return pages;
}

std::string RowName(int n) {
  return (n < 10 ? "row 0" : "row ") + std::to_string(n);
}

class PrintPdf : public testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    dir_ = test::FreshTestFolder();
    points_ = PointsForSixtyLines();
    ASSERT_GT(points_, 0) << "no print font size gives 60 lines on the PDF page";
  }
  std::string Pdf(const std::string& name) const { return (dir_ / name).string(); }
  void Configure(CVT420Doc& doc, const std::string& pdf) const {
    doc.SetPrintDevices(&QtPrintDevices());
    std::lock_guard lock(doc.Terminal().Mutex());
    doc.Settings().StorePrinterChoice(false, kPdfDriver, pdf, nullptr, 0);
    doc.Settings().SetInt(S::PrintFontSize, points_);
  }
  // Rows "row 01".."row <count>": with 24 lines on the page, all but the last 24 in history.
  static void ReceiveRows(CVT420Doc& doc, int count) {
    std::string bytes;
    for (int i = 1; i <= count; ++i) bytes += (i > 1 ? "\r\n" : "") + RowName(i);
    doc.DeliverReceived(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  // The print font size whose cell puts exactly 60 lines on the PDF page.
  int PointsForSixtyLines() const {
    PrinterTarget target;
    target.useDefault = false;
    target.driver = kPdfDriver;
    target.name = Pdf("probe.pdf");
    platform::CPrintCancel never;
    for (int points = 4; points <= 30; ++points) {
      const auto device =
          QtPrintDevices().OpenPageDevice(target, {"Courier New", points, false}, never);
      const auto layout = device ? LayoutFor(device->Metrics()) : std::nullopt;
      if (layout && layout->linesPerPage == 60) return points;
    }
    return 0;
  }

  std::filesystem::path dir_;
  int points_ = 0;
};

TEST_F(PrintPdf, PrintAllOfSixtyAndSixtyOneLinesGivesOneAndTwoPages) {
  for (const int count : {60, 61}) {
    CVT420Doc doc;
    const std::string pdf = Pdf("all" + std::to_string(count) + ".pdf");
    Configure(doc, pdf);
    ReceiveRows(doc, count);
    ASSERT_TRUE(doc.PrintAll());
    const auto pages = WaitForPages(pdf, count == 60 ? 1u : 2u);
    ASSERT_EQ(pages.size(), count == 60 ? 1u : 2u) << count;
    ASSERT_EQ(pages[0].size(), 60u);
    EXPECT_EQ(pages[0].front(), "row 01");
    EXPECT_EQ(pages[0].back(), "row 60");
    if (count == 61) {
      EXPECT_EQ(pages[1], std::vector<std::string>{"row 61"});
    }
  }
}

TEST_F(PrintPdf, PrintPageAndPrintSelectionPrintTheirOwnLines) {
  CVT420Doc doc;
  ReceiveRows(doc, 61);
  Configure(doc, Pdf("page.pdf"));
  ASSERT_TRUE(doc.PrintPage());
  auto pages = WaitForPages(Pdf("page.pdf"), 1);
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages[0].size(), 24u);
  EXPECT_EQ(pages[0].front(), "row 38");
  EXPECT_EQ(pages[0].back(), "row 61");

  // A selection from history into the page, made bottom-up: the rows it touches, in order.
  Configure(doc, Pdf("selection.pdf"));
  CSelection selection;
  selection.BeginDrag(40, 3, false);
  selection.DragTo(35, 1);
  selection.EndDrag();
  ASSERT_TRUE(PrintSelection(doc, selection));
  pages = WaitForPages(Pdf("selection.pdf"), 1);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0],
            (std::vector<std::string>{"row 36", "row 37", "row 38", "row 39", "row 40", "row 41"}));
  EXPECT_FALSE(PrintSelection(doc, CSelection()));
}

TEST_F(PrintPdf, AFontSizeWithoutACellCannotSetUpThePrinter) {
  PrinterTarget target;
  target.useDefault = false;
  target.driver = kPdfDriver;
  target.name = Pdf("none.pdf");
  platform::CPrintCancel never;
  EXPECT_FALSE(QtPrintDevices().OpenPageDevice(target, {"Courier New", 0, false}, never));
  const auto huge = QtPrintDevices().OpenPageDevice(target, {"Courier New", 1000, false}, never);
  EXPECT_FALSE(huge && LayoutFor(huge->Metrics()));
  // A queue that does not exist is no printer either.
  target.driver = "CUPS";
  target.name = "no_such_queue";
  EXPECT_FALSE(MakePrinter(target));
}

TEST_F(PrintPdf, PrintSetupStoresThePrinterAndItsOptionsForTheNextPrint) {
  CVT420Doc doc;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(Pdf("setup.pdf")));
  printer.setPageOrientation(QPageLayout::Landscape);
  printer.setCopyCount(3);
  StorePrinterSetup(doc, printer);
  EXPECT_TRUE(doc.IsModified());
  PrintSetup setup;
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    EXPECT_EQ(doc.Settings().Int(S::DefaultPrinter), 0);
    EXPECT_EQ(doc.Settings().Str(S::DriverName), kPdfDriver);
    EXPECT_EQ(doc.Settings().Str(S::PrinterName), Pdf("setup.pdf"));
    setup = PrintSetupFrom(doc.Settings(), "t");
  }
  ASSERT_TRUE(setup.printer.options);
  EXPECT_TRUE(setup.printer.options->landscape);
  EXPECT_EQ(setup.printer.options->copies, 3);
  const auto made = MakePrinter(setup.printer);
  ASSERT_TRUE(made);
  EXPECT_EQ(made->pageLayout().orientation(), QPageLayout::Landscape);
  EXPECT_EQ(made->outputFileName().toStdString(), Pdf("setup.pdf"));
}

class PrintMenu : public PrintPdf {
 protected:
  void TearDown() override { frame_.reset(); }
  // A session over the local loop in the main window, printing into pdf.
  CChildFrame* OpenSession() {
    profile_ = std::make_unique<CProfile>((dir_ / "ostrane.ini").string());
    frame_ = std::make_unique<CMainFrame>(*profile_);
    frame_->show();
    const std::string path = (dir_ / "local.OSN").string();
    CVT420Doc writer;
    Configure(writer, Pdf("menu.pdf"));
    {
      std::lock_guard lock(writer.Terminal().Mutex());
      writer.Settings().SetInt(S::HostType, 2);
      writer.Settings().SetInt(S::JobTimeout, 0);
    }
    EXPECT_EQ(writer.WriteSessionFile(path), SetupFileStatus::kOk);
    return frame_->OpenSessionFile(QString::fromStdString(path));
  }
  bool Enabled(int command) const { return frame_->Action(command)->isEnabled(); }

  std::unique_ptr<CProfile> profile_;
  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(PrintMenu, PrintAllFromTheMenuAndAutoPrintWhichDisablesThePagePrints) {
  CChildFrame* child = OpenSession();
  ASSERT_NE(child, nullptr);
  CVT420Doc& doc = child->Document();
  ReceiveRows(doc, 61);
  frame_->UpdateCommandStates();
  EXPECT_TRUE(Enabled(Cmd::kPrintAll));
  EXPECT_FALSE(Enabled(Cmd::kPrintSelection));
  frame_->RunCommand(Cmd::kPrintAll);
  auto pages = WaitForPages(Pdf("menu.pdf"), 2);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[1], std::vector<std::string>{"row 61"});

  // Printing Mode: each line the cursor leaves goes to the printer; the page prints wait.
  std::filesystem::remove(Pdf("menu.pdf"));
  frame_->RunCommand(Cmd::kPrintingMode);
  EXPECT_EQ(doc.CurrentPrintMode(), PrintMode::kAutoPrint);
  EXPECT_TRUE(frame_->Action(Cmd::kPrintingMode)->isChecked());
  for (int command : {Cmd::kPrintPage, Cmd::kPrintSelection, Cmd::kPrintAll, Cmd::kPrintSetup})
    EXPECT_FALSE(Enabled(command)) << command;
  OSTRANE_TRY_COMPARE(frame_->PrintingPane()->text(), QString("Printing"));
  const std::string lines = "\r\nauto one\r\nauto two\r\n";
  doc.DeliverReceived(reinterpret_cast<const uint8_t*>(lines.data()), lines.size());
  frame_->RunCommand(Cmd::kPrintingMode);
  EXPECT_EQ(doc.CurrentPrintMode(), PrintMode::kNone);
  EXPECT_TRUE(Enabled(Cmd::kPrintAll));
  // The session's print thread ends the document.
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT((pages = PdfPages(Pdf("menu.pdf"))).size() == 1, 20000);
  EXPECT_EQ(pages[0], (std::vector<std::string>{"row 61", "auto one", "auto two"}));
}

}  // namespace
}  // namespace ostrane
