#include "platform/secret_service.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace ostrane::platform {

namespace {

constexpr char kSecretTool[] = "/usr/bin/secret-tool";
// A keyring that waits for the user to unlock it must not hold the session for ever.
constexpr std::chrono::seconds kToolTimeout{10};
constexpr useconds_t kReapPollMicroseconds = 5000;
// A password longer than this is not one anybody typed.
constexpr size_t kMaxSecret = 4096;

// The secret is short: the pipe takes it whole. A tool that has already gone must not end this
// process with SIGPIPE, so the signal is held back on this thread and a pending one dropped.
void WriteInput(int fd, const std::string& input) {
  if (input.empty()) return;
  sigset_t pipe, old;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, &old);
  const ssize_t written = write(fd, input.data(), input.size());
  if (written < 0 && errno == EPIPE) {
    const timespec none{0, 0};
    sigtimedwait(&pipe, nullptr, &none);
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

struct ToolResult {
  bool ok = false;
  std::string out;
};

// Runs secret-tool with the arguments, the input on its standard input; its output back.
ToolResult RunTool(const std::vector<std::string>& arguments, const std::string& input) {
  std::vector<char*> argv;
  std::string tool = kSecretTool;
  argv.push_back(tool.data());
  std::vector<std::string> copies = arguments;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return {};
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return {};
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, kSecretTool, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  ToolResult result;
  if (spawned != 0) {
    close(in[1]);
    close(out[0]);
    return result;
  }
  WriteInput(in[1], input);
  close(in[1]);
  const auto end = std::chrono::steady_clock::now() + kToolTimeout;
  char buffer[512];
  pollfd p{out[0], POLLIN, 0};
  while (result.out.size() <= kMaxSecret) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    result.out.append(buffer, static_cast<size_t>(n));
  }
  close(out[0]);
  std::memset(buffer, 0, sizeof buffer);
  // The tool closes its output as it ends; it is given until the deadline to be gone.
  int status = 0;
  pid_t done = 0;
  while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < end)
    usleep(kReapPollMicroseconds);
  if (done != pid) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return {};
  }
  result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return result;
}

std::vector<std::string> AttributeArguments(const SecretAttributes& attributes) {
  std::vector<std::string> args;
  for (const auto& [name, value] : attributes) {
    args.push_back(name);
    args.push_back(value);
  }
  return args;
}

}  // namespace

bool SecretServiceAvailable() {
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  return bus != nullptr && bus[0] != '\0' && access(kSecretTool, X_OK) == 0;
}

bool StoreSecret(const SecretAttributes& attributes, const std::string& label,
                 const std::string& secret) {
  if (!SecretServiceAvailable()) return false;
  std::vector<std::string> args{"store", "--label=" + label};
  for (std::string& a : AttributeArguments(attributes)) args.push_back(std::move(a));
  return RunTool(args, secret).ok;
}

std::optional<std::string> LookupSecret(const SecretAttributes& attributes) {
  if (!SecretServiceAvailable()) return std::nullopt;
  std::vector<std::string> args{"lookup"};
  for (std::string& a : AttributeArguments(attributes)) args.push_back(std::move(a));
  ToolResult r = RunTool(args, "");
  if (!r.ok || r.out.empty() || r.out.size() > kMaxSecret) return std::nullopt;
  return r.out;
}

}  // namespace ostrane::platform
