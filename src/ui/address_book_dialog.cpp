#include "ui/address_book_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/address_book_entry_dialog.h"
#include "ui/qt_questions.h"

namespace ostrane {

namespace {

struct Column {
  const char* caption;
  int width;  // dialog units; 0 hides the column
};
constexpr Column kColumns[] = {
    {"Site Name", 150}, {"Type", 70}, {"Address", 300}, {"Template", 120}, {"Script", 0},
};
// Dialog units are about a quarter of the average character width.
constexpr int kPixelsPerFourUnits = 7;

}  // namespace

CAddressBookDialog::CAddressBookDialog(std::string path, std::vector<std::string> templates,
                                       QWidget* parent)
    : QDialog(parent), path_(std::move(path)), templates_(std::move(templates)) {
  setWindowTitle("Ostrane Address Book");
  book_.Read(path_);

  list_ = new QTreeWidget(this);
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setColumnCount(static_cast<int>(std::size(kColumns)));
  QStringList captions;
  for (const Column& c : kColumns) captions << c.caption;
  list_->setHeaderLabels(captions);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    list_->setColumnWidth(i, kColumns[i].width * kPixelsPerFourUnits / 4);
    list_->setColumnHidden(i, kColumns[i].width == 0);
  }

  auto* connectButton = new QPushButton("Connect", this);
  auto* closeButton = new QPushButton("Close", this);
  auto* addButton = new QPushButton("Add", this);
  auto* removeButton = new QPushButton("Remove", this);
  auto* modifyButton = new QPushButton("Modify", this);
  connectButton->setDefault(true);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {connectButton, closeButton, addButton, removeButton, modifyButton})
    buttons->addWidget(b);
  buttons->addStretch(1);
  auto* row = new QHBoxLayout;
  row->addWidget(list_, 1);
  row->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row, 1);
  layout->addWidget(new QLabel("(Double click on a Site Name to connect)", this));
  resize(760, 360);

  connect(connectButton, &QPushButton::clicked, this, &CAddressBookDialog::Connect);
  connect(closeButton, &QPushButton::clicked, this, &CAddressBookDialog::reject);
  connect(addButton, &QPushButton::clicked, this, &CAddressBookDialog::Add);
  connect(removeButton, &QPushButton::clicked, this, &CAddressBookDialog::Remove);
  connect(modifyButton, &QPushButton::clicked, this, &CAddressBookDialog::Modify);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, &CAddressBookDialog::Connect);
  Fill(-1);
}

void CAddressBookDialog::SetMessageHandler(std::function<void(const QString&)> handler) {
  messageHandler_ = std::move(handler);
}

void CAddressBookDialog::SetEntryRunner(std::function<int(CAddressBookEntryDialog&)> runner) {
  entryRunner_ = std::move(runner);
}

void CAddressBookDialog::Message(const QString& text) {
  if (messageHandler_)
    messageHandler_(text);
  else
    ShowMessage(this, text);
}

void CAddressBookDialog::Fill(int selectRow) {
  list_->clear();
  for (const AddressBookSite& s : book_.Sites()) {
    QString script = QString::fromStdString(s.script);
    new QTreeWidgetItem(
        list_, {QString::fromStdString(s.name), QString::fromStdString(s.type),
                QString::fromStdString(s.address), QString::fromStdString(s.templateName), script});
  }
  if (selectRow >= 0 && selectRow < list_->topLevelItemCount())
    list_->setCurrentItem(list_->topLevelItem(selectRow));
}

int CAddressBookDialog::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  return selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.front());
}

void CAddressBookDialog::Connect() {
  const int row = SelectedRow();
  if (row < 0) {
    Message(kTextSelectSite);
    return;
  }
  chosen_ = book_.Sites()[static_cast<size_t>(row)];
  accept();
}

void CAddressBookDialog::Add() {
  CAddressBookEntryDialog entry(AddressBookSite{}, templates_, this);
  if ((entryRunner_ ? entryRunner_(entry) : entry.exec()) != QDialog::Accepted) return;
  Fill(book_.Add(entry.Site()));
}

void CAddressBookDialog::Remove() {
  const int row = SelectedRow();
  if (row < 0) {
    Message(kTextSelectSite);
    return;
  }
  book_.Remove(row);
  Fill(-1);
}

void CAddressBookDialog::Modify() {
  const int row = SelectedRow();
  if (row < 0) {
    Message(kTextSelectSite);
    return;
  }
  CAddressBookEntryDialog entry(book_.Sites()[static_cast<size_t>(row)], templates_, this);
  if ((entryRunner_ ? entryRunner_(entry) : entry.exec()) != QDialog::Accepted) return;
  Fill(book_.Modify(row, entry.Site()));
}

void CAddressBookDialog::done(int result) {
  if (!book_.Write(path_)) Message(QString::fromStdString(std::string("Cannot create the file.")));
  QDialog::done(result);
}

}  // namespace ostrane
