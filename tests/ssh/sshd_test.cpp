// The SSH2 client against OpenSSH's sshd: logins by password, keyboard-interactive and public
// key, the old algorithm set, every negotiable algorithm forced one at a time, and the host-key
// questions.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "peers/ssh_peer.h"
#include "ssh/ssh_key_store.h"
#include "ssh/ssh_key_text.h"
#include "ssh/ssh_password_protection.h"
#include "ssh_test_support.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

using test::CSshdPeer;
using test::CSshSession;
using test::CTestSshQuestions;
using test::SshdConfig;

// Every test meets a server with a new host key on 127.0.0.1, so each has a key store of its
// own: run in one process, the first test's key would be "changed" for all the others.
class Sshd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.Made());
    ASSERT_TRUE(test::EnsureTestUser());
  }
  static void PasswordLogin(CTestSshQuestions& q) {
    q.user = test::kTestUser;
    q.password = test::kTestPassword;
  }
  // "Use public key" with the stored key pair and its password.
  static void KeyLogin(CTestSshQuestions& q, const std::string& keyPassword) {
    q.user = test::kTestUser;
    q.usePublicKey = true;
    q.password = keyPassword;
  }
  test::CTempHome home_{"ostrane-sshd"};
};

TEST_F(Sshd, DefaultConfiguration_PasswordLoginRunsACommand) {
  CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  CTestSshQuestions q;
  PasswordLogin(q);
  CSshSession s(sshd.Port(), q);
  s.Start();
  ASSERT_TRUE(s.RunsCommand()) << s.Owner().Received() << sshd.Log();
  const Ssh2Negotiated n = s.Transport().Protocol()->Negotiated();
  EXPECT_EQ(n.kex, "curve25519-sha256");
  EXPECT_EQ(n.hostKey, "ssh-ed25519");
  EXPECT_EQ(n.cipherOut, "chacha20-poly1305@openssh.com");
  EXPECT_TRUE(n.strict) << "the server offers strict key exchange";
  // The typed password is not remembered unless asked for.
  EXPECT_EQ(s.Remembered().user, test::kTestUser);
  EXPECT_EQ(s.Remembered().protectedPassword, "");
}

TEST_F(Sshd, PseudoTerminalHasTheTerminalTypeAndSize_AndFollowsAResize) {
  CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  CTestSshQuestions q;
  PasswordLogin(q);
  CSshSession s(sshd.Port(), q);
  s.Settings().terminalName = "vt420";
  s.Settings().columns = 132;
  s.Settings().lines = 36;
  s.Start();
  ASSERT_TRUE(s.WaitForShell());
  s.Type("echo T=$TERM S=$(stty size)\r");
  EXPECT_TRUE(s.WaitForText("T=vt420 S=36 132")) << s.Owner().Received();
  s.Transport().AnnounceWindowSize(100, 30);
  s.Type("echo R=$(stty size)\r");
  EXPECT_TRUE(s.WaitForText("R=30 100")) << s.Owner().Received();
}

TEST_F(Sshd, RememberedPasswordLogsInWithoutAsking_AndAWrongOneIsClearedAndAsked) {
  CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  CTestSshQuestions q;
  PasswordLogin(q);
  q.savePassword = true;
  std::string remembered;
  {
    CSshSession s(sshd.Port(), q);
    s.Start();
    ASSERT_TRUE(s.RunsCommand());
    remembered = s.Remembered().protectedPassword;
    EXPECT_NE(remembered, "");
    EXPECT_EQ(remembered.find(test::kTestPassword), std::string::npos);
  }
  EXPECT_EQ(q.AuthorizationUsers().size(), 1u);
  {
    CSshSession s(sshd.Port(), q);
    s.Remember(test::kTestUser, remembered);
    s.Start();
    ASSERT_TRUE(s.RunsCommand());
  }
  EXPECT_EQ(q.AuthorizationUsers().size(), 1u) << "no dialog with a remembered login";
  {
    CTestSshQuestions asked;
    PasswordLogin(asked);
    CSshSession s(sshd.Port(), asked);
    s.Remember(test::kTestUser, ProtectPassword("wrong password"));
    s.Start();
    ASSERT_TRUE(s.RunsCommand()) << s.Owner().Received();
    // The refusal cleared the remembered pair, so the dialog came with an empty user name.
    ASSERT_EQ(asked.AuthorizationUsers().size(), 1u);
    EXPECT_EQ(asked.AuthorizationUsers()[0], "");
  }
}

TEST_F(Sshd, WrongPasswordEverywhereEndsWithConnectionAborted) {
  CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  CTestSshQuestions q;
  PasswordLogin(q);
  q.password = "not the password";
  q.maxAuthorizations = 2;
  CSshSession s(sshd.Port(), q);
  s.Start();
  EXPECT_FALSE(s.WaitForShell());
  ASSERT_FALSE(q.Messages().empty());
  EXPECT_EQ(q.Messages().back(), "Connection aborted.");
  EXPECT_EQ(q.AuthorizationUsers().size(), 3u);
}

TEST_F(Sshd, KeyboardInteractiveWhenPasswordsAreOff) {
  SshdConfig c;
  c.lines = {"PasswordAuthentication no"};
  CSshdPeer sshd(c);
  ASSERT_TRUE(sshd.Ready());
  CTestSshQuestions q;
  PasswordLogin(q);
  q.savePassword = true;
  q.maxAuthorizations = 2;
  {
    CSshSession s(sshd.Port(), q);
    s.Start();
    ASSERT_TRUE(s.RunsCommand()) << s.Owner().Received() << sshd.Log();
    // The password typed into "SSH Authorization" answers the server's hidden password prompt:
    // the user is asked once, and Save Password keeps it as for a password login.
    EXPECT_EQ(q.AuthorizationUsers().size(), 1u);
    EXPECT_TRUE(q.Prompts().empty());
    EXPECT_EQ(UnprotectPassword(s.Remembered().protectedPassword), test::kTestPassword);
    EXPECT_NE(sshd.Log().find("Accepted keyboard-interactive/pam"), std::string::npos);

    // The remembered password answers the prompt of the next login without any question.
    CTestSshQuestions again;
    CSshSession next(sshd.Port(), again);
    next.Remember(test::kTestUser, s.Remembered().protectedPassword);
    next.Start();
    ASSERT_TRUE(next.RunsCommand()) << next.Owner().Received();
    EXPECT_TRUE(again.AuthorizationUsers().empty());
    EXPECT_TRUE(again.Prompts().empty());
  }
}

// The key pair comes from the key store; its public text, converted by OpenSSH's own
// ssh-keygen, is what the server accepts.
void AuthorizeStoredKey(CSshdPeer& sshd, const std::string& keyPassword) {
  CSshKeyStore store;
  ASSERT_TRUE(store.CreateUserKey(test::kTestUser, keyPassword, nullptr));
  const std::string pub = std::string(getenv("OSTRANE_HOME")) + "/" + test::kTestUser + ".pub";
  const std::string converted = sshd.Dir() + "/user.openssh";
  ASSERT_EQ(std::system(("ssh-keygen -i -f " + pub + " > " + converted).c_str()), 0);
  std::ifstream in(converted);
  std::string line;
  std::getline(in, line);
  ASSERT_EQ(line.rfind("ssh-dss ", 0), 0u) << line;
  sshd.Authorize(line);
}

TEST_F(Sshd, PublicKeyLoginWithTheStoredDsaKey) {
  SshdConfig c;
  c.lines = {"PubkeyAcceptedAlgorithms +ssh-dss", "PasswordAuthentication no",
             "KbdInteractiveAuthentication no"};
  CSshdPeer sshd(c);
  ASSERT_TRUE(sshd.Ready());
  AuthorizeStoredKey(sshd, "key secret");
  CTestSshQuestions q;
  KeyLogin(q, "key secret");
  CSshSession s(sshd.Port(), q);
  s.Start();
  ASSERT_TRUE(s.RunsCommand()) << s.Owner().Received() << sshd.Log();
  EXPECT_NE(sshd.Log().find("Accepted publickey"), std::string::npos);
}

TEST_F(Sshd, PublicKeyWithAWrongKeyPasswordIsRetried) {
  SshdConfig c;
  c.lines = {"PubkeyAcceptedAlgorithms +ssh-dss"};
  CSshdPeer sshd(c);
  ASSERT_TRUE(sshd.Ready());
  AuthorizeStoredKey(sshd, "key secret");
  CTestSshQuestions q;
  KeyLogin(q, "typo");
  q.retryKeyPasswords = {"typo again", "key secret"};
  CSshSession s(sshd.Port(), q);
  s.Start();
  ASSERT_TRUE(s.RunsCommand()) << s.Owner().Received();
  EXPECT_EQ(q.RetriesAsked(), 2u);
}

TEST_F(Sshd, LegacyConfigurationNegotiatesExactlyTheOldSet) {
  CSshdPeer sshd(test::LegacySshdConfig());
  ASSERT_TRUE(sshd.Ready());
  CTestSshQuestions q;
  PasswordLogin(q);
  CSshSession s(sshd.Port(), q);
  s.Start();
  ASSERT_TRUE(s.RunsCommand()) << s.Owner().Received() << sshd.Log();
  const Ssh2Negotiated n = s.Transport().Protocol()->Negotiated();
  EXPECT_EQ(n.kex, "diffie-hellman-group1-sha1");
  EXPECT_EQ(n.hostKey, "ssh-dss");
  // 3des-cbc comes first among the old ciphers.
  EXPECT_EQ(n.cipherOut, "3des-cbc");
  EXPECT_EQ(n.cipherIn, "3des-cbc");
  EXPECT_EQ(n.macOut, "hmac-sha1");
  EXPECT_EQ(n.macIn, "hmac-sha1");
  EXPECT_EQ(n.macKeySize, 20u);
  ASSERT_EQ(q.HostKeys().size(), 1u);
  EXPECT_NE(q.HostKeys()[0].keyText.find("---- BEGIN SSH2 PUBLIC KEY ----"), std::string::npos);
}

TEST_F(Sshd, LegacyConfigurationPublicKeyLogin) {
  CSshdPeer sshd(test::LegacySshdConfig());
  ASSERT_TRUE(sshd.Ready());
  AuthorizeStoredKey(sshd, "legacy");
  CTestSshQuestions q;
  KeyLogin(q, "legacy");
  CSshSession s(sshd.Port(), q);
  s.Start();
  ASSERT_TRUE(s.RunsCommand()) << s.Owner().Received() << sshd.Log();
  EXPECT_NE(sshd.Log().find("Accepted publickey"), std::string::npos);
}

TEST_F(Sshd, HostKeyIsAskedOnceAndAChangedKeyIsRefused) {
  std::string fingerprint;
  {
    CSshdPeer sshd;
    ASSERT_TRUE(sshd.Ready());
    CTestSshQuestions q;
    PasswordLogin(q);
    q.maxAuthorizations = 2;
    for (int i = 0; i < 2; ++i) {
      CSshSession s(sshd.Port(), q);
      s.Start();
      ASSERT_TRUE(s.RunsCommand()) << i << q.Messages().size() << s.Owner().Received();
    }
    ASSERT_EQ(q.HostKeys().size(), 1u) << "the second connection asks nothing";
    fingerprint = q.HostKeys()[0].fingerprint;
    // OpenSSH shows the same fingerprint for the key.
    const std::string command = "ssh-keygen -l -E sha256 -f " + sshd.Dir() + "/host_ed25519.pub";
    FILE* p = popen(command.c_str(), "r");
    char line[512] = {};
    ASSERT_NE(fgets(line, sizeof line, p), nullptr);
    pclose(p);
    EXPECT_NE(std::string(line).find(fingerprint), std::string::npos) << line << fingerprint;
  }
  CSshdPeer other;  // new host keys on the same host name
  ASSERT_TRUE(other.Ready());
  CTestSshQuestions q;
  PasswordLogin(q);
  CSshSession s(other.Port(), q);
  s.Start();
  EXPECT_FALSE(s.WaitForShell());
  EXPECT_TRUE(q.HostKeys().empty());
  const auto messages = q.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].rfind(kTextChangedHostKey, 0), 0u);
  EXPECT_NE(messages[0].find("SHA256:"), std::string::npos);
  EXPECT_EQ(messages[1], "Connection aborted.");
}

TEST_F(Sshd, RejectedNewHostKeyAbortsAndStoresNothing) {
  CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  CTestSshQuestions q;
  PasswordLogin(q);
  q.acceptHostKey = false;
  CSshSession s(sshd.Port(), q);
  s.Start();
  EXPECT_FALSE(s.WaitForShell());
  EXPECT_EQ(q.Messages(), std::vector<std::string>{"Connection aborted."});
  EXPECT_TRUE(CSshKeyStore().ListHosts().empty());
}

// One algorithm forced on the server at a time.
struct Forced {
  const char* name;
  const char* hostKeyType;
  std::vector<std::string> lines;
  std::string Ssh2Negotiated::*field;
  const char* expected;
};

void PrintTo(const Forced& f, std::ostream* out) {
  *out << f.name;
}

class SshdForced : public ::testing::TestWithParam<Forced> {
 protected:
  test::CTempHome home_{"ostrane-sshd"};
};

TEST_P(SshdForced, LogsInAndRunsACommand) {
  ASSERT_TRUE(home_.Made());
  ASSERT_TRUE(test::EnsureTestUser());
  const Forced& f = GetParam();
  SshdConfig c;
  c.hostKeys = {f.hostKeyType};
  c.lines = f.lines;
  CSshdPeer sshd(c);
  ASSERT_TRUE(sshd.Ready());
  CTestSshQuestions q;
  q.user = test::kTestUser;
  q.password = test::kTestPassword;
  CSshSession s(sshd.Port(), q);
  s.Start();
  ASSERT_TRUE(s.RunsCommand()) << q.Messages().size() << sshd.Log();
  const Ssh2Negotiated n = s.Transport().Protocol()->Negotiated();
  EXPECT_EQ(n.*(f.field), f.expected);
  // A large block both ways through the chosen protection.
  s.Type("head -c 300000 /dev/zero | tr '\\0' x | wc -c; echo done-$((1+1))\r");
  EXPECT_TRUE(s.WaitForText("done-2"));
  s.Type("printf '%05000d\\n' 7 | wc -c\r");
  EXPECT_TRUE(s.WaitForText("5001"));
}

const Forced kForced[] = {
    {"kex_curve25519",
     "ed25519",
     {"KexAlgorithms curve25519-sha256"},
     &Ssh2Negotiated::kex,
     "curve25519-sha256"},
    {"kex_curve25519_libssh",
     "ed25519",
     {"KexAlgorithms curve25519-sha256@libssh.org"},
     &Ssh2Negotiated::kex,
     "curve25519-sha256@libssh.org"},
    {"kex_nistp256",
     "ed25519",
     {"KexAlgorithms ecdh-sha2-nistp256"},
     &Ssh2Negotiated::kex,
     "ecdh-sha2-nistp256"},
    {"kex_group14",
     "ed25519",
     {"KexAlgorithms diffie-hellman-group14-sha256"},
     &Ssh2Negotiated::kex,
     "diffie-hellman-group14-sha256"},
    {"kex_group1",
     "ed25519",
     {"KexAlgorithms diffie-hellman-group1-sha1"},
     &Ssh2Negotiated::kex,
     "diffie-hellman-group1-sha1"},
    {"hostkey_ed25519",
     "ed25519",
     {"HostKeyAlgorithms ssh-ed25519"},
     &Ssh2Negotiated::hostKey,
     "ssh-ed25519"},
    {"hostkey_ecdsa",
     "ecdsa",
     {"HostKeyAlgorithms ecdsa-sha2-nistp256"},
     &Ssh2Negotiated::hostKey,
     "ecdsa-sha2-nistp256"},
    {"hostkey_rsa512",
     "rsa",
     {"HostKeyAlgorithms rsa-sha2-512"},
     &Ssh2Negotiated::hostKey,
     "rsa-sha2-512"},
    {"hostkey_rsa256",
     "rsa",
     {"HostKeyAlgorithms rsa-sha2-256"},
     &Ssh2Negotiated::hostKey,
     "rsa-sha2-256"},
    {"hostkey_dss", "dsa", {"HostKeyAlgorithms ssh-dss"}, &Ssh2Negotiated::hostKey, "ssh-dss"},
    {"cipher_chacha",
     "ed25519",
     {"Ciphers chacha20-poly1305@openssh.com"},
     &Ssh2Negotiated::cipherIn,
     "chacha20-poly1305@openssh.com"},
    {"cipher_aes256gcm",
     "ed25519",
     {"Ciphers aes256-gcm@openssh.com"},
     &Ssh2Negotiated::cipherIn,
     "aes256-gcm@openssh.com"},
    {"cipher_aes128gcm",
     "ed25519",
     {"Ciphers aes128-gcm@openssh.com"},
     &Ssh2Negotiated::cipherIn,
     "aes128-gcm@openssh.com"},
    {"cipher_aes256ctr",
     "ed25519",
     {"Ciphers aes256-ctr"},
     &Ssh2Negotiated::cipherIn,
     "aes256-ctr"},
    {"cipher_aes128ctr",
     "ed25519",
     {"Ciphers aes128-ctr"},
     &Ssh2Negotiated::cipherIn,
     "aes128-ctr"},
    {"cipher_3des", "ed25519", {"Ciphers 3des-cbc"}, &Ssh2Negotiated::cipherIn, "3des-cbc"},
    {"cipher_aes128cbc",
     "ed25519",
     {"Ciphers aes128-cbc"},
     &Ssh2Negotiated::cipherIn,
     "aes128-cbc"},
    {"cipher_aes256cbc",
     "ed25519",
     {"Ciphers aes256-cbc"},
     &Ssh2Negotiated::cipherIn,
     "aes256-cbc"},
    {"mac_sha256etm",
     "ed25519",
     {"Ciphers aes128-ctr", "MACs hmac-sha2-256-etm@openssh.com"},
     &Ssh2Negotiated::macIn,
     "hmac-sha2-256-etm@openssh.com"},
    {"mac_sha512etm",
     "ed25519",
     {"Ciphers aes128-ctr", "MACs hmac-sha2-512-etm@openssh.com"},
     &Ssh2Negotiated::macIn,
     "hmac-sha2-512-etm@openssh.com"},
    {"mac_sha256",
     "ed25519",
     {"Ciphers aes128-ctr", "MACs hmac-sha2-256"},
     &Ssh2Negotiated::macIn,
     "hmac-sha2-256"},
    {"mac_sha512",
     "ed25519",
     {"Ciphers aes128-ctr", "MACs hmac-sha2-512"},
     &Ssh2Negotiated::macIn,
     "hmac-sha2-512"},
    {"mac_sha1",
     "ed25519",
     {"Ciphers aes256-ctr", "MACs hmac-sha1"},
     &Ssh2Negotiated::macIn,
     "hmac-sha1"},
};

INSTANTIATE_TEST_SUITE_P(Each, SshdForced, ::testing::ValuesIn(kForced),
                         [](const auto& instance) { return std::string(instance.param.name); });

}  // namespace
}  // namespace ostrane
