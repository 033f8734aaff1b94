#include "session/host_address.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "session/command_line.h"

namespace ostrane {
namespace {

struct Accepted {
  const char* text;
  const char* host;
  int port;  // 0: none given
};

TEST(HostTarget, AcceptsNamesIPv4AndIPv6WithAndWithoutPort) {
  const Accepted cases[] = {
      {"example", "example", 0},
      {"example:2323", "example", 2323},
      {"10.0.0.1:23", "10.0.0.1", 23},
      {"[::1]:2222", "::1", 2222},
      {"[::1]", "::1", 0},
      {"::1", "::1", 0},
      {"fe80::1%eth0", "fe80::1%eth0", 0},
      {"h:1", "h", 1},
      {"h:65535", "h", 65535},
      {"h:00080", "h", 80},
  };
  for (const Accepted& c : cases) {
    std::string error;
    const auto t = ParseHostTarget(c.text, error);
    ASSERT_TRUE(t) << c.text << ": " << error;
    EXPECT_EQ(t->host, c.host) << c.text;
    EXPECT_EQ(t->port.value_or(0), c.port) << c.text;
  }
}

TEST(HostTarget, RefusesBadTextWithAReasonThatQuotesIt) {
  const char* cases[] = {"",      ":23",  "h:",    "h:0",  "h:65536", "h:99999999999999999999",
                         "h:80x", "h:-1", "h: 80", "[::1", "[::1]x",  "[::1]:",
                         "[]:22", "[]"};
  for (const char* text : cases) {
    std::string error;
    EXPECT_FALSE(ParseHostTarget(text, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
  std::string error;
  ParseHostTarget("h:80x", error);
  EXPECT_NE(error.find("\"80x\""), std::string::npos) << error;
  EXPECT_NE(error.find("65535"), std::string::npos) << error;
}

CommandLineRequest Interpret(const std::string& line) {
  return InterpretCommandLine(SplitCommandLine(line), [](const std::string&) { return false; });
}

TEST(HostTarget, CommandLineUsesTheSameRulesAndSaysWhyItFails) {
  auto r = Interpret("telnet://[::1]:2323/");
  ASSERT_EQ(r.action, CommandLineAction::kTelnet) << r.error;
  EXPECT_EQ(r.host, "::1");
  EXPECT_EQ(r.port, 2323);
  r = Interpret("::1 2424");
  ASSERT_EQ(r.action, CommandLineAction::kTelnet) << r.error;
  EXPECT_EQ(r.host, "::1");
  EXPECT_EQ(r.port, 2424);

  for (const char* bad : {"host 0", "host 70000", "host:80x", "-H host 12ab", "[::1"}) {
    r = Interpret(bad);
    EXPECT_EQ(r.action, CommandLineAction::kFail) << bad;
    EXPECT_FALSE(r.error.empty()) << bad;
  }
  EXPECT_NE(Interpret("-Q").error.find("-Q"), std::string::npos);
}

TEST(HostTarget, AddressBookKeepsItsLenientPortButReadsBrackets) {
  auto a = SplitHostAddress("[::1]:2323", 23);
  EXPECT_EQ(a.host, "::1");
  EXPECT_EQ(a.port, 2323);
  a = SplitHostAddress("fe80::2", 22);
  EXPECT_EQ(a.host, "fe80::2");
  EXPECT_EQ(a.port, 22);
}

}  // namespace
}  // namespace ostrane
