// The scripted SSH1 server (tests/peers/ssh1_scripted_server.py) on a free loopback port,
// playing one scenario for one connection; what the client sent is read back from its log.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "peers/peer_process.h"

namespace ostrane::test {

class CScriptedSsh1Peer {
 public:
  // authorizedKeys: a file of "bits exponent modulus comment" lines, or empty for none.
  explicit CScriptedSsh1Peer(const std::string& scenario, const std::string& authorizedKeys = {})
      : port_(UnusedPort()), log_(TempLog()), process_(Arguments(scenario, authorizedKeys)) {}
  ~CScriptedSsh1Peer() {
    std::error_code ec;
    std::filesystem::remove(log_, ec);
  }
  bool Ready() { return WaitForLog("LISTENING"); }
  // True once the log holds the text (the server writes DONE as it ends).
  bool WaitForLog(const std::string& text) {
    for (int i = 0; i < 1000 && process_.Running(); ++i) {
      if (Log().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  int Port() const { return port_; }
  std::string Target() const { return "127.0.0.1:" + std::to_string(port_); }
  std::string Log() const {
    std::ifstream in(log_);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::vector<std::string> Arguments(const std::string& scenario, const std::string& keys) const {
    std::vector<std::string> a{
        "/usr/bin/python3",
        std::string(OSTRANE_SOURCE_DIR) + "/tests/peers/ssh1_scripted_server.py",
        std::to_string(port_), scenario, log_};
    if (!keys.empty()) a.push_back(keys);
    return a;
  }
  static std::string TempLog() {
    std::string path = "/tmp/ostrane-ssh1peer-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd >= 0) close(fd);
    return path;
  }
  int port_;
  std::string log_;
  CPeerProcess process_;
};

}  // namespace ostrane::test
