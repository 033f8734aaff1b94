// What the SSH transports of both versions share, run for each: the name, the notice that a
// changed host waits for a new connection, the refusal to connect when no login can be asked
// for, and the connection itself — the server's identification reaches the version's own
// machine, whose answer goes back on the same socket, and a version the machine does not speak
// ends the connection with its message.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "peers/scripted_peer.h"
#include "ssh/ssh1_transport.h"
#include "ssh/ssh2_transport.h"
#include "ssh_test_support.h"

namespace ostrane {
namespace {

using test::CScriptedPeer;
using test::CTestOwner;
using test::CTestSshQuestions;

struct SshVersionCase {
  const char* label;
  TransportKind kind;
  std::string_view suffix;
  std::string_view ours;     // the identification line we send
  std::string_view foreign;  // a server's line of a version this machine does not speak
  std::string_view shown;    // what the terminal shows as the connection starts
};

constexpr SshVersionCase kVersions[] = {
    {"Ssh1", TransportKind::kSsh1, "/SSH1", "SSH-1.5-1.2.27 Secure Ostrane\n",
     "SSH-2.0-OtherServer\r\n", kTextSsh1Insecure},
    {"Ssh2", TransportKind::kSsh2, "/SSH2", "SSH-2.0-Pellworth Secure Ostrane\r\n",
     "SSH-1.5-OtherServer\n", ""},
};

std::unique_ptr<CSshTransportBase> MakeTransport(TransportKind kind) {
  if (kind == TransportKind::kSsh1) return std::make_unique<CSsh1Transport>();
  return std::make_unique<CSsh2Transport>();
}

class SshTransport : public ::testing::TestWithParam<SshVersionCase> {
 protected:
  SshTransport() : transport_(MakeTransport(GetParam().kind)) { transport_->SetOwner(&owner_); }
  ~SshTransport() override { transport_->Stop(); }

  void Start(bool withQuestions = true) {
    if (withQuestions) transport_->SetQuestions(&questions_);
    settings_.host = "127.0.0.1";
    settings_.port = peer_.Port();
    transport_->UpdateSettings(settings_);
    transport_->Start();
  }

  CConnectionSettings settings_;
  CScriptedPeer peer_;
  CTestOwner owner_;
  CTestSshQuestions questions_;
  std::unique_ptr<CSshTransportBase> transport_;
};

TEST_P(SshTransport, NamesItsVersion_AndTellsThatANewHostWaitsForANewConnection) {
  EXPECT_EQ(transport_->Kind(), GetParam().kind);
  transport_->SetQuestions(&questions_);
  settings_.host = "old.example";
  transport_->UpdateSettings(settings_);
  EXPECT_EQ(transport_->GetDisplayName(), "old.example" + std::string(GetParam().suffix));
  EXPECT_TRUE(questions_.Messages().empty());

  settings_.host = "new.example";
  transport_->ConnectionSettingsChanged(settings_);
  EXPECT_EQ(questions_.Messages(), std::vector<std::string>{std::string(kTextSshHostChanged)});
  EXPECT_EQ(transport_->Settings().host, "new.example");
}

TEST_P(SshTransport, WithoutQuestionsNoConnectionIsMade) {
  Start(false);
  ASSERT_TRUE(owner_.WaitEnded());
  // Open gave up before connecting, so nothing waits in the listener's queue.
  EXPECT_FALSE(peer_.Accept(0));
}

TEST_P(SshTransport, ServerIdentificationIsAnsweredWithOurs) {
  Start();
  ASSERT_TRUE(peer_.Accept());
  peer_.Send("Banner line\r\n");
  EXPECT_EQ(peer_.ReadFor(200), "");  // nothing goes out before the server's version
  peer_.Send(GetParam().kind == TransportKind::kSsh1 ? "SSH-1.5-Peer\n" : "SSH-2.0-Peer\r\n");
  EXPECT_EQ(peer_.Read(GetParam().ours.size()), GetParam().ours);
  owner_.WaitReceived(GetParam().shown.size());
  EXPECT_EQ(owner_.Received(), GetParam().shown);
  EXPECT_TRUE(questions_.Messages().empty());
  EXPECT_EQ(owner_.Ended(), 0);
}

TEST_P(SshTransport, ForeignVersionEndsTheConnectionWithItsMessage) {
  Start();
  ASSERT_TRUE(peer_.Accept());
  peer_.Send(GetParam().foreign);
  ASSERT_TRUE(owner_.WaitEnded());
  EXPECT_EQ(questions_.Messages(),
            std::vector<std::string>{"SSH Version on the server is not supported."});
  // Nothing of ours was sent: not even our identification.
  EXPECT_EQ(peer_.ReadFor(200), "");
}

INSTANTIATE_TEST_SUITE_P(Each, SshTransport, ::testing::ValuesIn(kVersions),
                         [](const auto& instance) { return std::string(instance.param.label); });

}  // namespace
}  // namespace ostrane
