// ostrane-cli's failures: errors a session ended with, text from a hostile peer, targets that are
// neither hosts nor session files, and headless capture.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "peers/peer_process.h"
#include "peers/ssh_scripted_peer.h"

namespace ostrane {
namespace {

using test::CliResult;
using test::RunCli;

std::string Home() {
  return getenv("OSTRANE_HOME");
}

// The server's DISCONNECT reason carries OSC, ED, the alternate-screen switch and a UTF-8 CSI.
// Without steps the run used to print the screen and exit 0; the reason must be reported, escaped.
TEST(CliErrors, DisconnectReasonIsReportedEscapedAndTheRunFails) {
  test::CScriptedSshPeer peer("hostile-disconnect");
  ASSERT_TRUE(peer.Ready());
  const CliResult r =
      RunCli({"--set", "HostType=5", "127.0.0.1:" + std::to_string(peer.Port()), "--user", "u",
              "--password", "pw", "--host-key", "accept", "--for", "10"});
  EXPECT_NE(r.exitCode, 0) << r.out;
  EXPECT_NE(r.err.find("bye\\x1b]0;owned\\x07\\x1b[2J\\x1b[?1049h\\xc2\\x9b now"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
  EXPECT_EQ(r.err.find('\x07'), std::string::npos);
  EXPECT_EQ(r.err.find("\xc2\x9b"), std::string::npos);
}

TEST(CliErrors, FolderFifoAndDeviceTargetsAreNotSessionFiles) {
  const std::string fifo = Home() + "/a-fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& target : {Home(), fifo, std::string("/dev/null")}) {
    const CliResult r = RunCli({target, "--for", "5"});
    EXPECT_NE(r.exitCode, 0) << target;
    EXPECT_NE(r.err.find(target + " is not a session file."), std::string::npos) << r.err;
  }
}

TEST(CliErrors, CaptureWritesWhatTheHostSentAndDebugCaptureNamesControls) {
  test::CTelnetdPeer telnetd;
  ASSERT_TRUE(test::EnsureTestUser());
  ASSERT_TRUE(telnetd.Ready());
  const std::string target = "127.0.0.1:" + std::to_string(telnetd.Port());
  const std::string plain = Home() + "/plain.txt", debug = Home() + "/debug.txt";
  CliResult r = RunCli({target, "--capture", plain, "--until", "login:", "--for", "20"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = RunCli({target, "--capture-debug", debug, "--until", "login:", "--for", "20"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  const std::string text = read(plain), named = read(debug);
  EXPECT_NE(text.find("login:"), std::string::npos) << text;
  EXPECT_NE(named.find("login:"), std::string::npos) << named;
  // The debug capture traces the Telnet options, the plain one holds only text.
  EXPECT_NE(named.find("<OP "), std::string::npos) << named;
  EXPECT_EQ(text.find("<OP "), std::string::npos) << text;

  r = RunCli({target, "--capture", Home() + "/no/such/folder/x.txt", "--for", "5"});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("Cannot create the file."), std::string::npos) << r.err;
}

}  // namespace
}  // namespace ostrane
