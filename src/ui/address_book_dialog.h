// CAddressBookDialog: the list of sites of "AddrBook.Txt" with Connect, Close, Add, Remove and
// Modify. The whole list is written back whenever the dialog is left.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>
#include <string>
#include <vector>

#include "session/address_book.h"

namespace ostrane {

class CAddressBookEntryDialog;

class CAddressBookDialog : public QDialog {
  Q_OBJECT

 public:
  CAddressBookDialog(std::string path, std::vector<std::string> templates,
                     QWidget* parent = nullptr);

  // The site chosen with Connect (the dialog's result is then Accepted).
  const AddressBookSite& ChosenSite() const { return chosen_; }
  const CAddressBook& Book() const { return book_; }
  QTreeWidget* List() const { return list_; }

  void SetMessageHandler(std::function<void(const QString&)> handler);
  // Lets tests fill in the entry dialog before it runs; it is run with exec() otherwise.
  void SetEntryRunner(std::function<int(CAddressBookEntryDialog&)> runner);

 public slots:
  void Connect();
  void Add();
  void Remove();
  void Modify();
  void done(int result) override;

 private:
  void Fill(int selectRow);
  int SelectedRow() const;
  void Message(const QString& text);

  std::string path_;
  std::vector<std::string> templates_;
  CAddressBook book_;
  AddressBookSite chosen_;
  QTreeWidget* list_ = nullptr;
  std::function<void(const QString&)> messageHandler_;
  std::function<int(CAddressBookEntryDialog&)> entryRunner_;
};

}  // namespace ostrane
