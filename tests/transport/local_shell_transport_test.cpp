#include "transport/local_shell_transport.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/pty_process.h"
#include "transport/test_owner.h"

namespace ostrane {
namespace {

using Clock = std::chrono::steady_clock;
using test::CTestOwner;

bool WaitForText(CTestOwner& owner, const std::string& text, int timeoutMs = 10000) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < deadline) {
    if (owner.Received().find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

CConnectionSettings ShellSettings(const std::string& command) {
  CConnectionSettings s;
  s.hostType = static_cast<int>(TransportKind::kLocalShell);
  s.host = command;
  s.terminalName = "xterm-256color";
  s.columns = 80;
  s.lines = 24;
  return s;
}

class LocalShell : public ::testing::Test {
 protected:
  void Start(const CConnectionSettings& settings) {
    transport_ = std::make_unique<CLocalShellTransport>(settings);
    transport_->SetOwner(&owner_);
    transport_->Start();
  }
  bool Send(const std::string& text) {
    return transport_->Send(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
  CTestOwner owner_;
  std::unique_ptr<CLocalShellTransport> transport_;
};

TEST_F(LocalShell, ProgramSeesTheTerminalTypeAndItsSize) {
  Start(ShellSettings("echo T=$TERM C=$COLORTERM; stty size; test -t 0 && echo tty; sleep 5"));
  ASSERT_TRUE(WaitForText(owner_, "tty")) << owner_.Received();
  const std::string out = owner_.Received();
  EXPECT_NE(out.find("T=xterm-256color C=truecolor"), std::string::npos) << out;
  EXPECT_NE(out.find("24 80"), std::string::npos) << out;
  EXPECT_EQ(transport_->GetDisplayName().rfind("echo T=", 0), 0u);
}

TEST_F(LocalShell, VtTypeGetsItsNameAndNoColourVariable) {
  CConnectionSettings s = ShellSettings("echo \"T=$TERM C=${COLORTERM-unset}.\"; sleep 5");
  s.terminalName = "vt420";
  Start(s);
  ASSERT_TRUE(WaitForText(owner_, "T=vt420 C=unset.")) << owner_.Received();
}

// A size the session announces reaches the program as a new window size and SIGWINCH.
TEST_F(LocalShell, AnnouncedSizeReachesTheProgram) {
  Start(ShellSettings("trap 'stty size' WINCH; echo ready; while :; do sleep 0.05; done"));
  ASSERT_TRUE(WaitForText(owner_, "ready"));
  transport_->AnnounceWindowSize(132, 40);
  EXPECT_TRUE(WaitForText(owner_, "40 132")) << owner_.Received();
}

TEST_F(LocalShell, TypedInputReachesTheProgramAndItsEndEndsTheConnection) {
  Start(ShellSettings("read line; echo got:$line"));
  for (int i = 0; i < 500 && transport_->State() != TransportState::kConnected; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_TRUE(Send("hello\r"));
  EXPECT_TRUE(WaitForText(owner_, "got:hello")) << owner_.Received();
  EXPECT_TRUE(owner_.WaitEnded());
  EXPECT_EQ(transport_->State(), TransportState::kClosed);
}

// Closing the session ends a program that ignores hang-up, and its children go with it.
TEST_F(LocalShell, StopEndsAProgramThatIgnoresHangup) {
  Start(ShellSettings("trap '' HUP; echo ready; sleep 100"));
  ASSERT_TRUE(WaitForText(owner_, "ready"));
  const auto started = Clock::now();
  transport_->Stop();
  EXPECT_EQ(transport_->State(), TransportState::kClosed);
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(10));
}

TEST(PtyProcess, LoginShellStartsWithADashAndACommandRunsUnderSh) {
  const platform::PtyCommand login = platform::ShellCommand("");
  ASSERT_FALSE(login.arguments.empty());
  EXPECT_EQ(login.arguments[0][0], '-');
  const platform::PtyCommand command = platform::ShellCommand("ls -l");
  EXPECT_EQ(command.program, "/bin/sh");
  EXPECT_EQ(command.arguments, (std::vector<std::string>{"sh", "-c", "ls -l"}));
}

TEST(PtyProcess, MissingProgramIsReportedAndLeavesNothingOpen) {
  platform::CPtyProcess process;
  platform::PtyCommand command;
  command.program = "/nonexistent/program";
  const std::string problem = process.Start(command);
  EXPECT_NE(problem.find("/nonexistent/program"), std::string::npos) << problem;
  EXPECT_EQ(process.Descriptor(), -1);
  EXPECT_FALSE(process.SetWindowSize(80, 24));
}

TEST(PtyProcess, ExitStatusIsKept) {
  platform::CPtyProcess process;
  platform::PtyCommand command;
  command.program = "/bin/sh";
  command.arguments = {"sh", "-c", "exit 7"};
  ASSERT_EQ(process.Start(command), "");
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!process.Reap() && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(WIFEXITED(process.ExitStatus()));
  EXPECT_EQ(WEXITSTATUS(process.ExitStatus()), 7);
}

}  // namespace
}  // namespace ostrane
