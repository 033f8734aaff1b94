// The SSH2 client against the scripted server: what no stock server does — lines before the
// version, old version numbers, the old cipher order, bare DSS signatures, a re-key started by
// the server, password change requests, banners, oversized packets, wrong MACs, windows.
#include <gtest/gtest.h>

#include <string>

#include "peers/ssh_scripted_peer.h"
#include "ssh/ssh_password_protection.h"
#include "ssh_test_support.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

using test::CScriptedSshPeer;
using test::CSshSession;
using test::CTestSshQuestions;

void Login(CTestSshQuestions& q) {
  q.user = "u";
  q.password = "pw";
}

// Each scripted server makes a new host key on 127.0.0.1: every test keeps its own key store.
class SshScripted : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(home_.Made()); }
  test::CTempHome home_{"ostrane-scripted"};
};

// Occurrences of a log line prefix.
size_t Count(const std::string& log, const std::string& prefix) {
  size_t n = 0;
  for (size_t at = log.find(prefix); at != std::string::npos; at = log.find(prefix, at + 1)) ++n;
  return n;
}

TEST_F(SshScripted, LinesBeforeTheVersionAreSkipped_AndOurVersionFollowsTheirs) {
  CScriptedSshPeer peer("pre-lines");
  ASSERT_TRUE(peer.Ready());
  CTestSshQuestions q;
  Login(q);
  CSshSession s(peer.Port(), q);
  s.Start();
  ASSERT_TRUE(s.WaitForText("READY")) << peer.Log();
  EXPECT_NE(peer.Log().find("VERSION SSH-2.0-Pellworth Secure Ostrane\n"), std::string::npos);
  // The pre-version text never reaches the screen.
  EXPECT_EQ(s.Owner().Received().find("Welcome"), std::string::npos);
  // Only the chosen names are offered, with the strict key exchange marker.
  EXPECT_NE(peer.Log().find("KEXINIT diffie-hellman-group1-sha1,kex-strict-c-v00@openssh.com "
                            "ssh-dss aes128-cbc aes128-cbc hmac-sha1 hmac-sha1"),
            std::string::npos)
      << peer.Log();
}

TEST_F(SshScripted, Version199IsAcceptedAndVersion15Refused) {
  {
    CScriptedSshPeer peer("v199");
    ASSERT_TRUE(peer.Ready());
    CTestSshQuestions q;
    Login(q);
    CSshSession s(peer.Port(), q);
    s.Start();
    EXPECT_TRUE(s.WaitForText("READY")) << peer.Log();
  }
  CScriptedSshPeer peer("v15");
  ASSERT_TRUE(peer.Ready());
  CTestSshQuestions q;
  CSshSession s(peer.Port(), q);
  s.Start();
  EXPECT_TRUE(s.Owner().WaitEnded());
  EXPECT_EQ(q.Messages(), std::vector<std::string>{"SSH Version on the server is not supported."});
  EXPECT_EQ(peer.Log().find("VERSION"), std::string::npos) << "nothing is sent back";
}

TEST_F(SshScripted, OldCipherListGets3desBothWays) {
  CScriptedSshPeer peer("cipher-order");
  ASSERT_TRUE(peer.Ready());
  CTestSshQuestions q;
  Login(q);
  CSshSession s(peer.Port(), q);
  s.Start();
  ASSERT_TRUE(s.WaitForText("READY"));
  EXPECT_NE(peer.Log().find("NEWKEYS 3des-cbc 3des-cbc 20"), std::string::npos) << peer.Log();
}

TEST_F(SshScripted, BareDssSignatureIsVerifiedAndMacKeysAreSixteenBytes) {
  CScriptedSshPeer peer("bare-dss");
  ASSERT_TRUE(peer.Ready());
  CTestSshQuestions q;
  Login(q);
  CSshSession s(peer.Port(), q);
  s.Start();
  ASSERT_TRUE(s.WaitForText("READY")) << peer.Log();
  const Ssh2Negotiated n = s.Transport().Protocol()->Negotiated();
  EXPECT_TRUE(n.bareDssSignature);
  EXPECT_EQ(n.macKeySize, 16u);
}

TEST_F(SshScripted, ServerRekeyMidSessionKeepsTheSessionIdAndTheTypedData) {
  CScriptedSshPeer peer("rekey");
  ASSERT_TRUE(peer.Ready());
  CTestSshQuestions q;
  Login(q);
  CSshSession s(peer.Port(), q);
  s.Start();
  ASSERT_TRUE(s.WaitForText("BEFORE"));
  const Bytes id = s.Transport().Protocol()->SessionId();
  s.Type("one");
  ASSERT_TRUE(s.WaitForText("AFTER")) << peer.Log();
  s.Type("two");
  ASSERT_TRUE(s.WaitForText("GOT-TWO")) << peer.Log();
  EXPECT_EQ(s.Transport().Protocol()->SessionId(), id);
  const std::string log = peer.Log();
  EXPECT_EQ(Count(log, "NEWKEYS"), 2u);
  EXPECT_NE(log.find("NEWKEYS aes256-cbc aes256-cbc"), std::string::npos) << log;
  // The second KEXINIT does not offer strict key exchange again.
  EXPECT_NE(log.find("KEXINIT diffie-hellman-group1-sha1 ssh-dss aes256-cbc"), std::string::npos);
  const size_t sessionIds = Count(log, "SESSIONID");
  ASSERT_EQ(sessionIds, 2u);
  const size_t first = log.find("SESSIONID ");
  const size_t second = log.find("SESSIONID ", first + 1);
  EXPECT_EQ(log.substr(first, 50), log.substr(second, 50));
}

TEST_F(SshScripted, PasswordChangeRequestAsksAndRetriesAfterARefusal) {
  CScriptedSshPeer peer("changereq");
  ASSERT_TRUE(peer.Ready());
  CTestSshQuestions q;
  Login(q);
  q.changes = {{"pw", "first-new", false}, {"pw", "second-new", true}};
  CSshSession s(peer.Port(), q);
  s.Start();
  ASSERT_TRUE(s.WaitForText("READY")) << peer.Log();
  EXPECT_EQ(q.ChangeRetries(), (std::vector<bool>{false, true}));
  const std::string log = peer.Log();
  EXPECT_NE(log.find("CHANGE u pw first-new"), std::string::npos) << log;
  EXPECT_NE(log.find("CHANGE u pw second-new"), std::string::npos) << log;
  // The second answer asked for saving: the new password is remembered, protected.
  EXPECT_EQ(UnprotectPassword(s.Remembered().protectedPassword), "second-new");
  EXPECT_EQ(s.Remembered().user, "u");
}

TEST_F(SshScripted, CancelledPasswordChangeAbortsTheConnection) {
  CScriptedSshPeer peer("changereq");
  ASSERT_TRUE(peer.Ready());
  CTestSshQuestions q;
  Login(q);
  CSshSession s(peer.Port(), q);
  s.Start();
  EXPECT_TRUE(s.Owner().WaitEnded());
  EXPECT_EQ(q.Messages(), std::vector<std::string>{"Connection aborted."});
}

TEST_F(SshScripted, BannerIsShownAndDoesNotDisturbTheLogin) {
  CScriptedSshPeer peer("banner");
  ASSERT_TRUE(peer.Ready());
  CTestSshQuestions q;
  Login(q);
  CSshSession s(peer.Port(), q);
  s.Start();
  ASSERT_TRUE(s.WaitForText("READY"));
  EXPECT_EQ(q.Messages(), std::vector<std::string>{"Authorized use only.\r\n"});
}

TEST_F(SshScripted, DisconnectShowsTheServersReason) {
  CScriptedSshPeer peer("disconnect");
  ASSERT_TRUE(peer.Ready());
  CTestSshQuestions q;
  Login(q);
  CSshSession s(peer.Port(), q);
  s.Start();
  EXPECT_TRUE(s.Owner().WaitEnded());
  EXPECT_EQ(q.Messages(),
            std::vector<std::string>{"Disconnecting...\nError code = 11, text = bye now"});
}

TEST_F(SshScripted, OversizedPacketAndWrongMacEndTheConnectionWithTheirTexts) {
  const std::pair<const char*, const char*> cases[] = {
      {"oversize", "Unexpected response from the server."},
      {"badmac", "Message authentication failed."}};
  for (const auto& [scenario, text] : cases) {
    // Each scripted server has a new host key.
    CSshKeyStore().RemoveHost("127.0.0.1");
    CScriptedSshPeer peer(scenario);
    ASSERT_TRUE(peer.Ready());
    CTestSshQuestions q;
    Login(q);
    CSshSession s(peer.Port(), q);
    s.Start();
    EXPECT_TRUE(s.Owner().WaitEnded()) << scenario;
    EXPECT_EQ(q.Messages(), std::vector<std::string>{text}) << scenario;
    EXPECT_EQ(s.Owner().Received().find("tampered"), std::string::npos);
  }
}

// Data or a close addressed to a channel we never opened is a protocol error: nothing of it is
// shown, the session does not carry on as if it were ours, and the user is told.
TEST_F(SshScripted, ChannelMessagesForAnotherChannelEndTheSessionWithAnError) {
  for (const char* scenario : {"foreign-data", "foreign-close"}) {
    CSshKeyStore().RemoveHost("127.0.0.1");
    CScriptedSshPeer peer(scenario);
    ASSERT_TRUE(peer.Ready());
    CTestSshQuestions q;
    Login(q);
    CSshSession s(peer.Port(), q);
    s.Start();
    EXPECT_TRUE(s.Owner().WaitEnded()) << scenario;
    EXPECT_EQ(q.Messages(), std::vector<std::string>{"Unexpected response from the server."})
        << scenario;
    EXPECT_EQ(s.Owner().Received().find("INTRUDER"), std::string::npos);
    EXPECT_EQ(s.Owner().Received().find("STILL-HERE"), std::string::npos);
  }
}

// A burst lowers the window without an adjustment; below half the window one adjustment
// restores it whole.
TEST_F(SshScripted, WindowIsRefilledOnlyBelowItsThreshold) {
  CScriptedSshPeer peer("window");
  ASSERT_TRUE(peer.Ready());
  CTestSshQuestions q;
  Login(q);
  CSshSession s(peer.Port(), q);
  s.Start();
  ASSERT_TRUE(s.WaitForText("MARK1"));
  // READY, the burst and MARK1.
  EXPECT_EQ(s.Transport().Protocol()->LocalWindow(), 2u * 1024 * 1024 - 7 - 4000 - 7);
  s.Type("ack1");
  ASSERT_TRUE(s.WaitForText("MARK2", 30000));
  s.Type("ack2");
  ASSERT_TRUE(s.WaitForText("MARK2"));
  for (int i = 0; i < 300 && peer.Log().find("ack2") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const std::string log = peer.Log();
  EXPECT_NE(log.find("OPEN 1 2097152 32768"), std::string::npos) << log;
  ASSERT_EQ(Count(log, "ADJUST"), 1u) << log;
  // 4014 + 32768 * 32 bytes had arrived when the window fell below 1 MB.
  const size_t consumed = 4014 + 32768 * 32;
  EXPECT_NE(log.find("ADJUST " + std::to_string(consumed)), std::string::npos) << log;
}

TEST_F(SshScripted, TypingBeforeTheShellSendsNothing_AndBlocksFollowTheServersWindow) {
  CScriptedSshPeer peer("smallwindow");
  ASSERT_TRUE(peer.Ready());
  CTestSshQuestions q;
  Login(q);
  CSshSession s(peer.Port(), q);
  s.Start();
  // A write while the connection is still being made would end it.
  for (int i = 0; i < 400 && s.Transport().State() != TransportState::kConnected; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  s.Type("early");
  ASSERT_TRUE(s.WaitForText("READY")) << peer.Log() << q.Messages().size();
  s.Type(std::string(250, 'q'));
  s.Owner().WaitEnded(5000);
  const std::string log = peer.Log();
  EXPECT_EQ(log.find("DATA early"), std::string::npos) << log;
  EXPECT_NE(log.find("PTY vt220 80 24"), std::string::npos) << log;
  EXPECT_EQ(Count(log, "CHUNK 100"), 2u) << log;
  EXPECT_EQ(Count(log, "CHUNK 50"), 1u) << log;
}

}  // namespace
}  // namespace ostrane
