// ostrane-cli running OstraneScript: the login script against real Telnet and SSH servers,
// --script steps against a scripted host, and scripts the host starts with its control string.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "peers/peer_process.h"
#include "peers/ssh_peer.h"
#include "peers/step_peer.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

using test::CliResult;
using test::PeerExpect;
using test::PeerPause;
using test::PeerSend;
using test::RunCli;

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::filesystem::path WriteScript(const std::filesystem::path& dir, const std::string& name,
                                  const std::string& text) {
  const auto path = dir / name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string Target(int port) {
  return "127.0.0.1:" + std::to_string(port);
}

TEST(CliLoginScript, DefaultLoginScriptLogsInToTelnetdAndACommandFollows) {
  ASSERT_TRUE(test::EnsureTestUser());
  test::CTelnetdPeer telnetd;
  ASSERT_TRUE(telnetd.Ready());
  // Only the settings say who logs in: the default Script waits for the prompts and answers.
  const CliResult r =
      RunCli({"--set", "LoginScript=1", "--set", std::string("UserID=") + test::kTestUser, "--set",
              std::string("Password=") + test::kTestPassword, Target(telnetd.Port()), "--until",
              "$ ", "--send", "echo logged-$((40+2))-in<CR>", "--until", "logged-42-in", "--send",
              "exit<CR>", "--for", "30"});
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("logged-42-in"), std::string::npos) << r.out;
  // The user ID went out exactly once, followed by a carriage return.
  const std::string sent = std::string(test::kTestUser) + "<CR>";
  EXPECT_NE(r.out.find(sent), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");
}

class CliSshLoginScript : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::EnsureTestUser());
    ASSERT_TRUE(home_.Made());
  }
  test::CTempHome home_{"ostrane-sshscript"};
};

TEST_F(CliSshLoginScript, ScriptSettingRunsAfterTheSsh2LoginAndTypesACommand) {
  test::CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  const std::string script =
      "term.Wait(\"$ \", 20);\r\nterm.Send(\"echo via-$((6*7))-script<CR>\");\r\n";
  const CliResult r =
      RunCli({"--set", "HostType=5", "--set", "LoginScript=1", "--set", "Script=" + script,
              Target(sshd.Port()), "--user", test::kTestUser, "--password", test::kTestPassword,
              "--host-key", "accept", "--until", "via-42-script", "--for", "30"});
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("via-42-script"), std::string::npos) << r.out;
}

class CliScript : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = test::FreshTestFolder(); }
  std::filesystem::path dir_;
};

// One script over most of the language and its objects, against a host that prompts, echoes
// and answers; everything it learns goes to a file.
TEST_F(CliScript, ScriptStepTalksToTheHostAndWritesTheExpectedFile) {
  // A script sees what arrives after it starts, so the host waits for its greeting.
  test::CStepPeer host({PeerExpect("hello\r"), PeerSend("Welcome\r\nMenu: pick> "),
                        PeerExpect("two\r"), PeerSend("ABCDEFGH"), PeerExpect("bye\r"),
                        PeerSend("\r\nlast line\r\n")});
  const auto out = dir_ / "out.txt";
  const std::string script =
      "function fact(n) { if (n <= 1) return 1; return n * fact(n - 1); }\r\n"
      "term.Send(\"hello<CR>\");\r\n"
      "found = term.Wait(\"nothing|pick> |zzz\", 10);\r\n"
      "term.Send(\"two<CR>\");\r\n"
      "got = term.Get(5, 10);\r\n"
      "rest = term.Get(3, 10);\r\n"
      "top = term.Screen(1, 1, 2, 4);\r\n"
      "i = 0;\r\n"
      "while (i < 5) { sq[i] = i * i; i = i + 1; }\r\n"
      "name = sys.InputBox(\"Your name?\");\r\n"
      "s = \"  Mixed Case  \";\r\n"
      "f = sys.OpenFile(\"" +
      out.string() +
      "\", \"w\");\r\n"
      "f.Write(\"found=\" + found + \"<LF>\");\r\n"
      "f.Write(\"get=\" + got + \"/\" + rest + \"<LF>\");\r\n"
      "f.Write(\"screen=\" + top.Left(4) + \"|\" + top.Right(4) + \"<LF>\");\r\n"
      "f.Write(\"fact=\" + fact(10) + \" sq=\" + (sq[2] + sq[4]) + \"<LF>\");\r\n"
      "t = s.Trim();\r\n"
      "f.Write(t.MakeUpper() + \" \" + t.MakeLower() + \" \" + t.Find(\"C\") + \" \" + "
      "t.Mid(2, 3) + \" \" + t.Length + \"<LF>\");\r\n"
      "f.Write(\"name=\" + name + \" again=\" + sys.InputBox(\"More?\") + \"<LF>\");\r\n"
      "f.Close();\r\n"
      "term.Send(\"bye<CR>\");\r\n"
      "term.Wait(\"last line\", 10);\r\n";
  const auto path = WriteScript(dir_, "talk.oss", script);
  const CliResult r =
      RunCli({Target(host.Port()), "--script", path.string(), "--answer", "Ada", "--for", "30"});
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadText(out),
            "found=pick> \n"
            "get=ABCDE/FGH\n"
            "screen=Welc|Menu\n"
            "fact=3628800 sq=20\n"
            "MIXED CASE mixed case 6 xed 10\n"
            "name=Ada again=\n");
  EXPECT_EQ(host.StepsDone(), 6u) << host.Join();
}

TEST_F(CliScript, RuntimeErrorPrintsItsReportAndEndsWithStatusThree) {
  const auto path =
      WriteScript(dir_, "broken.oss", "term.Send(\"a\");\r\nx = 1;\r\ny = term.Nonsense;\r\n");
  const CliResult r = RunCli(
      {"--set", "HostType=2", "--script", path.string(), "--send", "never<CR>", "--for", "10"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Script Error:\n\n" + path.string() +
                       " (Line 3) : E1081 Cannot set property: invalid name or index: "
                       "\"Nonsense\"\n");
}

TEST_F(CliScript, UnreadableScriptAndScriptThatOutlivesTheRunFail) {
  const CliResult missing =
      RunCli({"--set", "HostType=2", "--script", (dir_ / "none.oss").string(), "--for", "10"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("Cannot load script file."), std::string::npos) << missing.err;
  const auto path = WriteScript(dir_, "forever.oss", "term.Wait(\"never\");\r\n");
  const CliResult forever =
      RunCli({"--set", "HostType=2", "--script", path.string(), "--for", "1"});
  EXPECT_EQ(forever.exitCode, 1);
  EXPECT_NE(forever.err.find("Timed out running the script"), std::string::npos) << forever.err;
}

// The host sends a script calling sys.System in its control string; the command leaves a mark
// in a file when it really runs.
class CliHostScript : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = test::FreshTestFolder(); }
  std::string SystemScript() const {
    return "term.Send(\"start<CR>\"); sys.System(\"touch " + (dir_ / "ran").string() +
           "\"); term.Send(\"done<CR>\");";
  }
  // Runs the host; allowed: HostScript 1, so the script's "done" is awaited.
  CliResult Run(const std::string& controlString, bool allowed, test::CStepPeer*& peerOut) {
    std::vector<test::PeerStep> steps = {PeerSend(controlString), PeerExpect("start\r")};
    if (allowed)
      steps.push_back(PeerExpect("done\r"));
    else
      steps.push_back(PeerPause(300));
    steps.push_back(PeerSend("host-finished\r\n"));
    peer_ = std::make_unique<test::CStepPeer>(steps);
    peerOut = peer_.get();
    return RunCli({"--set", std::string("HostScript=") + (allowed ? "1" : "0"),
                   Target(peer_->Port()), "--until", "host-finished", "--for", "20"});
  }
  std::filesystem::path dir_;
  std::unique_ptr<test::CStepPeer> peer_;
};

TEST_F(CliHostScript, SystemIsRefusedWithHostScriptZeroForTextAndFileForms) {
  const auto file = WriteScript(dir_, "host.oss", SystemScript());
  const std::string forms[] = {"\x1bP$t" + SystemScript() + "\x1b\\",
                               "\x1bP$s" + file.string() + "\x1b\\"};
  for (const std::string& form : forms) {
    test::CStepPeer* peer = nullptr;
    const CliResult r = Run(form, false, peer);
    // The host's script error is reported but does not fail the run.
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("E1091 Protected script function disabled: \"System\""), std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "ran"));
    EXPECT_EQ(peer->Join().find("done"), std::string::npos);
    peer_.reset();
  }
}

TEST_F(CliHostScript, SystemRunsWithHostScriptOne) {
  test::CStepPeer* peer = nullptr;
  const CliResult r = Run("\x1bP$t" + SystemScript() + "\x1b\\", true, peer);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "ran"));
  EXPECT_EQ(peer->StepsDone(), 4u) << peer->Join();
}

TEST_F(CliHostScript, OverlongHostScriptIsDiscarded) {
  // 70000 bytes of statements, then one that would answer the host.
  std::string text;
  while (text.size() < 70000) text += "x = 1;";
  text += "term.Send(\"long-ran<CR>\");";
  test::CStepPeer* peer = nullptr;
  std::vector<test::PeerStep> steps = {PeerSend("\x1bP$t" + text + "\x1b\\"), PeerPause(500),
                                       PeerSend("host-finished\r\n")};
  peer_ = std::make_unique<test::CStepPeer>(steps);
  peer = peer_.get();
  const CliResult r = RunCli(
      {"--set", "HostScript=1", Target(peer->Port()), "--until", "host-finished", "--for", "20"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(peer->Join().find("long-ran"), std::string::npos);
}

}  // namespace
}  // namespace ostrane
