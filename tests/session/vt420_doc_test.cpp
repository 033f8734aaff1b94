#include "session/vt420_doc.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "peers/scripted_peer.h"
#include "session/screen_json.h"
#include "settings/message_texts.h"

namespace ostrane {
namespace {

using test::CScriptedPeer;

// Answers from a list and records every question.
class CRecordingQuestions : public IQuestions {
 public:
  MessageAnswer AskMessage(const MessageQuestion& q) override {
    std::lock_guard lock(mutex_);
    asked.push_back(q);
    if (answers.empty()) return q.defaultAnswer;
    const MessageAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> ChooseFile(const FileQuestion& q) override {
    files.push_back(q);
    return chosenFile;
  }
  std::vector<int> Ids() {
    std::lock_guard lock(mutex_);
    std::vector<int> ids;
    for (const auto& q : asked) ids.push_back(q.messageId);
    return ids;
  }
  std::mutex mutex_;
  std::deque<MessageAnswer> answers;
  std::vector<MessageQuestion> asked;
  std::vector<FileQuestion> files;
  std::optional<std::string> chosenFile;
};

// Counts received bytes and connection news.
class CWatcher : public ISessionMonitor, public ISessionView {
 public:
  void Sent(const uint8_t* data, size_t length) override {
    std::lock_guard lock(mutex_);
    sent.append(reinterpret_cast<const char*>(data), length);
  }
  void Received(const uint8_t*, size_t length) override {
    {
      std::lock_guard lock(mutex_);
      received += length;
    }
    changed_.notify_all();
  }
  void ConnectionChanged(bool ended) override {
    {
      std::lock_guard lock(mutex_);
      news.push_back(ended);
    }
    changed_.notify_all();
  }
  void Bell() override { ++bells; }
  void HostClipboard(const std::string& text) override {
    std::lock_guard lock(mutex_);
    clipboard = text;
  }
  bool WaitReceived(size_t n, int timeoutMs = 20000) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return received >= n; });
  }
  bool WaitNews(size_t n, int timeoutMs = 10000) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return news.size() >= n; });
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t received = 0;
  std::string sent;
  std::vector<bool> news;
  std::atomic<int> bells = 0;
  std::string clipboard;
};

class SessionDocument : public ::testing::Test {
 protected:
  SessionDocument() {
    doc_.SetQuestions(&questions_);
    doc_.SetMonitor(&watcher_);
    doc_.AddView(&watcher_);
  }
  ~SessionDocument() override { doc_.RemoveView(&watcher_); }

  void Set(int position, int value) {
    std::lock_guard lock(doc_.Terminal().Mutex());
    doc_.Settings().SetInt(position, value);
  }
  void SetText(int position, const std::string& value) {
    std::lock_guard lock(doc_.Terminal().Mutex());
    doc_.Settings().SetStr(position, value);
  }
  bool WaitState(TransportState state) {
    for (int i = 0; i < 2500 && doc_.ConnectionState() != state; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return doc_.ConnectionState() == state;
  }
  void StartLocal() {
    Set(S::HostType, 2);
    ASSERT_TRUE(doc_.StartNewSession());
    ASSERT_TRUE(WaitState(TransportState::kConnected));
  }
  bool Send(const std::string& s) {
    return doc_.Send(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  }
  std::string Row(int row) {
    std::lock_guard lock(doc_.Terminal().Mutex());
    const auto line = doc_.Terminal().Screen().GetPageRow(row);
    return line ? LineToText(*line, doc_.Settings().Int(S::Columns)) : std::string();
  }
  std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }
  // Starts a Telnet session to the peer and waits until it is up.
  void StartTelnet(CScriptedPeer& peer) {
    SetText(S::HostName, "127.0.0.1");
    Set(S::Port, peer.Port());
    ASSERT_TRUE(doc_.StartNewSession());
    ASSERT_TRUE(peer.Accept());
    ASSERT_TRUE(WaitState(TransportState::kConnected));
  }
  std::string TempPath(const std::string& name) {
    return (std::filesystem::path(std::getenv("OSTRANE_HOME")) / name).string();
  }

  CRecordingQuestions questions_;
  CWatcher watcher_;
  CVT420Doc doc_;
};

TEST_F(SessionDocument, DebugKindCreatesNoTransport) {
  Set(S::HostType, 4);
  EXPECT_FALSE(doc_.CreateTransport(true, false));
  EXPECT_EQ(doc_.Transport(), nullptr);
  EXPECT_TRUE(doc_.QueryDisconnect(true));
  EXPECT_TRUE(questions_.asked.empty());
}

// A kind no version knows (a session file from elsewhere): the user is told instead of the
// session ending without a word.
TEST_F(SessionDocument, KindWithoutATransportIsReported) {
  Set(S::HostType, 9);  // no connection kind has this number
  EXPECT_FALSE(doc_.CreateTransport(true, false));
  EXPECT_EQ(doc_.Transport(), nullptr);
  ASSERT_EQ(questions_.asked.size(), 1u);
  EXPECT_EQ(questions_.asked[0].text, kTextKindNotAvailable);
}

// SSH1 needs the SSH questions as SSH2 does: without them the login could not be asked for.
TEST_F(SessionDocument, Ssh1WithoutSshQuestionsIsReported) {
  Set(S::HostType, 6);
  EXPECT_FALSE(doc_.CreateTransport(true, false));
  EXPECT_EQ(doc_.Transport(), nullptr);
  ASSERT_EQ(questions_.asked.size(), 1u);
  EXPECT_EQ(questions_.asked[0].text, kTextNoSshQuestions);
}

TEST_F(SessionDocument, TitlesNameTheConnection) {
  StartLocal();
  EXPECT_EQ(doc_.Title(), "New Connection to Echo");
  doc_.SetSessionTitle("Lab");
  EXPECT_EQ(doc_.Title(), "Lab : Connection to Echo");
}

// A proxy that never greets keeps the session connecting.
TEST_F(SessionDocument, ClosingWhileConnectingAsks1001AndNoKeepsConnecting) {
  CScriptedPeer proxy;
  SetText(S::HostName, "far");
  Set(S::Port, 23);
  SetText(S::Proxy, "127.0.0.1");
  Set(S::Speed, proxy.Port());
  ASSERT_TRUE(doc_.StartNewSession());
  ASSERT_TRUE(proxy.Accept());
  questions_.answers = {MessageAnswer::kNo};
  EXPECT_FALSE(doc_.QueryDisconnect(true));
  ASSERT_EQ(questions_.asked.size(), 1u);
  const MessageQuestion& q = questions_.asked[0];
  EXPECT_EQ(q.messageId, Msg::kAbortConnecting);
  EXPECT_EQ(q.text, "This session is trying to connect to remote host.\nAre you sure to abort it?");
  EXPECT_EQ(q.buttons, MessageButtons::kYesNo);
  EXPECT_EQ(q.defaultAnswer, MessageAnswer::kNo);
  EXPECT_EQ(q.caption, "New Connection to far");
  EXPECT_EQ(doc_.ConnectionState(), TransportState::kConnecting);
  questions_.answers = {MessageAnswer::kYes};
  EXPECT_TRUE(doc_.QueryDisconnect(true));
  EXPECT_EQ(doc_.ConnectionState(), TransportState::kClosed);
  // The user stopped it: no "Cannot connect" message.
  EXPECT_EQ(questions_.Ids(), (std::vector<int>{Msg::kAbortConnecting, Msg::kAbortConnecting}));
}

TEST_F(SessionDocument, ClosingAConnectedModifiedSessionAsks1002Then1040AndSaves) {
  StartLocal();
  int saved = 0;
  doc_.SetSaveHandler([&] { return ++saved > 0; });
  doc_.SetModified(true);
  questions_.answers = {MessageAnswer::kYes, MessageAnswer::kYes};
  EXPECT_TRUE(doc_.QueryDisconnect(true));
  EXPECT_EQ(questions_.Ids(), (std::vector<int>{Msg::kStillConnected, Msg::kSaveModified}));
  EXPECT_EQ(questions_.asked[0].text,
            "This session is still connected with remote host.\nAre you sure to disconnect?");
  EXPECT_EQ(questions_.asked[1].text,
            "The terminal settings have been modified. Do you want to save the changes?");
  EXPECT_EQ(saved, 1);
  EXPECT_FALSE(doc_.IsModified());
  EXPECT_EQ(doc_.ConnectionState(), TransportState::kClosed);
}

TEST_F(SessionDocument, NoToSavingStillClearsModifiedAndDisconnects) {
  StartLocal();
  int saved = 0;
  doc_.SetSaveHandler([&] { return ++saved > 0; });
  doc_.SetModified(true);
  questions_.answers = {MessageAnswer::kYes, MessageAnswer::kNo};
  EXPECT_TRUE(doc_.QueryDisconnect(true));
  EXPECT_EQ(saved, 0);
  EXPECT_FALSE(doc_.IsModified());
  EXPECT_EQ(doc_.ConnectionState(), TransportState::kClosed);
}

TEST_F(SessionDocument, ClosingAfterTheConnectionEndedAsksNothing) {
  CScriptedPeer peer;
  SetText(S::HostName, "127.0.0.1");
  Set(S::Port, peer.Port());
  ASSERT_TRUE(doc_.StartNewSession());
  ASSERT_TRUE(peer.Accept());
  ASSERT_TRUE(WaitState(TransportState::kConnected));
  peer.CloseClient();
  ASSERT_TRUE(watcher_.WaitNews(1));
  EXPECT_EQ(watcher_.news, std::vector<bool>{true});
  EXPECT_TRUE(doc_.QueryDisconnect(true));
  EXPECT_TRUE(questions_.asked.empty());
}

TEST_F(SessionDocument, ReconnectKeepsTheScreenAndReportsTheNewConnection) {
  StartLocal();
  EXPECT_FALSE(doc_.CanReconnect());
  Send("kept");
  ASSERT_TRUE(watcher_.WaitReceived(4));
  EXPECT_TRUE(doc_.QueryDisconnect(false));
  EXPECT_TRUE(doc_.CanReconnect());
  EXPECT_TRUE(doc_.Reconnect());
  ASSERT_TRUE(WaitState(TransportState::kConnected));
  EXPECT_EQ(watcher_.news, (std::vector<bool>{true, false}));
  EXPECT_EQ(Row(0).substr(0, 4), "kept");
  Send("!");
  ASSERT_TRUE(watcher_.WaitReceived(5));
  EXPECT_EQ(Row(0).substr(0, 5), "kept!");
}

// Every character of a megabyte sent at once must reach the screen and the capture file.
TEST_F(SessionDocument, LocalLoopCapturesEveryByteOfAMegabyteSentAtOnce) {
  StartLocal();
  const std::string path = TempPath("loop.txt");
  ASSERT_TRUE(doc_.OpenCapture(path));
  std::string data, expected;
  for (int line = 0; data.size() < (1u << 20); ++line) {
    std::string text;
    for (int c = 0; c < 70; ++c) text += static_cast<char>('!' + (line * 7 + c) % 94);
    data += text + "\r\n";
    expected += text + "\r\n";
  }
  EXPECT_TRUE(Send(data));
  ASSERT_TRUE(watcher_.WaitReceived(data.size()));
  doc_.CloseCapture();
  std::ifstream file(path, std::ios::binary);
  const std::string captured{std::istreambuf_iterator<char>(file),
                             std::istreambuf_iterator<char>()};
  EXPECT_EQ(captured.size(), expected.size());
  EXPECT_TRUE(captured == expected);
}

// Each query's answer is made on the worker while it delivers, and loops back into the queue
// it is draining; far more answers than the queue holds must neither hang nor go missing.
TEST_F(SessionDocument, RepliesMadeOnTheWorkerLoopBackWithoutDeadlock) {
  StartLocal();
  std::string queries;
  for (int i = 0; i < 3000; ++i) queries += "\x1b[6n";
  // Queued whole before delivery starts. Otherwise an answer made meanwhile can land inside a
  // query that the writer, waiting for room, has put in the queue only in part, as it would on a
  // real loop, and that query is lost.
  ASSERT_NE(doc_.Transport(), nullptr);
  doc_.Transport()->SetHold(true);
  EXPECT_TRUE(Send(queries));
  doc_.Transport()->SetHold(false);
  ASSERT_TRUE(watcher_.WaitReceived(queries.size()));
  size_t replies = 0;
  for (int i = 0; i < 2000 && replies < 3000; ++i) {
    {
      std::lock_guard lock(watcher_.mutex_);
      replies = 0;
      for (size_t at = watcher_.sent.find('R'); at != std::string::npos;
           at = watcher_.sent.find('R', at + 1))
        ++replies;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(replies, 3000u);
  size_t replyBytes = 0;
  {
    std::lock_guard lock(watcher_.mutex_);
    replyBytes = watcher_.sent.size() - queries.size();
  }
  EXPECT_TRUE(watcher_.WaitReceived(queries.size() + replyBytes));
}

TEST_F(SessionDocument, TogglingHistoryOffDiscardsItAndOnStartsEmpty) {
  Set(S::History, 1);
  StartLocal();
  std::string lines;
  for (int i = 0; i < 40; ++i) lines += "line\r\n";
  Send(lines);
  ASSERT_TRUE(watcher_.WaitReceived(lines.size()));
  EXPECT_TRUE(doc_.CanClearHistory());
  doc_.ToggleHistory();
  EXPECT_FALSE(doc_.CanClearHistory());
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    EXPECT_EQ(doc_.Settings().Int(S::History), 0);
    EXPECT_EQ(doc_.Terminal().Screen().HistoryCount(), 0);
  }
  doc_.ToggleHistory();
  std::lock_guard lock(doc_.Terminal().Mutex());
  EXPECT_EQ(doc_.Settings().Int(S::History), 1);
  EXPECT_EQ(doc_.Terminal().Screen().HistoryCount(), 0);
}

TEST_F(SessionDocument, CaptureCommandStopsOrAsksForAFile) {
  const std::string path = TempPath("cap.txt");
  questions_.chosenFile = path;
  doc_.CaptureCommand();
  ASSERT_EQ(questions_.files.size(), 1u);
  EXPECT_EQ(questions_.files[0].title, "Capture Text to File");
  EXPECT_EQ(questions_.files[0].filter, "Text Files (*.txt)|*.txt|All Files (*.*) |*.*|");
  EXPECT_EQ(questions_.files[0].defaultExtension, "txt");
  EXPECT_TRUE(doc_.IsCapturing());
  doc_.CaptureCommand();  // capturing: stops without asking
  EXPECT_EQ(questions_.files.size(), 1u);
  EXPECT_FALSE(doc_.IsCapturing());
}

TEST_F(SessionDocument, CaptureThatCannotBeCreatedSaysSo) {
  EXPECT_FALSE(doc_.OpenCapture(TempPath("no/such/dir/cap.txt")));
  ASSERT_EQ(questions_.asked.size(), 1u);
  EXPECT_EQ(questions_.asked[0].text, "Cannot create the file.");
  EXPECT_FALSE(doc_.IsCapturing());
}

TEST_F(SessionDocument, ScriptFileThatCannotBeReadSaysSo) {
  EXPECT_FALSE(doc_.RunScriptFile(TempPath("missing.oss")));
  ASSERT_EQ(questions_.asked.size(), 1u);
  EXPECT_EQ(questions_.asked[0].text, "Cannot load script file.");
}

TEST_F(SessionDocument, TelnetAnnouncesNewScreenSizeAndAsksToRestartForConnectionChanges) {
  CScriptedPeer peer;
  SetText(S::HostName, "127.0.0.1");
  Set(S::Port, peer.Port());
  Set(S::SetHostSize, 1);
  ASSERT_TRUE(doc_.StartNewSession());
  ASSERT_TRUE(peer.Accept());
  ASSERT_TRUE(WaitState(TransportState::kConnected));
  Set(S::Lines, 36);
  CSettingsChange change;
  change.pageGeometry = true;
  doc_.ApplyChanges(change);
  EXPECT_EQ(peer.Read(12), std::string("\xff\xfb\x1f\xff\xfa\x1f\x00\x50\x00\x24\xff\xf0", 12));
  CSettingsChange connection;
  connection.connectionSettings = true;
  doc_.ApplyChanges(connection);
  EXPECT_EQ(questions_.Ids(), std::vector<int>{Msg::kRestartNeeded});
  EXPECT_EQ(questions_.asked[0].text,
            "You need to save the settings and restart the connection for new settings to be "
            "effective.");
}

TEST_F(SessionDocument, LocalEchoChangedInSettingsTakesEffect) {
  StartLocal();
  Set(S::LocalEcho, 1);
  CSettingsChange change;
  change.connectionSettings = true;
  doc_.ApplyChanges(change);
  Send("e");
  ASSERT_TRUE(watcher_.WaitReceived(2));
  EXPECT_EQ(Row(0).substr(0, 2), "ee");
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The keep-alive (IAC DO STATUS for Telnet) comes from the session, once per interval however
// many windows show it, and stops when KeepSession is turned off.
TEST_F(SessionDocument, KeepAliveIsSentOncePerIntervalWithTwoViewsAndStopsWhenTurnedOff) {
  CScriptedPeer peer;
  CWatcher secondView;
  doc_.AddView(&secondView);
  doc_.SetKeepAliveInterval(std::chrono::milliseconds(100));
  Set(S::KeepSession, 1);
  StartTelnet(peer);
  const auto start = std::chrono::steady_clock::now();
  const std::string seen = peer.ReadFor(1000);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const size_t keepAlives = Count(seen, "\xff\xfd\x05");
  EXPECT_EQ(keepAlives * 3, seen.size()) << "nothing but keep-alives was sent";
  EXPECT_GE(keepAlives, 3u);
  EXPECT_LE(keepAlives, static_cast<size_t>(elapsed / std::chrono::milliseconds(100)) + 1);
  Set(S::KeepSession, 0);
  CSettingsChange change;
  doc_.ApplyChanges(change);
  peer.ReadFor(150);  // one may have been on its way
  EXPECT_EQ(peer.ReadFor(400), "");
  doc_.RemoveView(&secondView);
}

// A program that writes the clipboard at once (before the session has a window) is not lost:
// the first window gets it.
TEST(SessionClipboard, AWriteBeforeTheFirstWindowReachesIt) {
  CVT420Doc doc;
  const std::string write = "\x1b]52;c;aGk=\x07";
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    doc.Settings().SetInt(S::TermID, 6);
  }
  CSettingsChange change;
  doc.ApplyChanges(change);
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    doc.Terminal().ReceiveBytes(reinterpret_cast<const uint8_t*>(write.data()), write.size());
  }
  CWatcher first, second;
  doc.AddView(&first);
  doc.AddView(&second);
  EXPECT_EQ(first.clipboard, "hi");
  EXPECT_EQ(second.clipboard, "");
  doc.RemoveView(&second);
  doc.RemoveView(&first);
}

// A login banner that rings before the session has a window rings once, in the first window;
// with WarningBell off it leaves nothing behind to ring later.
TEST(SessionBell, ABellBeforeTheFirstWindowRingsThereOnce) {
  for (const int warningBell : {1, 0}) {
    SCOPED_TRACE(warningBell);
    CScriptedPeer peer;
    // Declared before the document, so that it outlives the document's worker.
    CWatcher monitor;
    CVT420Doc doc;
    doc.SetMonitor(&monitor);
    {
      std::lock_guard lock(doc.Terminal().Mutex());
      doc.Settings().SetStr(S::HostName, "127.0.0.1");
      doc.Settings().SetInt(S::Port, peer.Port());
      doc.Settings().SetInt(S::WarningBell, warningBell);
    }
    ASSERT_TRUE(doc.StartNewSession());
    ASSERT_TRUE(peer.Accept());
    peer.Send("Welcome\a\a\r\n");
    ASSERT_TRUE(monitor.WaitReceived(11));
    CWatcher first, second;
    doc.AddView(&first);
    doc.AddView(&second);
    EXPECT_EQ(first.bells, warningBell);
    EXPECT_EQ(second.bells, 0);
    doc.RemoveView(&second);
    doc.RemoveView(&first);
    // Once a window has had the bell, a window opened later does not ring it again.
    CWatcher third;
    doc.AddView(&third);
    EXPECT_EQ(third.bells, 0);
    doc.RemoveView(&third);
  }
}

// A proxy that greets late: nothing, not even a keep-alive, goes out before the destination.
TEST_F(SessionDocument, NoKeepAliveBeforeALateProxyWasToldTheDestination) {
  CScriptedPeer proxy;
  doc_.SetKeepAliveInterval(std::chrono::milliseconds(50));
  Set(S::KeepSession, 1);
  SetText(S::HostName, "127.0.0.1");
  Set(S::Port, 4444);
  SetText(S::Proxy, "127.0.0.1");
  Set(S::Speed, proxy.Port());
  ASSERT_TRUE(doc_.StartNewSession());
  ASSERT_TRUE(proxy.Accept());
  EXPECT_EQ(proxy.ReadFor(400), "");
  proxy.Send("proxy> ");
  const std::string destination = "127.0.0.1 4444\n";
  EXPECT_EQ(proxy.Read(destination.size(), 2000), destination);
}

// The host's BEL reaches every window when WarningBell is on, a burst rings once, and a bell
// after a pause rings again.
TEST_F(SessionDocument, HostBellReachesTheViewsThinnedOutAndOnlyWithWarningBell) {
  CScriptedPeer peer;
  Set(S::WarningBell, 0);
  StartTelnet(peer);
  peer.Send("A\aB\aC\a");
  ASSERT_TRUE(watcher_.WaitReceived(6));
  EXPECT_EQ(watcher_.bells, 0);
  Set(S::WarningBell, 1);
  peer.Send("\a\a\a\a\a\a");
  ASSERT_TRUE(watcher_.WaitReceived(12));
  EXPECT_EQ(watcher_.bells, 1);
  std::this_thread::sleep_for(CBellLimiter::kMinGap + std::chrono::milliseconds(50));
  peer.Send("\a");
  ASSERT_TRUE(watcher_.WaitReceived(13));
  EXPECT_EQ(watcher_.bells, 2);
}

TEST_F(SessionDocument, NoKeepAliveWhileKeepSessionIsOff) {
  CScriptedPeer peer;
  doc_.SetKeepAliveInterval(std::chrono::milliseconds(50));
  StartTelnet(peer);
  EXPECT_EQ(peer.ReadFor(400), "");
}

// The Telnet worker records its option trace and the host's echo switch without the terminal
// lock; they reach the capture file ahead of the data received after them, and the settings.
TEST_F(SessionDocument, TelnetTraceIsCapturedAheadOfLaterDataAndEchoSwitchReachesTheSettings) {
  CScriptedPeer peer;
  Set(S::CaptureDebug, 1);
  const std::string path = TempPath("trace.txt");
  ASSERT_TRUE(doc_.OpenCapture(path));
  StartTelnet(peer);
  peer.Send(
      "\xff\xfd\x01"
      "ab");  // DO ECHO, then data
  ASSERT_TRUE(watcher_.WaitReceived(2));
  EXPECT_EQ(peer.Read(3), "\xff\xfb\x01");
  peer.Send("cd");
  ASSERT_TRUE(watcher_.WaitReceived(4));
  doc_.CloseCapture();
  EXPECT_EQ(ReadFile(path), "<OP 253 1>abcd");
  std::lock_guard lock(doc_.Terminal().Mutex());
  EXPECT_EQ(doc_.Settings().Int(S::LocalEcho), 1);
}

// A front end whose questions cover only messages cannot log in to SSH: the session says so
// and does not connect, instead of ending silently before authentication.
TEST_F(SessionDocument, SshWithoutSshQuestionsFailsLoudlyAndDoesNotConnect) {
  CScriptedPeer server;
  Set(S::HostType, static_cast<int>(TransportKind::kSsh2));
  SetText(S::HostName, "127.0.0.1");
  Set(S::Port, server.Port());
  EXPECT_FALSE(doc_.StartNewSession());
  ASSERT_EQ(questions_.asked.size(), 1u);
  EXPECT_EQ(questions_.asked[0].text, kTextNoSshQuestions);
  EXPECT_EQ(questions_.asked[0].icon, MessageIcon::kStop);
  EXPECT_FALSE(server.Accept(300));
  EXPECT_EQ(doc_.Transport(), nullptr);
}

}  // namespace
}  // namespace ostrane
