#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/test_folder.h"
#include "ui/address_book_dialog.h"
#include "ui/address_book_entry_dialog.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

class AddressBookDialog : public testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    path_ = (test::FreshTestFolder() / "AddrBook.Txt").string();
  }
  void WriteBook(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string ReadBook() {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::unique_ptr<CAddressBookDialog> Make() {
    auto d =
        std::make_unique<CAddressBookDialog>(path_, std::vector<std::string>{"wide", "default"});
    d->SetMessageHandler([this](const QString& text) { messages_ << text; });
    return d;
  }
  std::string path_;
  QStringList messages_;
};

TEST_F(AddressBookDialog, ShowsTheSitesSortedWithCanonicalTypes) {
  WriteBook(
      "zeta\r\nTELNET\r\nz:23\r\n\r\n##No Script\r\nalpha\r\nssh2\r\na\r\nwide\r\n##No Script\r\n");
  auto d = Make();
  EXPECT_EQ(d->windowTitle(), "Ostrane Address Book");
  QTreeWidget* list = d->List();
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(list->topLevelItem(0)->text(0), "alpha");
  EXPECT_EQ(list->topLevelItem(0)->text(1), "SSH2");
  EXPECT_EQ(list->topLevelItem(1)->text(1), "Telnet");
  EXPECT_EQ(list->headerItem()->text(2), "Address");
  EXPECT_TRUE(list->isColumnHidden(4));
}

TEST_F(AddressBookDialog, ActionsWithoutASelectionAskForOne) {
  WriteBook("a\r\nTelnet\r\nh\r\n\r\n##No Script\r\n");
  auto d = Make();
  d->Remove();
  d->Modify();
  d->Connect();
  EXPECT_EQ(messages_, QStringList(3, "Please select a site name."));
  EXPECT_EQ(d->Book().Sites().size(), 1u);
  EXPECT_NE(d->result(), QDialog::Accepted);
}

TEST_F(AddressBookDialog, AddingTwiceNumbersTheSecondAndClosingWritesTheFile) {
  auto d = Make();
  int runs = 0;
  d->SetEntryRunner([&](CAddressBookEntryDialog& entry) {
    ++runs;
    EXPECT_EQ(entry.windowTitle(), "Address Book Entry");
    entry.SetMessageHandler([this](const QString& text) { messages_ << text; });
    entry.accept();  // empty address: refused, stays open
    EXPECT_EQ(entry.result(), QDialog::Rejected);
    entry.NameField()->setText("lab");
    entry.TypeList()->setCurrentIndex(entry.TypeList()->findText("SSH1"));
    entry.AddressField()->setText("lab.example");
    entry.ScriptField()->setPlainText("wait \"login:\"\nsend \"me\\r\"");
    entry.accept();
    return entry.result();
  });
  d->Add();
  d->Add();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(messages_, QStringList(2, "Please input the address for the host."));
  ASSERT_EQ(d->List()->topLevelItemCount(), 2);
  EXPECT_EQ(d->List()->topLevelItem(0)->text(0), "lab");
  EXPECT_EQ(d->List()->topLevelItem(1)->text(0), "lab (1)");
  d->reject();
  EXPECT_EQ(ReadBook(),
            "lab\r\nSSH1\r\nlab.example\r\n\r\n##Start Script\r\nwait \"login:\"\r\nsend "
            "\"me\\r\"\r\n##End Script\r\n"
            "lab (1)\r\nSSH1\r\nlab.example\r\n\r\n##Start Script\r\nwait \"login:\"\r\nsend "
            "\"me\\r\"\r\n##End Script\r\n");
}

TEST_F(AddressBookDialog, ModifyPreselectsTheFieldsAndDoubleClickConnects) {
  WriteBook("a\r\nModem\r\n555\r\nwide\r\n##No Script\r\nb\r\nTelnet\r\nhb\r\n\r\n##No Script\r\n");
  auto d = Make();
  d->List()->setCurrentItem(d->List()->topLevelItem(0));
  d->SetEntryRunner([](CAddressBookEntryDialog& entry) {
    EXPECT_EQ(entry.TypeList()->currentText(), "Modem");
    EXPECT_EQ(entry.TemplateList()->currentText(), "wide");
    entry.NameField()->setText("c");
    entry.accept();
    return entry.result();
  });
  d->Modify();
  EXPECT_EQ(d->List()->topLevelItem(1)->text(0), "c");
  emit d->List()->itemDoubleClicked(d->List()->topLevelItem(1), 0);
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_EQ(d->ChosenSite().name, "c");
  EXPECT_EQ(d->ChosenSite().address, "555");
  EXPECT_NE(ReadBook().find("c\r\nModem\r\n555\r\nwide\r\n"), std::string::npos);
}

}  // namespace
}  // namespace ostrane
