#include "ui/new_connection_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "session/address_book.h"
#include "session/mru_list.h"
#include "session/settings_edit.h"
#include "ui/address_book_dialog.h"
#include "ui/host_history_box.h"
#include "ui/modem_config_dialog.h"
#include "ui/phone_book_dialog.h"
#include "ui/qt_questions.h"

namespace ostrane {

namespace {

template <size_t N>
QComboBox* Choices(const char* const (&items)[N], bool editable, QWidget* parent) {
  auto* box = new QComboBox(parent);
  for (const char* item : items) box->addItem(item);
  box->setEditable(editable);
  return box;
}

void SetText(QComboBox* box, const std::string& text) {
  box->setCurrentText(QString::fromStdString(text));
}

std::string Text(const QComboBox* box) {
  return box->currentText().toStdString();
}

}  // namespace

CNewConnectionDialog::CNewConnectionDialog(CSettingsSet& settings, CProfile& profile,
                                           NewConnectionHooks hooks, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      profile_(profile),
      hooks_(std::move(hooks)),
      start_(NewConnectionValues::Load(profile)) {
  setWindowTitle("New Connection");

  kindList_ = new QComboBox(this);
  for (const char* name : kConnectionKindList) kindList_->addItem(name);
  pages_ = new QStackedWidget(this);
  // In the order of the kind list.
  pages_->addWidget(BuildTelnetPage());
  pages_->addWidget(BuildSerialPage());
  pages_->addWidget(BuildModemPage());
  pages_->addWidget(BuildProxyPage());
  pages_->addWidget(BuildSshPage());
  pages_->addWidget(new QWidget(this));  // Local: nothing to ask
  pages_->addWidget(BuildLocalShellPage());

  termType_ = Choices(kTermIdChoices, false, this);
  templateList_ = new QComboBox(this);
  for (const std::string& name : hooks_.templates)
    templateList_->addItem(QString::fromStdString(name));
  templateList_->setCurrentIndex(-1);
  auto* settingsButton = new QPushButton("Settings...", this);
  settingsButton->setEnabled(static_cast<bool>(hooks_.openSettings));
  addressBookButton_ = new QPushButton("Address Book", this);
  addressBookButton_->setEnabled(!hooks_.addressBookPath.empty());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  // Return anywhere in the dialog (the host field too) connects.
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);

  auto* kindRow = new QHBoxLayout;
  kindRow->addWidget(new QLabel("Connection Type:", this));
  kindRow->addWidget(kindList_, 1);
  auto* termTypeRow = new QHBoxLayout;
  termTypeRow->addWidget(new QLabel("Terminal Type:", this));
  termTypeRow->addWidget(termType_, 1);
  auto* templateRow = new QHBoxLayout;
  templateRow->addWidget(settingsButton);
  templateRow->addWidget(new QLabel("Use Template:", this));
  templateRow->addWidget(templateList_, 1);
  auto* bottomRow = new QHBoxLayout;
  bottomRow->addWidget(addressBookButton_);
  bottomRow->addStretch(1);
  bottomRow->addWidget(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(kindRow);
  layout->addWidget(pages_, 1);
  layout->addLayout(termTypeRow);
  layout->addLayout(templateRow);
  layout->addLayout(bottomRow);

  connect(kindList_, &QComboBox::currentIndexChanged, this, &CNewConnectionDialog::ShowKind);
  connect(termType_, &QComboBox::activated, this, [this] { termTypeChosen_ = true; });
  connect(templateList_, &QComboBox::activated, this, &CNewConnectionDialog::UseTemplate);
  connect(addressBookButton_, &QPushButton::clicked, this, &CNewConnectionDialog::OpenAddressBook);
  connect(settingsButton, &QPushButton::clicked, this, [this] {
    if (!hooks_.openSettings) return;
    const int termId = settings_.Int(S::TermID);
    hooks_.openSettings();
    // A type chosen in the settings dialog is the user's latest choice.
    if (settings_.Int(S::TermID) != termId) termTypeChosen_ = false;
    ShowStartTermType();
  });
  connect(buttons, &QDialogButtonBox::accepted, this, &CNewConnectionDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CNewConnectionDialog::reject);

  kindList_->setCurrentIndex(start_.kindListIndex);
  ShowKind(start_.kindListIndex);
}

QWidget* CNewConnectionDialog::BuildLocalShellPage() {
  auto* page = new QGroupBox("Local Shell", this);
  shellCommand_ = new QLineEdit(QString::fromStdString(start_.shellCommand), page);
  shellCommand_->setPlaceholderText("(your login shell)");
  auto* form = new QFormLayout(page);
  form->addRow("Command:", shellCommand_);
  return page;
}

QWidget* CNewConnectionDialog::BuildTelnetPage() {
  auto* page = new QGroupBox("Telnet Connection", this);
  telnetHost_ = new CHostHistoryBox(profile_, kHostMruSection, page);
  telnetPort_ = Choices(kTelnetPortChoices, true, page);
  SetText(telnetPort_, start_.telnetPort);
  auto* form = new QFormLayout(page);
  form->addRow("Host:", telnetHost_);
  form->addRow("Port:", telnetPort_);
  return page;
}

QWidget* CNewConnectionDialog::BuildProxyPage() {
  auto* page = new QGroupBox("Telnet Connection with Proxy", this);
  proxyPageHost_ = new CHostHistoryBox(profile_, kHostMruSection, page);
  proxyPagePort_ = Choices(kTelnetPortChoices, true, page);
  SetText(proxyPagePort_, start_.proxyPagePort);
  auto* proxyBox = new QGroupBox("Proxy", page);
  proxyHost_ = new QComboBox(proxyBox);
  proxyHost_->setEditable(true);
  SetText(proxyHost_, start_.proxyHost);
  proxyPort_ = Choices(kTelnetPortChoices, true, proxyBox);
  SetText(proxyPort_, start_.proxyPort);
  auto* proxyForm = new QFormLayout(proxyBox);
  proxyForm->addRow("Host:", proxyHost_);
  proxyForm->addRow("Port:", proxyPort_);
  auto* form = new QFormLayout(page);
  form->addRow("Host:", proxyPageHost_);
  form->addRow("Port:", proxyPagePort_);
  form->addRow(proxyBox);
  return page;
}

QWidget* CNewConnectionDialog::BuildSerialPage() {
  auto* page = new QGroupBox("Serial Port Connection", this);
  commPort_ = new QComboBox(page);
  for (const std::string& port : SerialPortChoices())
    commPort_->addItem(QString::fromStdString(port));
  commPort_->setEditable(true);
  SetText(commPort_, start_.commPort);
  baudRate_ = Choices(kBaudRateChoices, true, page);
  SetText(baudRate_, start_.baudRate);
  dataLength_ = Choices(kDataLengthChoices, false, page);
  dataLength_->setCurrentIndex(start_.dataLengthIndex);
  parity_ = Choices(kParityChoices, false, page);
  parity_->setCurrentIndex(start_.parityIndex);
  stopBits_ = Choices(kStopBitsChoices, false, page);
  stopBits_->setCurrentIndex(start_.stopBitsIndex);
  flowControl_ = Choices(kFlowControlChoices, false, page);
  flowControl_->setCurrentIndex(start_.flowControlIndex);
  auto* form = new QFormLayout(page);
  form->addRow("Port:", commPort_);
  form->addRow("Baud Rate:", baudRate_);
  form->addRow("Data Length:", dataLength_);
  form->addRow("Parity Check:", parity_);
  form->addRow("Stop Bits:", stopBits_);
  form->addRow("Flow Control:", flowControl_);
  return page;
}

QWidget* CNewConnectionDialog::BuildModemPage() {
  auto* page = new QGroupBox("Modem Connection", this);
  modem_ = new QComboBox(page);
  phone_ = new CHostHistoryBox(profile_, kModemMruSection, page);
  SetText(phone_, start_.phoneNumber);
  // Modems are entries of the profile: Configure sets up the chosen one, or a first one.
  configureModem_ = new QPushButton("Configure...", page);
  connect(configureModem_, &QPushButton::clicked, this, &CNewConnectionDialog::ConfigureModem);
  phoneBook_ = new QPushButton("Phone Book...", page);
  connect(phoneBook_, &QPushButton::clicked, this, &CNewConnectionDialog::OpenPhoneBook);
  noModem_ = new QLabel(kTextNoModem, page);
  noModem_->setWordWrap(true);
  auto* form = new QFormLayout(page);
  modemLabel_ = new QLabel("Modem:", page);
  form->addRow(modemLabel_, modem_);
  form->addRow(noModem_);
  form->addRow("Phone Number:", phone_);
  auto* row = new QHBoxLayout;
  row->addWidget(configureModem_);
  row->addWidget(phoneBook_);
  form->addRow(row);
  ListModems(start_.modemIndex);
  return page;
}

void CNewConnectionDialog::ListModems(int select) {
  modem_->clear();
  for (const std::string& name : ModemChoices(profile_))
    modem_->addItem(QString::fromStdString(name));
  if (select >= 0 && select < modem_->count()) modem_->setCurrentIndex(select);
  const bool haveModem = modem_->count() > 0;
  modemLabel_->setVisible(haveModem);
  modem_->setVisible(haveModem);
  noModem_->setVisible(!haveModem);
}

void CNewConnectionDialog::ConfigureModem() {
  CModemConfigDialog dialog(profile_, modem_->currentIndex(), this);
  const int result = modemConfigRunner_ ? modemConfigRunner_(dialog) : dialog.exec();
  if (result == QDialog::Accepted) ListModems(dialog.Index());
}

void CNewConnectionDialog::OpenPhoneBook() {
  CPhoneBookDialog dialog(profile_, this);
  const int result = phoneBookRunner_ ? phoneBookRunner_(dialog) : dialog.exec();
  if (result == QDialog::Accepted) SetText(phone_, dialog.ChosenNumber());
}

QWidget* CNewConnectionDialog::BuildSshPage() {
  auto* page = new QGroupBox("SSH Connection", this);
  sshHost_ = new CHostHistoryBox(profile_, kSshMruSection, page);
  sshPort_ = new QComboBox(page);
  sshPort_->addItem("SSH");
  sshPort_->setEditable(true);
  SetText(sshPort_, start_.sshPort);
  sshVersion_ = Choices(kSshVersionChoices, false, page);
  sshVersion_->setCurrentIndex(start_.sshVersion);
  auto* form = new QFormLayout(page);
  form->addRow("Host:", sshHost_);
  form->addRow("Port:", sshPort_);
  form->addRow("SSH Protocol Version:", sshVersion_);
  return page;
}

QWidget* CNewConnectionDialog::Page(const char* kindName) const {
  for (int i = 0; i < kConnectionKindListSize; ++i)
    if (QString(kConnectionKindList[i]) == kindName) return pages_->widget(i);
  return nullptr;
}

void CNewConnectionDialog::SetMessageHandler(std::function<void(const QString&)> handler) {
  messageHandler_ = std::move(handler);
}

void CNewConnectionDialog::Message(const QString& text) {
  if (messageHandler_)
    messageHandler_(text);
  else
    ShowMessage(this, text);
}

void CNewConnectionDialog::ShowKind(int listIndex) {
  if (listIndex < 0 || listIndex >= pages_->count()) return;
  pages_->setCurrentIndex(listIndex);
  ShowStartTermType();
  FocusFirstField();
}

// Until the user picks a type, the list follows the kind and the session's settings (which a
// template or the settings dialog may have changed).
void CNewConnectionDialog::ShowStartTermType() {
  if (!termTypeChosen_)
    termType_->setCurrentIndex(StartTermIdChoice(kindList_->currentIndex(), settings_));
}

// The page's first field takes the keyboard with its text selected, so typing replaces a
// remembered host and Return connects to it.
void CNewConnectionDialog::FocusFirstField() {
  QWidget* page = pages_->currentWidget();
  page->setFocus();
  QWidget* first = page->nextInFocusChain();
  if (!first || !page->isAncestorOf(first)) return;
  first->setFocus();
  if (auto* box = qobject_cast<QComboBox*>(first); box && box->lineEdit())
    box->lineEdit()->selectAll();
  else if (auto* edit = qobject_cast<QLineEdit*>(first))
    edit->selectAll();
}

void CNewConnectionDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FocusFirstField();
}

void CNewConnectionDialog::UseTemplate(int index) {
  if (index < 0 || !hooks_.loadTemplate) return;
  if (!hooks_.loadTemplate(templateList_->itemText(index).toStdString()))
    Message(kTextTemplateFailed);
  ShowStartTermType();
}

NewConnectionValues CNewConnectionDialog::Collect() const {
  NewConnectionValues v;
  v.kindListIndex = kindList_->currentIndex();
  v.shellCommand = shellCommand_->text().toStdString();
  v.termIdChoice = termType_->currentIndex();
  v.telnetHost = Text(telnetHost_);
  v.telnetPort = Text(telnetPort_);
  v.proxyPageHost = Text(proxyPageHost_);
  v.proxyPagePort = Text(proxyPagePort_);
  v.proxyHost = Text(proxyHost_);
  v.proxyPort = Text(proxyPort_);
  v.commPort = Text(commPort_);
  v.baudRate = Text(baudRate_);
  v.dataLengthIndex = dataLength_->currentIndex();
  v.parityIndex = parity_->currentIndex();
  v.stopBitsIndex = stopBits_->currentIndex();
  v.flowControlIndex = flowControl_->currentIndex();
  v.modemIndex = modem_->currentIndex();
  v.phoneNumber = Text(phone_);
  v.sshHost = Text(sshHost_);
  v.sshPort = Text(sshPort_);
  v.sshVersion = sshVersion_->currentIndex();
  return v;
}

void CNewConnectionDialog::accept() {
  const NewConnectionValues values = Collect();
  const std::string error = AcceptNewConnection(values, settings_, profile_);
  if (!error.empty()) {
    Message(QString::fromStdString(error));
    return;
  }
  hostToRemember_ = ::ostrane::HostToRemember(values);
  QDialog::accept();
}

void CNewConnectionDialog::OpenAddressBook() {
  CAddressBookDialog book(hooks_.addressBookPath, hooks_.templates, this);
  if (book.exec() != QDialog::Accepted) return;
  auto load = [this](const std::string& name, CSettingsSet&) {
    return hooks_.loadTemplate && hooks_.loadTemplate(name);
  };
  if (!ApplySite(book.ChosenSite(), settings_, load)) Message(kTextTemplateFailed);
  QDialog::accept();
}

}  // namespace ostrane
