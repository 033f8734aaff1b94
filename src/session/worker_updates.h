// CWorkerUpdates: what a transport worker tells its session between deliveries — protocol trace
// lines for debug capture, the host's switch of local echo, and the remembered SSH login. The
// worker records them here under a small lock of their own and never waits for the terminal
// lock; the session folds them into the terminal's capture and settings whenever it holds that
// lock (before each delivered chunk, and before it reads or writes the settings itself), so a
// trace line is written ahead of the data received after it.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "ssh/ssh_credentials.h"

namespace ostrane {

// Trace text kept between two deliveries; a host that negotiates without end and sends no data
// cannot grow it further (the lines beyond are not kept).
inline constexpr size_t kMaxQueuedTrace = 64 * 1024;

class CWorkerUpdates {
 public:
  struct Pending {
    std::string trace;
    std::optional<bool> localEcho;
    std::optional<std::string> user;
    std::optional<std::string> protectedPassword;
  };

  void AppendTrace(std::string_view text);
  void SetLocalEcho(bool on);
  // The login as the settings hold it; a part the worker stored since the last Take is kept.
  void SeedCredentials(const SshCredentials& settings);
  SshCredentials Credentials() const;
  void StoreCredentials(const std::string* user, const std::string* protectedPassword);
  // Everything recorded since the last call.
  Pending Take();

 private:
  // Set with anything pending, so that the delivery of each chunk looks without locking.
  std::atomic<bool> any_{false};
  mutable std::mutex mutex_;
  Pending pending_;
  SshCredentials credentials_;
};

}  // namespace ostrane
