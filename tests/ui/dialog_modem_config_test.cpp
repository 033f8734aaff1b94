// Configure on the New Connection dialog's modem page: it sets up the chosen modem, or a first
// one when the profile has none, and the page lists the modems again at once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <memory>

#include "platform/serial_devices.h"
#include "session/new_connection_rules.h"
#include "support/test_folder.h"
#include "ui/modem_config_dialog.h"
#include "ui/new_connection_dialog.h"
#include "ui/phone_book_dialog.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

struct ModemForm {
  QString name, device, speed, init;
};

class ModemConfig : public testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    profile_ = std::make_unique<CProfile>((test::FreshTestFolder() / "ostrane.ini").string());
  }
  std::unique_ptr<CNewConnectionDialog> Make() {
    auto d = std::make_unique<CNewConnectionDialog>(settings_, *profile_, NewConnectionHooks{});
    d->SetMessageHandler([this](const QString& text) { messages_ << text; });
    d->KindList()->setCurrentIndex(d->KindList()->findText("Modem"));
    return d;
  }
  // Configure runs with these forms filled in turn, OK pressed after each; the last result.
  void Configure(CNewConnectionDialog& d, std::vector<ModemForm> forms) {
    d.SetModemConfigRunner([this, forms](CModemConfigDialog& c) {
      c.SetMessageHandler([this](const QString& text) { messages_ << text; });
      seen_ = {c.NameField()->text(), c.DeviceField()->currentText(), c.SpeedField()->currentText(),
               c.InitField()->text()};
      for (const ModemForm& f : forms) {
        c.NameField()->setText(f.name);
        c.DeviceField()->setCurrentText(f.device);
        c.SpeedField()->setCurrentText(f.speed);
        c.InitField()->setText(f.init);
        c.accept();
        if (c.result() == QDialog::Accepted) break;
      }
      return c.result();
    });
    d.ConfigureModemButton()->click();
  }
  static bool NoModemTextShown(CNewConnectionDialog& d) {
    for (QLabel* label : d.Page("Modem")->findChildren<QLabel*>())
      if (label->text() == kTextNoModem) return label->isVisible();
    return false;
  }

  CSettingsSet settings_;
  std::unique_ptr<CProfile> profile_;
  QStringList messages_;
  ModemForm seen_;
};

TEST_F(ModemConfig, AFirstModemIsSetUpFromTheEmptyPageAndCanBeDialledAtOnce) {
  auto d = Make();
  d->show();
  EXPECT_TRUE(NoModemTextShown(*d));
  ASSERT_TRUE(d->ConfigureModemButton()->isEnabled());
  Configure(*d, {{"", "/dev/ttyUSB0", "57600", "ATZ"},
                 {"Bench modem", "ttyUSB0", "57600", "ATZ"},
                 {"Bench modem", "/dev/ttyUSB0", "14400", "ATZ"},
                 {"Bench modem", "/dev/ttyUSB0", "57600", "ATZ\rATH1"},
                 {"Bench modem", "/dev/ttyUSB0", "57600", "ATZ"}});
  EXPECT_EQ(messages_, QStringList({"Please name the modem.",
                                    "Please choose the serial device of the modem (a path "
                                    "under /dev).",
                                    kTextUnsupportedBaudRate,
                                    "The init string must be AT commands on one line of "
                                    "printable characters."}));
  EXPECT_FALSE(NoModemTextShown(*d));
  QComboBox* modem = d->Page("Modem")->findChildren<QComboBox*>().at(0);
  EXPECT_TRUE(modem->isVisible());
  EXPECT_EQ(modem->currentText(), "Bench modem");
  const std::vector<platform::CModemEntry> modems =
      platform::ListModems(CProfile(profile_->Path()));
  ASSERT_EQ(modems.size(), 1u);
  EXPECT_EQ(modems[0].device, "/dev/ttyUSB0");
  EXPECT_EQ(modems[0].speed, 57600);
  EXPECT_EQ(modems[0].init, "ATZ");

  messages_.clear();
  d->Page("Modem")->findChildren<QComboBox*>().at(1)->setCurrentText("555 1000");
  d->accept();
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('|').toStdString();
  EXPECT_EQ(settings_.Int(S::HostType), 3);
  EXPECT_EQ(settings_.Int(S::Port), 0);
}

TEST_F(ModemConfig, ConfigureEditsTheChosenModemAndKeepsItChosen) {
  ASSERT_TRUE(platform::WriteModem(*profile_, 0, {"Desk modem", "/dev/ttyACM0", "", 115200}));
  ASSERT_TRUE(platform::WriteModem(*profile_, 1, {"Spare", "/dev/ttyUSB1", "AT&F", 9600}));
  auto d = Make();
  QComboBox* modem = d->Page("Modem")->findChildren<QComboBox*>().at(0);
  modem->setCurrentIndex(1);
  Configure(*d, {{"Spare line", "/dev/ttyUSB2", "19200", "AT&FE0"}});
  EXPECT_EQ(seen_.name, "Spare");
  EXPECT_EQ(seen_.speed, "9600");
  EXPECT_EQ(seen_.init, "AT&F");
  EXPECT_EQ(modem->count(), 2);
  EXPECT_EQ(modem->currentIndex(), 1);
  EXPECT_EQ(modem->currentText(), "Spare line");
  const std::vector<platform::CModemEntry> modems = platform::ListModems(*profile_);
  EXPECT_EQ(modems[0].name, "Desk modem");
  EXPECT_EQ(modems[1].device, "/dev/ttyUSB2");
  EXPECT_EQ(modems[1].speed, 19200);
}

// The phone book keeps named numbers in the profile; a number the modem cannot dial is not kept,
// and OK puts the chosen number in the Phone Number field.
TEST_F(ModemConfig, ThePhoneBookKeepsNamedNumbersAndFillsTheNumberField) {
  auto d = Make();
  ASSERT_TRUE(d->PhoneBookButton()->isEnabled());
  d->SetPhoneBookRunner([this](CPhoneBookDialog& book) {
    book.SetMessageHandler([this](const QString& text) { messages_ << text; });
    const auto add = [&book](const QString& name, const QString& number) {
      book.NameField()->setText(name);
      book.NumberField()->setText(number);
      book.Add();
    };
    book.accept();  // nothing chosen yet
    add("Office", "555 1000");
    add("Lab", "555-2000;ATH1");
    add("Lab", "(555) 2000");
    add("Office", "9,555 1001");
    add("Old", "555 3000");
    book.Remove();
    EXPECT_EQ(book.List()->count(), 2);
    book.List()->setCurrentRow(1);
    book.accept();
    return book.result();
  });
  d->PhoneBookButton()->click();
  EXPECT_EQ(messages_, QStringList({"Please choose a number from the list.",
                                    "Invalid character in phone number."}));
  EXPECT_EQ(d->Page("Modem")->findChildren<QComboBox*>().at(1)->currentText(), "(555) 2000");

  CPhoneBookDialog again(*profile_);
  ASSERT_EQ(again.List()->count(), 2);
  EXPECT_EQ(again.List()->item(0)->text(), "Office\t9,555 1001");
  EXPECT_EQ(again.List()->item(1)->text(), "Lab\t(555) 2000");
  EXPECT_EQ(profile_->Has("PhoneBook", "Name3"), false);
}

}  // namespace
}  // namespace ostrane
