// A private CUPS scheduler for the print tests: its own folders under a temporary folder, a
// free port on 127.0.0.1, and raw queues whose backend appends each job to a file. CUPS_SERVER
// points at it while it runs, so libcups in this process and the programs it starts use it.
#pragma once

#include <arpa/inet.h>
#include <cups/cups.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace ostrane::test {

class CTestCupsServer {
 public:
  CTestCupsServer() {
    std::string dir = (std::filesystem::temp_directory_path() / "ostrane-cups-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) return;
    root_ = dir;
    port_ = FreePort();
    if (port_ == 0 || !WriteConfig()) return;
    pid_ = fork();
    if (pid_ == 0) {
      const std::string log = root_ + "/log/stdout";
      std::freopen(log.c_str(), "w", stdout);
      std::freopen(log.c_str(), "a", stderr);
      execlp("cupsd", "cupsd", "-f", "-c", (root_ + "/etc/cupsd.conf").c_str(), "-s",
             (root_ + "/etc/cups-files.conf").c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    const std::string server = "127.0.0.1:" + std::to_string(port_);
    setenv("CUPS_SERVER", server.c_str(), 1);
    // libcups keeps the server it looked up per thread; this thread looks again.
    cupsSetServer(nullptr);
    for (int i = 0; i < 100 && !running_; ++i) {
      running_ = Run("lpstat -r | grep -q 'is running'");
      if (!running_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  ~CTestCupsServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    unsetenv("CUPS_SERVER");
    cupsSetServer(nullptr);
    std::error_code ec;
    if (!root_.empty()) std::filesystem::remove_all(root_, ec);
  }
  CTestCupsServer(const CTestCupsServer&) = delete;
  CTestCupsServer& operator=(const CTestCupsServer&) = delete;

  bool Running() const { return running_; }
  // A raw queue whose jobs are appended to the returned file.
  std::string AddRawQueue(const std::string& name) {
    const std::string out = root_ + "/" + name + ".prn";
    if (!Run("lpadmin -p " + name + " -E -v tofile:" + out + " -m raw 2>/dev/null")) return {};
    return out;
  }
  // Jobs of queue not yet completed, and those completed.
  int ActiveJobs(const std::string& queue) const { return CountLines("lpstat -o " + queue); }
  int CompletedJobs(const std::string& queue) const {
    return CountLines("lpstat -W completed -o " + queue);
  }
  // Waits (up to 20 s, not a timing check) until queue has completed jobs and none active.
  bool WaitCompleted(const std::string& queue, int jobs) const {
    for (int i = 0; i < 200; ++i) {
      if (ActiveJobs(queue) == 0 && CompletedJobs(queue) >= jobs) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  static bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }
  static int CountLines(const std::string& command) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return -1;
    int lines = 0;
    for (int c; (c = std::fgetc(pipe)) != EOF;)
      if (c == '\n') ++lines;
    pclose(pipe);
    return lines;
  }
  static int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0)
      port = ntohs(addr.sin_port);
    close(fd);
    return port;
  }
  bool WriteConfig() {
    namespace fs = std::filesystem;
    for (const char* sub : {"etc", "spool", "tmp", "cache", "state", "log", "bin/backend"})
      fs::create_directories(root_ + "/" + sub);
    // The scheduler's own helpers, and a backend that appends a job to its device file. It is
    // private to root (mode 0700), so the scheduler runs it as root and it may write anywhere.
    for (const char* sub : {"daemon", "notifier", "filter", "cgi-bin", "monitor", "driver"}) {
      const fs::path from = fs::path("/usr/lib/cups") / sub;
      std::error_code ec;
      if (fs::exists(from)) fs::create_directory_symlink(from, root_ + "/bin/" + sub, ec);
    }
    const std::string backend = root_ + "/bin/backend/tofile";
    std::ofstream(backend)
        << "#!/bin/sh\n"
           "[ $# -eq 0 ] && { echo 'direct tofile \"Unknown\" \"File\"'; exit 0; }\n"
           "f=${DEVICE_URI#tofile:}\n"
           "if [ -n \"$6\" ]; then cat \"$6\" >> \"$f\"; else cat >> \"$f\"; fi\n";
    fs::permissions(backend, fs::perms::owner_all);
    std::ofstream(root_ + "/etc/cupsd.conf")
        << "Listen 127.0.0.1:" << port_ << "\nServerName 127.0.0.1\nLogLevel warn\n"
        << "WebInterface No\nBrowsing No\nDefaultAuthType None\n"
        << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
        << "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n";
    std::ofstream(root_ + "/etc/cups-files.conf")
        << "ServerRoot " << root_ << "/etc\nRequestRoot " << root_ << "/spool\nTempDir " << root_
        << "/tmp\nCacheDir " << root_ << "/cache\nStateDir " << root_ << "/state\nServerBin "
        << root_ << "/bin\nAccessLog " << root_ << "/log/access_log\nErrorLog " << root_
        << "/log/error_log\nPageLog " << root_ << "/log/page_log\n";
    return true;
  }

  std::string root_;
  int port_ = 0;
  pid_t pid_ = -1;
  bool running_ = false;
};

}  // namespace ostrane::test
