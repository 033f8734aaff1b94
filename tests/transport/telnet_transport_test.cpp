#include "transport/telnet_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "peers/scripted_peer.h"
#include "settings/message_texts.h"
#include "transport/test_owner.h"

namespace ostrane {
namespace {

using test::CScriptedPeer;
using test::CTestOwner;

const uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

class TelnetTransport : public ::testing::Test {
 protected:
  TelnetTransport() { telnet_.SetOwner(&owner_); }

  void Target(const std::string& host, int port) {
    settings_.host = host;
    settings_.port = port;
  }
  void Proxy(int port) {
    settings_.proxy = "127.0.0.1";
    settings_.proxyPort = port;
  }
  void Start() {
    telnet_.UpdateSettings(settings_);
    telnet_.Start();
  }
  bool WaitState(TransportState state, int timeoutMs = 5000) {
    for (int i = 0; i < timeoutMs / 2 && telnet_.State() != state; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return telnet_.State() == state;
  }
  // Connects to the peer and waits until the session is up.
  void Connect() {
    Target("127.0.0.1", peer_.Port());
    Start();
    ASSERT_TRUE(peer_.Accept());
    ASSERT_TRUE(WaitState(TransportState::kConnected));
  }

  CConnectionSettings settings_;
  CScriptedPeer peer_;
  CTestOwner owner_;
  CTelnetTransport telnet_;
};

TEST_F(TelnetTransport, NegotiationIsAnsweredByteForByte) {
  settings_.setHostSize = true;
  settings_.columns = 132;
  settings_.lines = 24;
  settings_.terminalName = "vt220";
  Connect();
  // DO ECHO three times, DO NAWS, SB TTYPE SEND, and data with IAC IAC and CR NUL.
  peer_.Send(
      std::string("\xff\xfd\x01\xff\xfd\x01\xff\xfd\x01\xff\xfd\x1f\xff\xfa\x18\x01\xff\xf0"
                  "a\xff\xff"
                  "b\r\0c\r\n",
                  27));
  const std::string expected = std::string("\xff\xfb\x01\xff\xfb\x01") + "\xff\xfb\x1f" +
                               std::string("\xff\xfa\x1f\x00\x84\x00\x18\xff\xf0", 9) +
                               std::string("\xff\xfa\x18\x00vt220\xff\xf0", 11);
  EXPECT_EQ(peer_.Read(expected.size()), expected);
  EXPECT_EQ(peer_.ReadFor(200), "");  // the third DO ECHO got no answer
  ASSERT_TRUE(owner_.WaitReceived(7));
  EXPECT_EQ(owner_.Received(),
            "a\xff"
            "b\rc\r\n");
  // Local echo switched once, and the session was told.
  EXPECT_EQ(owner_.LocalEchoChanges(), std::vector<bool>{true});
  EXPECT_TRUE(telnet_.LocalEcho());
  EXPECT_TRUE(telnet_.Settings().localEcho);
  EXPECT_EQ(owner_.Trace(), "<OP 253 1><OP 253 1><OP 253 1><OP 253 31>");
}

TEST_F(TelnetTransport, WindowSizeIsRefusedWhenSetHostSizeIsOff) {
  settings_.setHostSize = false;
  Connect();
  peer_.Send("\xff\xfd\x1f");
  EXPECT_EQ(peer_.Read(3), "\xff\xfc\x1f");
  EXPECT_EQ(peer_.ReadFor(200), "");
}

TEST_F(TelnetTransport, OutgoingIacIsDoubledAndLocalSendsNothing) {
  Connect();
  std::string data(3000, 'x');
  data[0] = '\xff';
  data[1500] = '\xff';
  data[2999] = '\xff';
  EXPECT_TRUE(telnet_.Send(Bytes(data), data.size()));
  std::string expected = data;
  expected.insert(2999, "\xff");
  expected.insert(1500, "\xff");
  expected.insert(0, "\xff");
  EXPECT_EQ(peer_.Read(expected.size()), expected);
  settings_.localOnly = true;
  telnet_.UpdateSettings(settings_);
  EXPECT_TRUE(telnet_.Send(Bytes("secret"), 6));
  EXPECT_EQ(peer_.ReadFor(200), "");
}

TEST_F(TelnetTransport, LocalEchoIsShownWithoutTheHostAndStillSent) {
  settings_.localEcho = true;
  Connect();
  EXPECT_TRUE(telnet_.Send(Bytes("hi\xff\r"), 4));
  EXPECT_EQ(peer_.Read(5), "hi\xff\xff\r");
  ASSERT_TRUE(owner_.WaitReceived(4));
  EXPECT_EQ(owner_.Received(), "hi\xff\r");
}

TEST_F(TelnetTransport, KeepAliveAndWindowSizeAnnouncement) {
  Connect();
  telnet_.KeepAlive();
  EXPECT_EQ(peer_.Read(3), "\xff\xfd\x05");
  telnet_.AnnounceWindowSize(100, 30);
  EXPECT_EQ(peer_.Read(12), std::string("\xff\xfb\x1f\xff\xfa\x1f\x00\x64\x00\x1e\xff\xf0", 12));
}

TEST_F(TelnetTransport, SettingsChangedAlwaysAsksForRestart) {
  settings_.host = "example.org";
  telnet_.ConnectionSettingsChanged(settings_);
  EXPECT_EQ(owner_.Messages(), std::vector<int>{Msg::kRestartNeeded});
  EXPECT_EQ(telnet_.GetDisplayName(), "example.org");
}

TEST_F(TelnetTransport, WriteBeforeConnectedFailsAndStopsTheAttempt) {
  Target("127.0.0.1", peer_.Port());
  Proxy(peer_.Port());
  Start();
  ASSERT_TRUE(peer_.Accept());  // a proxy that says nothing keeps the session connecting
  EXPECT_EQ(telnet_.State(), TransportState::kConnecting);
  EXPECT_FALSE(telnet_.Send(Bytes("k"), 1));
  ASSERT_TRUE(owner_.WaitEnded());
  EXPECT_EQ(telnet_.State(), TransportState::kClosed);
  EXPECT_TRUE(owner_.Messages().empty());  // stopped, not failed
}

TEST_F(TelnetTransport, ProxyIsToldTheDestinationOnlyAfterItSpoke) {
  Target("remote.example", 2323);
  Proxy(peer_.Port());
  Start();
  ASSERT_TRUE(peer_.Accept());
  EXPECT_EQ(peer_.ReadFor(300), "");
  peer_.Send("proxy> ");
  EXPECT_EQ(peer_.Read(20), "remote.example 2323\n");
  ASSERT_TRUE(WaitState(TransportState::kConnected));
  ASSERT_TRUE(owner_.WaitReceived(7));
  EXPECT_EQ(owner_.Received(), "proxy> ");
}

TEST_F(TelnetTransport, PeerCloseEndsTheSessionWithoutAMessage) {
  Connect();
  peer_.Send("bye");
  peer_.CloseClient();
  ASSERT_TRUE(owner_.WaitEnded());
  EXPECT_EQ(owner_.Received(), "bye");
  EXPECT_EQ(telnet_.State(), TransportState::kClosed);
  EXPECT_TRUE(owner_.Messages().empty());
  EXPECT_FALSE(telnet_.Send(Bytes("x"), 1));
}

TEST_F(TelnetTransport, PeerResetEndsTheSession) {
  Connect();
  peer_.ResetClient();
  ASSERT_TRUE(owner_.WaitEnded());
  EXPECT_EQ(owner_.Ended(), 1);
}

TEST_F(TelnetTransport, GarbageFromThePeerIsSurvived) {
  Connect();
  std::string garbage;
  uint32_t x = 12345;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245 + 12345;
    garbage.push_back(static_cast<char>(x >> 16));
  }
  peer_.Send(garbage);
  peer_.ReadFor(300);  // whatever it answered
  telnet_.Stop();
  EXPECT_EQ(telnet_.State(), TransportState::kClosed);
}

// A host that stops reading: sends keep succeeding into the pending buffer up to its limit,
// then fail and stop the session; nothing hangs.
TEST_F(TelnetTransport, StalledPeerNeverBlocksTheSender) {
  Connect();
  const std::string block(1 << 20, 'z');
  const auto start = std::chrono::steady_clock::now();
  int sent = 0;
  while (sent < 64 && telnet_.Send(Bytes(block), block.size())) ++sent;
  EXPECT_LT(sent, 64);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  ASSERT_TRUE(owner_.WaitEnded());
}

TEST_F(TelnetTransport, StopWhileConnectingShowsNoMessage) {
  Proxy(peer_.Port());
  Target("h", 23);
  Start();
  ASSERT_TRUE(peer_.Accept());
  const auto start = std::chrono::steady_clock::now();
  telnet_.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(telnet_.State(), TransportState::kClosed);
  EXPECT_TRUE(owner_.Messages().empty());
  EXPECT_EQ(owner_.Ended(), 1);
}

TEST_F(TelnetTransport, Ipv6LoopbackAddressConnects) {
  CScriptedPeer peer6(/*ipv6=*/true);
  Target("::1", peer6.Port());
  Start();
  ASSERT_TRUE(peer6.Accept());
  ASSERT_TRUE(WaitState(TransportState::kConnected));
  peer6.Send("six");
  ASSERT_TRUE(owner_.WaitReceived(3));
  EXPECT_EQ(owner_.Received(), "six");
}

class TelnetConnectFailure : public ::testing::TestWithParam<int> {};

// Refused, unknown host, and a proxy that closes before it greets: one message each.
TEST_P(TelnetConnectFailure, GivesCannotConnectOnce) {
  CTestOwner owner;
  CConnectionSettings settings;
  std::unique_ptr<CScriptedPeer> proxy;
  switch (GetParam()) {
    case 0:
      settings.host = "127.0.0.1";
      settings.port = test::UnusedPort();
      break;
    case 1:
      settings.host = "no-such-host.invalid";
      settings.port = 23;
      break;
    default:
      proxy = std::make_unique<CScriptedPeer>();
      settings.host = "somewhere";
      settings.port = 23;
      settings.proxy = "127.0.0.1";
      settings.proxyPort = proxy->Port();
      break;
  }
  CTelnetTransport telnet(settings);
  telnet.SetOwner(&owner);
  telnet.Start();
  if (proxy) {
    ASSERT_TRUE(proxy->Accept());
    proxy->CloseClient();
  }
  ASSERT_TRUE(owner.WaitEnded());
  EXPECT_EQ(owner.Messages(), std::vector<int>{Msg::kCannotConnect});
  EXPECT_EQ(owner.Ended(), 1);
  EXPECT_EQ(telnet.State(), TransportState::kClosed);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TelnetConnectFailure, ::testing::Values(0, 1, 2));

}  // namespace
}  // namespace ostrane
