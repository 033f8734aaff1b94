// Printer-controller and auto-print output of a session, and of ostrane-cli, as raw jobs on a
// private CUPS scheduler whose queue writes each job to a file.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>

#include "cups_server.h"
#include "peers/peer_process.h"
#include "session/vt420_doc.h"
#include "settings/settings_table.h"

namespace ostrane {
namespace {

using test::CTestCupsServer;

class CupsPrintTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new CTestCupsServer; }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(server_->Running()) << "cupsd did not start";
    queue_ = testing::UnitTest::GetInstance()->current_test_info()->name();
    out_ = server_->AddRawQueue(queue_);
    ASSERT_FALSE(out_.empty());
  }
  void Configure(CVT420Doc& doc, int jobTimeout) {
    std::lock_guard lock(doc.Terminal().Mutex());
    CSettingsSet& s = doc.Settings();
    s.SetInt(S::PrintTo, 0);
    s.SetInt(S::DefaultPrinter, 0);
    s.SetStr(S::PrinterName, queue_);
    s.SetInt(S::JobTimeout, jobTimeout);
  }
  static void Receive(CVT420Doc& doc, std::string_view bytes) {
    doc.DeliverReceived(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::string Row(CVT420Doc& doc, int row) {
    std::lock_guard lock(doc.Terminal().Mutex());
    const auto line = doc.Terminal().Screen().GetPageRow(row);
    std::string text;
    for (int i = 0; i < 20; ++i) text += static_cast<char>(line->chars[i]);
    return text;
  }

  static CTestCupsServer* server_;
  std::string queue_;
  std::string out_;
};

CTestCupsServer* CupsPrintTest::server_ = nullptr;

// Every byte value but the two introducers, so that nothing ends the mode by accident.
// Waits for the print thread without asserting on its speed: up to twenty seconds.
template <typename Done>
bool WaitUntil(Done done) {
  for (int i = 0; i < 2000 && !done(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

std::string AllBytes() {
  std::string bytes;
  for (int i = 0; i < 256; ++i)
    if (i != 0x1B && i != 0x9B) bytes += static_cast<char>(i);
  return bytes;
}

TEST_F(CupsPrintTest, ControllerBytesArriveExactlyAndTheScreenIsUntouched) {
  {
    CVT420Doc doc;
    Configure(doc, 0);
    // Held bytes of sequences that do not end the mode are printed as they came; a repeated
    // CSI 5 i is swallowed; the end comes split over chunks.
    Receive(doc, "before\x1b[5i");
    Receive(doc, AllBytes());
    Receive(doc,
            "\x1b[4x|\x1b[5i|\x9b"
            "5i|\x1bZ\x1b[");
    Receive(doc, "4");
    Receive(doc, "iafter");
    EXPECT_EQ(Row(doc, 0).substr(0, 11), "beforeafter");
    EXPECT_FALSE(doc.PrintJobOpen());
  }
  ASSERT_TRUE(server_->WaitCompleted(queue_, 1));
  EXPECT_EQ(CTestCupsServer::ReadFile(out_), AllBytes() + "\x1b[4x|||\x1bZ");
}

TEST_F(CupsPrintTest, ABrokenPrefixStillLetsTheEndSequenceEndTheMode) {
  {
    CVT420Doc doc;
    Configure(doc, 0);
    Receive(doc, "\x1b[5iA\x1b\x1b[4iB");
    Receive(doc, "\x1b[5iC\x1b[\x1b[4iD");
    Receive(doc, "\x1b[5iE\x9b\x1b[4iF");
    Receive(doc,
            "\x1b[5iG\x1b[4\x9b"
            "4iH");
    EXPECT_EQ(Row(doc, 0).substr(0, 5), "BDFH ");
    EXPECT_FALSE(doc.PrintJobOpen());
  }
  ASSERT_TRUE(server_->WaitCompleted(queue_, 4));
  EXPECT_EQ(CTestCupsServer::ReadFile(out_),
            "A\x1b"
            "C\x1b["
            "E\x9b"
            "G\x1b[4");
}

TEST_F(CupsPrintTest, OutputWithinJobTimeoutIsOneJobClosedWhileTheSessionGoesOn) {
  CVT420Doc doc;
  Configure(doc, 1);
  Receive(doc, "\x1b[5ifirst\r\n\x1b[4i");
  Receive(doc, "\x1b[?5i");  // auto print
  Receive(doc, "line one\r\nline two\r\n\x1b[?4i");
  Receive(doc, "\x1b[5ilast\x1b[4i");
  EXPECT_TRUE(doc.PrintJobOpen());
  // The timer closes the job on its own; the session stays.
  ASSERT_TRUE(server_->WaitCompleted(queue_, 1));
  EXPECT_FALSE(doc.PrintJobOpen());
  EXPECT_EQ(server_->CompletedJobs(queue_), 1);
  EXPECT_EQ(CTestCupsServer::ReadFile(out_), "first\r\nline one\r\nline two\r\nlast");
}

TEST_F(CupsPrintTest, ClosingTheSessionEndsAJobKeptOpenAndFormFeedIsAdded) {
  {
    CVT420Doc doc;
    Configure(doc, 3600);
    {
      std::lock_guard lock(doc.Terminal().Mutex());
      doc.Settings().SetInt(S::FFNeeded, 1);
    }
    Receive(doc, "\x1b[5idata\x1b[4i");
    EXPECT_TRUE(doc.PrintJobOpen());
  }
  ASSERT_TRUE(server_->WaitCompleted(queue_, 1));
  EXPECT_EQ(CTestCupsServer::ReadFile(out_), "data\f");
}

TEST_F(CupsPrintTest, PagePrintingWithoutAWindowSendsTextPages) {
  {
    CVT420Doc doc;
    Configure(doc, 0);
    {
      std::lock_guard lock(doc.Terminal().Mutex());
      doc.Settings().SetInt(S::PrintTo, 1);
    }
    // Lines end with LF, blank lines stay, a form feed ends the page; CR and ESC are dropped.
    Receive(doc, "\x1b[5iabc\r\n\x1b\x01\nx\fy\x1b[4i");
  }
  ASSERT_TRUE(server_->WaitCompleted(queue_, 1));
  EXPECT_EQ(CTestCupsServer::ReadFile(out_), "abc\n\nx\n\fy\n\f");
}

TEST_F(CupsPrintTest, AQueueThatDoesNotExistIsReportedAndTurnsTheModeBackOff) {
  std::vector<std::string> messages;
  std::mutex mutex;
  CSystemPrintDevices devices([&](const std::string& text) {
    std::lock_guard lock(mutex);
    messages.push_back(text);
  });
  CVT420Doc doc;
  doc.SetPrintDevices(&devices);
  Configure(doc, 0);
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    doc.Settings().SetStr(S::PrinterName, "no_such_queue");
  }
  // The worker does not wait for the printer: what comes before the failure is known goes to
  // the job, and is dropped with it.
  Receive(doc, "\x1b[5idropped");
  ASSERT_TRUE(WaitUntil([&] { return !doc.PrintJobOpen(); }));
  Receive(doc, "shown");
  EXPECT_EQ(Row(doc, 0).substr(0, 5), "shown");
  EXPECT_EQ(doc.CurrentPrintMode(), PrintMode::kNone);
  std::lock_guard lock(mutex);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("Cannot initialize printer. Error code = ", 0), 0u) << messages[0];
}

TEST_F(CupsPrintTest, OstraneCliPrintsThroughTheQueueAndClosesTheJobOnItsTimer) {
  // The local loop gives back what is sent. The script step, while the session goes on, waits
  // past JobTimeout and copies what the queue has printed by then.
  const std::string snapshot = out_ + ".during";
  const std::string script = out_ + ".oss";
  std::ofstream(script) << "sys.Sleep(4000); sys.System(\"cp " << out_ << " " << snapshot
                        << "\");\n";
  const test::CliResult r = test::RunCli({"--set",    "HostType=2",
                                          "--set",    "PrintTo=0",
                                          "--set",    "DefaultPrinter=0",
                                          "--set",    "PrinterName=" + queue_,
                                          "--set",    "JobTimeout=1",
                                          "--send",   "shown<ESC>[5iprinted<CR><LF><ESC>[4",
                                          "--send",   "i<ESC>[?5iauto<CR><LF><ESC>[?4i",
                                          "--until",  "auto",
                                          "--script", script,
                                          "--for",    "30"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"shownauto"), std::string::npos) << r.out;
  ASSERT_TRUE(server_->WaitCompleted(queue_, 1));
  EXPECT_EQ(server_->CompletedJobs(queue_), 1);
  const std::string printed = "printed\r\nshownauto\r\n";
  EXPECT_EQ(CTestCupsServer::ReadFile(out_), printed);
  EXPECT_EQ(CTestCupsServer::ReadFile(snapshot), printed);
}

TEST_F(CupsPrintTest, OstraneCliReportsAPrinterItCannotOpen) {
  // The second output comes after the print thread found the queue missing, so it is shown.
  const std::string script = out_ + ".oss";
  std::ofstream(script) << "sys.Sleep(1000);\n";
  const test::CliResult r =
      test::RunCli({"--set", "HostType=2", "--set", "PrintTo=0", "--set", "DefaultPrinter=0",
                    "--set", "PrinterName=no_such_queue", "--send", "<ESC>[5ix", "--script", script,
                    "--send", "y", "--until", "y", "--for", "20"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Cannot initialize printer. Error code = "), std::string::npos) << r.err;
}

}  // namespace
}  // namespace ostrane
