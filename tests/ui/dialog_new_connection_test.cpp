#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "emulator/screen_buffer.h"
#include "peers/scripted_peer.h"
#include "peers/serial_peer.h"
#include "session/mru_list.h"
#include "session/screen_json.h"
#include "session/vt420_doc.h"
#include "support/test_folder.h"
#include "ui/address_book_dialog.h"
#include "ui/child_frame.h"
#include "ui/main_frame.h"
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
  EXPECT_EQ(kinds, QStringList({"Telnet", "Serial", "Modem", "Telnet Proxy", "SSH", "Local",
                                "Local shell"}));
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
  QComboBox* port = Field(page, 0);
  // The COM names follow the devices that exist; every offered rate is one the port takes.
  EXPECT_EQ(port->itemText(port->count() - 1), "COM4");
  EXPECT_EQ(Field(page, 1)->itemText(Field(page, 1)->count() - 1), "4000000");
  EXPECT_EQ(Field(page, 2)->currentText(), "8");
  EXPECT_EQ(Field(page, 4)->findText("1.5 Bits"), -1);
  port->setCurrentText("com3");
  Field(page, 2)->setCurrentIndex(Field(page, 2)->findText("5"));
  Field(page, 3)->setCurrentIndex(Field(page, 3)->findText("Even"));
  Field(page, 4)->setCurrentIndex(Field(page, 4)->findText("2 Bits"));
  d->accept();
  ASSERT_TRUE(messages_.isEmpty()) << messages_.join('|').toStdString();
  EXPECT_EQ(settings_.Int(S::HostType), 1);
  EXPECT_EQ(settings_.Int(S::Port), 2);
  EXPECT_EQ(settings_.Int(S::Parity), 2);
  EXPECT_EQ(settings_.Int(S::DataLength), 5);
  EXPECT_EQ(settings_.Int(S::StopBits), 2);
  EXPECT_EQ(profile_->GetInt("Transport", "Type", -1), 1);
  // The next dialog starts where this one left off.
  auto again = Make();
  EXPECT_EQ(Field(again->Page("Serial"), 0)->currentText(), "com3");
  EXPECT_EQ(Field(again->Page("Serial"), 2)->currentText(), "5");
  EXPECT_EQ(Field(again->Page("Serial"), 4)->currentText(), "2 Bits");
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
  phone->setCurrentText("555 1000");
  d->accept();
  EXPECT_EQ(messages_.back().toStdString(), kTextNoModem);
  EXPECT_NE(d->result(), QDialog::Accepted);
}

TEST_F(NewConnectionDialog, ModemPageListsTheProfileModems) {
  profile_->WriteString("Modems", "Name1", "Desk modem");
  profile_->WriteString("Modems", "Device1", "/dev/ttyACM0");
  profile_->WriteString("Modems", "Name2", "Spare");
  profile_->WriteString("Modems", "Device2", "/dev/ttyUSB1");
  auto d = Make();
  d->show();
  Choose(*d, "Modem");
  QWidget* page = d->Page("Modem");
  QComboBox* modem = Field(page, 0);
  EXPECT_TRUE(modem->isVisible());
  EXPECT_EQ(modem->count(), 2);
  for (QLabel* label : page->findChildren<QLabel*>())
    EXPECT_FALSE(label->isVisible() && label->text().startsWith("No modem installed."));
  modem->setCurrentIndex(1);
  Field(page, 1)->setCurrentText("9,(555) 123-4567");
  d->accept();
  ASSERT_TRUE(messages_.isEmpty()) << messages_.join('|').toStdString();
  EXPECT_EQ(settings_.Int(S::HostType), 3);
  EXPECT_EQ(settings_.Int(S::Port), 1);
  EXPECT_EQ(settings_.Str(S::HostName), "9,(555) 123-4567");
}

// The whole path: New from the main window, the Serial page filled with one end of a pty pair,
// and what the far end sends appears on the new session's screen.
TEST_F(NewConnectionDialog, SerialPageConnectsANewSessionToTheLine) {
  test::CPtyPair pair(dir_ / "ttyA", dir_ / "ttyB");
  ASSERT_TRUE(pair.Ready());
  test::CRawEnd far(pair.B().string());
  ASSERT_TRUE(far.Ok());
  CMainFrame frame(*profile_);
  frame.show();
  bool filled = false;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<CNewConnectionDialog*>(QApplication::activeModalWidget());
    if (!d) return;
    Choose(*d, "Serial");
    QWidget* page = d->Page("Serial");
    Field(page, 0)->setCurrentText(QString::fromStdString(pair.A().string()));
    Field(page, 1)->setCurrentText("115200");
    filled = true;
    d->accept();
  });
  CChildFrame* child = frame.NewSession();
  ASSERT_TRUE(filled);
  ASSERT_NE(child, nullptr);
  CVT420Doc& doc = child->Document();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return doc.ConnectionState() == TransportState::kConnected; }, 10000));
  auto row = [&doc] {
    std::lock_guard lock(doc.Terminal().Mutex());
    const auto line = doc.Terminal().Screen().GetPageRow(0);
    return line ? LineToText(*line, doc.Settings().Int(S::Columns)) : std::string();
  };
  ASSERT_TRUE(far.WriteAll("hello from the line"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return row().rfind("hello from the line", 0) == 0; }, 10000))
      << row();
  // Keys typed into the session's window go down the line.
  QTest::keyClicks(child->View()->viewport(), "ok");
  EXPECT_EQ(far.Read(2), "ok");
  doc.QueryDisconnect(false);
}

// A local shell from the dialog: the command runs as an xterm, its title names the session
// window, its colours reach the screen and its clipboard write the clipboard.
TEST_F(NewConnectionDialog, LocalShellPageStartsAnXtermSession) {
  CMainFrame frame(*profile_);
  frame.show();
  bool filled = false;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<CNewConnectionDialog*>(QApplication::activeModalWidget());
    if (!d) return;
    Choose(*d, "Local shell");
    auto* command = d->Page("Local shell")->findChild<QLineEdit*>();
    if (!command) return;
    command->setText(
        "printf '\\033]52;c;aGk=\\007\\033]2;shell title\\007\\033[38;5;196mX\\033[m %s' "
        "\"$TERM\"; "
        "read x");
    filled = true;
    d->accept();
  });
  CChildFrame* child = frame.NewSession();
  ASSERT_TRUE(filled);
  ASSERT_NE(child, nullptr);
  CVT420Doc& doc = child->Document();
  auto row = [&doc] {
    std::lock_guard lock(doc.Terminal().Mutex());
    return LineToText(*doc.Terminal().Screen().GetPageRow(0), 80);
  };
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(row().rfind("X xterm-256color", 0) == 0, 10000);
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    EXPECT_EQ(doc.Settings().Int(S::TermID), 6);
    const CellExtra* extra = doc.Terminal().Screen().ExtraAt(0, 0);
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(extra->foreground, colour::kIndexed | 196);
  }
  OSTRANE_TRY_VERIFY(child->windowTitle().startsWith("shell title"));
  // The host's clipboard write (OSC 52) reached the desktop clipboard.
  OSTRANE_TRY_COMPARE(QApplication::clipboard()->text(), QString("hi"));
  QTest::keyClicks(child->View()->viewport(), "\r");
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(doc.ConnectionState() == TransportState::kClosed, 10000);
}

// The terminal type follows the kind until the user picks one; a Telnet session of the xterm
// type picked there names itself xterm-256color to the host.
TEST_F(NewConnectionDialog, XtermTypePickedForTelnetIsAnnouncedToTheHost) {
  {
    auto d = Make();
    Choose(*d, "Local shell");
    EXPECT_EQ(d->TermTypeList()->currentText(), "xterm (256 colours)");
    Choose(*d, "Telnet");
    EXPECT_EQ(d->TermTypeList()->currentText(), "VT220 ID");
  }
  test::CScriptedPeer peer;
  CMainFrame frame(*profile_);
  frame.show();
  bool filled = false;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<CNewConnectionDialog*>(QApplication::activeModalWidget());
    if (!d) return;
    Choose(*d, "Telnet");
    QComboBox* types = d->TermTypeList();
    types->setCurrentIndex(types->findText("xterm (256 colours)"));
    emit types->activated(types->currentIndex());
    Field(d->Page("Telnet"), 0)->setCurrentText("127.0.0.1");
    Field(d->Page("Telnet"), 1)->setCurrentText(QString::number(peer.Port()));
    // Picked by the user, the type stays when the kind changes back and forth.
    Choose(*d, "Serial");
    Choose(*d, "Telnet");
    filled = types->currentText() == "xterm (256 colours)";
    d->accept();
  });
  CChildFrame* child = frame.NewSession();
  ASSERT_TRUE(filled);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->Document().Settings().Int(S::TermID), 6);
  ASSERT_TRUE(peer.Accept());
  peer.Send("\xff\xfd\x18");  // DO TERMINAL-TYPE
  std::string got;
  OSTRANE_TRY_VERIFY((got += peer.ReadFor(50)).find("\xff\xfb\x18") != std::string::npos);
  peer.Send("\xff\xfa\x18\x01\xff\xf0");  // SB TERMINAL-TYPE SEND
  const std::string_view reply("\xff\xfa\x18\x00xterm-256color\xff\xf0", 20);
  OSTRANE_TRY_VERIFY((got += peer.ReadFor(50)).find(reply) != std::string::npos);
  child->Document().QueryDisconnect(false);
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
