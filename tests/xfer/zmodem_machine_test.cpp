// The receiver and sender machines in memory: against each other over a stream that can be
// damaged, and against scripted peers built from the encoder, step by step.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "xfer/xfer_texts.h"
#include "xfer/zmodem_limits.h"
#include "xfer/zmodem_memory.h"
#include "xfer/zmodem_receiver.h"
#include "xfer/zmodem_sender.h"

namespace ostrane {
namespace {

using Bytes = std::vector<uint8_t>;
using test::CEventLog;
using test::CMemoryFolder;
using test::CMemorySource;

std::string RandomData(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string data(size, '\0');
  for (auto& c : data) c = static_cast<char>(random());
  return data;
}

// A sender and a receiver joined by a stream; tamper may change bytes in flight.
struct Pair {
  CMemorySource source;
  CMemoryFolder folder;
  CEventLog senderLog, receiverLog;
  std::function<void(Bytes&, bool toReceiver)> tamper;

  // Runs until both machines end; when nothing moves, time passes (ticks).
  void Run(const std::vector<std::string>& paths) {
    sender = std::make_unique<CZmodemSender>(source, paths, senderLog);
    receiver = std::make_unique<CZmodemReceiver>(folder, receiverLog);
    receiver->Start();
    sender->Start();
    for (int step = 0; step < 200000 && !(sender->Ended() && receiver->Ended()); ++step) {
      while (sender->WantsToSend() && sender->Output().size() < 8192) sender->Pump();
      const bool movedForward = Move(*sender, *receiver, true);
      const bool movedBack = Move(*receiver, *sender, false);
      const bool moved = movedForward || movedBack;
      if (!moved && !sender->WantsToSend()) {
        sender->Tick();
        receiver->Tick();
      }
    }
  }
  bool Move(CZmodemMachine& from, CZmodemMachine& to, bool toReceiver) {
    Bytes bytes;
    bytes.swap(from.Output());
    if (bytes.empty()) return false;
    if (tamper) tamper(bytes, toReceiver);
    if (!to.Ended()) to.Feed(bytes.data(), bytes.size());
    return true;
  }

  std::unique_ptr<CZmodemSender> sender;
  std::unique_ptr<CZmodemReceiver> receiver;
};

TEST(ZmodemMachines, FilesOfEverySizeArriveWhole) {
  for (size_t size :
       {size_t{0}, size_t{1}, size_t{1023}, size_t{1024}, size_t{1025}, size_t{100000}}) {
    Pair pair;
    pair.source.files["/home/user/data.bin"] = RandomData(size, static_cast<unsigned>(size));
    pair.Run({"/home/user/data.bin"});
    EXPECT_EQ(pair.sender->Outcome(), XferOutcome::kSucceeded) << size;
    EXPECT_EQ(pair.receiver->Outcome(), XferOutcome::kSucceeded) << size;
    // Only the base name travels.
    ASSERT_EQ(pair.folder.files.count("data.bin"), 1u) << size;
    EXPECT_EQ(pair.folder.files["data.bin"], pair.source.files["/home/user/data.bin"]);
    EXPECT_EQ(pair.receiverLog.starts[0], std::make_pair(std::string("data.bin"), uint64_t{size}));
  }
}

TEST(ZmodemMachines, BatchWithAnUnreadableAndAnOversizedFileDeliversTheRest) {
  Pair pair;
  pair.source.files["a"] = RandomData(5000, 1);
  pair.source.files["c"] = RandomData(7000, 2);
  pair.source.claimedSizes["huge"] = uint64_t{1} << 32;
  pair.source.shortReads = 100;  // a short read advances by what was read
  pair.Run({"a", "missing", "huge", "c"});
  EXPECT_EQ(pair.folder.files["a"], pair.source.files["a"]);
  EXPECT_EQ(pair.folder.files["c"], pair.source.files["c"]);
  EXPECT_EQ(pair.folder.files.size(), 2u);
  EXPECT_EQ(pair.sender->FilesDelivered(), 2u);
  // The batch as a whole did not succeed, and each refusal says why.
  EXPECT_EQ(pair.sender->Outcome(), XferOutcome::kFailed);
  ASSERT_EQ(pair.senderLog.ends.size(), 4u);
  EXPECT_FALSE(pair.senderLog.ends[1].complete);
  EXPECT_EQ(pair.senderLog.ends[2].message, std::string(kTextTooLarge) + "huge");
  EXPECT_EQ(pair.receiver->Outcome(), XferOutcome::kSucceeded);
}

// One byte damaged anywhere in either direction (headers, file information, data, answers)
// costs a resend, never the file.
TEST(ZmodemMachines, ADamagedByteAnywhereIsRepaired) {
  const std::string data = RandomData(40000, 9);
  for (bool toReceiver : {true, false}) {
    for (size_t offset = 0; offset < (toReceiver ? 41000u : 400u);
         offset += toReceiver ? 1367 : 7) {
      Pair pair;
      pair.source.files["f"] = data;
      size_t seen = 0;
      pair.tamper = [&](Bytes& bytes, bool direction) {
        if (direction != toReceiver) return;
        if (offset >= seen && offset < seen + bytes.size()) bytes[offset - seen] ^= 0x5A;
        seen += bytes.size();
      };
      pair.Run({"f"});
      EXPECT_EQ(pair.folder.files["f"], data) << toReceiver << " " << offset;
      EXPECT_EQ(pair.sender->Outcome(), XferOutcome::kSucceeded) << toReceiver << " " << offset;
    }
  }
}

// Scripted peers: the test plays the other side with the encoder.
class Scripted : public testing::Test {
 protected:
  Bytes Frames(const std::function<void(CZmodemEncoder&)>& write) {
    Bytes bytes;
    CZmodemEncoder encoder(bytes);
    write(encoder);
    return bytes;
  }
  Bytes Hex(uint8_t type, uint32_t position) {
    return Frames([&](CZmodemEncoder& e) { e.HexHeader(type, ZHeader::FromPosition(position)); });
  }
  Bytes Data(uint32_t position, const std::string& data, uint8_t frameEnd) {
    return Frames([&](CZmodemEncoder& e) {
      e.BinaryHeader(ZDATA, ZHeader::FromPosition(position), true);
      e.Subpacket(reinterpret_cast<const uint8_t*>(data.data()), data.size(), frameEnd, true);
    });
  }
  Bytes FileOffer(const std::string& info) {
    return Frames([&](CZmodemEncoder& e) {
      e.BinaryHeader(ZFILE, ZHeader::FromFlags(ZCBIN), true);
      e.Subpacket(reinterpret_cast<const uint8_t*>(info.data()), info.size(), ZCRCW, true);
    });
  }
  // Feeds bytes and returns what the machine answered.
  Bytes Say(CZmodemMachine& machine, const Bytes& bytes) {
    machine.Output().clear();
    machine.Feed(bytes.data(), bytes.size());
    return machine.Output();
  }

  CMemoryFolder folder_;
  CEventLog log_;
};

TEST_F(Scripted, ReceiverConversationStepByStep) {
  CZmodemReceiver receiver(folder_, log_);
  receiver.Start();
  // A sender that starts late still gets its ZRINIT.
  EXPECT_EQ(Say(receiver, Hex(ZRQINIT, 0)), Hex(ZRINIT, 0x23000000));
  // A ZSINIT's Attn string is kept and sent before every resume request.
  EXPECT_EQ(Say(receiver, Frames([](CZmodemEncoder& e) {
                  e.BinaryHeader(ZSINIT, ZHeader::FromFlags(TESCCTL), true);
                  e.Subpacket(reinterpret_cast<const uint8_t*>("AT\0"), 3, ZCRCW, true);
                })),
            Hex(ZACK, 1));
  EXPECT_EQ(Say(receiver, FileOffer(std::string("dir/report.txt\0"
                                                "1234 0 0",
                                                23))),
            Hex(ZRPOS, 0));
  EXPECT_EQ(log_.starts.back(), std::make_pair(std::string("report.txt"), uint64_t{1234}));

  // Data at the wrong position is ignored and answered with the bytes written.
  Bytes resume = {'A', 'T'};
  const Bytes rpos0 = Hex(ZRPOS, 0);
  resume.insert(resume.end(), rpos0.begin(), rpos0.end());
  EXPECT_EQ(Say(receiver, Data(5, "xxxxx", ZCRCW)), resume);
  // ZCRCQ asks for an acknowledgement of the position after the subpacket.
  EXPECT_EQ(Say(receiver, Data(0, std::string(1024, 'a'), ZCRCQ)), Hex(ZACK, 1024));
  // A bad CRC throws the subpacket away and asks for it again, once.
  Bytes damaged = Frames([](CZmodemEncoder& e) {
    e.Subpacket(reinterpret_cast<const uint8_t*>("bbbb"), 4, ZCRCG, true);
  });
  damaged[1] ^= 1;
  Bytes resume1024 = {'A', 'T'};
  const Bytes rpos1024 = Hex(ZRPOS, 1024);
  resume1024.insert(resume1024.end(), rpos1024.begin(), rpos1024.end());
  EXPECT_EQ(Say(receiver, damaged), resume1024);
  // An end at a position other than the bytes written is no end.
  EXPECT_TRUE(Say(receiver, Hex(ZEOF, 1234)).empty());
  EXPECT_TRUE(log_.ends.empty());
  EXPECT_EQ(Say(receiver, Data(1024, "cc", ZCRCE)), Bytes{});
  EXPECT_EQ(Say(receiver, Hex(ZEOF, 1026)), Hex(ZRINIT, 0x23000000));
  ASSERT_EQ(log_.ends.size(), 1u);
  EXPECT_TRUE(log_.ends[0].complete);
  EXPECT_EQ(folder_.files["report.txt"], std::string(1024, 'a') + "cc");

  // ZFIN is answered; the sender's "OO" is swallowed and what follows is the screen's.
  EXPECT_EQ(Say(receiver, Hex(ZFIN, 0)), Hex(ZFIN, 0));
  const Bytes after = {'\r', 0x8A, 'O', 'O', 'h', 'i'};
  EXPECT_EQ(receiver.Feed(after.data(), after.size()), 4u);
  EXPECT_TRUE(receiver.Ended());
  EXPECT_EQ(receiver.Outcome(), XferOutcome::kSucceeded);
}

TEST_F(Scripted, ReceiverRefusesUnsafeNamesAndUncreatableFilesWithZskip) {
  CZmodemReceiver receiver(folder_, log_);
  receiver.Start();
  for (const char* name : {"", ".", "..", "a/..", "bell\x07", "C:\\dir\\"}) {
    EXPECT_EQ(Say(receiver, FileOffer(std::string(name) + std::string("\0"
                                                                      "1",
                                                                      2))),
              Hex(ZSKIP, 0))
        << name;
    // A sender that missed the ZSKIP and sends data hears it again.
    EXPECT_EQ(Say(receiver, Data(0, "x", ZCRCE)), Hex(ZSKIP, 0));
  }
  folder_.failCreate = true;
  EXPECT_EQ(Say(receiver, FileOffer(std::string("fine.txt\0"
                                                "1",
                                                10))),
            Hex(ZSKIP, 0));
  EXPECT_EQ(log_.notices.size(), 7u);
  EXPECT_TRUE(folder_.files.empty());
  EXPECT_EQ(receiver.Outcome(), XferOutcome::kRunning);
}

TEST_F(Scripted, ReceiverReportsAFileThatCannotBeStoredWithZferr) {
  for (bool failWrite : {false, true}) {
    CMemoryFolder folder;
    CEventLog log;
    CZmodemReceiver receiver(folder, log);
    receiver.Start();
    Say(receiver, FileOffer(std::string("f\0"
                                        "3",
                                        3)));
    folder.failWrite = failWrite;
    folder.failCommit = !failWrite;
    Bytes answer = Say(receiver, Data(0, "abc", ZCRCE));
    if (!failWrite) answer = Say(receiver, Hex(ZEOF, 3));
    const Bytes zferr = Hex(ZFERR, 0);
    EXPECT_TRUE(std::equal(zferr.begin(), zferr.end(), answer.begin())) << failWrite;
    // Never "finished" for a file that was not stored.
    ASSERT_EQ(log.ends.size(), 1u);
    EXPECT_FALSE(log.ends[0].complete);
    EXPECT_EQ(receiver.Outcome(), XferOutcome::kFailed);
    EXPECT_TRUE(folder.files.empty());
  }
}

TEST_F(Scripted, ReceiverTakesTheLargestSubpacketAndRefusesALongerOne) {
  CZmodemReceiver receiver(folder_, log_);
  receiver.Start();
  Say(receiver, FileOffer(std::string("f\0", 2)));
  EXPECT_EQ(Say(receiver, Data(0, std::string(kZmodemMaxSubpacket, 'a'), ZCRCW)),
            Hex(ZACK, kZmodemMaxSubpacket));
  EXPECT_EQ(
      Say(receiver, Data(kZmodemMaxSubpacket, std::string(kZmodemMaxSubpacket + 1, 'b'), ZCRCW)),
      Hex(ZRPOS, kZmodemMaxSubpacket));
}

TEST_F(Scripted, CansFromThePeerAndTheUsersAbortDropThePartialFile) {
  for (bool userAbort : {false, true}) {
    CMemoryFolder folder;
    CEventLog log;
    CZmodemReceiver receiver(folder, log);
    receiver.Start();
    Say(receiver, FileOffer(std::string("f\0", 2)));
    Say(receiver, Data(0, "partial", ZCRCG));
    if (userAbort) {
      receiver.Output().clear();
      receiver.Abort();
      Bytes cancel(8, CAN);
      cancel.insert(cancel.end(), 10, 0x08);
      EXPECT_EQ(receiver.Output(), cancel);
      EXPECT_EQ(receiver.Outcome(), XferOutcome::kAborted);
    } else {
      Say(receiver, Bytes(5, CAN));
      EXPECT_EQ(receiver.Outcome(), XferOutcome::kFailed);
      EXPECT_EQ(receiver.Message(), kTextPeerCancelled);
    }
    EXPECT_EQ(folder.discarded, 1u);
    EXPECT_TRUE(folder.files.empty());
  }
}

TEST_F(Scripted, SilentSenderIsAskedAgainThenGivenUp) {
  CZmodemReceiver receiver(folder_, log_);
  receiver.Start();
  receiver.Output().clear();
  for (unsigned i = 1; i < kZmodemRetryTicks; ++i) receiver.Tick();
  EXPECT_TRUE(receiver.Output().empty());
  receiver.Tick();
  EXPECT_EQ(receiver.Output(), Hex(ZRINIT, 0x23000000));
  for (unsigned i = 0; i < kZmodemRetryTicks * kZmodemMaxRetries; ++i) receiver.Tick();
  EXPECT_EQ(receiver.Outcome(), XferOutcome::kFailed);
  EXPECT_EQ(receiver.Message(), kTextPeerSilent);
}

// Decodes what a sender wrote: headers by type, and the data of its subpackets.
struct SenderOutput : IZmodemFrameSink {
  CZmodemDecoder decoder;
  std::vector<uint8_t> headers;
  std::vector<uint32_t> positions;
  std::string data;
  std::vector<uint8_t> frameEnds;
  explicit SenderOutput(const Bytes& bytes) { decoder.Feed(bytes.data(), bytes.size(), *this); }
  void OnHeader(const ZHeader& h) override {
    headers.push_back(h.type);
    positions.push_back(h.Position());
    if (h.type == ZDATA || h.type == ZFILE) decoder.ReadSubpackets();
  }
  void OnBadHeader() override { headers.push_back(0xFF); }
  void OnSubpacket(const uint8_t* d, size_t n, uint8_t end) override {
    data.append(reinterpret_cast<const char*>(d), n);
    frameEnds.push_back(end);
  }
  void OnBadSubpacket() override { frameEnds.push_back(0); }
  void OnCancel() override {}
};

Bytes PumpAll(CZmodemSender& sender) {
  while (sender.WantsToSend()) sender.Pump();
  Bytes out;
  out.swap(sender.Output());
  return out;
}

TEST_F(Scripted, SenderKeepsWithinTheReceiversBufferAndWaitsForEachWindow) {
  CMemorySource source;
  source.files["f"] = RandomData(10000, 4);
  CZmodemSender sender(source, {"f"}, log_);
  sender.Start();
  // A receiver with a 4096-byte buffer that cannot overlap disk and link.
  Say(sender, Frames([](CZmodemEncoder& e) { e.HexHeader(ZRINIT, {0x00, 0x10, 0x00, CANFC32}); }));
  Say(sender, Hex(ZRPOS, 0));
  SenderOutput first(PumpAll(sender));
  EXPECT_EQ(first.data, source.files["f"].substr(0, 4096));
  EXPECT_EQ(first.frameEnds.back(), ZCRCW);
  // The acknowledgement of the window opens the next one with a new ZDATA.
  Say(sender, Hex(ZACK, 4096));
  SenderOutput second(PumpAll(sender));
  ASSERT_FALSE(second.headers.empty());
  EXPECT_EQ(second.headers[0], ZDATA);
  EXPECT_EQ(second.positions[0], 4096u);
  EXPECT_EQ(second.data, source.files["f"].substr(4096, 4096));
  EXPECT_EQ(second.frameEnds.back(), ZCRCW);
}

TEST_F(Scripted, SenderStreamsAskingForAnAnswerEverySoOften) {
  CMemorySource source;
  source.files["f"] = RandomData(kZmodemSendSubpacket * kZmodemAckEvery * 3, 5);
  CZmodemSender sender(source, {"f"}, log_);
  sender.Start();
  Say(sender, Hex(ZRINIT, 0x23000000));
  Say(sender, Hex(ZRPOS, 0));
  SenderOutput out(PumpAll(sender));
  EXPECT_EQ(out.data, source.files["f"]);
  const auto count = [&](uint8_t end) {
    return std::count(out.frameEnds.begin(), out.frameEnds.end(), end);
  };
  EXPECT_EQ(count(ZCRCW), 0);
  EXPECT_EQ(count(ZCRCQ), 2);
  EXPECT_EQ(count(ZCRCE), 1);
  EXPECT_EQ(out.headers.back(), ZEOF);
  // Finished only when the receiver confirms the end.
  EXPECT_TRUE(log_.ends.empty());
  // A ZRPOS after ZEOF resumes there.
  Say(sender, Hex(ZRPOS, 1000));
  SenderOutput resumed(PumpAll(sender));
  ASSERT_FALSE(resumed.headers.empty());
  EXPECT_EQ(resumed.headers[0], ZDATA);
  EXPECT_EQ(resumed.positions[0], 1000u);
  EXPECT_EQ(resumed.data, source.files["f"].substr(1000));
  Say(sender, Hex(ZRINIT, 0x23000000));
  ASSERT_EQ(log_.ends.size(), 1u);
  EXPECT_TRUE(log_.ends[0].complete);
  // The batch ends with ZFIN; the receiver's ZFIN is answered with "OO".
  EXPECT_EQ(Say(sender, Hex(ZFIN, 0)), (Bytes{'O', 'O'}));
  EXPECT_EQ(sender.Outcome(), XferOutcome::kSucceeded);
}

TEST_F(Scripted, SenderAnswersACrcRequestForAResume) {
  CMemorySource source;
  source.files["f"] = "123456789abc";
  CZmodemSender sender(source, {"f"}, log_);
  sender.Start();
  Say(sender, Hex(ZRINIT, 0x23000000));
  EXPECT_EQ(Say(sender, Hex(ZCRC, 9)), Hex(ZCRC, 0xCBF43926u));
}

TEST_F(Scripted, SenderRepeatsOnZnakAndMovesOnAfterZskip) {
  CMemorySource source;
  source.files["one"] = "1";
  source.files["two"] = "22";
  CZmodemSender sender(source, {"one", "two"}, log_);
  sender.Start();
  const Bytes offer = Say(sender, Hex(ZRINIT, 0x23000000));
  EXPECT_EQ(Say(sender, Hex(ZNAK, 0)), offer);
  SenderOutput next(Say(sender, Hex(ZSKIP, 0)));
  EXPECT_EQ(next.headers, Bytes{ZFILE});
  EXPECT_EQ(next.data.substr(0, 4), std::string("two\0", 4));
  ASSERT_EQ(log_.ends.size(), 1u);
  EXPECT_EQ(log_.ends[0].message, kTextSkipped);
  // A receiver error ends the transfer and is reported.
  Say(sender, Hex(ZFERR, 0));
  EXPECT_EQ(sender.Outcome(), XferOutcome::kFailed);
  EXPECT_EQ(sender.Message(), kTextReceiverError);
}

}  // namespace
}  // namespace ostrane
