#include "ui/key_manager_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrane {

namespace {

QString VersionName(SshVersion version) {
  return version == SshVersion::k1 ? "SSH1" : "SSH2";
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

// The SSH2 key types offered, in order; the last is the record form older servers take.
struct KeyTypeChoice {
  const char* label;
  std::optional<SshNewKeyType> type;
};
const KeyTypeChoice kKeyTypeChoices[] = {
    {"ed25519 (recommended)", SshNewKeyType::kEd25519},
    {"ECDSA P-256", SshNewKeyType::kEcdsaP256},
    {"RSA 3072", SshNewKeyType::kRsa3072},
    {"DSA 1024 (refused by current OpenSSH servers)", std::nullopt},
};

QLineEdit* SecretField(const char* name, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setEchoMode(QLineEdit::Password);
  return field;
}

}  // namespace

CKeyCreationDialog::CKeyCreationDialog(CSshKeyManager& manager, QWidget* parent)
    : QDialog(parent), manager_(manager) {
  setObjectName("KeyCreation");
  setWindowTitle(QString::fromUtf8(kKeyCreationTitle.data(),
                                   static_cast<qsizetype>(kKeyCreationTitle.size())));
  user_ = new QLineEdit(this);
  user_->setObjectName("user");
  password_ = SecretField("password", this);
  retype_ = SecretField("retype", this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CKeyCreationDialog::Create);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* form = new QFormLayout(this);
  form->addRow("User Name:", user_);
  form->addRow("Password:", password_);
  form->addRow("Retype Password:", retype_);
  if (manager_.Store().Version() == SshVersion::k2) {
    type_ = new QComboBox(this);
    type_->setObjectName("keyType");
    for (const KeyTypeChoice& c : kKeyTypeChoices) type_->addItem(c.label);
    form->addRow("Key Type:", type_);
  }
  form->addRow(buttons);
}

void CKeyCreationDialog::Create() {
  std::string password = password_->text().toStdString();
  std::string retype = retype_->text().toStdString();
  const std::optional<SshNewKeyType> type =
      type_ ? kKeyTypeChoices[type_->currentIndex()].type : std::nullopt;
  const bool created = manager_.Create(user_->text().toStdString(), password, retype, type);
  WipeString(password);
  WipeString(retype);
  if (created) accept();
}

CKeyManagerDialog::CKeyManagerDialog(SshVersion version, const CQtQuestions* handlers,
                                     QWidget* parent)
    : QDialog(parent), store_(version), questions_(this, handlers), manager_(store_, questions_) {
  setObjectName("KeyManager");
  setWindowTitle(VersionName(version) + " Key Manager");
  auto* userBox = new QGroupBox("User Keys (Private)", this);
  users_ = new QListWidget(userBox);
  users_->setObjectName("users");
  auto* create = Button("Create...", "create", userBox);
  auto* removeUser = Button("Remove", "removeUser", userBox);
  auto* backup = Button("Backup...", "backup", userBox);
  auto* restore = Button("Restore...", "restore", userBox);
  auto* exportKey = Button("Export Public Key...", "exportPublic", userBox);
  auto* userLayout = new QGridLayout(userBox);
  userLayout->addWidget(users_, 0, 0, 6, 1);
  int row = 0;
  for (QPushButton* b : {create, removeUser, backup, restore, exportKey})
    userLayout->addWidget(b, row++, 1);

  auto* hostBox = new QGroupBox("Host Keys (Public)", this);
  hosts_ = new QListWidget(hostBox);
  hosts_->setObjectName("hosts");
  auto* addHost = Button("Add Host...", "addHost", hostBox);
  auto* removeHost = Button("Remove", "removeHost", hostBox);
  auto* hostLayout = new QGridLayout(hostBox);
  hostLayout->addWidget(hosts_, 0, 0, 3, 1);
  hostLayout->addWidget(addHost, 0, 1);
  hostLayout->addWidget(removeHost, 1, 1);

  auto* close = Button("Close", "close", this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(userBox);
  layout->addWidget(hostBox);
  layout->addWidget(close, 0, Qt::AlignRight);

  auto user = [this] { return Selected(users_).toStdString(); };
  auto host = [this] { return Selected(hosts_).toStdString(); };
  // Every button refills both lists: the store may also have been changed by a session.
  auto after = [this](auto step) {
    return [this, step] {
      step();
      Refill();
    };
  };
  connect(create, &QPushButton::clicked, this, after([this] {
            CKeyCreationDialog dialog(manager_, this);
            questions_.ExecDialog(dialog);
          }));
  connect(removeUser, &QPushButton::clicked, this,
          after([=, this] { manager_.RemoveUser(user()); }));
  connect(backup, &QPushButton::clicked, this, after([=, this] { manager_.Backup(user()); }));
  connect(restore, &QPushButton::clicked, this, after([=, this] { manager_.Restore(user()); }));
  connect(exportKey, &QPushButton::clicked, this,
          after([=, this] { manager_.ExportPublicKey(user()); }));
  connect(addHost, &QPushButton::clicked, this, after([this] { manager_.AddHost(); }));
  connect(removeHost, &QPushButton::clicked, this,
          after([=, this] { manager_.RemoveHost(host()); }));
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  // Activating (double-click or Return) shows the key; a single click only selects, so that
  // choosing an entry to remove does not open a dialog every time.
  connect(users_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    if (item) ShowInformation(true, item->text());
  });
  connect(hosts_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    if (item) ShowInformation(false, item->text());
  });
  Refill();
}

// The selection outlives the refill, so that one entry can take several steps (back up, then
// restore).
void CKeyManagerDialog::Refill() {
  const auto fill = [this](QListWidget* list, const std::vector<std::string>& names) {
    const QString selected = Selected(list);
    list->clear();
    for (const std::string& name : names) {
      auto* item = new QListWidgetItem(QString::fromStdString(name), list);
      if (item->text() == selected) list->setCurrentItem(item);
    }
  };
  fill(users_, store_.ListUsers());
  fill(hosts_, store_.ListHosts());
}

QString CKeyManagerDialog::Selected(QListWidget* list) const {
  const QListWidgetItem* item = list->currentItem();
  return item != nullptr && item->isSelected() ? item->text() : QString();
}

void CKeyManagerDialog::ShowInformation(bool user, const QString& name) {
  QDialog dialog(this);
  dialog.setObjectName("KeyInformation");
  dialog.setWindowTitle(VersionName(store_.Version()) + " Key Information");
  const std::string text =
      user ? manager_.UserKeyText(name.toStdString()) : manager_.HostKeyText(name.toStdString());
  auto* nameLabel = new QLabel(name, &dialog);
  nameLabel->setObjectName("name");
  nameLabel->setTextFormat(Qt::PlainText);
  auto* key = new QPlainTextEdit(QString::fromStdString(text), &dialog);
  key->setObjectName("keyText");
  key->setReadOnly(true);
  QFont font("Courier New");
  font.setStyleHint(QFont::Monospace);
  key->setFont(font.exactMatch() ? font : QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* form = new QFormLayout(&dialog);
  form->addRow(user ? "User Name:" : "Host Name:", nameLabel);
  form->addRow(key);
  form->addRow(buttons);
  questions_.ExecDialog(dialog);
}

void RunKeyCreation(SshVersion version, const CQtQuestions* handlers, QWidget* parent) {
  CSshKeyStore store(version);
  CQtQuestions questions(parent, handlers);
  CSshKeyManager manager(store, questions);
  CKeyCreationDialog dialog(manager, parent);
  questions.ExecDialog(dialog);
}

}  // namespace ostrane
