// ostrane-cli logging in to OpenSSH's sshd headlessly: the SSH questions answered from options.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "peers/peer_process.h"
#include "peers/ssh_peer.h"
#include "ssh/ssh_key_store.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

using test::CliResult;
using test::CSshdPeer;
using test::RunCli;

std::string Rows(const CliResult& r) {
  const size_t start = r.out.find("\"rows\":[");
  const size_t end = r.out.find(']', start);
  return start == std::string::npos ? std::string() : r.out.substr(start, end - start);
}

std::vector<std::string> Login(const CSshdPeer& sshd, std::vector<std::string> answers) {
  std::vector<std::string> args{"--set", "HostType=5", "127.0.0.1:" + std::to_string(sshd.Port()),
                                "--user", test::kTestUser};
  args.insert(args.end(), answers.begin(), answers.end());
  for (const char* a : {"--host-key", "accept", "--until", "$ ", "--send",
                        "echo from-$((6*7))-cli<CR>", "--until", "from-42-cli", "--for", "30"})
    args.emplace_back(a);
  return args;
}

// Each test has a key store of its own: every sshd here has new host keys on a reused port.
class CliSsh : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::EnsureTestUser());
    ASSERT_TRUE(home_.Made());
  }
  test::CTempHome home_{"ostrane-clissh"};
};

TEST_F(CliSsh, PasswordLoginPrintsTheCommandOutput) {
  CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  const CliResult r = RunCli(Login(sshd, {"--password", test::kTestPassword}));
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_NE(Rows(r).find("from-42-cli"), std::string::npos) << r.out;
}

TEST_F(CliSsh, KeyboardInteractiveLogin) {
  test::SshdConfig c;
  c.lines = {"PasswordAuthentication no"};
  CSshdPeer sshd(c);
  ASSERT_TRUE(sshd.Ready());
  const CliResult r = RunCli(Login(sshd, {"--password", test::kTestPassword}));
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_NE(Rows(r).find("from-42-cli"), std::string::npos) << r.out;
  EXPECT_NE(sshd.Log().find("Accepted keyboard-interactive"), std::string::npos);
}

// The stored DSA pair, its public text converted by ssh-keygen into authorized_keys.
void AuthorizeStoredKey(CSshdPeer& sshd) {
  ASSERT_TRUE(CSshKeyStore().CreateUserKey(test::kTestUser, "cli key", nullptr));
  const std::string pub = std::string(getenv("OSTRANE_HOME")) + "/" + test::kTestUser + ".pub";
  const std::string out = sshd.Dir() + "/cli.openssh";
  ASSERT_EQ(std::system(("ssh-keygen -i -f " + pub + " > " + out).c_str()), 0);
  std::ifstream in(out);
  std::string line;
  std::getline(in, line);
  sshd.Authorize(line);
}

TEST_F(CliSsh, PublicKeyLoginWithTheStoredKey) {
  test::SshdConfig c;
  c.lines = {"PubkeyAcceptedAlgorithms +ssh-dss", "PasswordAuthentication no",
             "KbdInteractiveAuthentication no"};
  CSshdPeer sshd(c);
  ASSERT_TRUE(sshd.Ready());
  AuthorizeStoredKey(sshd);
  const CliResult r = RunCli(Login(sshd, {"--key-password", "cli key"}));
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_NE(Rows(r).find("from-42-cli"), std::string::npos) << r.out;
  EXPECT_NE(sshd.Log().find("Accepted publickey"), std::string::npos);
}

TEST_F(CliSsh, LegacyServerByPasswordAndByKey) {
  CSshdPeer sshd(test::LegacySshdConfig());
  ASSERT_TRUE(sshd.Ready());
  AuthorizeStoredKey(sshd);
  for (const auto& answer : std::vector<std::vector<std::string>>{
           {"--password", test::kTestPassword}, {"--key-password", "cli key"}}) {
    const CliResult r = RunCli(Login(sshd, answer));
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_NE(Rows(r).find("from-42-cli"), std::string::npos) << r.out;
  }
  const std::string log = sshd.Log();
  EXPECT_NE(log.find("kex: algorithm: diffie-hellman-group1-sha1"), std::string::npos);
  EXPECT_NE(log.find("kex: host key algorithm: ssh-dss"), std::string::npos);
  EXPECT_NE(log.find("cipher: 3des-cbc MAC: hmac-sha1"), std::string::npos) << log;
}

TEST_F(CliSsh, RejectedHostKeyAndWrongPasswordFailWithTheirTexts) {
  CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  const std::string target = "127.0.0.1:" + std::to_string(sshd.Port());
  CliResult r =
      RunCli({"--set", "HostType=5", target, "--user", test::kTestUser, "--password",
              test::kTestPassword, "--host-key", "reject", "--until", "$ ", "--for", "20"});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("Connection aborted."), std::string::npos) << r.err;
  r = RunCli({"--set", "HostType=5", target, "--user", test::kTestUser, "--password", "wrong",
              "--host-key", "accept", "--until", "$ ", "--for", "30"});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("Connection aborted."), std::string::npos) << r.err;
}

}  // namespace
}  // namespace ostrane
