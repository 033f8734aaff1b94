#include "ui/phone_book_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "session/new_connection_rules.h"
#include "ui/qt_questions.h"

namespace ostrane {

namespace {

constexpr char kTextNoName[] = "Please name the entry.";
constexpr char kTextNothingChosen[] = "Please choose a number from the list.";
constexpr char kTextNotSaved[] = "The phone book could not be written.";

}  // namespace

CPhoneBookDialog::CPhoneBookDialog(CProfile& profile, QWidget* parent)
    : QDialog(parent), profile_(profile), entries_(platform::ListPhoneBook(profile)) {
  setWindowTitle("Phone Book");
  list_ = new QListWidget(this);
  name_ = new QLineEdit(this);
  number_ = new QLineEdit(this);
  auto* add = new QPushButton("Add", this);
  auto* remove = new QPushButton("Remove", this);
  connect(add, &QPushButton::clicked, this, &CPhoneBookDialog::Add);
  connect(remove, &QPushButton::clicked, this, &CPhoneBookDialog::Remove);
  connect(list_, &QListWidget::currentRowChanged, this, &CPhoneBookDialog::ShowSelected);
  connect(list_, &QListWidget::itemDoubleClicked, this, &CPhoneBookDialog::accept);

  auto* form = new QFormLayout;
  form->addRow("Name:", name_);
  form->addRow("Phone Number:", number_);
  auto* edit = new QHBoxLayout;
  edit->addWidget(add);
  edit->addWidget(remove);
  edit->addStretch(1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CPhoneBookDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CPhoneBookDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(form);
  layout->addLayout(edit);
  layout->addWidget(buttons);
  Fill(entries_.empty() ? -1 : 0);
  if (entries_.empty()) name_->setFocus();
}

void CPhoneBookDialog::Message(const QString& text) {
  if (messageHandler_)
    messageHandler_(text);
  else
    ShowMessage(this, text);
}

void CPhoneBookDialog::Fill(int select) {
  list_->clear();
  for (const platform::CPhoneBookEntry& e : entries_)
    list_->addItem(QString::fromStdString(e.name + "\t" + e.number));
  list_->setCurrentRow(select);
}

void CPhoneBookDialog::ShowSelected() {
  const int row = list_->currentRow();
  if (row < 0 || static_cast<size_t>(row) >= entries_.size()) return;
  name_->setText(QString::fromStdString(entries_[static_cast<size_t>(row)].name));
  number_->setText(QString::fromStdString(entries_[static_cast<size_t>(row)].number));
}

void CPhoneBookDialog::Add() {
  const platform::CPhoneBookEntry entry{name_->text().trimmed().toStdString(),
                                        number_->text().trimmed().toStdString()};
  if (entry.name.empty()) return Message(kTextNoName);
  // Only a number the modem can dial is kept.
  if (const std::string problem = CheckPhoneNumber(entry.number); !problem.empty())
    return Message(QString::fromStdString(problem));
  size_t at = 0;
  while (at < entries_.size() && entries_[at].name != entry.name) ++at;
  if (at == entries_.size())
    entries_.push_back(entry);
  else
    entries_[at] = entry;
  if (!platform::WritePhoneBook(profile_, entries_)) Message(kTextNotSaved);
  Fill(static_cast<int>(at));
}

void CPhoneBookDialog::Remove() {
  const int row = list_->currentRow();
  if (row < 0 || static_cast<size_t>(row) >= entries_.size()) return;
  entries_.erase(entries_.begin() + row);
  if (!platform::WritePhoneBook(profile_, entries_)) Message(kTextNotSaved);
  Fill(std::min(row, static_cast<int>(entries_.size()) - 1));
}

void CPhoneBookDialog::accept() {
  // The field shows the selected entry's number, or one the user typed.
  const std::string number = number_->text().trimmed().toStdString();
  if (number.empty()) return Message(kTextNothingChosen);
  if (const std::string problem = CheckPhoneNumber(number); !problem.empty())
    return Message(QString::fromStdString(problem));
  chosen_ = number;
  QDialog::accept();
}

}  // namespace ostrane
