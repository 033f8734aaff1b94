#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "session/mru_list.h"
#include "support/test_folder.h"
#include "ui/address_book_dialog.h"
#include "ui/new_connection_dialog.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

class NewConnectionDialog : public testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    dir_ = test::FreshTestFolder();
    profile_ = std::make_unique<CProfile>((dir_ / "ostrane.ini").string());
  }
  std::unique_ptr<CNewConnectionDialog> Make(NewConnectionHooks hooks = {}) {
    auto d = std::make_unique<CNewConnectionDialog>(settings_, *profile_, std::move(hooks));
    d->SetMessageHandler([this](const QString& text) { messages_ << text; });
    return d;
  }
  static void Choose(CNewConnectionDialog& d, const char* kind) {
    d.KindList()->setCurrentIndex(d.KindList()->findText(kind));
  }
  static QComboBox* Field(QWidget* page, int index) {
    return page->findChildren<QComboBox*>().at(index);
  }

  std::filesystem::path dir_;
  std::unique_ptr<CProfile> profile_;
  CSettingsSet settings_;
  QStringList messages_;
};

TEST_F(NewConnectionDialog, OpensOnTheRememberedKindWithItsPage) {
  profile_->WriteInt("Transport", "Type", 4);
  auto d = Make();
  EXPECT_EQ(d->windowTitle(), "New Connection");
  EXPECT_EQ(d->KindList()->currentText(), "SSH");
  QStringList kinds;
  for (int i = 0; i < d->KindList()->count(); ++i) kinds << d->KindList()->itemText(i);
  EXPECT_EQ(kinds, QStringList({"Telnet", "Serial", "Modem", "Telnet Proxy", "SSH", "Local"}));
  d->show();
  EXPECT_TRUE(d->Page("SSH")->isVisible());
  EXPECT_FALSE(d->Page("Telnet")->isVisible());
  Choose(*d, "Serial");
  EXPECT_TRUE(d->Page("Serial")->isVisible());
  EXPECT_FALSE(d->Page("SSH")->isVisible());
}

TEST_F(NewConnectionDialog, TelnetChecksKeepTheDialogOpenUntilTheyPass) {
  auto d = Make();
  d->show();
  QComboBox* host = Field(d->Page("Telnet"), 0);
  QComboBox* port = Field(d->Page("Telnet"), 1);
  EXPECT_EQ(port->currentText(), "Telnet");
  d->accept();
  EXPECT_EQ(messages_, QStringList({"Please input host name or address."}));
  EXPECT_TRUE(d->isVisible());
  host->setCurrentText("alpha.example");
  port->setCurrentText("abc");
  d->accept();
  EXPECT_EQ(messages_.back(), "Invalid Telnet port number.");
  port->setCurrentText("ssh");
  d->accept();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_EQ(settings_.Str(S::HostName), "alpha.example");
  EXPECT_EQ(settings_.Int(S::Port), 22);
  EXPECT_EQ(settings_.Int(S::HostType), 0);
  // The host is remembered once the connection is made (the main window does that); then the
  // next dialog offers it first.
  EXPECT_EQ(Field(Make()->Page("Telnet"), 0)->currentText(), "");
  ASSERT_TRUE(d->HostToRemember());
  RememberHost(*profile_, *d->HostToRemember());
  auto next = Make();
  EXPECT_EQ(Field(next->Page("Telnet"), 0)->currentText(), "alpha.example");
  EXPECT_EQ(Field(next->Page("Telnet"), 1)->currentText(), "ssh");
}

TEST_F(NewConnectionDialog, SerialListsStoreTheirValues) {
  auto d = Make();
  Choose(*d, "Serial");
  QWidget* page = d->Page("Serial");
  Field(page, 0)->setCurrentText("com3");
  Field(page, 3)->setCurrentIndex(Field(page, 3)->findText("Even"));
  d->accept();
  ASSERT_TRUE(messages_.isEmpty()) << messages_.join('|').toStdString();
  EXPECT_EQ(settings_.Int(S::HostType), 1);
  EXPECT_EQ(settings_.Int(S::Port), 2);
  EXPECT_EQ(settings_.Int(S::Parity), 2);
  EXPECT_EQ(settings_.Int(S::DataLength), 8);
  EXPECT_EQ(profile_->GetInt("Transport", "Type", -1), 1);
}

TEST_F(NewConnectionDialog, ModemPageWithoutModemsSaysSo) {
  auto d = Make();
  d->show();
  Choose(*d, "Modem");
  QWidget* page = d->Page("Modem");
  bool shown = false;
  for (QLabel* label : page->findChildren<QLabel*>())
    if (label->text().startsWith("No modem installed.")) shown = label->isVisible();
  EXPECT_TRUE(shown);
  QComboBox* phone = Field(page, 1);
  phone->setCurrentText("555-CALL");
  d->accept();
  EXPECT_EQ(messages_.back(), "Invalid character in phone number.");
}

TEST_F(NewConnectionDialog, TemplatesAreOfferedAndAFailedLoadIsReported) {
  NewConnectionHooks hooks;
  hooks.templates = {"default", "wide"};
  std::vector<std::string> loaded;
  hooks.loadTemplate = [&](const std::string& name) {
    loaded.push_back(name);
    return name == "default";
  };
  auto d = Make(std::move(hooks));
  ASSERT_EQ(d->TemplateList()->count(), 2);
  emit d->TemplateList()->activated(1);
  EXPECT_EQ(loaded, std::vector<std::string>({"wide"}));
  EXPECT_EQ(messages_, QStringList({"Cannot load settings from template."}));
  emit d->TemplateList()->activated(0);
  EXPECT_EQ(messages_.size(), 1);
}

TEST_F(NewConnectionDialog, AddressBookConnectAppliesTheSiteWithoutPageChecks) {
  const auto book = dir_ / "AddrBook.Txt";
  std::ofstream(book, std::ios::binary) << "lab\r\nssh2\r\nlab.example:2222\r\n\r\n##No Script\r\n";
  NewConnectionHooks hooks;
  hooks.addressBookPath = book.string();
  auto d = Make(std::move(hooks));
  ASSERT_TRUE(d->AddressBookButton()->isEnabled());
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<CAddressBookDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->List()->setCurrentItem(dialog->List()->topLevelItem(0));
    dialog->Connect();
  });
  QTest::mouseClick(d->AddressBookButton(), Qt::LeftButton);
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_EQ(settings_.Int(S::HostType), 5);
  EXPECT_EQ(settings_.Str(S::HostName), "lab.example");
  EXPECT_EQ(settings_.Int(S::Port), 2222);
}

// A user opens New Connection with a remembered host highlighted in the field and presses
// Return: that connects to it. Typing afterwards must not reach the host field.
TEST_F(NewConnectionDialog, ReturnOnTheRememberedHostConnects) {
  CMruList(*profile_, kHostMruSection).MoveToFront("127.0.0.1");
  CMruList(*profile_, kHostMruSection).MoveToFront("127.0.0.1vt");
  CMruList(*profile_, kHostMruSection).MoveToFront("127.0.0.1");
  auto d = Make();
  Choose(*d, "Telnet");
  d->show();
  QApplication::setActiveWindow(d.get());
  QComboBox* host = Field(d->Page("Telnet"), 0);
  EXPECT_EQ(host->currentText(), "127.0.0.1");
  EXPECT_EQ(d->focusWidget(), host);
  EXPECT_TRUE(host->lineEdit()->hasSelectedText());
  QTest::keyClick(d->focusWidget(), Qt::Key_Return);
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(settings_.Str(S::HostName), "127.0.0.1");
  ASSERT_TRUE(d->HostToRemember());
  EXPECT_EQ(d->HostToRemember()->value, "127.0.0.1");
}

// Typing a prefix of a remembered host keeps what was typed; nothing is completed into it.
TEST_F(NewConnectionDialog, TypedHostIsNotCompletedFromTheList) {
  CMruList(*profile_, kHostMruSection).MoveToFront("127.0.0.1vtuser");
  auto d = Make();
  Choose(*d, "Telnet");
  d->show();
  QComboBox* host = Field(d->Page("Telnet"), 0);
  host->lineEdit()->clear();
  QTest::keyClicks(host->lineEdit(), "127.0.0.1");
  EXPECT_EQ(host->currentText(), "127.0.0.1");
  QTest::keyClick(host->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(settings_.Str(S::HostName), "127.0.0.1");
}

// Delete on an entry of the open list forgets it, in the list and in the profile.
TEST_F(NewConnectionDialog, DeleteInTheListForgetsARememberedHost) {
  for (const char* h : {"gamma", "beta", "alpha"})
    CMruList(*profile_, kHostMruSection).MoveToFront(h);
  auto d = Make();
  Choose(*d, "Telnet");
  d->show();
  QComboBox* host = Field(d->Page("Telnet"), 0);
  host->showPopup();
  host->view()->setCurrentIndex(host->model()->index(1, 0));
  QTest::keyClick(host->view(), Qt::Key_Delete);
  EXPECT_EQ(host->count(), 2);
  EXPECT_EQ(CMruList::Read(*profile_, kHostMruSection),
            (std::vector<std::string>{"alpha", "gamma"}));
  host->hidePopup();
}

}  // namespace
}  // namespace ostrane
