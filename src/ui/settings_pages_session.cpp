// The General, International and Terminal pages.
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>

#include "emulator/charset_state.h"
#include "session/settings_edit.h"
#include "session/settings_templates.h"
#include "settings/control_string.h"
#include "ui/settings_pages.h"
#include "ui/settings_sheet.h"

namespace ostrane {

namespace {

constexpr char kTextInvalidSequence[] = "Invalid format in sequence.";

QStringList CharsetNames() {
  QStringList names;
  for (int code : kCharsetChoices) names << kCharsets[code].name;
  return names;
}

std::vector<int> CharsetValues() {
  return {std::begin(kCharsetChoices), std::end(kCharsetChoices)};
}

}  // namespace

// ---- General ----

CPageGeneral::CPageGeneral(CSettingsSheet& sheet) : CSettingsPage(sheet, "General") {
  auto* window = Stack("Window",
                       {BindCheck("Maximize Window When Opened", S::Maximize),
                        BindCheck("Fit Font to Window", S::FitFont),
                        BindCheck("Close Window When Disconnected", S::AutoClose),
                        BindCheck("Exit When the Last Window Closes", S::AutoExit),
                        BindCheck("Window Cannot Be Closed While Connected", S::CantCloseWindow)},
                       this);
  auto* edit = Stack("Editing and Scripts",
                     {BindCheck("Copy Trailing Spaces", S::CopySpace),
                      BindCheck("Copy Selection Automatically", S::AutoCopy),
                      BindCheck("Capture Debug Information", S::CaptureDebug),
                      BindCheck("Host May Run Protected Script Functions", S::HostScript)},
                     this);

  auto* login = new QGroupBox("Login Script", this);
  loginScript_ = BindCheck("Run Login Script When Connected", S::LoginScript);
  loginFields_ = new QWidget(login);
  auto* password = BindText(S::Password);
  password->setEchoMode(QLineEdit::Password);
  auto* form = new QFormLayout(loginFields_);
  form->setContentsMargins(0, 0, 0, 0);
  form->addRow("User ID:", BindText(S::UserID));
  form->addRow("Password:", password);
  form->addRow("Script:", BindMultiLine(S::Script));
  auto* loginLayout = new QVBoxLayout(login);
  loginLayout->addWidget(loginScript_);
  loginLayout->addWidget(loginFields_);
  connect(loginScript_, &QCheckBox::toggled, loginFields_, &QWidget::setEnabled);

  template_ = new QComboBox(this);
  template_->setEditable(true);
  for (const std::string& name : ListTemplates()) template_->addItem(QString::fromStdString(name));
  template_->setCurrentIndex(-1);
  auto* apply = new QPushButton("Apply", this);
  connect(apply, &QPushButton::clicked, this, &CPageGeneral::ApplyTemplate);
  auto* templateRow = new QHBoxLayout;
  templateRow->addWidget(new QLabel("Use Settings Template:", this));
  templateRow->addWidget(template_, 1);
  templateRow->addWidget(apply);

  auto* titleRow = new QFormLayout;
  titleRow->addRow("Window Title:", BindText(S::Title));

  auto* grid = new QGridLayout(this);
  grid->addWidget(window, 0, 0);
  grid->addWidget(edit, 0, 1);
  grid->addLayout(titleRow, 1, 0, 1, 2);
  grid->addWidget(login, 2, 0, 1, 2);
  grid->addLayout(templateRow, 3, 0, 1, 2);
}

void CPageGeneral::LoadExtra(const CSettingsSet& /*settings*/, const CKeyMap& /*keyMap*/) {
  loginFields_->setEnabled(loginScript_->isChecked());
}

void CPageGeneral::ApplyTemplate() {
  const std::string name = template_->currentText().trimmed().toStdString();
  if (name.empty()) return;
  Sheet().UseTemplate(name, false);
}

// ---- International ----

CPageIntl::CPageIntl(CSettingsSheet& sheet) : CSettingsPage(sheet, "International") {
  QStringList nrcNames;
  for (const NrcInfo& nrc : kNrcSets) nrcNames << nrc.name;
  auto* sets = new QGroupBox("Character Sets", this);
  auto* form = new QFormLayout(sets);
  form->addRow("Primary Character Set:", BindList(S::PrimarySet, CharsetNames(), CharsetValues()));
  form->addRow("Secondary Character Set:",
               BindList(S::SecondarySet, CharsetNames(), CharsetValues()));
  form->addRow("National Replacement Set:", BindList(S::NRC, nrcNames));
  form->addRow(BindCheck("Force ASCII for Typed Characters", S::ForceASCII));

  auto* multi = new QGroupBox("Multibyte Characters", this);
  auto* multiForm = new QFormLayout(multi);
  multiForm->addRow(BindCheck("Multibyte Characters (East Asian, UTF-8)", S::DBCS));
  multiForm->addRow("Code Page:",
                    BindList(S::DBCSSet, {"System Code Page", "Simplified Chinese (936)",
                                          "Traditional Chinese (950)", "Japanese (932)",
                                          "Korean (949)", "UTF-8"}));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(sets);
  layout->addWidget(multi);
  layout->addStretch(1);
}

// ---- Terminal ----

CPageTerminal::CPageTerminal(CSettingsSheet& sheet) : CSettingsPage(sheet, "Terminal") {
  auto* mode = new QGroupBox("Received Data", this);
  BindRadios(S::Interpret, {{"Interpret", 1}, {"Display", 0}}, mode);

  auto* options =
      Stack("Options",
            {BindCheck("Auto Wrap", S::AutoWrap), BindCheck("8-Bit Controls", S::EightBitChars),
             BindCheck("132 Columns", S::Columns, 132, 80),
             BindCheck("Save Pages and History with the Session", S::SaveAll),
             BindCheck("Tell the Host the Window Size", S::SetHostSize),
             BindCheck("Line Feed Also Returns the Carriage", S::LFForCR),
             BindCheck("Local Echo", S::LocalEcho),
             BindCheck("Local (Keep Typed Keys from the Host)", S::Local)},
            this);

  QStringList arrangements;
  for (const PageArrangement& a : kPageArrangements) arrangements << a.text;
  arrangement_ = new QComboBox(this);
  arrangement_->addItems(arrangements);
  termId_ = new QComboBox(this);
  for (const char* id : kTermIdChoices) termId_->addItem(id);
  answerBack_ = new QLineEdit(this);
  hide_ = BindCheck("Hide", S::HideABM);
  connect(hide_, &QCheckBox::clicked, this, &CPageTerminal::HideChanged);
  auto* answerRow = new QHBoxLayout;
  answerRow->addWidget(answerBack_, 1);
  answerRow->addWidget(hide_);

  auto* form = new QFormLayout;
  form->addRow("Terminal ID:", termId_);
  form->addRow("Answerback:", answerRow);
  form->addRow("Page Arrangement:", arrangement_);
  form->addRow("Lines Saved in History:", BindNumber(S::SaveLines));
  form->addRow("Mouse Support:", BindList(S::MouseSupport, {"None", "Linux", "DEC VT Series"}));

  auto* grid = new QGridLayout(this);
  grid->addWidget(mode, 0, 0);
  grid->addLayout(form, 1, 0);
  grid->addWidget(options, 0, 1, 2, 1);
  grid->setRowStretch(2, 1);
}

void CPageTerminal::LoadExtra(const CSettingsSet& settings, const CKeyMap& /*keyMap*/) {
  termId_->setCurrentIndex(TermIdChoice(settings.Int(S::TermID)));
  arrangement_->setCurrentIndex(PageArrangementIndex(settings.Int(S::Pages)));
  // A hidden answerback sits in a masked field: the text is the real one, only its display is
  // masked, so an answerback of asterisks is kept as it is.
  answerBack_->setEchoMode(settings.Int(S::HideABM) ? QLineEdit::Password : QLineEdit::Normal);
  answerBack_->setText(QString::fromStdString(FormatControlString(settings.Str(S::AnswerBack))));
}

bool CPageTerminal::StoreExtra(CSettingsSet& settings, CKeyMap& /*keyMap*/) {
  std::string bytes;
  if (!ParseControlString(answerBack_->text().toStdString(), bytes)) {
    Message(kTextInvalidSequence);
    answerBack_->setFocus();
    return false;
  }
  settings.SetStr(S::AnswerBack, bytes);
  if (termId_->currentIndex() >= 0)
    settings.SetInt(S::TermID, TermIdOfChoice(termId_->currentIndex()));
  if (const int i = arrangement_->currentIndex(); i >= 0) {
    settings.SetInt(S::Pages, kPageArrangements[i].pages);
    settings.SetInt(S::Lines, kPageArrangements[i].lines);
  }
  return true;
}

// Unchecking Hide empties the field, so that hiding cannot be undone to read the answerback.
void CPageTerminal::HideChanged(bool hide) {
  answerBack_->setEchoMode(hide ? QLineEdit::Password : QLineEdit::Normal);
  if (!hide) answerBack_->clear();
}

}  // namespace ostrane
