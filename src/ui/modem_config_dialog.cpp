#include "ui/modem_config_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/serial_line.h"
#include "session/new_connection_rules.h"
#include "ui/qt_questions.h"

namespace ostrane {

namespace {

constexpr char kTextNoName[] = "Please name the modem.";
constexpr char kTextNoDevice[] =
    "Please choose the serial device of the modem (a path under /dev).";
constexpr char kTextBadInit[] =
    "The init string must be AT commands on one line of printable characters.";
// Longest init string: one modem command line.
constexpr int kMaxInitLength = 60;
constexpr int kDeviceFieldChars = 40;

bool IsPrintable(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= ' ' && c < 0x7f; });
}

}  // namespace

CModemConfigDialog::CModemConfigDialog(CProfile& profile, int index, QWidget* parent)
    : QDialog(parent), profile_(profile) {
  setWindowTitle("Configure Modem");
  const std::vector<platform::CModemEntry> modems = platform::ListModems(profile);
  const bool editing = index >= 0 && static_cast<size_t>(index) < modems.size();
  index_ = editing ? index : static_cast<int>(modems.size());
  const platform::CModemEntry modem =
      editing ? modems[static_cast<size_t>(index)] : platform::CModemEntry{"Modem", "", "ATZ"};
  name_ = new QLineEdit(QString::fromStdString(modem.name), this);
  device_ = new QComboBox(this);
  device_->setEditable(true);
  // Room for a /dev/serial/by-id name, which is long.
  device_->setMinimumContentsLength(kDeviceFieldChars);
  for (const platform::CSerialDeviceEntry& d : platform::ListSerialDevices())
    device_->addItem(QString::fromStdString(d.path));
  device_->setCurrentText(QString::fromStdString(modem.device));
  speed_ = new QComboBox(this);
  speed_->setEditable(true);
  for (const char* rate : kBaudRateChoices) speed_->addItem(rate);
  speed_->setCurrentText(QString::number(modem.speed));
  init_ = new QLineEdit(QString::fromStdString(modem.init), this);
  init_->setMaxLength(kMaxInitLength);

  auto* form = new QFormLayout;
  form->addRow("Name:", name_);
  form->addRow("Device:", device_);
  form->addRow("Line Rate:", speed_);
  form->addRow("Init String:", init_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CModemConfigDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CModemConfigDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

QString CModemConfigDialog::Check(const platform::CModemEntry& modem) {
  if (modem.name.empty()) return kTextNoName;
  if (modem.device.size() < 2 || modem.device.front() != '/' || !IsPrintable(modem.device))
    return kTextNoDevice;
  if (!platform::SpeedConstant(modem.speed)) return kTextUnsupportedBaudRate;
  // The init string is sent as one command line: a line end inside it would be a second one.
  if (!IsPrintable(modem.init)) return kTextBadInit;
  return {};
}

void CModemConfigDialog::accept() {
  bool ok = false;
  const int speed = speed_->currentText().trimmed().toInt(&ok);
  const platform::CModemEntry modem{name_->text().trimmed().toStdString(),
                                    device_->currentText().trimmed().toStdString(),
                                    init_->text().trimmed().toStdString(), ok ? speed : 0};
  QString problem = Check(modem);
  if (problem.isEmpty() && !platform::WriteModem(profile_, static_cast<size_t>(index_), modem))
    problem = "The modem list could not be written.";
  if (!problem.isEmpty()) {
    if (messageHandler_)
      messageHandler_(problem);
    else
      ShowMessage(this, problem);
    return;
  }
  QDialog::accept();
}

}  // namespace ostrane
