// ZModem throughput against lrzsz in one run: sz -> rz, sz -> us (receive) and us -> rz (send),
// each over a Unix socket pair with the same random file, best of a few runs, every result
// checked byte for byte.
//   zmodem_throughput [--mb N] [--runs N]
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "xfer/xfer_files.h"
#include "xfer/zmodem_peer.h"
#include "xfer/zmodem_receiver.h"
#include "xfer/zmodem_sender.h"

namespace {

namespace fs = std::filesystem;
using namespace ostrane;
using Clock = std::chrono::steady_clock;

bool SameFile(const fs::path& a, const fs::path& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  return std::equal(std::istreambuf_iterator<char>(x), std::istreambuf_iterator<char>(),
                    std::istreambuf_iterator<char>(y), std::istreambuf_iterator<char>());
}

// sz and rz joined directly on one socket pair.
double PeerToPeer(const fs::path& source, const fs::path& into) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return -1;
  const auto spawn = [](const char* const* argv, int fd, const fs::path& folder) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fd, 0);
    posix_spawn_file_actions_adddup2(&actions, fd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = -1;
    ::posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  };
  const char* const sz[] = {"sz", "-b", "-q", "data.bin", nullptr};
  const char* const rz[] = {"rz", "-b", "-q", nullptr};
  const auto start = Clock::now();
  const pid_t sender = spawn(sz, fds[0], source);
  const pid_t receiver = spawn(rz, fds[1], into);
  ::close(fds[0]);
  ::close(fds[1]);
  int status = 0;
  ::waitpid(sender, &status, 0);
  ::waitpid(receiver, &status, 0);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Ours(const std::vector<std::string>& argv, const fs::path& peerFolder,
            const std::function<std::unique_ptr<CZmodemMachine>(IZmodemEvents&)>& make) {
  const auto start = Clock::now();
  test::CPeerProcess peer(argv, peerFolder);
  test::CRecordingObserver observer;
  test::CSocketDriver driver(peer.Fd());
  {
    CZmodemTransfer transfer(driver, observer, {});
    transfer.Start(make(transfer.Events()));
    driver.StartReading(transfer);
    observer.WaitForEnd(std::chrono::minutes(5));
    peer.Wait(std::chrono::minutes(1));
    driver.StopReading();
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (observer.outcome() != XferOutcome::kSucceeded) {
    std::fprintf(stderr, "transfer failed: %s\n", observer.message().c_str());
    return -1;
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = 50;
  int runs = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--mb") == 0) megabytes = std::strtoul(argv[i + 1], nullptr, 10);
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
  }
  char pattern[] = "/tmp/ostrane-zmodem-bench-XXXXXX";
  if (!::mkdtemp(pattern)) return 2;
  const fs::path work = pattern;
  const fs::path source = work / "source";
  fs::create_directories(source);
  {
    std::mt19937_64 random(1);
    std::string data(megabytes << 20, '\0');
    for (auto& c : data) c = static_cast<char>(random());
    std::ofstream(source / "data.bin", std::ios::binary).write(data.data(), data.size());
  }
  const double mib = static_cast<double>(megabytes);
  double best[3] = {1e9, 1e9, 1e9};
  bool intact = true;
  for (int run = 0; run < runs; ++run) {
    for (int kind = 0; kind < 3; ++kind) {
      const fs::path into = work / ("into" + std::to_string(kind));
      fs::remove_all(into);
      fs::create_directories(into);
      CPosixReceiveFolder folder(into);
      CPosixSendSource files;
      double seconds = -1;
      if (kind == 0) {
        seconds = PeerToPeer(source, into);
      } else if (kind == 1) {
        seconds = Ours({"sz", "-b", "-q", "data.bin"}, source, [&](IZmodemEvents& events) {
          return std::make_unique<CZmodemReceiver>(folder, events);
        });
      } else {
        seconds = Ours({"rz", "-b", "-q"}, into, [&](IZmodemEvents& events) {
          return std::make_unique<CZmodemSender>(
              files, std::vector<std::string>{source / "data.bin"}, events);
        });
      }
      if (seconds < 0 || !SameFile(source / "data.bin", into / "data.bin")) intact = false;
      if (seconds >= 0 && seconds < best[kind]) best[kind] = seconds;
    }
  }
  std::printf("ZModem over a socket pair, %zu MiB of random bytes, best of %d\n", megabytes, runs);
  const char* const labels[] = {"sz -> rz (reference)", "sz -> us (receive)", "us -> rz (send)"};
  for (int kind = 0; kind < 3; ++kind)
    std::printf("  %-22s %7.3f s  %7.1f MiB/s  %5.2fx the reference\n", labels[kind], best[kind],
                mib / best[kind], best[0] / best[kind]);
  std::printf("  files %s\n", intact ? "identical in every run" : "DIFFERENT OR FAILED");
  fs::remove_all(work);
  return intact ? 0 : 1;
}
