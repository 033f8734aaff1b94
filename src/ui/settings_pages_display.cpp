// The Display, Keyboard and Print pages.
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QPrinterInfo>
#include <QVBoxLayout>

#include "ui/settings_pages.h"
#include "ui/settings_sheet.h"

namespace ostrane {

namespace {

constexpr char kTextDefaultPrinter[] = "Default Printer";

QStringList FixedFonts() {
  QStringList fonts;
  for (const QString& family : QFontDatabase::families())
    if (QFontDatabase::isFixedPitch(family)) fonts << family;
  return fonts;
}

QGroupBox* Group(const QString& title, QWidget* parent) {
  return new QGroupBox(title, parent);
}

}  // namespace

// ---- Display ----

CPageDisplay::CPageDisplay(CSettingsSheet& sheet) : CSettingsPage(sheet, "Display") {
  auto* screen = Group("Screen", this);
  BindRadios(S::DarkScreen, {{"Dark Screen", 1}, {"Light Screen", 0}}, screen);
  auto* visible = Group("Cursor", this);
  BindRadios(S::CursorVisible, {{"Cursor Visible", 1}, {"Cursor Invisible", 0}}, visible);
  auto* type = Group("Cursor Shape", this);
  BindRadios(S::CursorType, {{"Block Cursor", 0}, {"Underline Cursor", 1}}, type);
  auto* blink = Group("Cursor Blink", this);
  BindRadios(S::CursorBlink, {{"Blink Cursor", 1}, {"Steady Cursor", 0}}, blink);

  const QStringList fonts = FixedFonts();
  auto* font80 = Group("80 Columns Font", this);
  auto* form80 = new QFormLayout(font80);
  form80->addRow("Font:", BindComboText(S::FontName, fonts));
  form80->addRow("Size:", BindNumber(S::FontSize));
  form80->addRow(BindCheck("Bold", S::FontBold));
  auto* font132 = Group("132 Columns Font", this);
  auto* form132 = new QFormLayout(font132);
  form132->addRow("Font:", BindComboText(S::FontName132, fonts));
  form132->addRow("Size:", BindNumber(S::FontSize132));
  form132->addRow(BindCheck("Bold", S::FontBold132));
  form132->addRow(BindCheck("Use the 80 Columns Font", S::FontUse80));

  auto* grid = new QGridLayout(this);
  grid->addWidget(screen, 0, 0);
  grid->addWidget(visible, 0, 1);
  grid->addWidget(type, 1, 0);
  grid->addWidget(blink, 1, 1);
  grid->addWidget(font80, 2, 0);
  grid->addWidget(font132, 2, 1);
  grid->addWidget(BindCheck("Blinking Text", S::BlinkText), 3, 0);
  grid->addWidget(BindCheck("Status Line", S::StatusLine), 3, 1);
  grid->setRowStretch(4, 1);
}

// ---- Keyboard ----

CPageKeyboard::CPageKeyboard(CSettingsSheet& sheet) : CSettingsPage(sheet, "Keyboard") {
  auto* keypad = Group("Keypad", this);
  BindRadios(S::NumericKeypad, {{"Numeric Keypad", 1}, {"Application Keypad", 0}}, keypad);
  auto* cursor = Group("Cursor Keys", this);
  BindRadios(S::CursorKeys, {{"Normal Cursor", 1}, {"Application Cursor", 0}}, cursor);
  auto* back = Group("Back Arrow Key", this);
  BindRadios(S::BackArrow, {{"Delete", 1}, {"Back Space", 0}}, back);
  auto* newLine = Group("New Line", this);
  BindRadios(S::NewLine, {{"No New Line", 0}, {"New Line", 1}, {"Auto Detect", 2}}, newLine);
  auto* margin = Group("Margin Bell", this);
  BindRadios(S::MarginBell, {{"No Margin Bell", 0}, {"Margin Bell", 1}}, margin);
  auto* warning = Group("Warning Bell", this);
  BindRadios(S::WarningBell, {{"No Warning Bell", 0}, {"Warning Bell", 1}}, warning);
  auto* numLock = Group("Num Lock", this);
  BindRadios(S::NumLock, {{"Num Lock Is PF1", 0}, {"Num Lock Switches the Keypad", 1}}, numLock);

  auto* fkeys = Group("Function Keys F1-F5", this);
  fkey_ = new QComboBox(fkeys);
  for (int i = 1; i <= 5; ++i) fkey_->addItem(QString("Function Key F%1").arg(i));
  fmode_ = new QComboBox(fkeys);
  fmode_->addItems({"Local Function", "Send Sequence", "Do Nothing"});
  auto* fkeyLayout = new QVBoxLayout(fkeys);
  fkeyLayout->addWidget(fkey_);
  fkeyLayout->addWidget(fmode_);
  connect(fkey_, &QComboBox::currentIndexChanged, this, [this](int key) {
    if (key >= 0) fmode_->setCurrentIndex(modes_[static_cast<size_t>(key)]);
  });
  connect(fmode_, &QComboBox::activated, this, [this](int mode) {
    if (fkey_->currentIndex() >= 0) modes_[static_cast<size_t>(fkey_->currentIndex())] = mode;
  });

  auto* grid = new QGridLayout(this);
  grid->addWidget(keypad, 0, 0);
  grid->addWidget(cursor, 0, 1);
  grid->addWidget(back, 0, 2);
  grid->addWidget(newLine, 1, 0);
  grid->addWidget(margin, 1, 1);
  grid->addWidget(warning, 1, 2);
  grid->addWidget(numLock, 2, 0);
  grid->addWidget(fkeys, 2, 1, 1, 2);
  grid->setRowStretch(3, 1);
}

void CPageKeyboard::LoadExtra(const CSettingsSet& settings, const CKeyMap& /*keyMap*/) {
  for (int i = 0; i < 5; ++i) modes_[static_cast<size_t>(i)] = settings.IntElement(S::FKeys, i);
  fkey_->setCurrentIndex(0);
  fmode_->setCurrentIndex(modes_[0] >= 0 && modes_[0] <= 2 ? modes_[0] : -1);
}

bool CPageKeyboard::StoreExtra(CSettingsSet& settings, CKeyMap& /*keyMap*/) {
  for (int i = 0; i < 5; ++i) settings.SetIntElement(S::FKeys, i, modes_[static_cast<size_t>(i)]);
  return true;
}

// ---- Print ----

CPagePrint::CPagePrint(CSettingsSheet& sheet) : CSettingsPage(sheet, "Print") {
  auto* to = Group("Print To", this);
  BindRadios(S::PrintTo,
             {{"Printer, Raw Data", 0}, {"Printer, Page by Page", 1}, {"Direct to Port", 2}}, to);
  printer_ = new QComboBox(this);
  printer_->setEditable(true);
  printer_->addItem(kTextDefaultPrinter);
  printer_->addItems(QPrinterInfo::availablePrinterNames());

  auto* form = new QFormLayout;
  form->addRow("Printer:", printer_);
  form->addRow("Port:", BindList(S::PrintPort, {"LPT1", "LPT2", "LPT3", "LPT4"}));
  form->addRow("Font:", BindComboText(S::PrintFontName, FixedFonts()));
  form->addRow("Font Size:", BindNumber(S::PrintFontSize));
  form->addRow(BindCheck("Bold", S::PrintFontBold));
  form->addRow(BindCheck("Form Feed at the End of a Job", S::FFNeeded));
  form->addRow("Job Timeout (seconds):", BindNumber(S::JobTimeout));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(to);
  layout->addLayout(form);
  layout->addStretch(1);
}

void CPagePrint::LoadExtra(const CSettingsSet& settings, const CKeyMap& /*keyMap*/) {
  printer_->setCurrentText(settings.Int(S::DefaultPrinter)
                               ? QString(kTextDefaultPrinter)
                               : QString::fromStdString(settings.Str(S::PrinterName)));
}

bool CPagePrint::StoreExtra(CSettingsSet& settings, CKeyMap& /*keyMap*/) {
  const QString name = printer_->currentText().trimmed();
  const bool useDefault = name.isEmpty() || name == kTextDefaultPrinter;
  settings.SetInt(S::DefaultPrinter, useDefault ? 1 : 0);
  if (!useDefault) settings.SetStr(S::PrinterName, name.toStdString());
  return true;
}

}  // namespace ostrane
