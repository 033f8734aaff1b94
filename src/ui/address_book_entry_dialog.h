// CAddressBookEntryDialog: one site's name, kind, address, template and login script.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <functional>
#include <string>
#include <vector>

#include "session/address_book.h"

namespace ostrane {

class CAddressBookEntryDialog : public QDialog {
  Q_OBJECT

 public:
  CAddressBookEntryDialog(const AddressBookSite& site, const std::vector<std::string>& templates,
                          QWidget* parent = nullptr);

  // The fields as entered; the script's lines end with CR LF.
  const AddressBookSite& Site() const { return site_; }
  void SetMessageHandler(std::function<void(const QString&)> handler);

  QLineEdit* NameField() const { return name_; }
  QComboBox* TypeList() const { return type_; }
  QLineEdit* AddressField() const { return address_; }
  QComboBox* TemplateList() const { return template_; }
  QPlainTextEdit* ScriptField() const { return script_; }

 public slots:
  void accept() override;

 private:
  AddressBookSite site_;
  std::function<void(const QString&)> messageHandler_;
  QLineEdit* name_ = nullptr;
  QComboBox* type_ = nullptr;
  QLineEdit* address_ = nullptr;
  QComboBox* template_ = nullptr;
  QPlainTextEdit* script_ = nullptr;
};

}  // namespace ostrane
