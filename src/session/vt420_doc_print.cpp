// The printing of a session: the terminal's print requests and the print commands, with copies
// of the screen taken under the terminal lock and printed outside it.
#include <algorithm>

#include "emulator/emulator_limits.h"
#include "session/vt420_doc.h"
#include "settings/settings_table.h"

namespace ostrane {

namespace {

// The name of the jobs the host's output makes (the session title may change meanwhile).
constexpr char kHostJobTitle[] = "Secure Ostrane";

}  // namespace

void CVT420Doc::SetPrintDevices(IPrintDevices* devices) {
  print_.SetDevices(devices ? *devices : systemPrintDevices_);
}

std::u16string CVT420Doc::ViewLineTextLocked(int viewIndex) {
  const int columns = std::clamp(terminal_.Settings().Int(S::Columns), 1, kLineWidth);
  const std::optional<LineView> line = terminal_.Screen().GetLine(viewIndex);
  if (!line || line->chars == nullptr) return std::u16string(static_cast<size_t>(columns), u' ');
  return std::u16string(reinterpret_cast<const char16_t*>(line->chars),
                        static_cast<size_t>(columns));
}

std::vector<std::u16string> CVT420Doc::ViewLinesLocked(int first, int last) {
  const CScreenBuffer& screen = terminal_.Screen();
  first = std::max(first, 0);
  last = std::min(last, screen.HistoryCount() + screen.Lines() - 1);
  std::vector<std::u16string> lines;
  for (int i = first; i <= last; ++i) lines.push_back(ViewLineTextLocked(i));
  return lines;
}

bool CVT420Doc::CanPrint() {
  return CurrentPrintMode() == PrintMode::kNone;
}

PrintMode CVT420Doc::CurrentPrintMode() {
  std::lock_guard lock(terminal_.Mutex());
  return terminal_.GetPrintMode();
}

bool CVT420Doc::PrintViewLines(int first, int last) {
  PrintSetup setup;
  std::vector<std::u16string> lines;
  {
    std::lock_guard lock(terminal_.Mutex());
    setup = PrintSetupFrom(terminal_.Settings(), title_);
    lines = ViewLinesLocked(first, last);
  }
  if (lines.empty()) return false;
  // On the print thread, as the host's pages are: a printer that does not answer never holds
  // the window. What goes wrong is told from there.
  print_.QueueLines(setup, std::move(lines));
  return true;
}

bool CVT420Doc::PrintPage() {
  int first;
  int last;
  {
    std::lock_guard lock(terminal_.Mutex());
    first = terminal_.Screen().HistoryCount();
    last = first + terminal_.Screen().Lines() - 1;
  }
  return PrintViewLines(first, last);
}

bool CVT420Doc::PrintAll() {
  int count;
  {
    std::lock_guard lock(terminal_.Mutex());
    count = terminal_.Screen().HistoryCount() + terminal_.Screen().Lines();
  }
  return PrintViewLines(0, count - 1);
}

void CVT420Doc::TogglePrintingMode() {
  CSettingsChange change;
  {
    std::lock_guard lock(terminal_.Mutex());
    if (terminal_.GetPrintMode() == PrintMode::kAutoPrint)
      change.printModeOff = true;
    else
      change.printModeOn = true;
  }
  ApplyChanges(change);
}

void CVT420Doc::PrintPageRows(int first, int last) {
  const CScreenBuffer& screen = terminal_.Screen();
  first = std::max(first, 0);
  last = std::min(last, screen.Lines() - 1);
  if (first > last) return;
  pendingPagePrints_.push_back(
      ViewLinesLocked(screen.HistoryCount() + first, screen.HistoryCount() + last));
}

void CVT420Doc::PrintPendingPages() {
  std::vector<std::vector<std::u16string>> pending;
  PrintSetup setup;
  {
    std::lock_guard lock(terminal_.Mutex());
    if (pendingPagePrints_.empty()) return;
    pending.swap(pendingPagePrints_);
    setup = PrintSetupFrom(terminal_.Settings(), kHostJobTitle);
  }
  // On the print thread: the worker never waits for a printer.
  for (std::vector<std::u16string>& lines : pending) print_.QueueLines(setup, std::move(lines));
}

bool CVT420Doc::StartPrintOutputLocked() {
  return print_.StartOutput(PrintSetupFrom(terminal_.Settings(), kHostJobTitle),
                            [this](uint8_t byte) { return terminal_.TranslateChar(byte); });
}

bool CVT420Doc::AutoPrintOn() {
  return StartPrintOutputLocked();
}

void CVT420Doc::AutoPrintLine(int row) {
  print_.PutLine(ViewLineTextLocked(terminal_.Screen().HistoryCount() + row));
}

void CVT420Doc::AutoPrintOff() {
  print_.EndOutput(terminal_.Settings().Int(S::JobTimeout));
}

bool CVT420Doc::PrinterControllerOn() {
  return StartPrintOutputLocked();
}

void CVT420Doc::PrinterControllerByte(uint8_t byte) {
  print_.PutByte(byte);
}

void CVT420Doc::PrinterControllerOff() {
  print_.EndOutput(terminal_.Settings().Int(S::JobTimeout));
}

}  // namespace ostrane
