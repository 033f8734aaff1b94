// OpenSSH's sshd as a test peer: started on 127.0.0.1 with a free port, its own host keys and
// configuration in a temporary folder, and stopped (folder removed) at the end of the test.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "peers/peer_process.h"

namespace ostrane::test {

struct SshdConfig {
  // ssh-keygen types of the host keys: ed25519, ecdsa, rsa, dsa.
  std::vector<std::string> hostKeys = {"ed25519"};
  // Further configuration lines ("Ciphers aes128-ctr").
  std::vector<std::string> lines;
};

// The configuration limited to the old algorithm set, with a DSA host key.
inline SshdConfig LegacySshdConfig() {
  SshdConfig c;
  c.hostKeys = {"dsa"};
  c.lines = {"HostKeyAlgorithms ssh-dss", "KexAlgorithms diffie-hellman-group1-sha1",
             "Ciphers 3des-cbc,aes128-cbc,aes256-cbc", "MACs hmac-sha1",
             "PubkeyAcceptedAlgorithms +ssh-dss"};
  return c;
}

class CSshdPeer {
 public:
  explicit CSshdPeer(const SshdConfig& config = {}) : port_(UnusedPort()) {
    std::string tmpl = "/tmp/ostrane-sshd-XXXXXX";
    if (mkdtemp(tmpl.data()) == nullptr) return;
    dir_ = tmpl;
    // The logged-in user reads authorized_keys inside it.
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all |
                                           std::filesystem::perms::group_exec |
                                           std::filesystem::perms::others_exec);
    std::filesystem::create_directories("/run/sshd");
    std::ofstream(dir_ + "/authorized_keys").close();
    std::ofstream cfg(dir_ + "/sshd.conf");
    // sshd keeps the first value of a keyword, so the test's own lines come first.
    for (const std::string& line : config.lines) cfg << line << "\n";
    cfg << "ListenAddress 127.0.0.1\nPort " << port_ << "\nPidFile " << dir_ << "/sshd.pid\n"
        << "AuthorizedKeysFile " << dir_ << "/authorized_keys\n"
        << "StrictModes no\nPasswordAuthentication yes\nKbdInteractiveAuthentication yes\n"
        << "PubkeyAuthentication yes\nUsePAM yes\nPermitRootLogin no\nPrintMotd no\n"
        << "PrintLastLog no\nLogLevel DEBUG1\n";
    for (const std::string& type : config.hostKeys) {
      const std::string key = dir_ + "/host_" + type;
      const std::string command = "ssh-keygen -q -t " + type + " -N '' -f " + key + " >/dev/null";
      if (std::system(command.c_str()) != 0) return;
      cfg << "HostKey " << key << "\n";
    }
    cfg.close();
    process_ = std::make_unique<CPeerProcess>(std::vector<std::string>{
        "/usr/sbin/sshd", "-D", "-f", dir_ + "/sshd.conf", "-E", dir_ + "/sshd.log"});
  }
  ~CSshdPeer() {
    process_.reset();
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }
  CSshdPeer(const CSshdPeer&) = delete;
  CSshdPeer& operator=(const CSshdPeer&) = delete;

  bool Ready() { return process_ && process_->Running() && WaitForPort(port_); }
  int Port() const { return port_; }
  const std::string& Dir() const { return dir_; }
  std::string Log() const {
    std::ifstream in(dir_ + "/sshd.log");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // Adds a line in OpenSSH's authorized_keys format.
  void Authorize(const std::string& line) {
    std::ofstream(dir_ + "/authorized_keys", std::ios::app) << line << "\n";
  }

 private:
  int port_;
  std::string dir_;
  std::unique_ptr<CPeerProcess> process_;
};

}  // namespace ostrane::test
