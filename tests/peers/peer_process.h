// Real peers for tests: child processes started on 127.0.0.1 with a free port and stopped at
// the end of the test, the test user they log in, and running ostrane-cli itself.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "peers/scripted_peer.h"

extern char** environ;

namespace ostrane::test {

inline constexpr char kTestUser[] = "ostrtest";
inline constexpr char kTestPassword[] = "Ostr4ne-test";

// Creates the login the Telnet peer accepts, once; the lock keeps parallel tests apart.
inline bool EnsureTestUser() {
  const std::string command = std::string("flock /tmp/ostrane-test-user.lock sh -c '") + "id -u " +
                              kTestUser + " >/dev/null 2>&1 || useradd -m -s /bin/bash " +
                              kTestUser + "; echo " + kTestUser + ":" + kTestPassword +
                              " | chpasswd' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// True once something accepts connections on the port, within the time.
inline bool WaitForPort(int port, int timeoutMs = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool up = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    if (up) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// A child process, killed and reaped when the object goes.
class CPeerProcess {
 public:
  explicit CPeerProcess(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  // SIGTERM, then SIGKILL if the peer has not gone within a few seconds (socat can block in
  // closing a pseudo-terminal that still has output), so no test hangs on a peer.
  ~CPeerProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 300; ++i) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) return;
      usleep(10000);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  CPeerProcess(const CPeerProcess&) = delete;
  CPeerProcess& operator=(const CPeerProcess&) = delete;
  bool Running() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

// inetutils telnetd behind socat on a free loopback port.
class CTelnetdPeer {
 public:
  CTelnetdPeer()
      : port_(UnusedPort()),
        process_({"/usr/bin/socat",
                  "TCP-LISTEN:" + std::to_string(port_) + ",bind=127.0.0.1,reuseaddr,fork",
                  "EXEC:/usr/sbin/telnetd -h -a off,nofork"}) {}
  bool Ready() { return process_.Running() && WaitForPort(port_); }
  int Port() const { return port_; }

 private:
  int port_;
  CPeerProcess process_;
};

// The scripted Telnet proxy (tests/peers/telnet_proxy.py).
class CTelnetProxyPeer {
 public:
  CTelnetProxyPeer()
      : port_(UnusedPort()),
        process_({"/usr/bin/python3",
                  std::string(OSTRANE_SOURCE_DIR) + "/tests/peers/telnet_proxy.py",
                  std::to_string(port_)}) {}
  bool Ready() { return process_.Running() && WaitForPort(port_); }
  int Port() const { return port_; }

 private:
  int port_;
  CPeerProcess process_;
};

struct CliResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs ostrane-cli with the arguments and collects what it printed.
inline CliResult RunCli(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{std::string(OSTRANE_BINARY_DIR) + "/ostrane-cli"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int out[2], err[2];
  CliResult result;
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  char buffer[65536];
  while (spawned == 0 && open > 0 && poll(fds, 2, -1) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
      } else {
        fds[i].fd = -1;
        --open;
      }
    }
  }
  close(out[0]);
  close(err[0]);
  int status = 0;
  if (spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
    result.exitCode = WEXITSTATUS(status);
  return result;
}

}  // namespace ostrane::test
