#include "ui/ssh_dialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ssh/ssh_remembered_password.h"

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

void ShowProblem(QLabel* label, const char* text) {
  label->setText(text);
  label->show();
}

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
  auto* passwordForm = new QFormLayout;
  password_ = Field(this, "password", true);
  passwordForm->addRow("Pass&word:", password_);
  layout->addLayout(passwordForm);
  save_ = new QCheckBox(SavePasswordLabel(), this);
  save_->setObjectName("savePassword");
  layout->addWidget(save_);
  // With a key the password unlocks the stored pair and is never saved.
  connect(useKey_, &QRadioButton::toggled, save_, [this](bool key) {
    save_->setEnabled(!key);
    if (key) save_->setChecked(false);
  });
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
  QDialog::accept();
}

SshAuthorizationAnswer CSshAuthorizationDialog::Answer() const {
  SshAuthorizationAnswer a;
  a.user = user_->text().trimmed().toStdString();
  a.usePublicKey = useKey_->isChecked();
  a.password = password_->text().toStdString();
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
