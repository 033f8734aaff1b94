// ostrane-cli --identity against OpenSSH's sshd: OpenSSH private-key files of each kind log in
// by publickey; a wrong passphrase ends with its message, and no other method is tried.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "peers/peer_process.h"
#include "peers/ssh_peer.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

using test::CliResult;
using test::CSshdPeer;
using test::RunCli;

std::string ReadLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

class CliIdentity : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::EnsureTestUser());
    ASSERT_TRUE(home_.Made());
  }
  // A key made by ssh-keygen in the sshd's folder and authorized there.
  std::string MakeKey(CSshdPeer& sshd, const std::string& type, const std::string& passphrase) {
    const std::string file = sshd.Dir() + "/id_" + type;
    const std::string command =
        "ssh-keygen -q -t " + type + " -N '" + passphrase + "' -f " + file + " >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    sshd.Authorize(ReadLine(file + ".pub"));
    return file;
  }
  std::vector<std::string> Login(const CSshdPeer& sshd, const std::string& file,
                                 const std::string& passphrase) {
    std::vector<std::string> args{"--set",
                                  "HostType=5",
                                  "127.0.0.1:" + std::to_string(sshd.Port()),
                                  "--user",
                                  test::kTestUser,
                                  "--identity",
                                  file,
                                  "--host-key",
                                  "accept",
                                  "--until",
                                  "$ ",
                                  "--send",
                                  "echo key-$((6*7))<CR>",
                                  "--until",
                                  "key-42",
                                  "--for",
                                  "30"};
    if (!passphrase.empty()) args.insert(args.end(), {"--key-password", passphrase});
    return args;
  }
  test::CTempHome home_{"ostrane-identity"};
};

TEST_F(CliIdentity, OpenSshKeysOfEachKindLogIn) {
  test::SshdConfig c;
  c.lines = {"PasswordAuthentication no", "KbdInteractiveAuthentication no"};
  CSshdPeer sshd(c);
  ASSERT_TRUE(sshd.Ready());
  for (const auto& [type, passphrase] : std::vector<std::pair<std::string, std::string>>{
           {"ed25519", "id pass"}, {"ecdsa", ""}, {"rsa", "rsa pass"}}) {
    const std::string file = MakeKey(sshd, type, passphrase);
    const CliResult r = RunCli(Login(sshd, file, passphrase));
    ASSERT_EQ(r.exitCode, 0) << type << r.err << r.out;
    EXPECT_NE(r.out.find("key-42"), std::string::npos) << r.out;
  }
  // Each kind was the one accepted, once.
  const std::string log = sshd.Log();
  for (const char* kind : {"ED25519", "ECDSA", "RSA"}) {
    const size_t accepted = log.find(std::string("ssh2: ") + kind + " SHA256:");
    ASSERT_NE(accepted, std::string::npos) << kind << log;
    EXPECT_NE(log.rfind("Accepted publickey", accepted), std::string::npos) << kind;
  }
}

TEST_F(CliIdentity, WrongPassphraseEndsWithItsMessageAndTriesNothingElse) {
  CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  const std::string file = MakeKey(sshd, "ed25519", "right");
  std::vector<std::string> args = Login(sshd, file, "wrong");
  args.insert(args.end(), {"--password", test::kTestPassword});
  const CliResult r = RunCli(args);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("The passphrase of the key file is wrong."), std::string::npos) << r.err;
  const std::string log = sshd.Log();
  EXPECT_EQ(log.find("Accepted"), std::string::npos) << log;
  EXPECT_EQ(log.find("Failed password"), std::string::npos) << log;
}

}  // namespace
}  // namespace ostrane
