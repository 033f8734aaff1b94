// The Print menu's commands that need the desktop: Print Selection over a view's selection,
// and Print Setup with Qt's printer dialog, whose choice becomes the session's printer.
#pragma once

#include <QDialog>
#include <functional>

#include "session/selection.h"
#include "session/vt420_doc.h"

class QPrinter;
class QWidget;

namespace ostrane {

// Prints the lines the selection touches; false when there is no selection.
bool PrintSelection(CVT420Doc& doc, const CSelection& selection);

// Shows the printer dialog (through exec, which runs it modally) on the session's printer;
// when accepted the choice is stored and true returned.
bool RunPrintSetup(CVT420Doc& doc, QWidget* parent, const std::function<int(QDialog&)>& exec);

// Stores a configured printer as the session's choice: the default printer as DefaultPrinter,
// any other as its name with its options, a PDF file with the "PDF" driver.
void StorePrinterSetup(CVT420Doc& doc, const QPrinter& printer);

}  // namespace ostrane
