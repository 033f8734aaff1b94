#include "platform/pty_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace ostrane::platform {
namespace {

// How long a program has to end after SIGHUP before it is killed.
constexpr auto kHangupGrace = std::chrono::milliseconds(500);
constexpr auto kReapPoll = std::chrono::milliseconds(10);

std::string ErrorText(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

// The environment of the child: this process's, with the command's variables set.
std::vector<std::string> ChildEnvironment(const PtyCommand& command) {
  std::vector<std::string> env;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& [key, value] : command.environment) replaced = replaced || key == name;
    if (!replaced) env.push_back(entry);
  }
  for (const auto& [key, value] : command.environment) env.push_back(key + "=" + value);
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

PtyCommand ShellCommand(const std::string& command) {
  PtyCommand c;
  if (!command.empty()) {
    c.program = "/bin/sh";
    c.arguments = {"sh", "-c", command};
    return c;
  }
  std::string shell;
  if (const char* s = std::getenv("SHELL"); s != nullptr && *s != '\0') shell = s;
  if (shell.empty())
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_shell != nullptr)
      shell = pw->pw_shell;
  if (shell.empty()) shell = "/bin/sh";
  const size_t slash = shell.rfind('/');
  c.program = shell;
  c.arguments = {"-" + (slash == std::string::npos ? shell : shell.substr(slash + 1))};
  if (const char* home = std::getenv("HOME"); home != nullptr) c.folder = home;
  return c;
}

CPtyProcess::~CPtyProcess() {
  Stop();
}

std::string CPtyProcess::Start(const PtyCommand& command) {
  if (master_ >= 0) return "The program is already running.";
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return ErrorText("Cannot open a pseudo-terminal", errno);
  if (grantpt(master) != 0 || unlockpt(master) != 0) {
    const int error = errno;
    close(master);
    return ErrorText("Cannot open a pseudo-terminal", error);
  }
  char slavePath[128];
  if (ptsname_r(master, slavePath, sizeof slavePath) != 0) {
    const int error = errno;
    close(master);
    return ErrorText("Cannot open a pseudo-terminal", error);
  }
  master_ = master;
  SetWindowSize(command.columns, command.lines);

  // The child becomes a session leader (POSIX_SPAWN_SETSID) and opening the slave then makes it
  // its controlling terminal; the master is close-on-exec, so the child does not hold it.
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_addopen(&actions, 0, slavePath, O_RDWR, 0);
  posix_spawn_file_actions_adddup2(&actions, 0, 1);
  posix_spawn_file_actions_adddup2(&actions, 0, 2);
  if (!command.folder.empty())
    posix_spawn_file_actions_addchdir_np(&actions, command.folder.c_str());
  // The child starts with default signal handling and nothing blocked, whatever this process
  // has set up for its own threads.
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<std::string> args = command.arguments;
  if (args.empty()) args.push_back(command.program);
  std::vector<std::string> env = ChildEnvironment(command);
  std::vector<char*> argv = Pointers(args);
  std::vector<char*> envp = Pointers(env);
  pid_t pid = -1;
  const int error =
      posix_spawnp(&pid, command.program.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    close(master_);
    master_ = -1;
    return ErrorText(("Cannot start " + command.program).c_str(), error);
  }
  pid_ = pid;
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  return {};
}

bool CPtyProcess::SetWindowSize(int columns, int lines) {
  if (master_ < 0 || columns <= 0 || lines <= 0) return false;
  winsize size{};
  size.ws_col = static_cast<unsigned short>(columns);
  size.ws_row = static_cast<unsigned short>(lines);
  return ioctl(master_, TIOCSWINSZ, &size) == 0;
}

bool CPtyProcess::Reap() {
  if (pid_ < 0) return true;
  int status = 0;
  const pid_t done = waitpid(pid_, &status, WNOHANG);
  if (done == pid_ || (done < 0 && errno == ECHILD)) {
    status_ = status;
    pid_ = -1;
    return true;
  }
  return false;
}

void CPtyProcess::Stop() {
  if (pid_ > 0 && !Reap()) {
    // The whole session of the program: a shell's jobs hang up with it.
    kill(-pid_, SIGHUP);
    kill(pid_, SIGHUP);
    const auto deadline = std::chrono::steady_clock::now() + kHangupGrace;
    while (!Reap() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(kReapPoll);
    if (pid_ > 0) {
      kill(-pid_, SIGKILL);
      kill(pid_, SIGKILL);
      int status = 0;
      if (waitpid(pid_, &status, 0) == pid_) status_ = status;
      pid_ = -1;
    }
  }
  if (master_ >= 0) {
    close(master_);
    master_ = -1;
  }
}

}  // namespace ostrane::platform
