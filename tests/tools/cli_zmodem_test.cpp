// ostrane-cli moving files with ZModem against lrzsz's sz and rz: over the test telnetd and sshd
// (the programs run in the test user's shell), over a socat pty pair standing in for a serial
// line, and over a socat TCP connection that drops in the middle. Files are compared by SHA-256.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "peers/peer_process.h"
#include "peers/serial_peer.h"
#include "peers/ssh_peer.h"
#include "support/file_digest.h"

namespace ostrane {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::FileSha256;
using test::RunCli;

void WriteFile(const fs::path& path, size_t size, bool random) {
  std::mt19937 generator(static_cast<unsigned>(size) * 7919u + 1);
  std::string data(size, '\0');
  if (random)
    for (char& c : data) c = static_cast<char>(generator());
  std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(size));
  ::chmod(path.c_str(), 0644);
}

// Names and sizes of the files a batch carries: empty, one byte, 1 MiB and a larger one.
struct TestFile {
  const char* name;
  size_t size;
};
constexpr TestFile kBatch[] = {
    {"empty.bin", 0},
    {"one.bin", 1},
    {"mebi.bin", 1 << 20},
    {"large.bin", 5 << 20},
};

// A folder the test user's shell can use (OSTRANE_HOME is private to root), with "out" holding
// the files to send and "in" for those received, and a private OSTRANE_HOME for the run.
class CliZmodem : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::EnsureTestUser());
    std::string root = (fs::temp_directory_path() / "ostrane-zmodem-XXXXXX").string();
    ASSERT_NE(mkdtemp(root.data()), nullptr);
    root_ = root;
    for (const char* sub : {"out", "in", "home"}) fs::create_directories(root_ / sub);
    for (const fs::path& p : {root_, root_ / "out", root_ / "in"}) ::chmod(p.c_str(), 0777);
    if (const char* previous = getenv("OSTRANE_HOME")) previous_ = previous;
    setenv("OSTRANE_HOME", (root_ / "home").c_str(), 1);
  }
  void TearDown() override {
    if (previous_) setenv("OSTRANE_HOME", previous_->c_str(), 1);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path Out() const { return root_ / "out"; }
  fs::path In() const { return root_ / "in"; }
  // The batch in out/, random bytes; the names in order.
  std::vector<std::string> MakeBatch() {
    std::vector<std::string> names;
    for (const TestFile& f : kBatch) {
      WriteFile(Out() / f.name, f.size, true);
      names.emplace_back(f.name);
    }
    return names;
  }
  void ExpectReceived(const std::vector<std::string>& names) {
    for (const std::string& name : names)
      EXPECT_EQ(FileSha256(In() / name), FileSha256(Out() / name)) << name;
  }
  static std::string Joined(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& n : names) joined += " " + n;
    return joined;
  }
  // Steps that send every file in out/ as one batch.
  std::vector<std::string> SendSteps(const std::vector<std::string>& names) const {
    std::vector<std::string> steps;
    for (const std::string& n : names) {
      steps.emplace_back("--zmodem-send");
      steps.push_back((Out() / n).string());
    }
    return steps;
  }

  fs::path root_;
  std::optional<std::string> previous_;
};

std::vector<std::string> TelnetLogin(int port) {
  return {"127.0.0.1:" + std::to_string(port),       "--until", "login:",   "--send",
          std::string(test::kTestUser) + "<CR>",     "--until", "assword:", "--send",
          std::string(test::kTestPassword) + "<CR>", "--until", "$ "};
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The host's sz starts the receive by itself; then the session sends a batch to rz, which the
// ZModemInit setting starts.
TEST_F(CliZmodem, TelnetReceivesFromSzAutomaticallyAndSendsABatchToRz) {
  test::CTelnetdPeer telnetd;
  ASSERT_TRUE(telnetd.Ready());
  const auto names = MakeBatch();
  const std::string shell = "cd " + Out().string() + " && sz -q -b" + Joined(names) + "<CR>";
  CliResult r =
      RunCli(Concat(Concat({"--set", "AutoRecv=1", "--set", "RecvDir=" + In().string()},
                           TelnetLogin(telnetd.Port())),
                    {"--send", shell, "--zmodem-wait", "--send", "exit<CR>", "--for", "60"}));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ExpectReceived(names);

  fs::remove_all(In());
  fs::create_directories(In());
  ::chmod(In().c_str(), 0777);
  r = RunCli(Concat(Concat(TelnetLogin(telnetd.Port()),
                           {"--send", "cd " + In().string() + "<CR>", "--until", "$ "}),
                    Concat(SendSteps({"one.bin", "empty.bin", "large.bin"}),
                           {"--until", "$ ", "--send", "exit<CR>", "--for", "60"})));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ExpectReceived({"one.bin", "empty.bin", "large.bin"});
}

TEST_F(CliZmodem, SshReceivesFromSzAndSendsToRz) {
  test::CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  const auto names = MakeBatch();
  const CliResult r = RunCli({"--set",
                              "HostType=5",
                              "--set",
                              "AutoRecv=1",
                              "--set",
                              "RecvDir=" + In().string(),
                              "127.0.0.1:" + std::to_string(sshd.Port()),
                              "--user",
                              test::kTestUser,
                              "--password",
                              test::kTestPassword,
                              "--host-key",
                              "accept",
                              "--until",
                              "$ ",
                              "--send",
                              "cd " + Out().string() + " && sz -q -b" + Joined(names) + "<CR>",
                              "--zmodem-wait",
                              "--until",
                              "$ ",
                              "--send",
                              "mkdir back && cd back<CR>",
                              "--until",
                              "$ ",
                              "--zmodem-send",
                              (Out() / "mebi.bin").string(),
                              "--until",
                              "$ ",
                              "--send",
                              "exit<CR>",
                              "--for",
                              "60"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ExpectReceived(names);
  EXPECT_EQ(FileSha256(Out() / "back" / "mebi.bin"), FileSha256(Out() / "mebi.bin"));
}

// A serial line: the far end of a socat pty runs sz (receive) or rz (send, already running, so
// no init string is typed).
TEST_F(CliZmodem, SerialLineCarriesBothDirections) {
  const auto names = MakeBatch();
  {
    test::CPeerProcess line(
        {"/usr/bin/socat", "pty,raw,echo=0,link=" + (root_ / "tty").string(),
         "SYSTEM:sleep 1; cd " + Out().string() + " && exec sz -q -b" + Joined(names)});
    ASSERT_TRUE(test::WaitForPath(root_ / "tty", true));
    const CliResult r = RunCli({"--set", "HostType=1", "--set", "Speed=115200", "--set",
                                "AutoRecv=1", "--set", "RecvDir=" + In().string(),
                                (root_ / "tty").string(), "--zmodem-wait", "--for", "30"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ExpectReceived(names);
  }
  fs::remove_all(In());
  fs::create_directories(In());
  ASSERT_TRUE(test::WaitForPath(root_ / "tty", false));
  test::CPeerProcess line({"/usr/bin/socat", "pty,raw,echo=0,link=" + (root_ / "tty").string(),
                           "SYSTEM:cd " + In().string() + " && exec rz -q -b -y"});
  ASSERT_TRUE(test::WaitForPath(root_ / "tty", true));
  const CliResult r = RunCli(Concat({"--set", "HostType=1", "--set", "Speed=115200", "--set",
                                     "ZModemInit=", (root_ / "tty").string()},
                                    Concat(SendSteps(names), {"--for", "30"})));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ExpectReceived(names);
}

TEST_F(CliZmodem, ASendOfAFileThatCannotBeReadSendsNothingAndFails) {
  WriteFile(Out() / "real.bin", 10, true);
  const CliResult r = RunCli({"--set", "HostType=2", "--zmodem-send", (Out() / "real.bin").string(),
                              "--zmodem-send", (Out() / "missing.bin").string(), "--for", "10"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Cannot open file for sending."), std::string::npos) << r.err;
  // The local loop would have shown the init string had anything been sent.
  EXPECT_EQ(r.out.find("rz"), std::string::npos) << r.out;
}

// A Hayes modem on a pty: a busy number fails with the modem's text and the connection error;
// a connected call reaches the host behind it.
TEST_F(CliZmodem, ModemDialsThroughTheProfileEntryForTheDevice) {
  test::CPtyPair pair(root_ / "modemA", root_ / "modemB");
  ASSERT_TRUE(pair.Ready());
  const int port = test::UnusedPort();
  test::CPeerProcess host({"/usr/bin/socat",
                           "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr,fork",
                           "SYSTEM:echo dial-up-host-ready; sleep 5"});
  ASSERT_TRUE(test::WaitForPort(port));
  test::CHayesPeer modem(pair.B(), root_ / "modem.log",
                         {"5551000=BUSY", "5552000=127.0.0.1:" + std::to_string(port)});
  ASSERT_TRUE(modem.WaitLog("READY"));
  CliResult r =
      RunCli({"--set", "HostType=3", "--modem", pair.A().string(), "555-1000", "--for", "20"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Busy"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Cannot connect to remote host."), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");

  r = RunCli({"--set", "HostType=3", "--modem", pair.A().string(), "5552000", "--until",
              "dial-up-host-ready", "--for", "20"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("dial-up-host-ready"), std::string::npos) << r.out;
  EXPECT_TRUE(modem.WaitLog("ATDT5552000")) << modem.Log();
}

}  // namespace
}  // namespace ostrane
