// The settings sheet's Communication page for serial and modem sessions: the modems are the
// profile's own, and a serial port is a COMn name or a device path, each stored so that the
// session opens what the page showed.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <memory>

#include "platform/profile.h"
#include "platform/serial_devices.h"
#include "session/new_connection_rules.h"
#include "support/test_folder.h"
#include "ui/settings_pages.h"
#include "ui/settings_sheet.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

class SettingsSheetLines : public testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    profile_ = std::make_unique<CProfile>((test::FreshTestFolder() / "ostrane.ini").string());
    profile_->WriteString("Modems", "Name1", "Desk modem");
    profile_->WriteString("Modems", "Device1", "/dev/ttyACM0");
    profile_->WriteString("Modems", "Name2", "Spare");
    profile_->WriteString("Modems", "Device2", "/dev/ttyUSB1");
  }
  std::unique_ptr<CSettingsSheet> Open(const CProfile* profile) {
    auto sheet = std::make_unique<CSettingsSheet>(settings_, keys_, SettingsTarget::kSession,
                                                  nullptr, profile);
    sheet->SetMessageHandler([this](const QString& text) { messages_ << text; });
    return sheet;
  }
  static CPageTrans* Trans(CSettingsSheet& sheet) {
    return static_cast<CPageTrans*>(sheet.Page("Communication"));
  }
  static QStringList Items(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
  }

  CSettingsSet settings_;
  CKeyMap keys_;
  std::unique_ptr<CProfile> profile_;
  QStringList messages_;
};

TEST_F(SettingsSheetLines, TheModemListIsTheProfilesAndTheChoiceIsStoredByPosition) {
  settings_.SetInt(S::HostType, 3);
  settings_.SetStr(S::HostName, "555 1000");
  settings_.SetInt(S::Port, 1);
  auto sheet = Open(profile_.get());
  CPageTrans* trans = Trans(*sheet);
  EXPECT_EQ(Items(trans->ModemList()), QStringList({"Desk modem", "Spare"}));
  EXPECT_EQ(trans->ModemList()->currentText(), "Spare");
  EXPECT_EQ(trans->PhoneField()->text(), "555 1000");
  trans->ModemList()->setCurrentIndex(0);
  // A number with letters would reach the modem as commands.
  trans->PhoneField()->setText("555 1000;ATH1");
  sheet->accept();
  EXPECT_EQ(messages_, QStringList{"Invalid character in phone number."});
  messages_.clear();
  trans->PhoneField()->setText("555 1000");
  sheet->accept();
  EXPECT_EQ(sheet->result(), QDialog::Accepted);
  EXPECT_EQ(sheet->Working().Int(S::Port), 0);
  EXPECT_EQ(sheet->Working().Str(S::HostName), "555 1000");

  // A sheet that knows no modems cannot store a modem session: there is nothing to dial with.
  auto bare = Open(nullptr);
  EXPECT_EQ(Trans(*bare)->ModemList()->count(), 0);
  bare->accept();
  EXPECT_EQ(messages_, QStringList{kTextNoModem});
  EXPECT_NE(bare->result(), QDialog::Accepted);
}

TEST_F(SettingsSheetLines, ASerialPortIsAComNameOrADevicePathAndTheOtherIsForgotten) {
  settings_.SetInt(S::HostType, 1);
  settings_.SetStr(S::HostName, "/dev/serial/by-id/usb-Adapter_1-if00-port0");
  settings_.SetInt(S::Port, 0);
  settings_.SetInt(S::Speed, 9600);
  auto sheet = Open(profile_.get());
  CPageTrans* trans = Trans(*sheet);
  EXPECT_EQ(trans->CommPortField()->currentText(), "/dev/serial/by-id/usb-Adapter_1-if00-port0");
  // The devices that exist come before the COMn names.
  const QStringList items = Items(trans->CommPortField());
  for (const platform::CSerialDeviceEntry& device : platform::ListSerialDevices())
    EXPECT_TRUE(items.contains(QString::fromStdString(device.path))) << device.path;
  EXPECT_EQ(items.mid(items.size() - 4), QStringList({"COM1", "COM2", "COM3", "COM4"}));

  // Choosing COM2 must not leave the path behind, or the session would still open the path.
  trans->CommPortField()->setCurrentText("COM2");
  sheet->accept();
  ASSERT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
  EXPECT_EQ(sheet->Working().Str(S::HostName), "");
  EXPECT_EQ(sheet->Working().Int(S::Port), 1);

  settings_.CopyFrom(sheet->Working());
  auto again = Open(profile_.get());
  EXPECT_EQ(Trans(*again)->CommPortField()->currentText(), "COM2");
  Trans(*again)->CommPortField()->setCurrentText("/dev/ttyUSB3");
  again->accept();
  EXPECT_EQ(again->Working().Str(S::HostName), "/dev/ttyUSB3");
  EXPECT_EQ(again->Working().Int(S::Port), 0);
}

}  // namespace
}  // namespace ostrane
