#include "ui/macro_save_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "keyboard/key_codes.h"
#include "ui/qt_questions.h"

namespace ostrane {

namespace {

struct NamedKey {
  const char* name;
  int code;  // 0: the character typed in the field
};
constexpr NamedKey kNamedKeys[] = {
    {"Character", 0},
    {"F1", PcKey::kF1},
    {"F2", PcKey::kF1 + 1},
    {"F3", PcKey::kF1 + 2},
    {"F4", PcKey::kF1 + 3},
    {"F5", PcKey::kF1 + 4},
    {"F6", PcKey::kF1 + 5},
    {"F7", PcKey::kF1 + 6},
    {"F8", PcKey::kF1 + 7},
    {"F9", PcKey::kF1 + 8},
    {"F10", PcKey::kF1 + 9},
    {"F11", PcKey::kF1 + 10},
    {"F12", PcKey::kF1 + 11},
    {"Scroll Lock", 145},
    {"Enter", PcKey::kEnter},
    {"Backspace", PcKey::kBackspace},
    {"Esc", PcKey::kEsc},
    {"Tab", PcKey::kTab},
    {"Space", PcKey::kSpace},
    {"Insert", PcKey::kInsert},
    {"Delete", PcKey::kDelete},
    {"Home", PcKey::kHome},
    {"End", PcKey::kEnd},
    {"Page Up", PcKey::kPageUp},
    {"Page Down", PcKey::kPageDown},
    {"Up", PcKey::kUp},
    {"Left", PcKey::kLeft},
    {"Down", PcKey::kDown},
    {"Right", PcKey::kRight},
    {"Num Lock", PcKey::kNumLock},
    {"Divide", PcKey::kDivide},
    {"Multiply", PcKey::kMultiply},
    {"Subtract", PcKey::kSubtract},
    {"Numpad 0", PcKey::kNumpad0},
    {"Numpad 1", PcKey::kNumpad0 + 1},
    {"Numpad 2", PcKey::kNumpad0 + 2},
    {"Numpad 3", PcKey::kNumpad0 + 3},
    {"Numpad 4", PcKey::kNumpad0 + 4},
    {"Numpad 5", PcKey::kNumpad0 + 5},
    {"Numpad 6", PcKey::kNumpad0 + 6},
    {"Numpad 7", PcKey::kNumpad0 + 7},
    {"Numpad 8", PcKey::kNumpad0 + 8},
    {"Numpad 9", PcKey::kNumpad0 + 9},
    {"Add", PcKey::kAdd},
    {"Decimal", PcKey::kDecimal},
    {"Numpad Enter", PcKey::kNumpadEnter},
};

constexpr int kMacroButtons = 32;

}  // namespace

CMacroSaveDialog::CMacroSaveDialog(const std::string& script,
                                   const std::vector<std::string>& captions, QWidget* parent)
    : QDialog(parent), recorded_(script) {
  setObjectName("MacroSave");
  setWindowTitle(kMacroDialogTitle);
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(kTextMacroRecorded, this);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  toButton_ = new QCheckBox("Save to &button:", this);
  toButton_->setObjectName("toButton");
  toButton_->setChecked(true);
  buttons_ = new QComboBox(this);
  buttons_->setObjectName("buttons");
  for (int i = 0; i < kMacroButtons; ++i) {
    const std::string caption = i < static_cast<int>(captions.size()) ? captions[i] : "";
    buttons_->addItem(QString("Button #%1 %2")
                          .arg(i + 1, 2, 10, QChar('0'))
                          .arg(QString::fromStdString(caption)));
  }
  caption_ = new QLineEdit(this);
  caption_->setObjectName("caption");
  auto* buttonForm = new QFormLayout;
  buttonForm->addRow(toButton_, buttons_);
  buttonForm->addRow("Button &Caption:", caption_);
  layout->addLayout(buttonForm);

  toKey_ = new QCheckBox("Save to &mapped key", this);
  toKey_->setObjectName("toKey");
  keys_ = new QComboBox(this);
  keys_->setObjectName("keys");
  for (const NamedKey& k : kNamedKeys) keys_->addItem(k.name);
  character_ = new QLineEdit(this);
  character_->setObjectName("character");
  character_->setMaxLength(1);
  connect(character_, &QLineEdit::textEdited, this,
          [this](const QString& text) { character_->setText(text.toUpper()); });
  ctrl_ = new QCheckBox("CTRL", this);
  alt_ = new QCheckBox("ALT", this);
  shift_ = new QCheckBox("SHIFT", this);
  auto* keyRow = new QHBoxLayout;
  keyRow->addWidget(toKey_);
  keyRow->addWidget(keys_);
  keyRow->addWidget(character_);
  for (QCheckBox* m : {ctrl_, alt_, shift_}) keyRow->addWidget(m);
  layout->addLayout(keyRow);

  toClipboard_ = new QCheckBox("Copy to c&lipboard", this);
  toClipboard_->setObjectName("toClipboard");
  toFile_ = new QCheckBox("Save to &file...", this);
  toFile_->setObjectName("toFile");
  edit_ = new QCheckBox("&Edit Script", this);
  edit_->setObjectName("edit");
  for (QCheckBox* c : {toClipboard_, toFile_, edit_}) layout->addWidget(c);

  script_ = new QPlainTextEdit(QString::fromStdString(script), this);
  script_->setObjectName("script");
  script_->setReadOnly(true);
  connect(edit_, &QCheckBox::toggled, script_, [this](bool on) { script_->setReadOnly(!on); });
  layout->addWidget(script_);

  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(box, &QDialogButtonBox::accepted, this, &CMacroSaveDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(box);
}

void CMacroSaveDialog::SetMessageHandler(std::function<void(const QString&)> handler) {
  messageHandler_ = std::move(handler);
}

void CMacroSaveDialog::Refuse(const QString& text) {
  if (messageHandler_)
    messageHandler_(text);
  else
    ShowMessage(this, text, MessageIcon::kWarning);
}

std::optional<int> CMacroSaveDialog::ChosenKey() const {
  const int index = keys_->currentIndex();
  if (index < 0 || index >= static_cast<int>(std::size(kNamedKeys))) return std::nullopt;
  if (kNamedKeys[index].code != 0) return kNamedKeys[index].code;
  const QString text = character_->text();
  if (text.size() != 1 || text[0].unicode() > 0x7F) return std::nullopt;
  return text[0].toUpper().unicode();
}

void CMacroSaveDialog::accept() {
  if (toButton_->isChecked() && caption_->text().trimmed().isEmpty()) {
    Refuse(kTextNoCaption);
    return;
  }
  if (toKey_->isChecked() && !ChosenKey()) {
    Refuse(kTextNoSingleCharacter);
    return;
  }
  QDialog::accept();
}

MacroSaveChoice CMacroSaveDialog::Choice() const {
  MacroSaveChoice c;
  // The edit box turns CR LF into LF; an unedited script keeps its bytes.
  c.script = edit_->isChecked() ? script_->toPlainText().toStdString() : recorded_;
  if (toButton_->isChecked()) {
    c.button = buttons_->currentIndex();
    c.caption = caption_->text().toStdString();
  }
  if (toKey_->isChecked()) {
    c.key = ChosenKey();
    c.modifiers = static_cast<uint8_t>((alt_->isChecked() ? KeyMod::kAlt : 0) |
                                       (ctrl_->isChecked() ? KeyMod::kCtrl : 0) |
                                       (shift_->isChecked() ? KeyMod::kShift : 0));
  }
  c.clipboard = toClipboard_->isChecked();
  c.file = toFile_->isChecked();
  return c;
}

}  // namespace ostrane
