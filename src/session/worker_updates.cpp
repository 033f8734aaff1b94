#include "session/worker_updates.h"

namespace ostrane {

void CWorkerUpdates::AppendTrace(std::string_view text) {
  std::lock_guard lock(mutex_);
  if (pending_.trace.size() + text.size() > kMaxQueuedTrace) return;
  pending_.trace.append(text);
  any_.store(true);
}

void CWorkerUpdates::SetLocalEcho(bool on) {
  std::lock_guard lock(mutex_);
  pending_.localEcho = on;
  any_.store(true);
}

void CWorkerUpdates::SeedCredentials(const SshCredentials& settings) {
  std::lock_guard lock(mutex_);
  if (!pending_.user) credentials_.user = settings.user;
  if (!pending_.protectedPassword) credentials_.protectedPassword = settings.protectedPassword;
}

SshCredentials CWorkerUpdates::Credentials() const {
  std::lock_guard lock(mutex_);
  return credentials_;
}

void CWorkerUpdates::StoreCredentials(const std::string* user,
                                      const std::string* protectedPassword) {
  std::lock_guard lock(mutex_);
  if (user != nullptr) {
    credentials_.user = *user;
    pending_.user = *user;
  }
  if (protectedPassword != nullptr) {
    credentials_.protectedPassword = *protectedPassword;
    pending_.protectedPassword = *protectedPassword;
  }
  any_.store(true);
}

CWorkerUpdates::Pending CWorkerUpdates::Take() {
  if (!any_.load()) return {};
  std::lock_guard lock(mutex_);
  any_.store(false);
  Pending taken = std::move(pending_);
  pending_ = Pending{};
  return taken;
}

}  // namespace ostrane
