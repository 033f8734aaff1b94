// Transfers against lrzsz's sz and rz over a socket pair, both directions, compared by SHA-256.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "support/file_digest.h"
#include "support/test_folder.h"
#include "xfer/xfer_files.h"
#include "xfer/zmodem_peer.h"
#include "xfer/zmodem_receiver.h"
#include "xfer/zmodem_sender.h"

namespace ostrane {
namespace {

namespace fs = std::filesystem;
using test::CDamagingProxy;
using test::CPeerProcess;
using test::CRecordingObserver;
using test::CSocketDriver;

constexpr std::chrono::seconds kTimeout{120};

void WriteRandomFile(const fs::path& path, size_t size, unsigned seed) {
  std::mt19937_64 random(seed);
  std::string data(size, '\0');
  for (auto& c : data) c = static_cast<char>(random());
  std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(size));
}

std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

struct Damage {
  CDamagingProxy::Direction direction;
  uint64_t offset;
};

struct RunResult {
  XferOutcome outcome = XferOutcome::kRunning;
  std::string message;
  std::vector<std::string> completed;
  std::vector<std::string> failed;
  std::optional<int> peerStatus;
  bool damaged = false;
  std::string screen;
};

using MachineFactory = std::function<std::unique_ptr<CZmodemMachine>(IZmodemEvents&)>;
using During = std::function<void(CZmodemTransfer&, CRecordingObserver&, CPeerProcess&)>;

// Runs one transfer of ours against a peer program started in peerFolder.
RunResult RunWithPeer(const std::vector<std::string>& argv, const fs::path& peerFolder,
                      const MachineFactory& makeMachine, std::optional<Damage> damage = {},
                      const During& during = {}) {
  CPeerProcess peer(argv, peerFolder);
  EXPECT_TRUE(peer.Running()) << argv[0];
  std::unique_ptr<CDamagingProxy> proxy;
  int fd = peer.Fd();
  if (damage) {
    proxy = std::make_unique<CDamagingProxy>(peer.Fd(), damage->direction, damage->offset);
    fd = proxy->Fd();
  }
  CRecordingObserver observer;
  CSocketDriver driver(fd);
  RunResult result;
  {
    CZmodemTransfer transfer(driver, observer, {});
    transfer.Start(makeMachine(transfer.Events()));
    driver.StartReading(transfer);
    if (during) during(transfer, observer, peer);
    EXPECT_TRUE(observer.WaitForEnd(kTimeout));
    result.peerStatus = peer.Wait(std::chrono::seconds(20));
    driver.StopReading();
  }
  result.outcome = observer.outcome();
  result.message = observer.message();
  result.completed = observer.completed();
  result.failed = observer.failed();
  result.damaged = proxy && proxy->Damaged();
  result.screen = observer.screen();
  return result;
}

RunResult ReceiveFromSz(const fs::path& source, const std::vector<std::string>& names,
                        const fs::path& into, std::optional<Damage> damage = {},
                        const During& during = {}) {
  std::vector<std::string> argv = {"sz", "-b", "-q"};
  argv.insert(argv.end(), names.begin(), names.end());
  CPosixReceiveFolder folder(into);
  return RunWithPeer(
      argv, source,
      [&](IZmodemEvents& events) { return std::make_unique<CZmodemReceiver>(folder, events); },
      damage, during);
}

RunResult SendToRz(const fs::path& source, const std::vector<std::string>& names,
                   const fs::path& into, std::optional<Damage> damage = {}) {
  std::vector<std::string> paths;
  for (const auto& name : names) paths.push_back(source / name);
  CPosixSendSource files;
  return RunWithPeer(
      {"rz", "-b", "-q"}, into,
      [&](IZmodemEvents& events) { return std::make_unique<CZmodemSender>(files, paths, events); },
      damage);
}

bool PeerExitedCleanly(const RunResult& result) {
  return result.peerStatus && WIFEXITED(*result.peerStatus) && WEXITSTATUS(*result.peerStatus) == 0;
}

class ZmodemSizes : public testing::TestWithParam<size_t> {
 protected:
  void SetUp() override {
    root_ = test::FreshTestFolder();
    source_ = root_ / "source";
    into_ = root_ / "into";
    fs::create_directories(source_);
    fs::create_directories(into_);
    WriteRandomFile(source_ / "data.bin", GetParam(), static_cast<unsigned>(GetParam()));
  }
  fs::path root_, source_, into_;
};

TEST_P(ZmodemSizes, SzToUsArrivesWhole) {
  const RunResult result = ReceiveFromSz(source_, {"data.bin"}, into_);
  EXPECT_EQ(result.outcome, XferOutcome::kSucceeded) << result.message;
  EXPECT_TRUE(PeerExitedCleanly(result));
  EXPECT_EQ(result.completed, std::vector<std::string>{"data.bin"});
  // Every byte sz sent, its closing "OO" too, belonged to the transfer.
  EXPECT_EQ(result.screen, "");
  // Nothing else is left behind: no temporary file.
  EXPECT_EQ(FolderNames(into_), std::vector<std::string>{"data.bin"});
  EXPECT_EQ(test::FileSha256(into_ / "data.bin"), test::FileSha256(source_ / "data.bin"));
  struct stat info {};
  ASSERT_EQ(::stat((into_ / "data.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_P(ZmodemSizes, UsToRzArrivesWhole) {
  const RunResult result = SendToRz(source_, {"data.bin"}, into_);
  EXPECT_EQ(result.outcome, XferOutcome::kSucceeded) << result.message;
  EXPECT_TRUE(PeerExitedCleanly(result));
  EXPECT_EQ(result.completed, std::vector<std::string>{"data.bin"});
  EXPECT_EQ(test::FileSha256(into_ / "data.bin"), test::FileSha256(source_ / "data.bin"));
}

INSTANTIATE_TEST_SUITE_P(Lrzsz, ZmodemSizes, testing::Values(0, 1, 1024, 1 << 20, (50 << 20) + 17));

class ZmodemLrzsz : public testing::Test {
 protected:
  void SetUp() override {
    root_ = test::FreshTestFolder();
    source_ = root_ / "source";
    into_ = root_ / "into";
    fs::create_directories(source_);
    fs::create_directories(into_);
  }
  fs::path root_, source_, into_;
};

TEST_F(ZmodemLrzsz, BatchOfThreeFilesBothWays) {
  const std::vector<std::string> names = {"first.txt", "second.bin", "third"};
  for (size_t i = 0; i < names.size(); ++i)
    WriteRandomFile(source_ / names[i], 1000 + i * 70001, static_cast<unsigned>(i));

  const RunResult received = ReceiveFromSz(source_, names, into_);
  EXPECT_EQ(received.outcome, XferOutcome::kSucceeded) << received.message;
  EXPECT_EQ(received.completed, names);
  const fs::path back = root_ / "back";
  fs::create_directories(back);
  const RunResult sent = SendToRz(into_, names, back);
  EXPECT_EQ(sent.outcome, XferOutcome::kSucceeded) << sent.message;
  EXPECT_EQ(sent.completed, names);
  for (const auto& name : names) {
    EXPECT_EQ(test::FileSha256(into_ / name), test::FileSha256(source_ / name)) << name;
    EXPECT_EQ(test::FileSha256(back / name), test::FileSha256(source_ / name)) << name;
  }
}

// A byte damaged in a header near the start or in the middle of the data makes the receiver
// ask again (ZNAK, ZRPOS); the file still arrives whole, whichever side receives.
TEST_F(ZmodemLrzsz, DamagedByteIsRepairedBothWays) {
  WriteRandomFile(source_ / "damaged.bin", 1 << 20, 7);
  for (uint64_t offset : {uint64_t{60}, uint64_t{400000}}) {
    const fs::path received = root_ / ("received" + std::to_string(offset));
    const fs::path sent = root_ / ("sent" + std::to_string(offset));
    fs::create_directories(received);
    fs::create_directories(sent);
    const RunResult in = ReceiveFromSz(source_, {"damaged.bin"}, received,
                                       Damage{CDamagingProxy::Direction::kFromPeer, offset});
    EXPECT_TRUE(in.damaged);
    EXPECT_EQ(in.outcome, XferOutcome::kSucceeded) << offset << " " << in.message;
    EXPECT_EQ(test::FileSha256(received / "damaged.bin"), test::FileSha256(source_ / "damaged.bin"))
        << offset;

    const RunResult out = SendToRz(source_, {"damaged.bin"}, sent,
                                   Damage{CDamagingProxy::Direction::kToPeer, offset});
    EXPECT_TRUE(out.damaged);
    EXPECT_EQ(out.outcome, XferOutcome::kSucceeded) << offset << " " << out.message;
    EXPECT_EQ(test::FileSha256(sent / "damaged.bin"), test::FileSha256(source_ / "damaged.bin"))
        << offset;
  }
}

// Peers that want every control character escaped: sz -e announces it with ZSINIT, rz -e with
// ESCCTL in its ZRINIT.
TEST_F(ZmodemLrzsz, EscapingEveryControlCharacterBothWays) {
  std::string controls;
  for (int i = 0; i < 4096; ++i) controls.push_back(static_cast<char>(i % 64));
  std::ofstream(source_ / "controls.bin", std::ios::binary) << controls;
  CPosixReceiveFolder folder(into_);
  const RunResult in = RunWithPeer(
      {"sz", "-b", "-q", "-e", "controls.bin"}, source_,
      [&](IZmodemEvents& events) { return std::make_unique<CZmodemReceiver>(folder, events); });
  EXPECT_EQ(in.outcome, XferOutcome::kSucceeded) << in.message;
  EXPECT_EQ(test::FileSha256(into_ / "controls.bin"), test::FileSha256(source_ / "controls.bin"));

  const fs::path back = root_ / "back";
  fs::create_directories(back);
  CPosixSendSource files;
  const std::vector<std::string> paths = {source_ / "controls.bin"};
  const RunResult out = RunWithPeer({"rz", "-b", "-q", "-e"}, back, [&](IZmodemEvents& events) {
    return std::make_unique<CZmodemSender>(files, paths, events);
  });
  EXPECT_EQ(out.outcome, XferOutcome::kSucceeded) << out.message;
  EXPECT_EQ(test::FileSha256(back / "controls.bin"), test::FileSha256(source_ / "controls.bin"));
}

// Counts what the sender reads, to see where a transfer resumed.
class CCountingSource final : public IXferSendSource {
 public:
  std::atomic<uint64_t> bytesRead{0};
  std::unique_ptr<IXferReadFile> Open(const std::string& path, std::string& error) override {
    auto file = files_.Open(path, error);
    return file ? std::make_unique<CFile>(std::move(file), bytesRead) : nullptr;
  }

 private:
  class CFile final : public IXferReadFile {
   public:
    CFile(std::unique_ptr<IXferReadFile> file, std::atomic<uint64_t>& count)
        : file_(std::move(file)), count_(count) {}
    uint64_t Size() const override { return file_->Size(); }
    uint64_t ModifiedTime() const override { return file_->ModifiedTime(); }
    long ReadAt(uint64_t offset, uint8_t* data, size_t length) override {
      const long got = file_->ReadAt(offset, data, length);
      if (got > 0) count_ += static_cast<uint64_t>(got);
      return got;
    }

   private:
    std::unique_ptr<IXferReadFile> file_;
    std::atomic<uint64_t>& count_;
  };
  CPosixSendSource files_;
};

// rz -r keeps a partial file and asks for the rest from about where it ends (ZRPOS past 0).
TEST_F(ZmodemLrzsz, RzResumesAPartialFile) {
  WriteRandomFile(source_ / "resume.bin", 300000, 11);
  {
    std::ifstream in(source_ / "resume.bin", std::ios::binary);
    std::string part(100000, '\0');
    in.read(part.data(), static_cast<std::streamsize>(part.size()));
    std::ofstream(into_ / "resume.bin", std::ios::binary) << part;
  }
  CCountingSource files;
  const std::vector<std::string> paths = {source_ / "resume.bin"};
  const RunResult result = RunWithPeer({"rz", "-b", "-q", "-r"}, into_, [&](IZmodemEvents& events) {
    return std::make_unique<CZmodemSender>(files, paths, events);
  });
  EXPECT_EQ(result.outcome, XferOutcome::kSucceeded) << result.message;
  EXPECT_EQ(test::FileSha256(into_ / "resume.bin"), test::FileSha256(source_ / "resume.bin"));
  EXPECT_LE(files.bytesRead.load(), 300000u - 90000u);
}

TEST_F(ZmodemLrzsz, AbortCancelsSzAndLeavesNoPartialFile) {
  WriteRandomFile(source_ / "big.bin", 64 << 20, 3);
  const RunResult result =
      ReceiveFromSz(source_, {"big.bin"}, into_, {},
                    [](CZmodemTransfer& transfer, CRecordingObserver& observer, CPeerProcess&) {
                      ASSERT_TRUE(observer.WaitForProgress(1 << 20, kTimeout));
                      transfer.RequestAbort();
                    });
  EXPECT_EQ(result.outcome, XferOutcome::kAborted);
  // sz heard the cancel and stopped by itself.
  ASSERT_TRUE(result.peerStatus.has_value());
  EXPECT_TRUE(FolderNames(into_).empty());
}

TEST_F(ZmodemLrzsz, DroppedConnectionEndsWithAnErrorAndNoFile) {
  WriteRandomFile(source_ / "big.bin", 64 << 20, 4);
  const RunResult result =
      ReceiveFromSz(source_, {"big.bin"}, into_, {},
                    [](CZmodemTransfer&, CRecordingObserver& observer, CPeerProcess& peer) {
                      ASSERT_TRUE(observer.WaitForProgress(1 << 20, kTimeout));
                      ::kill(peer.Pid(), SIGKILL);
                    });
  EXPECT_EQ(result.outcome, XferOutcome::kFailed);
  EXPECT_FALSE(result.message.empty());
  EXPECT_EQ(result.failed.size(), 1u);
  EXPECT_TRUE(FolderNames(into_).empty());
}

}  // namespace
}  // namespace ostrane
