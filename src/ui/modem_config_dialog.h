// CModemConfigDialog: sets up one modem of the profile's [Modems] list (its name, the serial
// device it is on, the rate of the line to it and the AT commands sent before each dial), or
// adds a new one.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <functional>

#include "platform/profile.h"
#include "platform/serial_devices.h"

namespace ostrane {

class CModemConfigDialog : public QDialog {
  Q_OBJECT

 public:
  // index is the entry to edit, or -1 (or past the end) to add one.
  CModemConfigDialog(CProfile& profile, int index, QWidget* parent = nullptr);

  // The entry written by OK (the dialog's result is then Accepted).
  int Index() const { return index_; }
  QLineEdit* NameField() const { return name_; }
  QComboBox* DeviceField() const { return device_; }
  QComboBox* SpeedField() const { return speed_; }
  QLineEdit* InitField() const { return init_; }

  // Where the checks' messages go; by default a message box.
  void SetMessageHandler(std::function<void(const QString&)> handler) {
    messageHandler_ = std::move(handler);
  }

 public slots:
  void accept() override;

 private:
  // Empty when the entry can be kept, else why not.
  static QString Check(const platform::CModemEntry& modem);

  CProfile& profile_;
  int index_;
  QLineEdit* name_ = nullptr;
  QComboBox* device_ = nullptr;
  QComboBox* speed_ = nullptr;
  QLineEdit* init_ = nullptr;
  std::function<void(const QString&)> messageHandler_;
};

}  // namespace ostrane
