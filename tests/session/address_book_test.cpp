#include "session/address_book.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace ostrane {
namespace {

CAddressBook ReadText(const std::string& text) {
  std::istringstream in(text);
  CAddressBook book;
  book.Read(in);
  return book;
}

TEST(AddressBook, ReadsRecordsSortedAndDropsAPartialLastRecord) {
  const auto book = ReadText(
      "zeta\r\nTELNET\r\nz.example:2323\r\n\r\n##No Script\r\n"
      "alpha\r\nssh2\r\na.example\r\nvt\r\n##Start Script\r\nl1\r\nl2\r\n##End Script\r\n"
      "broken\r\nTelnet\r\nb.example\r\n");
  ASSERT_EQ(book.Sites().size(), 2u);
  EXPECT_EQ(book.Sites()[0].name, "alpha");
  EXPECT_EQ(book.Sites()[0].type, "SSH2");
  EXPECT_EQ(book.Sites()[0].templateName, "vt");
  EXPECT_EQ(book.Sites()[0].script, "l1\r\nl2\r\n");
  EXPECT_EQ(book.Sites()[1].name, "zeta");
  EXPECT_EQ(book.Sites()[1].type, "Telnet");
  EXPECT_EQ(book.Sites()[1].script, "");
}

TEST(AddressBook, UnendedScriptTakesTheRestAndUnknownMarkersMeanNoScript) {
  auto book = ReadText("a\nTelnet\nh\n\n##Start Script\nx\n##End\ny");
  ASSERT_EQ(book.Sites().size(), 1u);
  EXPECT_EQ(book.Sites()[0].script, "x\r\n##End\r\ny\r\n");
  book = ReadText("a\nFax\nh\n\nsomething\nb\nmodem\n555\n\n##No Script\n");
  ASSERT_EQ(book.Sites().size(), 2u);
  EXPECT_EQ(book.Sites()[0].type, "Fax");  // kept as read
  EXPECT_EQ(book.Sites()[0].script, "");
  EXPECT_EQ(book.Sites()[1].type, "Modem");
}

TEST(AddressBook, LongLinesAreCutWithoutShiftingTheRecords) {
  const std::string longName(1000, 'z');
  const auto book =
      ReadText(longName + "\nTelnet\nhost\n\n##No Script\nnext\nSSH1\nh2\n\n##No Script\n");
  ASSERT_EQ(book.Sites().size(), 2u);
  EXPECT_EQ(book.Sites()[1].name, std::string(kMaxAddressBookLine, 'z'));
  EXPECT_EQ(book.Sites()[1].address, "host");
  EXPECT_EQ(book.Sites()[0].name, "next");
}

TEST(AddressBook, WritesBackUnchangedIncludingPercentSigns) {
  const std::string text =
      "a\r\nTelnet\r\nh:23\r\nt\r\n##Start Script\r\nsend \"100%d %s\"\r\n##End Script\r\n"
      "b\r\nModem\r\n555\r\n\r\n##No Script\r\n";
  EXPECT_EQ(ReadText(text).Serialize(), text);
  // A script without a final line end gets one before the end marker.
  CAddressBook book;
  book.Add({"s", "SSH2", "h", "", "wait"});
  EXPECT_EQ(book.Serialize(), "s\r\nSSH2\r\nh\r\n\r\n##Start Script\r\nwait\r\n##End Script\r\n");

  const auto path = std::filesystem::path(std::getenv("OSTRANE_HOME")) / kAddressBookFileName;
  ASSERT_TRUE(ReadText(text).Write(path.string()));
  CAddressBook fromFile;
  fromFile.Read(path.string());
  EXPECT_EQ(fromFile.Serialize(), text);
  fromFile.Read((path.parent_path() / "missing.txt").string());
  EXPECT_TRUE(fromFile.Sites().empty());
}

TEST(AddressBook, AddMakesNamesUniqueModifyAndRemoveKeepOrder) {
  CAddressBook book;
  book.Add({"host", "Telnet", "h1", "", ""});
  book.Add({"host", "Telnet", "h2", "", ""});
  book.Add({"host", "Telnet", "h3", "", ""});
  ASSERT_EQ(book.Sites().size(), 3u);
  EXPECT_EQ(book.Sites()[0].name, "host");
  EXPECT_EQ(book.Sites()[1].name, "host (1)");
  EXPECT_EQ(book.Sites()[2].name, "host (2)");
  const int row = book.Modify(0, {"Zed", "SSH1", "z", "", ""});
  EXPECT_EQ(row, 2);
  EXPECT_EQ(book.Sites()[2].address, "z");
  book.Remove(0);
  book.Remove(7);  // no such row: nothing happens
  EXPECT_EQ(book.Sites().size(), 2u);
  EXPECT_EQ(book.IndexOf("Zed"), 1);
}

TEST(AddressBook, EntryCheckNeedsAnAddressAndNamesAfterIt) {
  AddressBookSite site{"", "Telnet", "", "", ""};
  EXPECT_EQ(CheckSiteEntry(site), kTextNoAddress);
  site.address = "h.example";
  EXPECT_EQ(CheckSiteEntry(site), "");
  EXPECT_EQ(site.name, "h.example");
}

TEST(AddressBook, ApplyingSitesByType) {
  CSettingsSet s;
  std::string loaded;
  auto loader = [&](const std::string& name, CSettingsSet& target) {
    loaded = name;
    target.SetInt(S::Columns, 132);
    return true;
  };
  EXPECT_TRUE(ApplySite({"a", "Telnet", "TELNET://myhost:2323/", "wide", ""}, s, loader));
  EXPECT_EQ(loaded, "wide");
  EXPECT_EQ(s.Int(S::Columns), 132);
  EXPECT_EQ(s.Int(S::HostType), 0);
  EXPECT_EQ(s.Str(S::HostName), "myhost");
  EXPECT_EQ(s.Int(S::Port), 2323);

  ApplySite({"b", "Telnet", "myhost", "", ""}, s, loader);
  EXPECT_EQ(s.Int(S::Port), 23);
  ApplySite({"c", "SSH1", "myhost", "", ""}, s, loader);
  EXPECT_EQ(s.Int(S::HostType), 6);
  EXPECT_EQ(s.Int(S::Port), 22);
  ApplySite({"d", "ssh2", "myhost", "", "wait \"$\"\r\n"}, s, loader);
  EXPECT_EQ(s.Int(S::HostType), 5);
  EXPECT_EQ(s.Int(S::Port), 22);
  EXPECT_EQ(s.Str(S::Script), "wait \"$\"\r\n");
  EXPECT_EQ(s.Int(S::LoginScript), 1);
  ApplySite({"e", "Modem", "555-1234", "", ""}, s, loader);
  EXPECT_EQ(s.Int(S::HostType), 3);
  EXPECT_EQ(s.Str(S::HostName), "555-1234");
  ApplySite({"f", "Gopher", "g:70", "", ""}, s, loader);  // an unknown type counts as Telnet
  EXPECT_EQ(s.Int(S::HostType), 0);
  EXPECT_EQ(s.Int(S::Port), 70);
  // A template that cannot be read is reported; the site is still applied.
  EXPECT_FALSE(ApplySite({"g", "Telnet", "x", "gone", ""}, s,
                         [](const std::string&, CSettingsSet&) { return false; }));
  EXPECT_EQ(s.Str(S::HostName), "x");
}

}  // namespace
}  // namespace ostrane
