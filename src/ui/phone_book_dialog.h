// CPhoneBookDialog: the modem page's phone book, named numbers kept in the profile. Add stores
// the name and number in the fields (replacing an entry of the same name), Remove forgets the
// selected entry, and OK takes the number shown (the selected entry's, or one typed) for the call.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <functional>
#include <vector>

#include "platform/phone_book.h"
#include "platform/profile.h"

namespace ostrane {

class CPhoneBookDialog : public QDialog {
  Q_OBJECT

 public:
  CPhoneBookDialog(CProfile& profile, QWidget* parent = nullptr);

  // After OK: the number chosen.
  const std::string& ChosenNumber() const { return chosen_; }
  QListWidget* List() const { return list_; }
  QLineEdit* NameField() const { return name_; }
  QLineEdit* NumberField() const { return number_; }

  void SetMessageHandler(std::function<void(const QString&)> handler) {
    messageHandler_ = std::move(handler);
  }

 public slots:
  void Add();
  void Remove();
  void accept() override;

 private:
  void Message(const QString& text);
  void Fill(int select);
  void ShowSelected();

  CProfile& profile_;
  std::vector<platform::CPhoneBookEntry> entries_;
  std::string chosen_;
  QListWidget* list_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLineEdit* number_ = nullptr;
  std::function<void(const QString&)> messageHandler_;
};

}  // namespace ostrane
