// CPtyProcess: a program running on the slave side of a new pseudo-terminal, as the leader of
// its own session with the pty as its controlling terminal; this side holds the master. The
// window size is set before the program starts and whenever it changes (TIOCSWINSZ), so the
// program sees SIGWINCH like on any terminal.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace ostrane::platform {

struct PtyCommand {
  // The program and its arguments; the program is looked up on PATH.
  std::string program;
  std::vector<std::string> arguments;  // argv[0] first
  // Variables set (or replaced) in the program's environment, which is this process's otherwise.
  std::vector<std::pair<std::string, std::string>> environment;
  std::string folder;  // working folder; empty: this process's
  int columns = 80;
  int lines = 24;
};

// The user's login shell (SHELL, else the password entry, else /bin/sh) as a login shell: its
// argv[0] starts with "-". With a command, /bin/sh runs the command instead.
PtyCommand ShellCommand(const std::string& command);

class CPtyProcess {
 public:
  CPtyProcess() = default;
  ~CPtyProcess();
  CPtyProcess(const CPtyProcess&) = delete;
  CPtyProcess& operator=(const CPtyProcess&) = delete;

  // Empty on success, else what went wrong, for the user.
  std::string Start(const PtyCommand& command);
  // The master side, non-blocking; -1 when not started.
  int Descriptor() const { return master_; }
  bool SetWindowSize(int columns, int lines);
  // Ends the program (SIGHUP, then SIGKILL if it is still there after a grace period), reaps it
  // and closes the master. Safe to call twice.
  void Stop();
  // The program has ended (reaped); its wait status is in ExitStatus.
  bool Reap();
  int ExitStatus() const { return status_; }
  pid_t Pid() const { return pid_; }

 private:
  int master_ = -1;
  pid_t pid_ = -1;
  int status_ = 0;
};

}  // namespace ostrane::platform
