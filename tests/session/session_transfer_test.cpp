// A session's ZModem receive over a serial line (a socat pty whose far end runs lrzsz's sz),
// seen through the front-end interface the desktop's progress dialog implements.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "peers/serial_peer.h"
#include "session/vt420_doc.h"
#include "settings/settings_set.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class CRecordingFrontEnd : public ITransferFrontEnd, public ISessionMonitor {
 public:
  void TransferStarted(XferDirection direction) override {
    std::lock_guard lock(mutex_);
    events_.push_back(direction == XferDirection::kReceive ? "started receive" : "started send");
  }
  void TransferProgress(const XferProgress& p) override {
    std::lock_guard lock(mutex_);
    lastProgress_ = p;
  }
  void TransferFileEnded(const std::string& name, bool complete, const std::string&) override {
    std::lock_guard lock(mutex_);
    events_.push_back("file " + name + (complete ? " stored" : " failed"));
  }
  void TransferNotice(const std::string&) override {}
  void OpenReceiveFolder(const std::string& folder) override {
    std::lock_guard lock(mutex_);
    events_.push_back("open " + folder);
  }
  void TransferEnded(XferOutcome outcome, const std::string&) override {
    std::lock_guard lock(mutex_);
    events_.push_back(outcome == XferOutcome::kSucceeded ? "ended well" : "ended badly");
    ended_.notify_all();
  }
  void Sent(const uint8_t* data, size_t length) override {
    std::lock_guard lock(mutex_);
    sent_.append(reinterpret_cast<const char*>(data), length);
  }
  void Received(const uint8_t*, size_t) override {}

  bool WaitEnded(std::chrono::seconds timeout) {
    std::unique_lock lock(mutex_);
    return ended_.wait_for(
        lock, timeout, [&] { return !events_.empty() && events_.back().rfind("ended", 0) == 0; });
  }
  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::string SentText() {
    std::lock_guard lock(mutex_);
    return sent_;
  }
  XferProgress LastProgress() {
    std::lock_guard lock(mutex_);
    return lastProgress_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
  std::vector<std::string> events_;
  std::string sent_;
  XferProgress lastProgress_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void Type(CVT420Doc& doc) {
  doc.KeyDown('3', 1, false, {});
  doc.KeyChar(u'#');
}

// A receive started by hand before the host's sz runs: sz's request is answered, typed keys
// stay back while the transfer owns the line, a second start is refused, and the folder is
// offered once at the end of the batch.
TEST(SessionTransfer, ManualReceiveBeforeSzStoresTheBatchAndHoldsTypedKeys) {
  const fs::path dir = test::FreshTestFolder();
  fs::create_directories(dir / "out");
  std::string payload(300000, '\0');
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 131 + i / 7);
  std::ofstream(dir / "out" / "a.bin", std::ios::binary) << payload;
  std::ofstream(dir / "out" / "b.txt") << "second file\n";
  test::CPeerProcess line(
      {"/usr/bin/socat", "pty,raw,echo=0,link=" + (dir / "tty").string(),
       "SYSTEM:sleep 1; cd " + (dir / "out").string() + " && exec sz -q -b a.bin b.txt"});
  ASSERT_TRUE(test::WaitForPath(dir / "tty", true));

  CRecordingFrontEnd front;
  CVT420Doc doc;
  doc.SetTransferFrontEnd(&front);
  doc.SetMonitor(&front);
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    doc.Settings().SetInt(S::HostType, 1);
    doc.Settings().SetStr(S::HostName, (dir / "tty").string());
    doc.Settings().SetInt(S::Speed, 115200);
    doc.Settings().SetStr(S::RecvDir, (dir / "in").string());
    doc.Settings().SetInt(S::XferOpenRecv, 1);
    // Only the manual start: on a slow machine sz may speak before ReceiveZModem is called.
    doc.Settings().SetInt(S::AutoRecv, 0);
  }
  ASSERT_TRUE(doc.StartNewSession());
  for (int i = 0; i < 500 && doc.ConnectionState() != TransportState::kConnected; ++i)
    std::this_thread::sleep_for(10ms);
  ASSERT_EQ(doc.ConnectionState(), TransportState::kConnected);

  ASSERT_TRUE(doc.ReceiveZModem());
  EXPECT_TRUE(doc.TransferRunning());
  EXPECT_FALSE(doc.ReceiveZModem());
  EXPECT_FALSE(doc.SendZModemFiles({(dir / "out" / "b.txt").string()}));
  Type(doc);
  ASSERT_TRUE(front.WaitEnded(30s));
  EXPECT_EQ(front.SentText().find('#'), std::string::npos);
  doc.ReapTransfer();
  EXPECT_FALSE(doc.TransferRunning());

  EXPECT_EQ(front.Events(),
            (std::vector<std::string>{"started receive", "file a.bin stored", "file b.txt stored",
                                      "open " + (dir / "in").string(), "ended well"}));
  EXPECT_EQ(ReadFile(dir / "in" / "a.bin"), payload);
  EXPECT_EQ(ReadFile(dir / "in" / "b.txt"), "second file\n");
  EXPECT_EQ(front.LastProgress().fileName, "b.txt");
  EXPECT_EQ(front.LastProgress().bytesDone, 12u);

  // The line is the terminal's again.
  Type(doc);
  EXPECT_NE(front.SentText().find('#'), std::string::npos);
}

}  // namespace
}  // namespace ostrane
