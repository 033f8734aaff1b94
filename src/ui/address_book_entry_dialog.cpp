#include "ui/address_book_entry_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/qt_questions.h"

namespace ostrane {

CAddressBookEntryDialog::CAddressBookEntryDialog(const AddressBookSite& site,
                                                 const std::vector<std::string>& templates,
                                                 QWidget* parent)
    : QDialog(parent), site_(site) {
  setWindowTitle("Address Book Entry");
  name_ = new QLineEdit(QString::fromStdString(site.name), this);
  type_ = new QComboBox(this);
  for (const char* t : kSiteTypes) type_->addItem(t);
  const int typeIndex = type_->findText(QString::fromStdString(CanonicalSiteType(site.type)));
  type_->setCurrentIndex(typeIndex < 0 ? 0 : typeIndex);
  address_ = new QLineEdit(QString::fromStdString(site.address), this);
  template_ = new QComboBox(this);
  template_->addItem(QString());
  std::vector<std::string> sorted = templates;
  std::sort(sorted.begin(), sorted.end());
  for (const std::string& t : sorted) template_->addItem(QString::fromStdString(t));
  template_->setCurrentIndex(
      std::max(0, template_->findText(QString::fromStdString(site.templateName),
                                      Qt::MatchExactly | Qt::MatchCaseSensitive)));
  QString script = QString::fromStdString(site.script);
  script.replace("\r\n", "\n");
  script_ = new QPlainTextEdit(script, this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Put a name to identify the host here (optional):", this));
  layout->addWidget(name_);
  layout->addWidget(new QLabel("Access Type", this));
  layout->addWidget(type_);
  auto* addressLabel = new QLabel(
      "Address (host name/IP or phone number, if not using standard network port, put "
      "<host>:<port number>):",
      this);
  addressLabel->setTextFormat(Qt::PlainText);
  addressLabel->setWordWrap(true);
  layout->addWidget(addressLabel);
  layout->addWidget(address_);
  layout->addWidget(new QLabel("Settings Template", this));
  layout->addWidget(template_);
  layout->addWidget(new QLabel("Login Script", this));
  layout->addWidget(script_, 1);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &CAddressBookEntryDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CAddressBookEntryDialog::reject);
}

void CAddressBookEntryDialog::SetMessageHandler(std::function<void(const QString&)> handler) {
  messageHandler_ = std::move(handler);
}

void CAddressBookEntryDialog::accept() {
  AddressBookSite site;
  site.name = name_->text().toStdString();
  site.type = type_->currentText().toStdString();
  site.address = address_->text().toStdString();
  site.templateName = template_->currentText().toStdString();
  QString script = script_->toPlainText();
  script.replace("\r\n", "\n").replace('\n', "\r\n");
  site.script = script.toStdString();
  const std::string error = CheckSiteEntry(site);
  if (!error.empty()) {
    if (messageHandler_)
      messageHandler_(QString::fromStdString(error));
    else
      ShowMessage(this, QString::fromStdString(error));
    return;
  }
  site_ = std::move(site);
  QDialog::accept();
}

}  // namespace ostrane
