// ostrane-cli against OpenSSH's sshd with the user's known_hosts file: a listed host connects
// without the new-host-key question, a host listed with another key is refused even when new
// keys would be accepted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
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

// HOME pointed at the test's folder for the object's life, so known_hosts is the test's own.
class CTestUserHome {
 public:
  explicit CTestUserHome(const std::filesystem::path& home) {
    if (const char* old = std::getenv("HOME")) old_ = old;
    std::filesystem::create_directories(home / ".ssh");
    setenv("HOME", home.c_str(), 1);
    knownHosts_ = (home / ".ssh" / "known_hosts").string();
  }
  ~CTestUserHome() { setenv("HOME", old_.c_str(), 1); }
  void List(const std::string& line) { std::ofstream(knownHosts_) << line << "\n"; }

 private:
  std::string old_;
  std::string knownHosts_;
};

class CliKnownHosts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::EnsureTestUser());
    ASSERT_TRUE(home_.Made());
  }
  test::CTempHome home_{"ostrane-knownhosts"};
};

TEST_F(CliKnownHosts, ListedHostIsNotAskedAboutAndAChangedKeyIsRefused) {
  CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  const std::filesystem::path folder = std::getenv("OSTRANE_HOME");
  CTestUserHome user(folder / "user");
  const std::string entry = "[127.0.0.1]:" + std::to_string(sshd.Port());
  const std::string listed = ReadLine(sshd.Dir() + "/host_ed25519.pub");
  ASSERT_FALSE(listed.empty());
  const std::vector<std::string> login{"--set",
                                       "HostType=5",
                                       "127.0.0.1:" + std::to_string(sshd.Port()),
                                       "--user",
                                       test::kTestUser,
                                       "--password",
                                       test::kTestPassword,
                                       "--until",
                                       "$ ",
                                       "--send",
                                       "echo known-$((6*7))<CR>",
                                       "--until",
                                       "known-42",
                                       "--for",
                                       "30"};

  // Listed: new keys would be rejected, yet the login goes through.
  user.List(entry + " " + listed);
  std::vector<std::string> args = login;
  args.insert(args.end(), {"--host-key", "reject"});
  CliResult r = RunCli(args);
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("known-42"), std::string::npos) << r.out;
  // The file is only read: the key store did not take the key over.
  std::ifstream store(folder / "ssh2-keys");
  const std::string stored((std::istreambuf_iterator<char>(store)),
                           std::istreambuf_iterator<char>());
  EXPECT_EQ(stored.find("127.0.0.1="), std::string::npos) << stored;

  // Listed with another ed25519 key: refused, although new keys would be accepted.
  const std::string other = (folder / "other").string();
  ASSERT_EQ(std::system(("ssh-keygen -q -t ed25519 -N '' -f " + other + " >/dev/null").c_str()), 0);
  user.List(entry + " " + ReadLine(other + ".pub"));
  args = login;
  args.insert(args.end(), {"--host-key", "accept"});
  r = RunCli(args);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("differs from the one listed for this host"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace ostrane
