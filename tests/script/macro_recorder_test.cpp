// The macro recorder: what it writes for writes and pauses, and that what it writes parses
// back to the bytes that were sent.
#include "script/macro_recorder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "script/script_test_host.h"

namespace ostrane {
namespace {

using script::CMacroRecorder;

// A clock the test moves by hand.
struct ManualClock {
  std::atomic<int64_t> now{1000};
  CMacroRecorder::Clock Get() {
    return [this] { return now.load(); };
  }
};

TEST(MacroRecorder, WritesCloseTogetherMakeOneSendAndPausesMakeASleep) {
  ManualClock clock;
  CMacroRecorder r(clock.Get());
  r.Start();
  r.Record("l");
  clock.now += 200;
  r.Record("s");
  clock.now += 500;  // exactly the limit: still one call
  r.Record("\r");
  clock.now += 2000;
  r.Record("b");
  EXPECT_EQ(r.Stop(), "term.Send(\"ls<CR>\");\r\nsys.Sleep(2000);\r\nterm.Send(\"b\");\r\n");
  // Stopped: nothing more is recorded, and a second stop gives nothing.
  r.Record("x");
  EXPECT_EQ(r.Stop(), "");
}

TEST(MacroRecorder, FirstWriteAtTheStartInstantStillTimesTheNextPause) {
  // The first write's time is 0 ms after the start; a pause after it is measured all the same.
  ManualClock clock;
  CMacroRecorder r(clock.Get());
  r.Start();
  r.Record("a");
  clock.now += 900;
  r.Record("b");
  EXPECT_EQ(r.Stop(), "term.Send(\"a\");\r\nsys.Sleep(900);\r\nterm.Send(\"b\");\r\n");
}

TEST(MacroRecorder, NothingSentGivesAnEmptyMacroAndStartDoesNotRestart) {
  ManualClock clock;
  CMacroRecorder r(clock.Get());
  EXPECT_FALSE(r.IsRecording());
  r.Record("ignored");
  r.Start();
  EXPECT_TRUE(r.IsRecording());
  EXPECT_EQ(r.Stop(), "");
  r.Start();
  r.Record("a");
  r.Start();  // already recording: the macro so far is kept
  r.Record("b");
  EXPECT_EQ(r.Stop(), "term.Send(\"ab\");\r\n");
}

TEST(MacroRecorder, RecordedBytesReplayExactlyIncludingQuotesAndEscapes) {
  ManualClock clock;
  CMacroRecorder r(clock.Get());
  r.Start();
  const std::string bytes = std::string("say \"hi\" \\ <x> ^A 'q'\x1b[A\x01\x7f\xe9\r\n", 29);
  r.Record(bytes);
  const std::string macro = r.Stop();
  EXPECT_EQ(macro.find("\"hi\""), std::string::npos) << macro;
  test::CTestScriptHost host;
  const test::RunResult replay = test::RunScript(host, macro);
  ASSERT_EQ(replay.Code(), 0) << macro;
  EXPECT_EQ(replay.sent, bytes);
}

TEST(MacroRecorder, WritesFromSeveralThreadsAreAllKept) {
  CMacroRecorder r;
  r.Start();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&r] {
      for (int i = 0; i < 500; ++i) r.Record("x");
    });
  for (auto& t : threads) t.join();
  const std::string macro = r.Stop();
  test::CTestScriptHost host;
  const test::RunResult replay = test::RunScript(host, macro);
  EXPECT_EQ(replay.sent, std::string(2000, 'x'));
}

}  // namespace
}  // namespace ostrane
