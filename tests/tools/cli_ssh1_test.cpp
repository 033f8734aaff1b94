// SSH1 end to end: the scripted SSH1 server is first shown to be right with Debian's own SSH1
// client, then ostrane-cli logs in to it by password and by RSA key, and meets its faulty
// scenarios.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "peers/peer_process.h"
#include "peers/ssh1_scripted_peer.h"
#include "ssh/ssh_key_store.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

using test::CliResult;
using test::CScriptedSsh1Peer;
using test::RunCli;

constexpr char kSsh1Client[] = "/usr/bin/ssh1";

std::string Rows(const CliResult& r) {
  const size_t start = r.out.find("\"rows\":[");
  const size_t end = r.out.find(']', start);
  return start == std::string::npos ? std::string() : r.out.substr(start, end - start);
}

std::vector<std::string> Login(const CScriptedSsh1Peer& peer, std::vector<std::string> answers,
                               std::vector<std::string> steps) {
  std::vector<std::string> args{"--set",  "HostType=6", peer.Target(), "--user",
                                "tester", "--host-key", "accept"};
  args.insert(args.end(), answers.begin(), answers.end());
  args.insert(args.end(), steps.begin(), steps.end());
  return args;
}

const std::vector<std::string> kRunCommand{
    "--until", "ssh1$ ",       "--send", "echo from-$((6*7))-ssh1<CR>",
    "--until", "from-42-ssh1", "--for",  "30"};

class CliSsh1 : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(home_.Made()); }
  std::string Home() const { return std::getenv("OSTRANE_HOME"); }
  test::CTempHome home_{"ostrane-clissh1"};
};

// Debian's ssh1 (OpenSSH 7.5) needs OpenSSL's legacy provider for DES.
std::string WriteLegacyOpensslConfig(const std::string& folder) {
  const std::string path = folder + "/openssl-legacy.cnf";
  std::ofstream(path) << "openssl_conf = init\n[init]\nproviders = p\n[p]\ndefault = d\n"
                         "legacy = l\n[d]\nactivate = 1\n[l]\nactivate = 1\n";
  return path;
}

// environment: variables for the client; options: its own options.
std::string Ssh1ClientCommand(const std::string& home, const CScriptedSsh1Peer& peer,
                              const std::string& environment, const std::string& options,
                              const std::string& out) {
  return "OPENSSL_CONF=" + WriteLegacyOpensslConfig(home) + " " + environment +
         " timeout 30 setsid -w " + kSsh1Client +
         " -1 -F /dev/null -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null"
         " -o GlobalKnownHostsFile=/dev/null " +
         options + " -p " + std::to_string(peer.Port()) +
         " tester@127.0.0.1 'echo real-$((6*7))-client' </dev/null >" + out + " 2>&1";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(CliSsh1, TheScriptedServerServesDebiansSsh1ClientByPasswordAndByRsaKey) {
  if (!std::filesystem::exists(kSsh1Client)) GTEST_SKIP() << "openssh-client-ssh1 missing";
  const std::string askpass = Home() + "/askpass.sh";
  std::ofstream(askpass) << "#!/bin/sh\necho pw\n";
  std::filesystem::permissions(askpass, std::filesystem::perms::owner_all);
  {
    CScriptedSsh1Peer peer("normal");
    ASSERT_TRUE(peer.Ready());
    const std::string out = Home() + "/password.out";
    // Without a terminal the client asks for the password through the askpass program.
    const int status =
        std::system(Ssh1ClientCommand(Home(), peer, "DISPLAY=:0 SSH_ASKPASS=" + askpass,
                                      "-o PreferredAuthentications=password", out)
                        .c_str());
    ASSERT_TRUE(peer.WaitForLog("DONE"));
    EXPECT_EQ(status, 0) << ReadFile(out) << peer.Log();
    EXPECT_NE(ReadFile(out).find("real-42-client"), std::string::npos) << ReadFile(out);
    EXPECT_NE(peer.Log().find("PASSWORD pw\n"), std::string::npos);
  }
  const std::string key = Home() + "/identity";
  ASSERT_EQ(std::system(("ssh-keygen1 -q -t rsa1 -N '' -f " + key).c_str()), 0);
  CScriptedSsh1Peer peer("normal", key + ".pub");
  ASSERT_TRUE(peer.Ready());
  const std::string out = Home() + "/rsa.out";
  const std::string command =
      Ssh1ClientCommand(Home(), peer, "", "-i " + key + " -o BatchMode=yes", out);
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(out) << peer.Log();
  ASSERT_TRUE(peer.WaitForLog("DONE"));
  EXPECT_NE(ReadFile(out).find("real-42-client"), std::string::npos) << ReadFile(out);
  EXPECT_NE(peer.Log().find("RSA accepted"), std::string::npos) << peer.Log();
}

// Identification first (no stray byte before it), the insecure warning on the screen, the
// password after the expected failure, the pty and the shell, typed bytes as STDIN_DATA.
TEST_F(CliSsh1, PasswordLoginRunsACommand) {
  CScriptedSsh1Peer peer("normal");
  ASSERT_TRUE(peer.Ready());
  const CliResult r = RunCli(Login(peer, {"--password", "pw"}, kRunCommand));
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out << peer.Log();
  EXPECT_NE(Rows(r).find("from-42-ssh1"), std::string::npos) << r.out;
  EXPECT_NE(Rows(r).find("Warning: SSH1 is an insecure protocol"), std::string::npos) << r.out;
  const std::string log = peer.Log();
  EXPECT_NE(log.find("IDENT SSH-1.5-1.2.27 Secure Ostrane\n"), std::string::npos) << log;
  EXPECT_NE(log.find("USER tester\nPASSWORD pw\nAUTHENTICATED\nPTY vt220 24 80 modes-end=0\n"
                     "SHELL\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("RUN echo from-$((6*7))-ssh1"), std::string::npos) << log;
}

TEST_F(CliSsh1, RsaKeyFromTheStoreAnswersTheChallenge) {
  ASSERT_TRUE(CSshKeyStore(SshVersion::k1).CreateUserKey("tester", "key pw", nullptr));
  // The public file is in the form the server reads as authorized keys.
  const std::string pub = Home() + "/tester.pub";
  ASSERT_TRUE(std::filesystem::exists(pub));
  CScriptedSsh1Peer peer("normal", pub);
  ASSERT_TRUE(peer.Ready());
  const CliResult r = RunCli(Login(peer, {"--key-password", "key pw"}, kRunCommand));
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out << peer.Log();
  EXPECT_NE(Rows(r).find("from-42-ssh1"), std::string::npos) << r.out;
  EXPECT_NE(peer.Log().find("RSA accepted"), std::string::npos) << peer.Log();
  EXPECT_EQ(peer.Log().find("PASSWORD"), std::string::npos) << peer.Log();
}

TEST_F(CliSsh1, WrongPasswordIsNotRetriedSilently) {
  CScriptedSsh1Peer peer("normal");
  ASSERT_TRUE(peer.Ready());
  const CliResult r = RunCli(Login(peer, {"--password", "wrong"}, kRunCommand));
  EXPECT_NE(r.exitCode, 0) << r.out;
  EXPECT_EQ(peer.Log().find("AUTHENTICATED"), std::string::npos) << peer.Log();
}

// A 1.99 server is served with 1.5; a server accepting the user without authentication gets
// the pty request at once.
TEST_F(CliSsh1, Ssh199AndNoAuthenticationServersAreServed) {
  for (const char* scenario : {"v199", "noauth"}) {
    // Each server has a new host key.
    CSshKeyStore(SshVersion::k1).RemoveHost("127.0.0.1");
    CScriptedSsh1Peer peer(scenario);
    ASSERT_TRUE(peer.Ready());
    const CliResult r = RunCli(Login(peer, {"--password", "pw"}, kRunCommand));
    ASSERT_EQ(r.exitCode, 0) << scenario << r.err << r.out << peer.Log();
    EXPECT_NE(Rows(r).find("from-42-ssh1"), std::string::npos) << r.out;
    if (std::string(scenario) == "noauth") {
      EXPECT_NE(peer.Log().find("USER tester\nAUTHENTICATED\nPTY "), std::string::npos)
          << peer.Log();
    }
  }
}

// Output sent with the exit status reaches the screen, and the server is told the status
// arrived before the connection ends.
TEST_F(CliSsh1, ExitStatusIsConfirmedAfterTheLastOutputIsShown) {
  CScriptedSsh1Peer peer("exit");
  ASSERT_TRUE(peer.Ready());
  const CliResult r = RunCli(Login(peer, {"--password", "pw"}, {"--for", "20"}));
  ASSERT_TRUE(peer.WaitForLog("DONE"));
  EXPECT_NE(Rows(r).find("last words"), std::string::npos) << r.out;
  EXPECT_NE(peer.Log().find("EXITCONF"), std::string::npos) << peer.Log();
}

// A 64 KiB data packet, eight times the receive queue, arrives whole: every line the history
// and the screen can hold is there, up to the last.
TEST_F(CliSsh1, LargeDataPacketIsDeliveredWhole) {
  CScriptedSsh1Peer peer("bigdata");
  ASSERT_TRUE(peer.Ready());
  const CliResult r =
      RunCli(Login(peer, {"--password", "pw"}, {"--until", "ssh1$ ", "--for", "30"}));
  ASSERT_EQ(r.exitCode, 0) << r.err << peer.Log();
  char label[8];
  int first = -1;
  for (int i = 0; i < 1024; ++i) {
    std::snprintf(label, sizeof label, "\"%05d.", i);
    if (r.out.find(label) == std::string::npos) {
      EXPECT_EQ(first, -1) << "line " << i << " missing after line " << first;
      continue;
    }
    if (first < 0) first = i;
  }
  EXPECT_GE(first, 0);
  EXPECT_LE(first, 1024 - 800) << "fewer lines than the history holds";
}

// Faulty servers end the connection with the error's text instead of a session.
TEST_F(CliSsh1, ServerFaultsEndTheConnectionWithTheirError) {
  const struct {
    const char* scenario;
    const char* text;
  } cases[] = {
      {"no3des", "Security algorithm not supported by the server."},
      {"badcrc", "Message authentication failed."},
  };
  for (const auto& c : cases) {
    CScriptedSsh1Peer peer(c.scenario);
    ASSERT_TRUE(peer.Ready());
    const CliResult r = RunCli(Login(peer, {"--password", "pw"}, kRunCommand));
    EXPECT_NE(r.exitCode, 0) << c.scenario;
    EXPECT_NE((r.out + r.err).find(c.text), std::string::npos) << c.scenario << r.err << r.out;
    EXPECT_EQ(r.out.find("from-42-ssh1"), std::string::npos) << c.scenario;
  }
}

}  // namespace
}  // namespace ostrane
