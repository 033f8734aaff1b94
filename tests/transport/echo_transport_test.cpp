#include "transport/echo_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "settings/message_texts.h"
#include "transport/test_owner.h"

namespace ostrane {
namespace {

using test::CTestOwner;

const uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 31 + i / 7);
  return s;
}

class EchoTransport : public ::testing::Test {
 protected:
  void StartLoop() {
    loop_.SetOwner(&owner_);
    loop_.Start();
    for (int i = 0; i < 500 && loop_.State() != TransportState::kConnected; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(loop_.State(), TransportState::kConnected);
  }
  void EchoOn() {
    CConnectionSettings settings;
    settings.localEcho = true;
    loop_.UpdateSettings(settings);
  }
  CTestOwner owner_;
  CEchoTransport loop_;
};

TEST_F(EchoTransport, SentBytesComeBackAndStopEndsOnce) {
  EXPECT_EQ(loop_.Kind(), TransportKind::kLocal);
  EXPECT_EQ(loop_.GetDisplayName(), "Echo");
  EXPECT_FALSE(loop_.SendBreak());
  StartLoop();
  EXPECT_TRUE(loop_.Send(Bytes("hello\r\n"), 7));
  ASSERT_TRUE(owner_.WaitReceived(7));
  EXPECT_EQ(owner_.Received(), "hello\r\n");
  loop_.Stop();
  EXPECT_EQ(loop_.State(), TransportState::kClosed);
  EXPECT_EQ(owner_.Ended(), 1);
  EXPECT_TRUE(owner_.Messages().empty());
  loop_.Stop();  // already closed: returns at once
  EXPECT_EQ(owner_.Ended(), 1);
}

TEST_F(EchoTransport, StopOnNeverStartedTransportReturnsAtOnce) {
  loop_.SetOwner(&owner_);
  loop_.Stop();
  EXPECT_EQ(loop_.State(), TransportState::kIdle);
  EXPECT_EQ(owner_.Ended(), 0);
}

TEST_F(EchoTransport, OneMegabyteInOneSendArrivesWholeInSmallChunks) {
  StartLoop();
  const std::string data = Pattern(1 << 20);
  EXPECT_TRUE(loop_.Send(Bytes(data), data.size()));
  ASSERT_TRUE(owner_.WaitReceived(data.size()));
  EXPECT_TRUE(owner_.Received() == data);
  EXPECT_LE(owner_.LargestChunk(), kDeliveryChunk);
}

TEST_F(EchoTransport, LocalEchoShowsEveryByteTwice) {
  EchoOn();
  StartLoop();
  loop_.Send(Bytes("ab"), 2);
  ASSERT_TRUE(owner_.WaitReceived(4));
  EXPECT_EQ(owner_.Received(), "abab");
}

TEST_F(EchoTransport, LocalEchoLargerThanTheQueueIsNotLost) {
  EchoOn();
  StartLoop();
  const std::string data = Pattern(3 * kReceiveQueueCapacity + 5);
  loop_.Send(Bytes(data), data.size());
  ASSERT_TRUE(owner_.WaitReceived(2 * data.size()));
  EXPECT_TRUE(owner_.Received() == data + data);
}

TEST_F(EchoTransport, DeliverLocalAloneIsShownAtOnce) {
  StartLoop();
  loop_.DeliverLocal(Bytes("local"), 5);
  EXPECT_TRUE(owner_.WaitReceived(5, 2000));
  EXPECT_EQ(owner_.Received(), "local");
}

// A reply produced while the worker delivers (as the terminal answers a query) goes into the
// same queue the worker drains; it must neither wait for itself nor be dropped.
TEST_F(EchoTransport, LargeReplyFromTheWorkerThreadNeitherDeadlocksNorDrops) {
  const std::string reply = Pattern(5 * kReceiveQueueCapacity);
  std::atomic<bool> replied{false};
  owner_.OnDeliver([&](const uint8_t*, size_t) {
    if (!replied.exchange(true)) loop_.Send(Bytes(reply), reply.size());
  });
  StartLoop();
  loop_.Send(Bytes("?"), 1);
  ASSERT_TRUE(owner_.WaitReceived(1 + reply.size()));
  EXPECT_TRUE(owner_.Received() == "?" + reply);
}

// The session delivers under the terminal lock; a sender that holds that lock (a key typed on
// the GUI thread) must not wait for room, or neither side could go on.
TEST_F(EchoTransport, CallerHoldingTheTerminalLockNeverWaits) {
  std::mutex terminalLock;
  owner_.OnDeliver([&](const uint8_t*, size_t) { std::lock_guard lock(terminalLock); });
  StartLoop();
  const std::string data = Pattern(4 * kReceiveQueueCapacity);
  {
    std::lock_guard lock(terminalLock);
    loop_.Send(Bytes("a"), 1);
    ASSERT_TRUE(owner_.WaitReceived(1));  // the worker now waits for the lock
    EXPECT_TRUE(loop_.SendNoWait(Bytes(data), data.size()));
  }
  ASSERT_TRUE(owner_.WaitReceived(data.size() + 1));
  EXPECT_TRUE(owner_.Received() == "a" + data);
}

TEST_F(EchoTransport, HoldStopsDeliveryUntilReleasedThenShowsAllInOrder) {
  StartLoop();
  loop_.SetHold(true);
  EXPECT_TRUE(loop_.IsHeld());
  const std::string data = Pattern(2 * kReceiveQueueCapacity);
  loop_.Send(Bytes(data), data.size());  // does not block while held
  loop_.Send(Bytes("end"), 3);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(owner_.Received(), "");
  EXPECT_EQ(loop_.QueuedCount(), data.size() + 3);
  loop_.SetHold(false);
  EXPECT_FALSE(loop_.IsHeld());
  ASSERT_TRUE(owner_.WaitReceived(data.size() + 3));
  EXPECT_TRUE(owner_.Received() == data + "end");
}

TEST_F(EchoTransport, StopWhileHeldReturnsPromptly) {
  StartLoop();
  loop_.SetHold(true);
  loop_.Send(Bytes("x"), 1);
  const auto start = std::chrono::steady_clock::now();
  loop_.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(loop_.State(), TransportState::kClosed);
}

TEST_F(EchoTransport, SettingsChangedAsksForRestartOnlyWhenTheKindChanged) {
  StartLoop();
  CConnectionSettings settings;
  settings.hostType = static_cast<int>(TransportKind::kLocal);
  settings.localEcho = true;
  loop_.ConnectionSettingsChanged(settings);
  EXPECT_TRUE(owner_.Messages().empty());
  EXPECT_TRUE(loop_.LocalEcho());  // the new value is followed at once
  settings.hostType = static_cast<int>(TransportKind::kTelnet);
  loop_.ConnectionSettingsChanged(settings);
  EXPECT_EQ(owner_.Messages(), std::vector<int>{Msg::kRestartNeeded});
}

// A reply that the queue cannot take without waiting (ring and overflow full while the worker
// waits for the terminal lock) is refused whole and stops the loop; what was taken before
// arrives in order and nothing after it.
TEST_F(EchoTransport, SendNoWaitBeyondTheQueueBoundIsRefusedAndStopsTheLoop) {
  std::mutex terminalLock;
  owner_.OnDeliver([&](const uint8_t*, size_t) { std::lock_guard lock(terminalLock); });
  StartLoop();
  const std::string fill = Pattern(kReceiveQueueCapacity + kMaxReceiveOverflow - 1);
  {
    std::lock_guard lock(terminalLock);
    loop_.Send(Bytes("a"), 1);
    ASSERT_TRUE(owner_.WaitReceived(1));  // the worker now waits for the lock
    EXPECT_TRUE(loop_.SendNoWait(Bytes(fill), fill.size()));
    EXPECT_EQ(loop_.QueuedCount(), fill.size());
    EXPECT_FALSE(loop_.SendNoWait(Bytes("xyz"), 3));
    EXPECT_EQ(loop_.QueuedCount(), fill.size()) << "a refused send stores nothing";
    EXPECT_NE(loop_.State(), TransportState::kConnected);
  }
  ASSERT_TRUE(owner_.WaitEnded());
  const std::string got = owner_.Received();
  EXPECT_EQ(got.find("xyz"), std::string::npos);
  EXPECT_TRUE(("a" + fill).compare(0, got.size(), got) == 0) << "what arrived is a prefix";
}

}  // namespace
}  // namespace ostrane
