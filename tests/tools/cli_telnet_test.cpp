// ostrane-cli against a real Telnet server (inetutils telnetd under socat) and the test proxy.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "peers/peer_process.h"

namespace ostrane {
namespace {

using test::CliResult;
using test::RunCli;

// The rows of the screen in the JSON dump.
std::string Rows(const CliResult& r) {
  const size_t start = r.out.find("\"rows\":[");
  const size_t end = r.out.find(']', start);
  return start == std::string::npos ? std::string() : r.out.substr(start, end - start);
}

class CliTelnet : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::EnsureTestUser());
    ASSERT_TRUE(telnetd_.Ready());
  }
  std::string Target() const { return "127.0.0.1:" + std::to_string(telnetd_.Port()); }
  test::CTelnetdPeer telnetd_;
};

TEST_F(CliTelnet, PrintsTheLoginPrompt) {
  const CliResult r = RunCli({Target(), "--until", "login:", "--for", "20"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(Rows(r).find("login:"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");
}

TEST_F(CliTelnet, ReachesThePromptThroughTheProxy) {
  test::CTelnetProxyPeer proxy;
  ASSERT_TRUE(proxy.Ready());
  const CliResult r =
      RunCli({"--set", "Proxy=127.0.0.1", "--set", "Speed=" + std::to_string(proxy.Port()),
              Target(), "--until", "login:", "--for", "20"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string rows = Rows(r);
  EXPECT_NE(rows.find("proxy> "), std::string::npos) << r.out;
  EXPECT_NE(rows.find("login:"), std::string::npos) << r.out;
}

// The shell sees the terminal type and the screen size the session negotiated.
TEST_F(CliTelnet, FullLoginReachesAShellWithTermAndSize) {
  const CliResult r = RunCli({Target(),
                              "--until",
                              "login:",
                              "--send",
                              std::string(test::kTestUser) + "<CR>",
                              "--until",
                              "assword:",
                              "--send",
                              std::string(test::kTestPassword) + "<CR>",
                              "--until",
                              "$ ",
                              "--send",
                              "echo T=$TERM<CR>",
                              "--until",
                              "T=vt220",
                              "--send",
                              "stty size<CR>",
                              "--until",
                              "24 80",
                              "--send",
                              "exit<CR>",
                              "--for",
                              "30"});
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  const std::string rows = Rows(r);
  EXPECT_NE(rows.find("T=vt220"), std::string::npos) << rows;
  EXPECT_NE(rows.find("\"24 80 "), std::string::npos) << rows;
}

TEST_F(CliTelnet, UntilThatNeverMatchesIsAnError) {
  const CliResult r = RunCli({Target(), "--until", "no such text", "--for", "2"});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("no such text"), std::string::npos);
}

TEST(CliConnect, RefusedUnknownAndClosingProxyReportCannotConnectOnce) {
  test::CScriptedPeer closingProxy;
  const std::vector<std::vector<std::string>> cases = {
      {"127.0.0.1:" + std::to_string(test::UnusedPort())},
      {"no-such-host.invalid"},
      {"--set", "Proxy=127.0.0.1", "--set", "Speed=" + std::to_string(closingProxy.Port()),
       "somewhere"},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    std::vector<std::string> args = cases[i];
    args.insert(args.end(), {"--for", "10"});
    std::thread closer;
    if (i == 2)
      closer = std::thread([&] {
        if (closingProxy.Accept()) closingProxy.CloseClient();
      });
    const CliResult r = RunCli(args);
    if (closer.joinable()) closer.join();
    EXPECT_EQ(r.exitCode, 1) << i;
    EXPECT_EQ(r.err, "Cannot connect to remote host.\n") << i;
    EXPECT_EQ(r.out, "") << i;
  }
}

TEST(CliConnect, BadOptionsAreRefused) {
  EXPECT_EQ(RunCli({"--for", "0"}).exitCode, 2);
  EXPECT_EQ(RunCli({"--set", "NoSuchKey=1"}).exitCode, 2);
  EXPECT_EQ(RunCli({"host:99999"}).exitCode, 2);
  EXPECT_EQ(RunCli({"--until"}).exitCode, 2);
  EXPECT_EQ(RunCli({"a", "b"}).exitCode, 2);
}

TEST(CliLocal, LocalLoopEchoesWhatIsSent) {
  const CliResult r = RunCli(
      {"--set", "HostType=2", "--send", "ping<CR><LF>pong", "--until", "pong", "--for", "10"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string rows = Rows(r);
  EXPECT_NE(rows.find("\"ping "), std::string::npos) << rows;
  EXPECT_NE(rows.find("\"pong "), std::string::npos) << rows;
  EXPECT_NE(r.out.find("\"replies\":\"ping<CR><LF>pong\""), std::string::npos) << r.out;
}

}  // namespace
}  // namespace ostrane
