#include "ui/ssh_dialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <initializer_list>

#include "platform/ssh_key_files.h"
#include "ssh/ssh_limits.h"
#include "ssh/ssh_remembered_password.h"
#include "ssh/ssh_user_key.h"

namespace ostrane {

namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLineEdit* Field(QWidget* parent, const char* name, bool secret) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  if (secret) field->setEchoMode(QLineEdit::Password);
  return field;
}

// Texts here may come from the peer (prompts, instructions, host names), so they are never read
// as rich text.
QLabel* PlainLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

// Where a saved password goes decides how safe it is; the user is told which it will be.
QString SavePasswordLabel() {
  return PasswordsGoToSecretService() ? "&Save Password (in the desktop's keyring)"
                                      : "&Save Password (in the session file, weakly protected)";
}

QLabel* ProblemLabel(QWidget* parent) {
  auto* label = PlainLabel(QString(), parent);
  label->setObjectName("problem");
  label->setStyleSheet("color: #b00000");
  label->hide();
  return label;
}

void ShowProblem(QLabel* label, std::string_view text) {
  label->setText(Q(text));
  label->show();
}

// The text of a chosen key file. Only a regular file is read: a named pipe would block.
std::optional<std::string> ReadKeyFile(const QString& path) {
  const std::string name = QFile::encodeName(path).toStdString();
  std::error_code error;
  if (!std::filesystem::is_regular_file(name, error)) return std::nullopt;
  return platform::ReadWholeFile(name, kSshMaxKeyFile);
}

constexpr char kPasswordLabel[] = "Pass&word:";
constexpr char kPassphraseLabel[] = "Passph&rase:";

QDialogButtonBox* OkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace

// ---- SSH Authorization ----

CSshAuthorizationDialog::CSshAuthorizationDialog(const QString& host, const QString& user,
                                                 QWidget* parent)
    : QDialog(parent) {
  setObjectName("SshAuthorization");
  setWindowTitle(Q(kSshAuthorizationTitle));
  auto* layout = new QVBoxLayout(this);
  auto* hostLabel = PlainLabel(QString("Host: %1").arg(host), this);
  hostLabel->setObjectName("host");
  layout->addWidget(hostLabel);
  auto* form = new QFormLayout;
  user_ = Field(this, "user", false);
  user_->setText(user);
  form->addRow("&User name:", user_);
  layout->addLayout(form);
  usePassword_ = new QRadioButton("Provide a &password", this);
  usePassword_->setObjectName("usePassword");
  useKey_ = new QRadioButton("Use public &key", this);
  useKey_->setObjectName("useKey");
  auto* group = new QButtonGroup(this);
  group->addButton(usePassword_);
  group->addButton(useKey_);
  usePassword_->setChecked(true);
  layout->addWidget(usePassword_);
  layout->addWidget(useKey_);
  // An OpenSSH private-key file; left empty, the key pair stored for the user is used.
  auto* keyRow = new QHBoxLayout;
  keyRow->setContentsMargins(24, 0, 0, 0);
  keyFile_ = Field(this, "keyFile", false);
  keyFile_->setPlaceholderText("none: the stored key pair");
  keyLabel_ = new QLabel("Key &file:", this);
  keyLabel_->setBuddy(keyFile_);
  browse_ = new QPushButton("&Browse...", this);
  browse_->setObjectName("browseKeyFile");
  browse_->setAutoDefault(false);
  keyRow->addWidget(keyLabel_);
  keyRow->addWidget(keyFile_, 1);
  keyRow->addWidget(browse_);
  layout->addLayout(keyRow);
  keyFileNote_ = PlainLabel(Q(kTextRememberedKeyFileGone), this);
  keyFileNote_->setObjectName("keyFileNote");
  keyFileNote_->setStyleSheet("color: #b00000");
  keyFileNote_->hide();
  layout->addWidget(keyFileNote_);
  auto* passwordForm = new QFormLayout;
  password_ = Field(this, "password", true);
  passwordLabel_ = new QLabel(kPasswordLabel, this);
  passwordLabel_->setBuddy(password_);
  passwordForm->addRow(passwordLabel_, password_);
  layout->addLayout(passwordForm);
  save_ = new QCheckBox(SavePasswordLabel(), this);
  save_->setObjectName("savePassword");
  layout->addWidget(save_);
  // With a key the password unlocks the stored pair or the key file and is never saved.
  connect(useKey_, &QRadioButton::toggled, this, [this](bool key) {
    save_->setEnabled(!key);
    if (key) save_->setChecked(false);
    keyFile_->setEnabled(key);
    browse_->setEnabled(key);
    ShowKeyFileNeeds();
  });
  keyFile_->setEnabled(false);
  browse_->setEnabled(false);
  connect(keyFile_, &QLineEdit::textChanged, this, [this] {
    problem_->hide();
    ShowKeyFileNeeds();
  });
  connect(browse_, &QPushButton::clicked, this, &CSshAuthorizationDialog::BrowseKeyFile);
  connect(user_, &QLineEdit::textChanged, this, &CSshAuthorizationDialog::OfferRememberedKeyFile);
  problem_ = ProblemLabel(this);
  layout->addWidget(problem_);
  layout->addWidget(OkCancel(this));
  // The user types the password first when the name is known.
  (user.isEmpty() ? user_ : password_)->setFocus(Qt::OtherFocusReason);
  resize(std::max(sizeHint().width(), 360), sizeHint().height());
}

void CSshAuthorizationDialog::accept() {
  if (user_->text().trimmed().isEmpty()) {
    ShowProblem(problem_, kTextNoUser);
    user_->setFocus(Qt::OtherFocusReason);
    return;
  }
  if (!KeyFilePath().isEmpty() && !KeyFileOpens()) return;
  QDialog::accept();
}

// Empty unless a key file is to be used; "~/" stands for the home folder, as in a shell.
QString CSshAuthorizationDialog::KeyFilePath() const {
  if (!useKey_->isChecked()) return {};
  const QString path = keyFile_->text().trimmed();
  return path.startsWith("~/") ? QDir::home().filePath(path.mid(2)) : path;
}

void CSshAuthorizationDialog::ShowKeyFileNeeds() {
  const QString path = KeyFilePath();
  bool needsPassphrase = true;
  bool reads = true;
  if (!path.isEmpty()) {
    // An unreadable file or a wrong one keeps the field: OK says what is wrong with it.
    const auto text = ReadKeyFile(path);
    SshKeyFileError error = SshKeyFileError::kNotAKey;
    if (text) CSshUserKey::FromOpenSshFile(*text, "", error);
    needsPassphrase = error != SshKeyFileError::kNone;
    reads = error == SshKeyFileError::kNone || error == SshKeyFileError::kWrongPassphrase;
  }
  // A remembered file that went away is said at once, not only when OK refuses it.
  keyFileNote_->setVisible(!reads && !offered_.isEmpty() && keyFile_->text() == offered_);
  passwordLabel_->setText(path.isEmpty() ? kPasswordLabel : kPassphraseLabel);
  password_->setEnabled(needsPassphrase);
  password_->setPlaceholderText(needsPassphrase ? QString() : "the key file has no passphrase");
}

// The file is opened here, so that a wrong passphrase is typed again rather than ending the
// login.
bool CSshAuthorizationDialog::KeyFileOpens() {
  const auto text = ReadKeyFile(KeyFilePath());
  if (!text) {
    ShowProblem(problem_, kTextKeyFileMissing);
    keyFile_->setFocus(Qt::OtherFocusReason);
    return false;
  }
  std::string passphrase = password_->isEnabled() ? password_->text().toStdString() : "";
  SshKeyFileError error = SshKeyFileError::kNone;
  // The passphrase's key derivation is slow on purpose.
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const bool opens = CSshUserKey::FromOpenSshFile(*text, passphrase, error).has_value();
  QGuiApplication::restoreOverrideCursor();
  WipeString(passphrase);
  if (opens) return true;
  ShowProblem(problem_, SshKeyFileErrorText(error));
  QLineEdit* field = error == SshKeyFileError::kWrongPassphrase ? password_ : keyFile_;
  field->setFocus(Qt::OtherFocusReason);
  field->selectAll();
  return false;
}

void CSshAuthorizationDialog::OfferRememberedKeyFiles(
    std::function<QString(const QString& user)> recall) {
  recall_ = std::move(recall);
  OfferRememberedKeyFile();
  // Asked before the dialog is shown, so whether the note is hidden, not whether it is visible.
  if (!keyFileNote_->isHidden())
    keyFile_->setFocus(Qt::OtherFocusReason);
  else if (!user_->text().trimmed().isEmpty() && password_->isEnabled())
    password_->setFocus(Qt::OtherFocusReason);
}

void CSshAuthorizationDialog::HideKeyFile() {
  recall_ = nullptr;
  offered_.clear();
  keyFile_->clear();
  for (QWidget* w : std::initializer_list<QWidget*>{keyLabel_, keyFile_, browse_, keyFileNote_})
    w->hide();
  ShowKeyFileNeeds();
  resize(std::max(sizeHint().width(), 360), sizeHint().height());
}

void CSshAuthorizationDialog::OfferRememberedKeyFile() {
  // A file the user typed or browsed to is theirs to change.
  if (!recall_ || keyFile_->text() != offered_) return;
  const QString path = recall_(user_->text().trimmed());
  const bool hadOffer = !offered_.isEmpty();
  offered_ = path;
  keyFile_->setText(path);
  if (!path.isEmpty())
    useKey_->setChecked(true);
  else if (hadOffer)
    usePassword_->setChecked(true);
  ShowKeyFileNeeds();
}

void CSshAuthorizationDialog::BrowseKeyFile() {
  QFileDialog files(this, "Choose a Private Key File", QString(),
                    "OpenSSH Private Keys (id_* *.key *.pem);;All Files (*)");
  files.setFileMode(QFileDialog::ExistingFile);
  const QFileInfo chosen(KeyFilePath());
  const QString keys = QDir::home().filePath(".ssh");
  if (!KeyFilePath().isEmpty() && chosen.dir().exists()) {
    files.setDirectory(chosen.dir());
    files.selectFile(chosen.fileName());
  } else {
    files.setDirectory(QDir(keys).exists() ? keys : QDir::homePath());
  }
  // Closing this dialog (the connection ended meanwhile) closes the file dialog too.
  connect(this, &QDialog::finished, &files, &QDialog::reject);
  if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty()) return;
  keyFile_->setText(files.selectedFiles().front());
  if (password_->isEnabled()) password_->setFocus(Qt::OtherFocusReason);
}

SshAuthorizationAnswer CSshAuthorizationDialog::Answer() const {
  SshAuthorizationAnswer a;
  a.user = user_->text().trimmed().toStdString();
  a.usePublicKey = useKey_->isChecked();
  a.identityFile = QFile::encodeName(KeyFilePath()).toStdString();
  a.password = password_->isEnabled() ? password_->text().toStdString() : std::string();
  a.savePassword = !a.usePublicKey && save_->isChecked();
  return a;
}

// ---- Change Password ----

CChangePasswordDialog::CChangePasswordDialog(const QString& host, const QString& user, bool retry,
                                             QWidget* parent)
    : QDialog(parent) {
  setObjectName("ChangePassword");
  setWindowTitle(Q(kChangePasswordTitle));
  auto* layout = new QVBoxLayout(this);
  auto* who = PlainLabel(QString("Host: %1\nUser: %2").arg(host, user), this);
  who->setObjectName("host");
  layout->addWidget(who);
  auto* text = PlainLabel(Q(retry ? kChangePasswordRetryText : kChangePasswordText), this);
  text->setObjectName("notice");
  layout->addWidget(text);
  auto* form = new QFormLayout;
  old_ = Field(this, "oldPassword", true);
  new_ = Field(this, "newPassword", true);
  confirm_ = Field(this, "confirmPassword", true);
  form->addRow("&Old password:", old_);
  form->addRow("&New password:", new_);
  form->addRow("&Confirmation:", confirm_);
  layout->addLayout(form);
  save_ = new QCheckBox(SavePasswordLabel(), this);
  save_->setObjectName("savePassword");
  layout->addWidget(save_);
  problem_ = ProblemLabel(this);
  layout->addWidget(problem_);
  layout->addWidget(OkCancel(this));
  old_->setFocus(Qt::OtherFocusReason);
}

void CChangePasswordDialog::accept() {
  if (new_->text() != confirm_->text()) {
    ShowProblem(problem_, kTextPasswordsDiffer);
    confirm_->clear();
    new_->setFocus(Qt::OtherFocusReason);
    new_->selectAll();
    return;
  }
  QDialog::accept();
}

SshPasswordChangeAnswer CChangePasswordDialog::Answer() const {
  return {old_->text().toStdString(), new_->text().toStdString(), save_->isChecked()};
}

// ---- Keyboard-interactive ----

CKeyboardInteractiveDialog::CKeyboardInteractiveDialog(const SshKeyboardQuestion& question,
                                                       QWidget* parent)
    : QDialog(parent) {
  setObjectName("KeyboardInteractive");
  setWindowTitle(question.name.empty() ? Q(kSshAuthorizationTitle) : Q(question.name));
  auto* layout = new QVBoxLayout(this);
  auto* who = PlainLabel(
      QString("%1@%2").arg(QString::fromStdString(question.user), Q(question.host)), this);
  who->setObjectName("host");
  layout->addWidget(who);
  if (!question.instruction.empty()) {
    auto* instruction = PlainLabel(Q(question.instruction), this);
    instruction->setObjectName("instruction");
    instruction->setWordWrap(true);
    layout->addWidget(instruction);
  }
  auto* form = new QFormLayout;
  for (size_t i = 0; i < question.prompts.size(); ++i) {
    const SshPrompt& prompt = question.prompts[i];
    QLineEdit* field = Field(this, "", !prompt.echo);
    field->setObjectName(QString("prompt%1").arg(i));
    form->addRow(PlainLabel(Q(prompt.text), this), field);
    fields_.push_back(field);
  }
  layout->addLayout(form);
  layout->addWidget(OkCancel(this));
  if (!fields_.empty()) fields_.front()->setFocus(Qt::OtherFocusReason);
  resize(std::max(sizeHint().width(), 360), sizeHint().height());
}

std::vector<std::string> CKeyboardInteractiveDialog::Answers() const {
  std::vector<std::string> answers;
  for (const QLineEdit* field : fields_) answers.push_back(field->text().toStdString());
  return answers;
}

// ---- Key passwords ----

CSecretDialog::CSecretDialog(const QString& title, const QString& text, bool confirm,
                             QWidget* parent)
    : QDialog(parent) {
  setObjectName("Secret");
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);
  auto* label = PlainLabel(text, this);
  label->setWordWrap(true);
  layout->addWidget(label);
  auto* form = new QFormLayout;
  secret_ = Field(this, "password", true);
  form->addRow("&Password:", secret_);
  if (confirm) {
    confirm_ = Field(this, "confirmPassword", true);
    form->addRow("&Confirmation:", confirm_);
  }
  layout->addLayout(form);
  problem_ = ProblemLabel(this);
  layout->addWidget(problem_);
  layout->addWidget(OkCancel(this));
  secret_->setFocus(Qt::OtherFocusReason);
  resize(std::max(sizeHint().width(), 360), sizeHint().height());
}

void CSecretDialog::accept() {
  if (confirm_ && confirm_->text() != secret_->text()) {
    ShowProblem(problem_, kTextPasswordsDiffer);
    confirm_->clear();
    secret_->setFocus(Qt::OtherFocusReason);
    secret_->selectAll();
    return;
  }
  QDialog::accept();
}

std::string CSecretDialog::Secret() const {
  return secret_->text().toStdString();
}

// ---- New host key ----

bool AskNewHostKeyDialog(QWidget* parent, const SshHostKeyQuestion& question,
                         const std::function<int(QDialog&)>& exec) {
  QDialog dialog(parent);
  dialog.setObjectName("NewHostKey");
  dialog.setWindowTitle(Q(kNewHostKeyTitle));
  auto* layout = new QVBoxLayout(&dialog);
  auto* text = PlainLabel(Q(kNewHostKeyText), &dialog);
  text->setWordWrap(true);
  layout->addWidget(text);
  auto* host = PlainLabel(QString("Host: %1").arg(Q(question.host)), &dialog);
  host->setObjectName("host");
  layout->addWidget(host);
  auto* fingerprint = PlainLabel(QString("Fingerprint: %1").arg(Q(question.fingerprint)), &dialog);
  fingerprint->setObjectName("fingerprint");
  fingerprint->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(fingerprint);
  auto* key = new QPlainTextEdit(Q(question.keyText), &dialog);
  key->setObjectName("keyText");
  key->setReadOnly(true);
  key->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  key->setMaximumHeight(key->fontMetrics().lineSpacing() * 6);
  layout->addWidget(key);
  auto* buttons = new QDialogButtonBox(&dialog);
  QPushButton* accept = buttons->addButton("&Accept", QDialogButtonBox::AcceptRole);
  accept->setObjectName("accept");
  QPushButton* refuse = buttons->addButton("&Don't Accept", QDialogButtonBox::RejectRole);
  refuse->setObjectName("refuse");
  // Return alone must not trust a key the user has not looked at.
  refuse->setDefault(true);
  refuse->setFocus(Qt::OtherFocusReason);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  dialog.resize(std::max(dialog.sizeHint().width(), 520), dialog.sizeHint().height());
  return (exec ? exec(dialog) : dialog.exec()) == QDialog::Accepted;
}

}  // namespace ostrane
