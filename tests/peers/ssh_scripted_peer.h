// The scripted SSH server (tests/peers/ssh_scripted_server.py) on a free loopback port, playing
// one scenario; what the client sent is read back from its log.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "peers/peer_process.h"

namespace ostrane::test {

class CScriptedSshPeer {
 public:
  explicit CScriptedSshPeer(const std::string& scenario)
      : port_(UnusedPort()),
        log_(TempLog()),
        process_({"/usr/bin/python3",
                  std::string(OSTRANE_SOURCE_DIR) + "/tests/peers/ssh_scripted_server.py",
                  std::to_string(port_), scenario, log_}) {}
  ~CScriptedSshPeer() {
    std::error_code ec;
    std::filesystem::remove(log_, ec);
  }
  // The server takes one connection, so readiness is read from its log, not probed.
  bool Ready() {
    for (int i = 0; i < 500 && process_.Running(); ++i) {
      if (Log().find("LISTENING") != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  int Port() const { return port_; }
  std::string Log() const {
    std::ifstream in(log_);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  static std::string TempLog() {
    std::string path = "/tmp/ostrane-sshpeer-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd >= 0) close(fd);
    return path;
  }
  int port_;
  std::string log_;
  CPeerProcess process_;
};

}  // namespace ostrane::test
