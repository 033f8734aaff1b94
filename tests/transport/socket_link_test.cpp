// The socket link's send and receive paths under a socket that fails on purpose, driven
// through the Telnet transport's worker.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "faulty_socket_api.h"
#include "settings/message_texts.h"
#include "transport/telnet_transport.h"
#include "transport/test_owner.h"

namespace ostrane {
namespace {

using test::CFaultySocketApi;
using test::CTestOwner;
using test::Fault;
using test::FaultStep;

const uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

// Printable bytes, so that Telnet sends them unchanged.
std::string Pattern(size_t n, size_t seed = 0) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('!' + (i * 13 + seed + i / 97) % 90);
  return s;
}

CConnectionSettings Target() {
  CConnectionSettings s;
  s.host = "127.0.0.1";
  s.port = 23;
  return s;
}

class SocketLink : public ::testing::Test {
 protected:
  SocketLink() : telnet_(Target(), sockets_) { telnet_.SetOwner(&owner_); }

  bool WaitState(TransportState state, int timeoutMs = 5000) {
    for (int i = 0; i < timeoutMs / 2 && telnet_.State() != state; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return telnet_.State() == state;
  }
  void Connect() {
    telnet_.Start();
    ASSERT_TRUE(WaitState(TransportState::kConnected));
  }
  // Stop returns well before its own time limit and the worker has ended, once.
  void ExpectPromptStop() {
    const auto start = std::chrono::steady_clock::now();
    telnet_.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(telnet_.State(), TransportState::kClosed);
    EXPECT_EQ(owner_.Ended(), 1);
  }

  CFaultySocketApi sockets_;
  CTestOwner owner_;
  CTelnetTransport telnet_;
};

// Every send meets a different failure; what the socket refused waits in the pending buffer and
// goes out on writability, behind nothing and ahead of later sends.
TEST_F(SocketLink, ShortWritesEagainAndEintrLoseAndReorderNothing) {
  sockets_.FailReceives({{Fault::kEintr}, {Fault::kEagain}, {Fault::kEintr}});
  sockets_.FailPolls(2);
  Connect();
  std::vector<FaultStep> sendFaults;
  for (int i = 0; i < 40; ++i) {
    sendFaults.push_back({Fault::kEintr});
    sendFaults.push_back({Fault::kShort, static_cast<size_t>(1 + i * 37)});
    sendFaults.push_back({i % 3 == 0 ? Fault::kEagain : Fault::kEintr});
  }
  sockets_.FailSends(sendFaults);
  std::string expected;
  for (int i = 0; i < 60; ++i) {
    const std::string block = Pattern(500 + static_cast<size_t>(i) * 211, static_cast<size_t>(i));
    ASSERT_TRUE(telnet_.Send(Bytes(block), block.size())) << i;
    expected += block;
  }
  const std::string got = sockets_.ReadFar(expected.size());
  EXPECT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected);
  EXPECT_EQ(telnet_.PendingSendCount(), 0u);
  // Input still arrives after the failed receives and polls.
  sockets_.WriteFar("hello");
  ASSERT_TRUE(owner_.WaitReceived(5));
  EXPECT_EQ(owner_.Received(), "hello");
  EXPECT_EQ(sockets_.FaultsLeft(), 0u);
  EXPECT_EQ(telnet_.State(), TransportState::kConnected);
}

// A host that stops reading: the pending buffer takes sends up to its cap exactly; the send
// that would pass it fails whole and stops the connection, and the worker ends.
TEST_F(SocketLink, SendBeyondThePendingCapFailsAndStopsTheConnection) {
  Connect();
  sockets_.Stall(true);
  const std::string first = Pattern(kMaxPendingSend - 10);
  EXPECT_TRUE(telnet_.Send(Bytes(first), first.size()));
  EXPECT_TRUE(telnet_.Send(Bytes("0123456789"), 10));
  EXPECT_EQ(telnet_.PendingSendCount(), kMaxPendingSend);
  EXPECT_FALSE(telnet_.Send(Bytes("x"), 1));
  ASSERT_TRUE(owner_.WaitEnded());
  EXPECT_EQ(telnet_.State(), TransportState::kClosed);
  EXPECT_EQ(owner_.Messages(), std::vector<int>{Msg::kHostStoppedReading});
  EXPECT_FALSE(telnet_.Send(Bytes("y"), 1));
}

// The host floods options and reads nothing: the reply that would pass the cap is not dropped
// while the session carries on; the connection ends and says why.
TEST_F(SocketLink, OptionReplyBeyondThePendingCapEndsTheConnectionWithTheReason) {
  Connect();
  sockets_.Stall(true);
  const std::string fill = Pattern(kMaxPendingSend - 2);
  ASSERT_TRUE(telnet_.Send(Bytes(fill), fill.size()));
  sockets_.WriteFar(std::string("\xff\xfd\x00", 3));  // DO BINARY: answered WONT BINARY
  ASSERT_TRUE(owner_.WaitEnded());
  EXPECT_EQ(telnet_.State(), TransportState::kClosed);
  EXPECT_EQ(owner_.Messages(), std::vector<int>{Msg::kHostStoppedReading});
  EXPECT_EQ(MessageText(Msg::kHostStoppedReading).rfind("The host stopped reading", 0), 0u);
}

TEST_F(SocketLink, StopWithSendsPendingEndsTheWorker) {
  Connect();
  sockets_.Stall(true);
  const std::string data = Pattern(100000);
  EXPECT_TRUE(telnet_.Send(Bytes(data), data.size()));
  EXPECT_EQ(telnet_.PendingSendCount(), data.size());
  ExpectPromptStop();
}

// The pending path half way: part of the buffer went out, the rest waits.
TEST_F(SocketLink, StopWhilePendingDrainsInShortWritesEndsTheWorker) {
  Connect();
  std::vector<FaultStep> faults{{Fault::kEagain}};
  for (int i = 0; i < 200; ++i) faults.push_back({Fault::kShort, 7});
  sockets_.FailSends(faults);
  const std::string data = Pattern(50000);
  EXPECT_TRUE(telnet_.Send(Bytes(data), data.size()));
  const std::string some = sockets_.ReadFar(700);
  EXPECT_EQ(some, data.substr(0, some.size()));
  ExpectPromptStop();
}

TEST_F(SocketLink, StopWhileTheConnectIsInProgressShowsNoMessage) {
  sockets_.HoldConnect(true);
  telnet_.Start();
  for (int i = 0; i < 2500 && !sockets_.Connected(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_TRUE(sockets_.Connected());
  EXPECT_EQ(telnet_.State(), TransportState::kConnecting);
  ExpectPromptStop();
  EXPECT_TRUE(owner_.Messages().empty());
}

TEST_F(SocketLink, StopInTheMiddleOfEintrStormsEndsTheWorker) {
  Connect();
  sockets_.FailPolls(1000);
  sockets_.Stall(true);
  const std::string data = Pattern(3000);
  EXPECT_TRUE(telnet_.Send(Bytes(data), data.size()));
  ExpectPromptStop();
}

TEST_F(SocketLink, ResetOnSendFailsTheSendAndEndsTheConnection) {
  Connect();
  sockets_.FailSends({{Fault::kShort, 4}, {Fault::kReset}});
  EXPECT_FALSE(telnet_.Send(Bytes("abcdefgh"), 8));
  ASSERT_TRUE(owner_.WaitEnded());
  EXPECT_EQ(sockets_.ReadFar(8, 300), "abcd");
  EXPECT_EQ(telnet_.State(), TransportState::kClosed);
}

TEST_F(SocketLink, ResetWhileFlushingPendingEndsTheConnection) {
  Connect();
  sockets_.FailSends({{Fault::kEagain}, {Fault::kReset}});
  EXPECT_TRUE(telnet_.Send(Bytes("pending"), 7));
  // The flush met the reset: the output can no longer go out, so the session ends.
  ASSERT_TRUE(owner_.WaitEnded());
  EXPECT_TRUE(owner_.Messages().empty());
  EXPECT_EQ(sockets_.ReadFar(7, 200), "");
}

TEST_F(SocketLink, ResetOnReceiveEndsTheSessionWithoutAMessage) {
  Connect();
  sockets_.FailReceives({{Fault::kReset}});
  sockets_.WriteFar("x");
  ASSERT_TRUE(owner_.WaitEnded());
  EXPECT_EQ(owner_.Ended(), 1);
  EXPECT_TRUE(owner_.Messages().empty());
  EXPECT_EQ(owner_.Received(), "");
}

}  // namespace
}  // namespace ostrane
