// CNewConnectionDialog: chooses the connection kind of a new session, collects the address or
// line parameters of that kind, and writes them into the session's settings. The checks and
// the remembered values are the core's (new_connection_rules.h).
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "session/new_connection_rules.h"
#include "settings/settings_set.h"

namespace ostrane {

class CModemConfigDialog;
class CPhoneBookDialog;

struct NewConnectionHooks {
  // The template names offered under "Use Template:", sorted.
  std::vector<std::string> templates;
  // Loads a template into the new session's settings; false when it cannot be read.
  std::function<bool(const std::string&)> loadTemplate;
  // The address book file; empty disables "Address Book".
  std::string addressBookPath;
  // Opens the settings dialog for the session being created; empty disables "Settings...".
  std::function<void()> openSettings;
};

class CNewConnectionDialog : public QDialog {
  Q_OBJECT

 public:
  CNewConnectionDialog(CSettingsSet& settings, CProfile& profile, NewConnectionHooks hooks,
                       QWidget* parent = nullptr);

  // Where the checks' messages go; by default a message box.
  void SetMessageHandler(std::function<void(const QString&)> handler);

  // The dialog's parts, by their labels, for the address book and for tests.
  QComboBox* KindList() const { return kindList_; }
  QWidget* Page(const char* kindName) const;
  QComboBox* TemplateList() const { return templateList_; }
  QComboBox* TermTypeList() const { return termType_; }
  QPushButton* AddressBookButton() const { return addressBookButton_; }
  QPushButton* ConfigureModemButton() const { return configureModem_; }
  // Lets tests fill in the modem set-up before it runs; it is run with exec() otherwise.
  void SetModemConfigRunner(std::function<int(CModemConfigDialog&)> runner) {
    modemConfigRunner_ = std::move(runner);
  }
  QPushButton* PhoneBookButton() const { return phoneBook_; }
  void SetPhoneBookRunner(std::function<int(CPhoneBookDialog&)> runner) {
    phoneBookRunner_ = std::move(runner);
  }
  // After OK: the entry the session's host list gains once the connection is made.
  const std::optional<RememberedHost>& HostToRemember() const { return hostToRemember_; }

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* BuildTelnetPage();
  QWidget* BuildProxyPage();
  QWidget* BuildSerialPage();
  QWidget* BuildModemPage();
  QWidget* BuildSshPage();
  QWidget* BuildLocalShellPage();
  void ShowKind(int listIndex);
  void FocusFirstField();
  void ShowStartTermType();
  void UseTemplate(int index);
  void OpenAddressBook();
  // Sets up the chosen modem (or a first one) and lists the modems again.
  void ConfigureModem();
  void ListModems(int select);
  // Takes the number chosen in the phone book.
  void OpenPhoneBook();
  NewConnectionValues Collect() const;
  void Message(const QString& text);

  CSettingsSet& settings_;
  CProfile& profile_;
  NewConnectionHooks hooks_;
  NewConnectionValues start_;
  std::optional<RememberedHost> hostToRemember_;
  std::function<void(const QString&)> messageHandler_;

  QComboBox* kindList_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QComboBox* templateList_ = nullptr;
  QComboBox* termType_ = nullptr;
  // Once the user picks a terminal type, changing the kind no longer changes it.
  bool termTypeChosen_ = false;
  QPushButton* addressBookButton_ = nullptr;
  // Page fields.
  QComboBox* telnetHost_ = nullptr;
  QComboBox* telnetPort_ = nullptr;
  QComboBox* proxyPageHost_ = nullptr;
  QComboBox* proxyPagePort_ = nullptr;
  QComboBox* proxyHost_ = nullptr;
  QComboBox* proxyPort_ = nullptr;
  QComboBox* commPort_ = nullptr;
  QComboBox* baudRate_ = nullptr;
  QComboBox* dataLength_ = nullptr;
  QComboBox* parity_ = nullptr;
  QComboBox* stopBits_ = nullptr;
  QComboBox* flowControl_ = nullptr;
  QComboBox* modem_ = nullptr;
  QLabel* modemLabel_ = nullptr;
  QLabel* noModem_ = nullptr;
  QPushButton* configureModem_ = nullptr;
  std::function<int(CModemConfigDialog&)> modemConfigRunner_;
  QPushButton* phoneBook_ = nullptr;
  std::function<int(CPhoneBookDialog&)> phoneBookRunner_;
  QComboBox* phone_ = nullptr;
  QComboBox* sshHost_ = nullptr;
  QComboBox* sshPort_ = nullptr;
  QComboBox* sshVersion_ = nullptr;
  QLineEdit* shellCommand_ = nullptr;
};

}  // namespace ostrane
