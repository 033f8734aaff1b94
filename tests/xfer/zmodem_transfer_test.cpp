// The transfer object with its thread: two transfers joined in memory, a silent peer, a failing
// link, an abort, and the bytes that belong to the screen.
#include <gtest/gtest.h>

#include <mutex>

#include "xfer/xfer_texts.h"
#include "xfer/zmodem_memory.h"
#include "xfer/zmodem_peer.h"
#include "xfer/zmodem_receiver.h"
#include "xfer/zmodem_sender.h"

namespace ostrane {
namespace {

using test::CMemoryFolder;
using test::CMemorySource;
using test::CRecordingObserver;
using namespace std::chrono_literals;

// A link that hands what is written to another transfer, or records it, or fails.
class CMemoryLink final : public IXferLink {
 public:
  CZmodemTransfer* peer = nullptr;
  bool fail = false;
  bool Write(const uint8_t* data, size_t length) override {
    std::lock_guard lock(mutex_);
    written_.append(reinterpret_cast<const char*>(data), length);
    if (fail) return false;
    if (peer) peer->Deliver(data, length);
    return true;
  }
  std::string written() const {
    std::lock_guard lock(mutex_);
    return written_;
  }

 private:
  mutable std::mutex mutex_;
  std::string written_;
};

TEST(ZmodemTransfer, TwoTransfersMoveABatchAndReportProgress) {
  CMemorySource source;
  source.files["a.bin"] = std::string(300000, 'a');
  source.files["b.bin"] = std::string(1, 'b');
  CMemoryFolder folder;
  CMemoryLink toReceiver, toSender;
  CRecordingObserver senderSide, receiverSide;
  CZmodemTransfer sender(toReceiver, senderSide, {"rz\r", 10ms, 1000ms});
  CZmodemTransfer receiver(toSender, receiverSide, {});
  toReceiver.peer = &receiver;
  toSender.peer = &sender;
  // What the host says before the exchange begins is the screen's.
  const std::string banner = "rz waiting to receive.";
  sender.Deliver(reinterpret_cast<const uint8_t*>(banner.data()), banner.size());
  sender.Start(std::make_unique<CZmodemSender>(source, std::vector<std::string>{"a.bin", "b.bin"},
                                               sender.Events()));
  receiver.Start(std::make_unique<CZmodemReceiver>(folder, receiver.Events()));
  ASSERT_TRUE(senderSide.WaitForEnd(30s));
  ASSERT_TRUE(receiverSide.WaitForEnd(30s));
  EXPECT_EQ(senderSide.outcome(), XferOutcome::kSucceeded) << senderSide.message();
  EXPECT_EQ(receiverSide.outcome(), XferOutcome::kSucceeded) << receiverSide.message();
  EXPECT_EQ(folder.files["a.bin"], source.files["a.bin"]);
  EXPECT_EQ(folder.files["b.bin"], "b");
  // The init string went first, as typed.
  EXPECT_EQ(toReceiver.written().substr(0, 3), "rz\r");
  // The receiver's ZRINIT that started the exchange is not shown.
  EXPECT_EQ(senderSide.screen(), banner);
  const auto progress = receiverSide.progress();
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front().fileName, "a.bin");
  EXPECT_EQ(progress.front().fileSize, 300000u);
  EXPECT_EQ(progress.back().fileName, "b.bin");
  EXPECT_EQ(progress.back().bytesDone, 1u);
  EXPECT_EQ(receiverSide.completed(), (std::vector<std::string>{"a.bin", "b.bin"}));
  // Once ended, bytes are left to the caller.
  const uint8_t late[] = {'x'};
  EXPECT_FALSE(receiver.Deliver(late, 1));
}

// The end is news only once the transfer counts as ended: a front end that reaps the transfer
// on that news must not find it still running.
TEST(ZmodemTransfer, SilentPeerEndsWithAMessage) {
  CMemoryFolder folder;
  CMemoryLink link;
  CRecordingObserver observer;
  CZmodemTransfer transfer(link, observer, {"", 0ms, 1ms});
  observer.watched = &transfer;
  transfer.Start(std::make_unique<CZmodemReceiver>(folder, transfer.Events()));
  ASSERT_TRUE(observer.WaitForEnd(30s));
  EXPECT_EQ(observer.outcome(), XferOutcome::kFailed);
  EXPECT_EQ(observer.message(), kTextPeerSilent);
  EXPECT_TRUE(observer.endedWhenTold());
}

TEST(ZmodemTransfer, FailingLinkEndsTheTransferWithAnError) {
  CMemorySource source;
  source.files["f"] = "data";
  CMemoryLink link;
  link.fail = true;
  CRecordingObserver observer;
  CZmodemTransfer transfer(link, observer, {});
  transfer.Start(
      std::make_unique<CZmodemSender>(source, std::vector<std::string>{"f"}, transfer.Events()));
  ASSERT_TRUE(observer.WaitForEnd(30s));
  EXPECT_EQ(observer.outcome(), XferOutcome::kFailed);
  EXPECT_EQ(observer.message(), kTextLinkFailed);
}

TEST(ZmodemTransfer, AbortCancelsThePeerAndEndsAborted) {
  CMemoryFolder folder;
  CMemoryLink link;
  CRecordingObserver observer;
  CZmodemTransfer transfer(link, observer, {"", 0ms, 5ms});
  transfer.Start(std::make_unique<CZmodemReceiver>(folder, transfer.Events()));
  transfer.RequestAbort();
  ASSERT_TRUE(observer.WaitForEnd(30s));
  EXPECT_EQ(observer.outcome(), XferOutcome::kAborted);
  const std::string written = link.written();
  ASSERT_GE(written.size(), 18u);
  EXPECT_EQ(written.substr(written.size() - 18), std::string(8, '\x18') + std::string(10, '\b'));
}

}  // namespace
}  // namespace ostrane
