// The SSH client's dialogs: "SSH Authorization", "Change Password", keyboard-interactive
// prompts, the new-host-key question and the key passwords. Each is an ordinary modal dialog on
// the GUI thread; CQtQuestions carries the worker's question to it and the answer back.
// Widgets carry object names so that tests and accessibility tools can find them.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ssh/ssh_questions.h"

namespace ostrane {

class CSshAuthorizationDialog : public QDialog {
  Q_OBJECT

 public:
  CSshAuthorizationDialog(const QString& host, const QString& user, QWidget* parent = nullptr);
  SshAuthorizationAnswer Answer() const;

  // recall gives the key file remembered for a user name (empty for none). It is filled in, with
  // the key option chosen, for the name shown now and for a name typed later, unless the user
  // has put another file in the field meanwhile.
  void OfferRememberedKeyFiles(std::function<QString(const QString& user)> recall);
  // For a login that cannot use a key file: "Use public key" means the stored key pair only.
  void HideKeyFile();

 public slots:
  // Stays open without a user name, and while a chosen key file cannot be opened with the
  // passphrase typed.
  void accept() override;

 private:
  void BrowseKeyFile();
  // The password field asks for the key file's passphrase, and only when the file has one.
  void ShowKeyFileNeeds();
  QString KeyFilePath() const;
  bool KeyFileOpens();
  void OfferRememberedKeyFile();

  QLineEdit* user_ = nullptr;
  QRadioButton* usePassword_ = nullptr;
  QRadioButton* useKey_ = nullptr;
  QLineEdit* keyFile_ = nullptr;
  QPushButton* browse_ = nullptr;
  QLabel* keyLabel_ = nullptr;
  QLabel* passwordLabel_ = nullptr;
  QLineEdit* password_ = nullptr;
  QCheckBox* save_ = nullptr;
  QLabel* problem_ = nullptr;
  // Says that the remembered key file filled in no longer reads.
  QLabel* keyFileNote_ = nullptr;
  std::function<QString(const QString&)> recall_;
  QString offered_;  // the remembered file last filled in
};

class CChangePasswordDialog : public QDialog {
  Q_OBJECT

 public:
  CChangePasswordDialog(const QString& host, const QString& user, bool retry,
                        QWidget* parent = nullptr);
  SshPasswordChangeAnswer Answer() const;

 public slots:
  // Stays open while the new password and its confirmation differ.
  void accept() override;

 private:
  QLineEdit* old_ = nullptr;
  QLineEdit* new_ = nullptr;
  QLineEdit* confirm_ = nullptr;
  QCheckBox* save_ = nullptr;
  QLabel* problem_ = nullptr;
};

// One round of keyboard-interactive prompts; a prompt without echo is a password field.
class CKeyboardInteractiveDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CKeyboardInteractiveDialog(const SshKeyboardQuestion& question,
                                      QWidget* parent = nullptr);
  std::vector<std::string> Answers() const;

 private:
  std::vector<QLineEdit*> fields_;
};

// A password asked for twice (key creation), or once (the key's password).
class CSecretDialog : public QDialog {
  Q_OBJECT

 public:
  CSecretDialog(const QString& title, const QString& text, bool confirm, QWidget* parent = nullptr);
  std::string Secret() const;

 public slots:
  void accept() override;

 private:
  QLineEdit* secret_ = nullptr;
  QLineEdit* confirm_ = nullptr;
  QLabel* problem_ = nullptr;
};

// "New Host Key" with the host, the SHA256 fingerprint and the key's text; true for "Accept".
// exec runs the dialog modally (QDialog::exec when empty).
bool AskNewHostKeyDialog(QWidget* parent, const SshHostKeyQuestion& question,
                         const std::function<int(QDialog&)>& exec = {});

// Shown in the dialog (it stays open) when its values are refused.
inline constexpr char kTextPasswordsDiffer[] = "The new password and its confirmation differ.";
inline constexpr char kTextNoUser[] = "Please input the user name.";
inline constexpr char kTextKeyFileMissing[] = "The key file cannot be read.";
inline constexpr char kTextRememberedKeyFileGone[] =
    "The key file used last time for this host and user no longer reads.\n"
    "Choose another one, or clear the field to use the stored key pair.";

}  // namespace ostrane
