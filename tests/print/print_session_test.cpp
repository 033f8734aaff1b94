#include "print/print_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "print/page_writer.h"
#include "print/print_messages.h"
#include "print/print_queue.h"
#include "print_fakes.h"

namespace ostrane {
namespace {

using test::CFakePrintDevices;

std::vector<std::u16string> NumberedLines(int count) {
  std::vector<std::u16string> lines;
  for (int i = 0; i < count; ++i) {
    const std::string text = "line " + std::to_string(i);
    lines.emplace_back(text.begin(), text.end());
  }
  return lines;
}

PrintSetup SetupFor(PrintDestination destination) {
  PrintSetup setup;
  setup.destination = destination;
  setup.title = "test";
  return setup;
}

// Waits for a job timer without asserting on its speed: up to ten seconds.
template <typename Done>
bool WaitFor(Done done) {
  for (int i = 0; i < 1000 && !done(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

TEST(PrintDocumentTest, SixtyLinesFillOnePageAndTheSixtyFirstStartsASecond) {
  for (const int count : {60, 61}) {
    CFakePrintDevices devices;
    platform::CPrintCancel never;
    ASSERT_TRUE(PrintDocumentOn(devices, SetupFor(PrintDestination::kPagePrinter),
                                NumberedLines(count), never)
                    .printed);
    const test::PageRecord& doc = devices.Document(0);
    ASSERT_EQ(doc.pages.size(), count == 60 ? 1u : 2u) << count;
    EXPECT_EQ(doc.pages[0].lines.size(), 60u);
    EXPECT_EQ(doc.pages[0].lines.back().first, 59);
    if (count == 61) {
      ASSERT_EQ(doc.pages[1].lines.size(), 1u);
      EXPECT_EQ(doc.pages[1].lines[0], std::make_pair(0, std::u16string(u"line 60")));
    }
    EXPECT_TRUE(doc.ended);
    EXPECT_FALSE(doc.pageOpen);
  }
}

TEST(PrintDocumentTest, APageThatFailsAbortsTheDocumentAndPrintsNoMore) {
  CFakePrintDevices devices;
  devices.failPage = 1;
  platform::CPrintCancel never;
  EXPECT_FALSE(
      PrintDocumentOn(devices, SetupFor(PrintDestination::kPagePrinter), NumberedLines(130), never)
          .printed);
  const test::PageRecord& doc = devices.Document(0);
  EXPECT_EQ(doc.pages.size(), 1u);
  EXPECT_TRUE(doc.aborted);
  EXPECT_FALSE(doc.ended);
}

TEST(PageLayoutTest, AFontWithoutACellOrLargerThanThePageCannotBeSetUp) {
  EXPECT_FALSE(LayoutFor({600, 600, 0, 10}));
  EXPECT_FALSE(LayoutFor({600, 600, 10, 0}));
  EXPECT_FALSE(LayoutFor({600, 600, 10, 601}));
  EXPECT_FALSE(LayoutFor({5, 600, 10, 10}));
  // A tiny font on a wide page is capped to the line buffer.
  const auto tiny = LayoutFor({100000, 600, 1, 1});
  ASSERT_TRUE(tiny);
  EXPECT_EQ(tiny->charsPerLine, kPrintLineChars);
  EXPECT_EQ(tiny->linesPerPage, 600);

  CFakePrintDevices devices;
  devices.metrics = {600, 600, 10, 0};
  platform::CPrintCancel never;
  const DocumentResult document =
      PrintDocumentOn(devices, SetupFor(PrintDestination::kPagePrinter), NumberedLines(3), never);
  EXPECT_FALSE(document.printed);
  EXPECT_EQ(document.message, kTextCannotSetupPrinter);
  // The job's printer is opened on the print thread, which tells the failure from there; so is
  // a queued document's.
  CPrintSession session(devices);
  session.QueueLines(SetupFor(PrintDestination::kPagePrinter), NumberedLines(3));
  EXPECT_TRUE(session.StartOutput(SetupFor(PrintDestination::kPagePrinter), {}));
  ASSERT_TRUE(WaitFor([&] { return session.OpenFailed(); }));
  EXPECT_FALSE(session.JobOpen());
  ASSERT_TRUE(WaitFor([&] { return devices.Messages().size() == 2; }));
  EXPECT_EQ(devices.Messages(), std::vector<std::string>(2, std::string(kTextCannotSetupPrinter)));
}

TEST(PageChannelTest, BytesBecomeLinesPagesAndBrokenLongLines) {
  CFakePrintDevices devices;
  devices.metrics = {40, 30, 10, 10};  // 3 lines of 4 characters
  {
    CPrintSession session(devices);
    // Lower case comes out as upper case, as a character set would; 0 drops the byte.
    ASSERT_TRUE(session.StartOutput(SetupFor(PrintDestination::kPagePrinter), [](uint8_t b) {
      return b == '#' ? char16_t{0} : static_cast<char16_t>(b >= 'a' && b <= 'z' ? b - 32 : b);
    }));
    for (char c : std::string("ab\r#c\nlongerli\fne\n\n\fx"))
      session.PutByte(static_cast<uint8_t>(c));
    session.EndOutput(0);
  }
  const test::PageRecord& doc = devices.Document(0);
  ASSERT_TRUE(doc.ended);
  ASSERT_EQ(doc.pages.size(), 4u);
  using Lines = std::vector<std::pair<int, std::u16string>>;
  // CR never appears; "longerli" is broken after four characters and fills the page.
  EXPECT_EQ(doc.pages[0].lines, (Lines{{0, u"ABC"}, {1, u"LONG"}, {2, u"ERLI"}}));
  // A form feed right after a full page gives an empty page.
  EXPECT_TRUE(doc.pages[1].lines.empty());
  // The blank line takes its place; the form feed ends the page.
  EXPECT_EQ(doc.pages[2].lines, (Lines{{0, u"NE"}}));
  // A line still gathered when the job closes is printed.
  EXPECT_EQ(doc.pages[3].lines, (Lines{{0, u"X"}}));
}

TEST(RawJobTest, OutputSoonAfterJoinsTheJobAndTheTimerFinishesIt) {
  CFakePrintDevices devices;
  PrintSetup setup = SetupFor(PrintDestination::kRawJob);
  setup.formFeedAtClose = true;
  {
    CPrintSession session(devices);
    ASSERT_TRUE(session.StartOutput(setup, {}));
    for (char c : std::string("one\r\n")) session.PutByte(static_cast<uint8_t>(c));
    session.EndOutput(1);
    // Still open: the second output goes into the same job.
    ASSERT_TRUE(session.StartOutput(setup, {}));
    session.PutLine(u"two   ");
    session.EndOutput(1);
    EXPECT_TRUE(session.JobOpen());
    ASSERT_TRUE(WaitFor([&] { return !session.JobOpen(); }));
    // The job ended while the session goes on.
    ASSERT_TRUE(WaitFor([&] { return devices.Jobs() == 1 && devices.Job(0).dropped; }));
  }
  EXPECT_EQ(devices.Jobs(), 1u);
  const test::OutputRecord job = devices.Job(0);
  EXPECT_EQ(job.bytes, "one\r\ntwo\r\n\f");
  EXPECT_TRUE(job.finished);
  EXPECT_TRUE(job.dropped);
}

TEST(RawJobTest, ZeroOrNegativeTimeoutAndClosingTheSessionEndTheJobAtOnce) {
  for (const int timeout : {0, -5}) {
    CFakePrintDevices devices;
    CPrintSession session(devices);
    ASSERT_TRUE(session.StartOutput(SetupFor(PrintDestination::kRawJob), {}));
    session.PutByte('a');
    session.EndOutput(timeout);
    EXPECT_FALSE(session.JobOpen()) << timeout;
    ASSERT_TRUE(WaitFor([&] { return devices.Jobs() == 1 && devices.Job(0).finished; }));
    EXPECT_EQ(devices.Job(0).bytes, "a");
  }
  CFakePrintDevices devices;
  {
    CPrintSession session(devices);
    ASSERT_TRUE(session.StartOutput(SetupFor(PrintDestination::kRawJob), {}));
    session.PutByte('b');
    session.EndOutput(3600);
  }
  EXPECT_TRUE(devices.Job(0).finished);
  EXPECT_EQ(devices.Job(0).bytes, "b");
}

TEST(RawJobTest, MoreThanABufferOfBytesArrivesWholeAndInOrder) {
  CFakePrintDevices devices;
  std::string sent;
  {
    CPrintSession session(devices);
    ASSERT_TRUE(session.StartOutput(SetupFor(PrintDestination::kRawJob), {}));
    for (int i = 0; i < 5000; ++i) sent += static_cast<char>(i * 7);
    for (char c : sent) session.PutByte(static_cast<uint8_t>(c));
    session.EndOutput(0);
  }
  EXPECT_EQ(devices.Job(0).bytes, sent);
}

TEST(RawJobTest, AJobThatCannotOpenIsReportedWithItsCode) {
  CFakePrintDevices devices;
  devices.rawError = 1280;
  CPrintSession session(devices);
  // A job whose printer could not be opened is not taken back by the next output.
  EXPECT_TRUE(session.StartOutput(SetupFor(PrintDestination::kRawJob), {}));
  session.PutByte('x');
  ASSERT_TRUE(WaitFor([&] { return session.OpenFailed(); }));
  EXPECT_TRUE(session.StartOutput(SetupFor(PrintDestination::kPort), {}));
  ASSERT_TRUE(WaitFor([&] { return devices.Messages().size() == 2; }));
  EXPECT_EQ(devices.Messages(),
            (std::vector<std::string>{"Cannot initialize printer. Error code = 1280",
                                      "Cannot initialize printer. Error code = 2"}));
  EXPECT_FALSE(session.JobOpen());
}

}  // namespace
}  // namespace ostrane
