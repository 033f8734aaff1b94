// The receive side: matching alternatives and counts, the queue between waits, timeouts, stops
// and receive routines, fed with bytes as the session's data thread would.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "script/script_receiver.h"
#include "script/wait_matcher.h"
#include "script_test_host.h"

namespace ostrane {
namespace {

using namespace std::chrono_literals;
using script::CScriptReceiver;
using script::CWaitMatcher;

std::string MatchIn(std::string_view alternatives, std::string_view received) {
  CWaitMatcher m;
  m.StartPatterns(alternatives);
  for (char c : received) {
    if (m.Feed(static_cast<uint8_t>(c))) return m.Result();
  }
  return "<none>";
}

TEST(WaitMatcher, AlternativesRestartWithOnlyAOneCharacterPrefix) {
  EXPECT_EQ(MatchIn("aab", "aaab"), "<none>");
  EXPECT_EQ(MatchIn("ab", "aaab"), "ab");
  EXPECT_EQ(MatchIn("abc|bc", "abc"), "abc");  // the first alternative in order wins
  EXPECT_EQ(MatchIn("login:|Login:", "Welcome\r\nLogin:"), "Login:");
  EXPECT_EQ(MatchIn("B", "b"), "<none>");
  EXPECT_EQ(MatchIn("a||b", "xb"), "b");  // the empty alternative never matches
  EXPECT_EQ(MatchIn("", "anything"), "<none>");
}

void Feed(CScriptReceiver& r, std::string_view bytes) {
  r.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(ScriptReceiver, QueuedBytesAreMatchedAndWhatFollowsAMatchStaysQueued) {
  CScriptReceiver r;
  // "login:" and "Password:" in one burst before anyone waits: both waits are satisfied.
  Feed(r, "host login: Password: rest");
  EXPECT_EQ(r.WaitFor("login:", 0ms, {}), "login:");
  EXPECT_EQ(r.WaitFor("word:", 0ms, {}), "word:");
  EXPECT_EQ(r.Get(5, 0ms), " rest");
}

TEST(ScriptReceiver, GetTakesQueuedBytesAtOnceAndPartialOnTimeout) {
  CScriptReceiver r;
  Feed(r, "abcdef");
  EXPECT_EQ(r.Get(3, 0ms), "abc");
  EXPECT_EQ(r.Get(10, 50ms), "def");
}

TEST(ScriptReceiver, QueueKeepsAtMost4096Bytes) {
  CScriptReceiver r;
  Feed(r, std::string(5000, 'x'));
  EXPECT_EQ(r.Get(5000, 50ms).size(), 4096u);
}

TEST(ScriptReceiver, TimeoutEndsTheWaitAndLaterBytesAreQueued) {
  CScriptReceiver r;
  EXPECT_EQ(r.WaitFor("ready", 30ms, {}), "");
  // Bytes after the timeout are not matched against the old pattern (they would vanish) but
  // kept for the next wait.
  Feed(r, "ready now");
  EXPECT_EQ(r.WaitFor("now", 0ms, {}), "now");
}

TEST(ScriptReceiver, AWaitWakesWhenItsPatternArrivesFromAnotherThread) {
  CScriptReceiver r;
  auto waiting = std::async(std::launch::async, [&] { return r.WaitFor("$ |# ", 5000ms, {}); });
  std::this_thread::sleep_for(20ms);
  Feed(r, "prompt# ");
  EXPECT_EQ(waiting.get(), "# ");
}

TEST(ScriptReceiver, StopWakesAnEndlessWaitAndLaterWaitsReturnAtOnce) {
  CScriptReceiver r;
  auto waiting = std::async(std::launch::async, [&] { return r.WaitFor("never", 0ms, {}); });
  std::this_thread::sleep_for(20ms);
  r.Stop();
  EXPECT_EQ(waiting.get(), "");
  EXPECT_EQ(r.Get(1, 0ms), "");
}

TEST(ScriptReceiver, RoutineSeesEveryByteUntilTheMatchOrItsRemoval) {
  CScriptReceiver r;
  std::string seen;
  int calls = 0;
  Feed(r, "abXcd");
  auto routine = [&](uint8_t b) {
    seen.push_back(static_cast<char>(b));
    return ++calls < 10;
  };
  EXPECT_EQ(r.WaitFor("X", 0ms, routine), "X");
  EXPECT_EQ(seen, "abX");
  // A routine that asks to be removed sees no more bytes, while the wait goes on.
  seen.clear();
  calls = 0;
  auto once = [&](uint8_t b) {
    seen.push_back(static_cast<char>(b));
    return false;
  };
  EXPECT_EQ(r.WaitFor("d", 0ms, once), "d");
  EXPECT_EQ(seen, "c");
}

// Scripts waiting on a thread of their own, fed like a session.
TEST(ScriptReceiveSide, WaitGetAndRoutineInAScript) {
  test::CTestScriptHost host;
  script::CScript s(host, script::kUnnamedScript,
                    "function onrecv(c) { count = count + 1; }\n"
                    "count = 0;\n"
                    "a = term.Wait(\"login:|Login:\", 10, onrecv);\n"
                    "b = term.Get(3, 10);\n"
                    "c = wait(\"nothing\", 1);\n"
                    "send(a + \"/\" + b + \"/\" + c + \"/\" + count);",
                    false);
  s.Start();
  const std::string data = "Welcome\r\nLogin:abc";
  s.Feed(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  s.Join();
  EXPECT_EQ(host.Sent(), "Login:/abc//15");
  EXPECT_FALSE(s.Error());
}

TEST(ScriptReceiveSide, ARoutineErrorIsReportedOnceAndTheWaitGoesOn) {
  test::CTestScriptHost host;
  script::CScript s(host, script::kUnnamedScript,
                    "function r(c) { x = unknown; }\nsend(term.Wait(\"ok\", 10, r));", false);
  s.Start();
  const std::string data = "xyzok";
  s.Feed(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  s.Join();
  EXPECT_EQ(host.Sent(), "ok");
  ASSERT_EQ(host.routineReports.size(), 1u);
  EXPECT_EQ(host.routineReports[0],
            "Script error in OnRecv routine: Variable not found.\n====>\"unknown\"");
}

TEST(ScriptReceiveSide, RoutinesMayNotWaitAndCannotLoopForever) {
  test::CTestScriptHost host;
  script::CScript s(host, script::kUnnamedScript,
                    "function w(c) { sys.Sleep(10000); }\n"
                    "function spin(c) { while (1) { } }\n"
                    "a = term.Wait(\"1\", 10, w); b = term.Wait(\"2\", 10, spin); send(a + b);",
                    false);
  s.Start();
  s.Feed(reinterpret_cast<const uint8_t*>("12"), 2);
  s.Join();
  EXPECT_EQ(host.Sent(), "12");
  ASSERT_EQ(host.routineReports.size(), 2u);
  EXPECT_NE(host.routineReports[0].find("Not allowed in a receive routine"), std::string::npos);
  EXPECT_NE(host.routineReports[1].find("Too many statements"), std::string::npos);
}

TEST(ScriptReceiveSide, StopEndsWaitsSleepsAndLoopsWithoutAReport) {
  const char* scripts[] = {"term.Wait(\"never\");", "term.Get(10);",
                           "sys.Sleep(0 - 1); Sleep(600000);", "while (1) { }",
                           "function f() { while (1) { x = 1; } } f();"};
  for (const char* text : scripts) {
    test::CTestScriptHost host;
    script::CScript s(host, script::kUnnamedScript, text, false);
    s.Start();
    std::this_thread::sleep_for(20ms);
    s.RequestStop();
    s.Join();
    EXPECT_EQ(s.GetState(), script::CScript::State::kFinished) << text;
    EXPECT_FALSE(s.Error()) << text;
    EXPECT_TRUE(host.reports.empty()) << text;
  }
}

}  // namespace
}  // namespace ostrane
