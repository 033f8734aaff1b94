// The Communication, Buttons and File Transfer pages.
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <iterator>

#include "session/new_connection_rules.h"
#include "session/settings_edit.h"
#include "settings/control_string.h"
#include "settings/settings_limits.h"
#include "ui/settings_pages.h"
#include "ui/settings_sheet.h"

namespace ostrane {

namespace {

constexpr char kTextInvalidSequence[] = "Invalid format in sequence.";

// The kinds of the Communication page, in list order, and which fields each shows.
enum class LinkKind { kTelnet, kProxy, kSerial, kLocal, kModem, kSsh };
struct KindRow {
  LinkKind kind;
  const char* text;
  bool host, port, proxy, serial, modem, ssh;
};
constexpr KindRow kKinds[] = {
    {LinkKind::kTelnet, "Telnet", true, true, false, false, false, false},
    {LinkKind::kProxy, "Telnet Proxy", true, true, true, false, false, false},
    {LinkKind::kSerial, "Serial", false, false, false, true, false, false},
    {LinkKind::kLocal, "Local", false, false, false, false, false, false},
    {LinkKind::kModem, "Modem", false, false, false, false, true, false},
    {LinkKind::kSsh, "SSH", true, true, false, false, false, true},
};
constexpr int kStopBitsValues[] = {0, 2};
constexpr int kDataLengthValues[] = {5, 6, 7, 8};
constexpr int kHostTypeSsh2 = 5;
constexpr int kHostTypeSsh1 = 6;

int KindIndexOf(const CSettingsSet& s) {
  auto index = [](LinkKind k) {
    for (size_t i = 0; i < std::size(kKinds); ++i)
      if (kKinds[i].kind == k) return static_cast<int>(i);
    return -1;
  };
  switch (s.Int(S::HostType)) {
    case 0:
      return index(s.Str(S::Proxy).empty() ? LinkKind::kTelnet : LinkKind::kProxy);
    case 1:
      return index(LinkKind::kSerial);
    case 2:
      return index(LinkKind::kLocal);
    case 3:
      return index(LinkKind::kModem);
    case kHostTypeSsh2:
    case kHostTypeSsh1:
      return index(LinkKind::kSsh);
    default:
      return -1;
  }
}

// A serial device given by its path rather than a COMn name.
bool IsSerialDevicePath(const std::string& text) {
  return text.size() > 1 && text.front() == '/' && text.back() != '/';
}

template <size_t N>
int IndexIn(const int (&table)[N], int value) {
  for (size_t i = 0; i < N; ++i)
    if (table[i] == value) return static_cast<int>(i);
  return -1;
}

}  // namespace

// ---- Communication ----

CPageTrans::CPageTrans(CSettingsSheet& sheet) : CSettingsPage(sheet, "Communication") {
  kind_ = new QComboBox(this);
  for (const KindRow& k : kKinds) kind_->addItem(k.text);
  host_ = new QLineEdit(this);
  port_ = new QComboBox(this);
  port_->setEditable(true);
  port_->addItems({"Telnet", "Echo", "SSH"});
  proxyHost_ = new QLineEdit(this);
  proxyPort_ = new QLineEdit(this);
  commPort_ = new QComboBox(this);
  commPort_->setEditable(true);
  // The devices that exist, then the COMn names the profile maps to devices.
  for (const std::string& p : SerialPortChoices()) commPort_->addItem(QString::fromStdString(p));
  baud_ = new QComboBox(this);
  baud_->setEditable(true);
  for (const char* b : kBaudRateChoices) baud_->addItem(b);
  dataLength_ = new QComboBox(this);
  for (const char* d : kDataLengthChoices) dataLength_->addItem(d);
  parity_ = new QComboBox(this);
  for (const char* p : kParityChoices) parity_->addItem(p);
  stopBits_ = new QComboBox(this);
  for (const char* b : kStopBitsChoices) stopBits_->addItem(b);
  flow_ = new QComboBox(this);
  for (const char* f : kFlowControlChoices) flow_->addItem(f);
  phone_ = new QLineEdit(this);
  modem_ = new QComboBox(this);
  if (const CProfile* profile = sheet.Profile())
    for (const std::string& name : ModemChoices(*profile))
      modem_->addItem(QString::fromStdString(name));
  sshVersion_ = new QComboBox(this);
  for (const char* v : kSshVersionChoices) sshVersion_->addItem(v);
  sshUser_ = new QLineEdit(this);
  savePassword_ = new QCheckBox("Save Password", this);

  auto* form = new QFormLayout;
  form->addRow("Connection Type:", kind_);
  form->addRow("Host:", host_);
  form->addRow("Port:", port_);
  form->addRow("Proxy Host:", proxyHost_);
  form->addRow("Proxy Port:", proxyPort_);
  form->addRow("Serial Port:", commPort_);
  form->addRow("Baud Rate:", baud_);
  form->addRow("Data Length:", dataLength_);
  form->addRow("Parity Check:", parity_);
  form->addRow("Stop Bits:", stopBits_);
  form->addRow("Flow Control:", flow_);
  form->addRow("Phone Number:", phone_);
  form->addRow("Modem:", modem_);
  form->addRow("SSH Version:", sshVersion_);
  form->addRow("User Name:", sshUser_);
  form->addRow(savePassword_);
  form->addRow(BindCheck("Keep the Session Alive", S::KeepSession));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addStretch(1);

  form_ = form;
  connect(kind_, &QComboBox::currentIndexChanged, this, &CPageTrans::ShowKind);
}

void CPageTrans::ShowKind(int index) {
  const KindRow none{LinkKind::kLocal, "", false, false, false, false, false, false};
  const KindRow& k = index >= 0 ? kKinds[index] : none;
  form_->setRowVisible(host_, k.host);
  form_->setRowVisible(port_, k.port);
  form_->setRowVisible(proxyHost_, k.proxy);
  form_->setRowVisible(proxyPort_, k.proxy);
  for (QWidget* w :
       std::initializer_list<QWidget*>{commPort_, baud_, dataLength_, parity_, stopBits_, flow_})
    form_->setRowVisible(w, k.serial);
  form_->setRowVisible(phone_, k.modem);
  form_->setRowVisible(modem_, k.modem);
  form_->setRowVisible(sshVersion_, k.ssh);
  form_->setRowVisible(sshUser_, k.ssh);
  form_->setRowVisible(savePassword_, k.ssh);
}

void CPageTrans::LoadExtra(const CSettingsSet& s, const CKeyMap& /*keyMap*/) {
  const int type = s.Int(S::HostType);
  kind_->setCurrentIndex(KindIndexOf(s));
  ShowKind(kind_->currentIndex());
  host_->setText(type == 3 ? QString() : QString::fromStdString(s.Str(S::HostName)));
  port_->setCurrentText(QString::fromStdString(PortToText(s.Int(S::Port))));
  proxyHost_->setText(QString::fromStdString(s.Str(S::Proxy)));
  proxyPort_->setText(QString::fromStdString(PortToText(s.Int(S::Speed))));
  commPort_->setCurrentText(QString::fromStdString(
      type == 1 && IsSerialDevicePath(s.Str(S::HostName)) ? s.Str(S::HostName)
                                                          : SerialPortName(s.Int(S::Port))));
  baud_->setCurrentText(QString::number(s.Int(S::Speed)));
  dataLength_->setCurrentIndex(IndexIn(kDataLengthValues, s.Int(S::DataLength)));
  parity_->setCurrentIndex(ParityChoice(s.Int(S::Parity)));
  stopBits_->setCurrentIndex(IndexIn(kStopBitsValues, s.Int(S::StopBits)));
  flow_->setCurrentIndex(s.Int(S::FlowControl) >= 0 && s.Int(S::FlowControl) < flow_->count()
                             ? s.Int(S::FlowControl)
                             : -1);
  phone_->setText(type == 3 ? QString::fromStdString(s.Str(S::HostName)) : QString());
  modem_->setCurrentIndex(type == 3 && s.Int(S::Port) < modem_->count() ? s.Int(S::Port) : 0);
  sshVersion_->setCurrentIndex(type == kHostTypeSsh1 ? 0 : 1);
  sshUser_->setText(QString::fromStdString(s.Str(S::SshUser)));
  savePassword_->setChecked(!s.Str(S::SshPassword).empty());
}

bool CPageTrans::StoreExtra(CSettingsSet& s, CKeyMap& /*keyMap*/) {
  const int index = kind_->currentIndex();
  if (index < 0) return true;  // a kind this page does not offer stays as it is
  const KindRow& k = kKinds[index];
  const std::string host = host_->text().trimmed().toStdString();
  if (k.host && host.empty()) {
    Message(kTextNoHost);
    return false;
  }
  std::optional<int> port = 0;
  if (k.port && !(port = PortFromText(port_->currentText().trimmed().toStdString()))) {
    Message(kTextBadTelnetPort);
    return false;
  }
  switch (k.kind) {
    case LinkKind::kTelnet:
    case LinkKind::kProxy: {
      const std::string proxy = proxyHost_->text().trimmed().toStdString();
      const auto proxyPort = PortFromText(proxyPort_->text().trimmed().toStdString());
      if (k.proxy && (proxy.empty() || !proxyPort || *proxyPort == 0)) {
        Message(kTextNoProxyHost);
        return false;
      }
      s.SetInt(S::HostType, 0);
      s.SetStr(S::HostName, host);
      s.SetInt(S::Port, *port);
      s.SetStr(S::Proxy, k.proxy ? proxy : std::string());
      if (k.proxy) s.SetInt(S::Speed, *proxyPort);
      break;
    }
    case LinkKind::kSerial: {
      const std::string device = commPort_->currentText().trimmed().toStdString();
      const bool isPath = IsSerialDevicePath(device);
      const auto comm = isPath ? std::optional<int>(0) : SerialPortIndex(device);
      if (!comm) {
        Message(kTextBadCommPort);
        return false;
      }
      bool ok = false;
      const qlonglong baud = baud_->currentText().trimmed().toLongLong(&ok);
      if (!ok || baud <= 0 || !RangeMessage(S::Speed, baud).empty()) {
        Message(kTextBadBaudRate);
        return false;
      }
      s.SetInt(S::HostType, 1);
      // A device path is opened as it is; a COMn name through the profile's map.
      s.SetStr(S::HostName, isPath ? device : std::string());
      s.SetInt(S::Port, *comm);
      s.SetInt(S::Speed, static_cast<int32_t>(baud));
      if (dataLength_->currentIndex() >= 0)
        s.SetInt(S::DataLength, kDataLengthValues[dataLength_->currentIndex()]);
      if (parity_->currentIndex() >= 0)
        s.SetInt(S::Parity, ParityOfChoice(parity_->currentIndex()));
      if (stopBits_->currentIndex() >= 0)
        s.SetInt(S::StopBits, kStopBitsValues[stopBits_->currentIndex()]);
      if (flow_->currentIndex() >= 0) s.SetInt(S::FlowControl, flow_->currentIndex());
      break;
    }
    case LinkKind::kLocal:
      s.SetInt(S::HostType, 2);
      break;
    case LinkKind::kModem:
      if (const std::string problem = CheckPhoneNumber(phone_->text().trimmed().toStdString());
          !problem.empty()) {
        Message(QString::fromStdString(problem));
        return false;
      }
      if (modem_->currentIndex() < 0) {
        Message(kTextNoModem);
        return false;
      }
      s.SetInt(S::HostType, 3);
      s.SetStr(S::HostName, phone_->text().trimmed().toStdString());
      s.SetInt(S::Port, modem_->currentIndex());
      break;
    case LinkKind::kSsh:
      s.SetInt(S::HostType, sshVersion_->currentIndex() == 0 ? kHostTypeSsh1 : kHostTypeSsh2);
      s.SetStr(S::HostName, host);
      s.SetInt(S::Port, *port);
      s.SetStr(S::SshUser, sshUser_->text().trimmed().toStdString());
      if (!savePassword_->isChecked()) s.SetStr(S::SshPassword, "");
      break;
  }
  return true;
}

// ---- Buttons ----

CPageButtons::CPageButtons(CSettingsSheet& sheet) : CSettingsPage(sheet, "Buttons") {
  list_ = new QListWidget(this);
  for (int i = 0; i < 32; ++i) list_->addItem(QString());
  caption_ = new QLineEdit(this);
  string_ = new QLineEdit(this);
  action_ = new QComboBox(this);
  action_->addItems({"Send String", "Execute Script", "Run Script File"});
  auto* form = new QFormLayout;
  form->addRow("Caption:", caption_);
  form->addRow("Action:", action_);
  form->addRow("String:", string_);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(form, 2);
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!KeepSelected()) {
      const QSignalBlocker block(list_);
      list_->setCurrentRow(shown_);
      return;
    }
    ShowSelected(row);
  });
}

bool CPageButtons::KeepSelected() {
  if (shown_ < 0) return true;
  const auto i = static_cast<size_t>(shown_);
  const std::string text = string_->text().toStdString();
  std::string bytes;
  if (action_->currentIndex() == 0 && !ParseControlString(text, bytes)) {
    Message(kTextInvalidSequence);
    string_->setFocus();
    return false;
  }
  captions_[i] = caption_->text().toStdString();
  strings_[i] = text;
  actions_[i] = std::max(0, action_->currentIndex());
  list_->item(shown_)->setText(
      QString("Button #%1 %2").arg(shown_ + 1, 2, 10, QChar('0')).arg(caption_->text()));
  return true;
}

void CPageButtons::ShowSelected(int row) {
  shown_ = row;
  const bool valid = row >= 0 && row < 32;
  const auto i = static_cast<size_t>(valid ? row : 0);
  caption_->setText(valid ? QString::fromStdString(captions_[i]) : QString());
  string_->setText(valid ? QString::fromStdString(strings_[i]) : QString());
  action_->setCurrentIndex(valid && actions_[i] >= 0 && actions_[i] <= 2 ? actions_[i] : 0);
  caption_->setEnabled(valid);
  string_->setEnabled(valid);
  action_->setEnabled(valid);
}

void CPageButtons::LoadExtra(const CSettingsSet& s, const CKeyMap& /*keyMap*/) {
  for (int i = 0; i < 32; ++i) {
    const auto b = static_cast<size_t>(i);
    captions_[b] = s.StrElement(S::ButtonCaption, i);
    strings_[b] = s.StrElement(S::ButtonString, i);
    actions_[b] = s.IntElement(S::ButtonAction, i);
    list_->item(i)->setText(QString("Button #%1 %2")
                                .arg(i + 1, 2, 10, QChar('0'))
                                .arg(QString::fromStdString(captions_[b])));
  }
  shown_ = -1;
  const QSignalBlocker block(list_);
  list_->setCurrentRow(0);
  ShowSelected(0);
}

bool CPageButtons::StoreExtra(CSettingsSet& s, CKeyMap& /*keyMap*/) {
  if (!KeepSelected()) return false;
  for (int i = 0; i < 32; ++i) {
    const auto b = static_cast<size_t>(i);
    s.SetStrElement(S::ButtonCaption, i, captions_[b]);
    s.SetStrElement(S::ButtonString, i, strings_[b]);
    s.SetIntElement(S::ButtonAction, i, actions_[b]);
  }
  return true;
}

// ---- File Transfer ----

CPageXfer::CPageXfer(CSettingsSheet& sheet) : CSettingsPage(sheet, "File Transfer") {
  auto* form = new QFormLayout;
  form->addRow(BindCheck("Receive Automatically When the Host Starts Sending", S::AutoRecv));
  form->addRow("Receive Into Folder:", BindText(S::RecvDir));
  form->addRow(BindCheck("Open the Folder After Receiving", S::XferOpenRecv));
  form->addRow("Host Receive Command:", BindControlText(S::ZModemInit));
  form->addRow("Pause Before Sending (ms):", BindNumber(S::XferInitPause));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addStretch(1);
}

}  // namespace ostrane
