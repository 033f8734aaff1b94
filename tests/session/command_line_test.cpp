#include "session/command_line.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace ostrane {
namespace {

// Interprets a one-string command line against a set of existing files.
CommandLineRequest Interpret(const std::string& line, std::set<std::string> files = {}) {
  return InterpretCommandLine(SplitCommandLine(line),
                              [&](const std::string& path) { return files.count(path) > 0; });
}

TEST(CommandLine, SplitsOnBlanksAndTabsAndKeepsQuotedItemsWhole) {
  EXPECT_EQ(SplitCommandLine("  a\tb   c "), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitCommandLine("-F \"my session.osn\" x"),
            (std::vector<std::string>{"-F", "\"my session.osn\"", "x"}));
  // An unclosed quote runs to the end.
  EXPECT_EQ(SplitCommandLine("\"open end"), (std::vector<std::string>{"\"open end"}));
  EXPECT_TRUE(SplitCommandLine(" \t ").empty());
}

TEST(CommandLine, EmptyLineSucceedsAndDoesNothing) {
  const auto r = Interpret("");
  EXPECT_EQ(r.action, CommandLineAction::kNothing);
  EXPECT_FALSE(r.openWithoutConnecting);
  EXPECT_EQ(Interpret("-E").action, CommandLineAction::kNothing);
  EXPECT_EQ(Interpret("-H").action, CommandLineAction::kNothing);
}

TEST(CommandLine, HostWithColonPortOverridesSecondArgument) {
  auto r = Interpret("myhost:2323");
  ASSERT_EQ(r.action, CommandLineAction::kTelnet);
  EXPECT_EQ(r.host, "myhost");
  EXPECT_EQ(r.port, 2323);
  r = Interpret("myhost:2323 4000");
  EXPECT_EQ(r.port, 2323);
  r = Interpret("myhost 4000");
  EXPECT_EQ(r.host, "myhost");
  EXPECT_EQ(r.port, 4000);
  EXPECT_EQ(Interpret("myhost").port, 23);
}

TEST(CommandLine, TelnetLinkPrefixSlashesAndAnyCase) {
  for (const char* link : {"TELNET://host/", "telnet://host/", "TeLnEt:host", "telnet://host"}) {
    const auto r = Interpret(link);
    ASSERT_EQ(r.action, CommandLineAction::kTelnet) << link;
    EXPECT_EQ(r.host, "host") << link;
    EXPECT_EQ(r.port, 23) << link;
  }
  const auto r = Interpret("telnet://host:2323/");
  EXPECT_EQ(r.host, "host");
  EXPECT_EQ(r.port, 2323);
}

TEST(CommandLine, ExistingFileOpensAndOsnExtensionIsTried) {
  auto r = Interpret("work.osn", {"work.osn"});
  ASSERT_EQ(r.action, CommandLineAction::kOpenFile);
  EXPECT_EQ(r.path, "work.osn");
  r = Interpret("work", {"work.OSN"});
  ASSERT_EQ(r.action, CommandLineAction::kOpenFile);
  EXPECT_EQ(r.path, "work.OSN");
  // A quoted name with a blank loses its quotes.
  r = Interpret("\"my work\"", {"my work.OSN"});
  ASSERT_EQ(r.action, CommandLineAction::kOpenFile);
  EXPECT_EQ(r.path, "my work.OSN");
  // A name that is neither a file nor a file with .OSN is a host.
  EXPECT_EQ(Interpret("work", {"other.OSN"}).action, CommandLineAction::kTelnet);
}

TEST(CommandLine, OptionFOpensTheFileAndRefusesASecondArgument) {
  auto r = Interpret("-F host.osn");
  ASSERT_EQ(r.action, CommandLineAction::kOpenFile);
  EXPECT_EQ(r.path, "host.osn");
  EXPECT_EQ(Interpret("-F a.osn b").action, CommandLineAction::kFail);
  EXPECT_EQ(Interpret("-f a.osn").action, CommandLineAction::kOpenFile);
}

TEST(CommandLine, OptionHTakesHostAndPortEvenWhenAFileHasThatName) {
  auto r = Interpret("-H work 2323", {"work"});
  ASSERT_EQ(r.action, CommandLineAction::kTelnet);
  EXPECT_EQ(r.host, "work");
  EXPECT_EQ(r.port, 2323);
  EXPECT_EQ(Interpret("-h work").port, 23);
  // A port that is not a number, zero or too large is refused rather than dialled.
  EXPECT_EQ(Interpret("-H work abc").action, CommandLineAction::kFail);
  EXPECT_EQ(Interpret("-H work 70000").action, CommandLineAction::kFail);
  EXPECT_EQ(Interpret("host:0").action, CommandLineAction::kFail);
  EXPECT_EQ(Interpret("host:99999999999999999999").action, CommandLineAction::kFail);
}

TEST(CommandLine, OptionEAndScriptApplyToWhatIsOpened) {
  auto r = Interpret("-e -s login.oss site.osn", {"site.osn"});
  ASSERT_EQ(r.action, CommandLineAction::kOpenFile);
  EXPECT_TRUE(r.openWithoutConnecting);
  EXPECT_EQ(r.script, "login.oss");
  r = Interpret("host -S \"my script.oss\" 2323");
  ASSERT_EQ(r.action, CommandLineAction::kTelnet);
  EXPECT_EQ(r.script, "my script.oss");
  EXPECT_EQ(r.port, 2323);
  EXPECT_EQ(Interpret("host -S").action, CommandLineAction::kFail);
}

TEST(CommandLine, OptionPIsParsedWithItsTarget) {
  const auto r = Interpret("-P report.osn");
  EXPECT_EQ(r.action, CommandLineAction::kOpenFile);
  EXPECT_EQ(r.path, "report.osn");
}

TEST(CommandLine, BadOptionsAndTooManyArgumentsFail) {
  EXPECT_EQ(Interpret("-X host").action, CommandLineAction::kFail);
  EXPECT_EQ(Interpret("host -").action, CommandLineAction::kFail);
  EXPECT_EQ(Interpret("a b c").action, CommandLineAction::kFail);
  EXPECT_EQ(Interpret(":23").action, CommandLineAction::kFail);
  // -E seen before the failure still holds for the rest of the run.
  const auto r = Interpret("-E -Q");
  EXPECT_EQ(r.action, CommandLineAction::kFail);
  EXPECT_TRUE(r.openWithoutConnecting);
}

TEST(HostAddress, SplitsLikeTheAddressBook) {
  auto a = SplitHostAddress("TELNET://myhost:2323/", 23);
  EXPECT_EQ(a.host, "myhost");
  EXPECT_EQ(a.port, 2323);
  a = SplitHostAddress("myhost", 22);
  EXPECT_EQ(a.port, 22);
  a = SplitHostAddress("myhost:", 22);
  EXPECT_EQ(a.port, 0);
  a = SplitHostAddress("myhost:80x", 22);
  EXPECT_EQ(a.port, 80);
  // Slashes are only special after the prefix.
  a = SplitHostAddress("//myhost/", 23);
  EXPECT_EQ(a.host, "//myhost/");
}

// A folder, FIFO or device named on the command line is refused with its name, never taken for
// a host; -H still means a host even when something on disk has that name.
TEST(CommandLine, SomethingOnDiskThatIsNoFileIsNotASessionFile) {
  const auto other = [](const std::string& path) { return path == "/tmp" || path == "fifo"; };
  const auto none = [](const std::string&) { return false; };
  for (const char* line : {"/tmp", "-F /tmp", "\"fifo\"", "fifo 23"}) {
    const auto r = InterpretCommandLine(SplitCommandLine(line), none, other);
    EXPECT_EQ(r.action, CommandLineAction::kFail) << line;
    EXPECT_NE(r.error.find(std::string(kTextNotSessionFile)), std::string::npos) << line;
  }
  const auto host = InterpretCommandLine(SplitCommandLine("-H fifo"), none, other);
  EXPECT_EQ(host.action, CommandLineAction::kTelnet);
  EXPECT_EQ(host.host, "fifo");
}

}  // namespace
}  // namespace ostrane
