// Printing never holds a session: a CUPS server that never answers, and a printer port that
// does not drain, while the worker goes on handing over output and the session closes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "platform/print_output.h"
#include "platform/profile.h"
#include "print/print_limits.h"
#include "print/print_messages.h"
#include "print/print_session.h"
#include "session/vt420_doc.h"
#include "settings/settings_table.h"
#include "stalled_server.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

using test::CStalledServer;

// What the user would be shown, posted from any thread.
class CMessages {
 public:
  std::function<void(const std::string&)> Sink() {
    return [this](const std::string& text) {
      std::lock_guard lock(mutex_);
      texts_.push_back(text);
      changed_.notify_all();
    };
  }
  std::vector<std::string> Texts() {
    std::lock_guard lock(mutex_);
    return texts_;
  }
  // Up to 20 s, not a timing check.
  bool WaitCount(size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20),
                             [&] { return texts_.size() >= count; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> texts_;
};

// Runs work on a thread of its own; true when it returned within 20 s. A print thread that the
// work waited for would hold it for libcups' own 30 s timeout, or for good on a device.
bool ReturnsSoon(const std::function<void()>& work) {
  std::promise<void> done;
  std::future<void> returned = done.get_future();
  std::thread thread([&] {
    work();
    done.set_value();
  });
  const bool soon = returned.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  thread.join();
  return soon;
}

void Receive(CVT420Doc& doc, std::string_view bytes) {
  doc.DeliverReceived(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string Row(CVT420Doc& doc, int row, int length) {
  std::lock_guard lock(doc.Terminal().Mutex());
  const auto line = doc.Terminal().Screen().GetPageRow(row);
  std::string text;
  for (int i = 0; i < length; ++i) text += static_cast<char>(line->chars[i]);
  return text;
}

void ConfigureRawJob(CVT420Doc& doc) {
  std::lock_guard lock(doc.Terminal().Mutex());
  doc.Settings().SetInt(S::PrintTo, 0);
  doc.Settings().SetInt(S::DefaultPrinter, 0);
  doc.Settings().SetStr(S::PrinterName, "stalled");
  doc.Settings().SetInt(S::JobTimeout, 0);
}

PrintSetup RawJobSetup() {
  PrintSetup setup;
  setup.destination = PrintDestination::kRawJob;
  setup.printer.useDefault = false;
  setup.printer.name = "stalled";
  setup.title = "test";
  return setup;
}

// Printer-controller output of n bytes none of which ends the mode.
std::string Payload(size_t n, unsigned seed) {
  std::string bytes;
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    const char c = static_cast<char>(seed >> 16);
    bytes += c == '\x1b' || c == '\x9b' ? 'e' : c;
  }
  return bytes;
}

TEST(StalledPrinterTest, TheScreenGoesOnWhileTheServerIsSilentAndClosingCancelsTheJob) {
  for (const auto mode :
       {CStalledServer::Mode::kAcceptsAndIsSilent, CStalledServer::Mode::kNeverAccepts}) {
    SCOPED_TRACE(mode == CStalledServer::Mode::kNeverAccepts ? "never accepts" : "silent");
    CStalledServer server(mode);
    ASSERT_NE(server.Port(), 0);
    CMessages messages;
    CSystemPrintDevices devices(messages.Sink());
    auto doc = std::make_unique<CVT420Doc>();
    doc->SetPrintDevices(&devices);
    ConfigureRawJob(*doc);
    // The worker's part: a printed block, then text for the screen.
    EXPECT_TRUE(
        ReturnsSoon([&] { Receive(*doc, "\x1b[5i" + Payload(256 * 1024, 1) + "\x1b[4iafter"); }));
    EXPECT_EQ(Row(*doc, 0, 5), "after");
    EXPECT_EQ(doc->CurrentPrintMode(), PrintMode::kNone);
    if (mode == CStalledServer::Mode::kAcceptsAndIsSilent) {
      // The print thread has asked for the job and waits for an answer that never comes.
      EXPECT_TRUE(server.WaitAccepted(1));
    }
    // Neither opened nor failed: the print thread is still held.
    EXPECT_TRUE(messages.Texts().empty());
    // Typed keys still go out: the worker and the session are free.
    EXPECT_TRUE(ReturnsSoon([&] { Receive(*doc, "\r\nmore"); }));
    EXPECT_EQ(Row(*doc, 1, 4), "more");
    EXPECT_TRUE(ReturnsSoon([&] { doc.reset(); }));
    // The job was given up, not left waiting behind the closed session.
    if (mode == CStalledServer::Mode::kAcceptsAndIsSilent) {
      EXPECT_TRUE(server.WaitAllClosed());
    }
    EXPECT_TRUE(messages.Texts().empty());
  }
}

TEST(StalledPrinterTest, OutputPastTheBoundFailsTheJobAndTheNextJobTriesAgain) {
  CStalledServer server(CStalledServer::Mode::kAcceptsAndIsSilent);
  CMessages messages;
  CSystemPrintDevices devices(messages.Sink());
  auto session = std::make_unique<CPrintSession>(devices);
  ASSERT_TRUE(session->StartOutput(RawJobSetup(), {}));
  ASSERT_TRUE(server.WaitAccepted(1));
  EXPECT_TRUE(ReturnsSoon([&] {
    for (size_t i = 0; i <= kPrintQueueBytes; ++i) session->PutByte('z');
  }));
  ASSERT_TRUE(messages.WaitCount(1));
  EXPECT_EQ(messages.Texts()[0], kTextPrinterNotTakingOutput);
  EXPECT_FALSE(session->JobOpen());
  // The open the server held is given up; that is no failure to open the printer, which would
  // turn the print mode off and show the rest of the job on the screen.
  EXPECT_TRUE(server.WaitAllClosed());
  EXPECT_FALSE(session->OpenFailed());
  // The rest of the failed job is dropped without another word.
  session->PutByte('z');
  session->EndOutput(0);
  // The open the server held was given up, and the next job asks the server again.
  ASSERT_TRUE(session->StartOutput(RawJobSetup(), {}));
  EXPECT_TRUE(server.WaitAccepted(2));
  EXPECT_TRUE(session->JobOpen());
  EXPECT_TRUE(ReturnsSoon([&] { session->PutByte('y'); }));
  EXPECT_TRUE(ReturnsSoon([&] { session.reset(); }));
  EXPECT_EQ(messages.Texts().size(), 1u);
  EXPECT_TRUE(server.WaitAllClosed());
}

// Below the session: the cancel alone gives up the calls a silent server holds. (Closing a
// session would leave a print thread it could not end behind, so it cannot show this.)
TEST(PrintCancelTest, ACancelEndsTheOpenOfAJobOnAServerThatNeverAnswers) {
  // The empty queue is the default destination, which is asked of the server first.
  for (const auto& [mode, queue] : {std::pair{CStalledServer::Mode::kAcceptsAndIsSilent, "stalled"},
                                    std::pair{CStalledServer::Mode::kAcceptsAndIsSilent, ""},
                                    std::pair{CStalledServer::Mode::kNeverAccepts, "stalled"}}) {
    const bool silent = mode == CStalledServer::Mode::kAcceptsAndIsSilent;
    SCOPED_TRACE(std::string(silent ? "silent, queue " : "never accepts, queue ") + queue);
    CStalledServer server(mode);
    platform::CPrintCancel cancel;
    std::unique_ptr<platform::IPrintOutput> output;
    int error = 0;
    const std::string name = queue;
    std::thread opener([&] { output = platform::OpenCupsRawJob(name, "test", error, cancel); });
    if (silent) {
      EXPECT_TRUE(server.WaitAccepted(1));
    }
    cancel.Cancel();
    EXPECT_TRUE(ReturnsSoon([&] { opener.join(); }));
    EXPECT_EQ(output, nullptr);
    EXPECT_NE(error, 0);
    if (silent) {
      EXPECT_TRUE(server.WaitAllClosed());
    }
  }
}

// The printer port is a FIFO named in the profile; the test reads the other end.
class PortFifo {
 public:
  PortFifo() {
    path_ = (test::FreshTestFolder() / "lp").string();
    mkfifo(path_.c_str(), 0600);
    CProfile profile(platform::ConfigFolder() + "/ostrane.ini");
    profile.WriteString("Printer", "LPT1", path_);
    // Read and write: the FIFO always has a writer, so reading waits for data instead of
    // ending between jobs, and it always has a reader, so the port opens.
    fd_ = open(path_.c_str(), O_RDWR | O_CLOEXEC);
  }
  ~PortFifo() { close(fd_); }
  bool Ok() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }
  std::string Read(size_t count) {
    std::string bytes;
    char buffer[65536];
    while (bytes.size() < count) {
      const ssize_t n = read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
      if (n <= 0) break;
      bytes.append(buffer, static_cast<size_t>(n));
    }
    return bytes;
  }

 private:
  std::string path_;
  int fd_ = -1;
};

TEST(PrintCancelTest, ACancelEndsAWriteToADeviceThatDoesNotDrain) {
  PortFifo port;
  ASSERT_TRUE(port.Ok());
  platform::CPrintCancel cancel;
  int error = 0;
  const auto output = platform::OpenPrintDevice(port.Path(), error, cancel);
  ASSERT_NE(output, nullptr) << error;
  const std::string bytes = Payload(1024 * 1024, 3);
  bool written = true;
  std::thread writer([&] {
    written = output->Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  });
  // Whatever the write has reached, the cancel ends it.
  cancel.Cancel();
  EXPECT_TRUE(ReturnsSoon([&] { writer.join(); }));
  EXPECT_FALSE(written);
  EXPECT_FALSE(output->Finish());
}

void ConfigurePort(CVT420Doc& doc) {
  std::lock_guard lock(doc.Terminal().Mutex());
  doc.Settings().SetInt(S::PrintTo, 2);
  doc.Settings().SetInt(S::PrintPort, 0);
  doc.Settings().SetInt(S::JobTimeout, 0);
}

TEST(PortPrinterTest, SeveralJobsArriveWholeAndInOrderWhileTheReaderIsSlow) {
  PortFifo port;
  ASSERT_TRUE(port.Ok());
  std::string expected;
  auto doc = std::make_unique<CVT420Doc>();
  ConfigurePort(*doc);
  // Each job is larger than the FIFO holds, so the printer really makes the print thread wait.
  for (unsigned job = 0; job < 3; ++job) {
    const std::string payload = Payload(100 * 1024 + job, job);
    expected += payload;
    ASSERT_TRUE(ReturnsSoon([&] { Receive(*doc, "\x1b[5i" + payload + "\x1b[4ishown"); }));
  }
  EXPECT_EQ(Row(*doc, 0, 15), "shownshownshown");
  const std::string printed = port.Read(expected.size());
  EXPECT_TRUE(printed == expected) << printed.size() << " of " << expected.size() << " bytes";
  doc.reset();
}

TEST(PortPrinterTest, ClosingTheSessionGivesUpAPortThatDoesNotDrain) {
  PortFifo port;
  ASSERT_TRUE(port.Ok());
  auto doc = std::make_unique<CVT420Doc>();
  ConfigurePort(*doc);
  // Nobody reads: the FIFO fills and the print thread waits on it.
  EXPECT_TRUE(
      ReturnsSoon([&] { Receive(*doc, "\x1b[5i" + Payload(1024 * 1024, 7) + "\x1b[4iup"); }));
  EXPECT_EQ(Row(*doc, 0, 2), "up");
  EXPECT_TRUE(ReturnsSoon([&] { doc.reset(); }));
}

}  // namespace
}  // namespace ostrane
