// The SSH key manager of one protocol version: the user key pairs and the accepted host keys of
// its key store, with buttons to create, remove, back up, restore and export user keys and to
// add and remove host keys; the key creation dialog; and the key information dialog shown for
// an activated entry. The steps themselves are CSshKeyManager's.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>

#include "ssh/ssh_key_manager.h"
#include "ui/qt_questions.h"

namespace ostrane {

// "Public Key/Private Key Creation": user name, password and its retype, and for SSH2 the key
// type (ed25519 first). OK creates the pair through the manager and closes; a refusal keeps
// the dialog open.
class CKeyCreationDialog : public QDialog {
  Q_OBJECT

 public:
  CKeyCreationDialog(CSshKeyManager& manager, QWidget* parent);

 private:
  void Create();

  CSshKeyManager& manager_;
  QLineEdit* user_;
  QLineEdit* password_;
  QLineEdit* retype_;
  QComboBox* type_ = nullptr;
};

class CKeyManagerDialog : public QDialog {
  Q_OBJECT

 public:
  // handlers: the main window's questions, whose test handlers answer this dialog's boxes too.
  CKeyManagerDialog(SshVersion version, const CQtQuestions* handlers, QWidget* parent);

  QListWidget* Users() const { return users_; }
  QListWidget* Hosts() const { return hosts_; }

 private:
  void Refill();
  QString Selected(QListWidget* list) const;
  void ShowInformation(bool user, const QString& name);

  CSshKeyStore store_;
  CQtQuestions questions_;
  CSshKeyManager manager_;
  QListWidget* users_;
  QListWidget* hosts_;
};

// The key creation dialog alone (the "Create Keys" commands).
void RunKeyCreation(SshVersion version, const CQtQuestions* handlers, QWidget* parent);

}  // namespace ostrane
