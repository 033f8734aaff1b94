// A session stand-in for transport tests: it keeps what the transport delivers, the trace, the
// messages it shows and the end of the connection, and can react to deliveries.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "transport/transport_owner.h"

namespace ostrane::test {

class CTestOwner : public ITransportOwner {
 public:
  void WriteTrace(std::string_view text) override {
    std::lock_guard lock(mutex_);
    trace_.append(text);
  }
  void LocalEchoChanged(bool on) override {
    std::lock_guard lock(mutex_);
    localEcho_.push_back(on);
  }

  void DeliverReceived(const uint8_t* data, size_t length) override {
    {
      std::lock_guard lock(mutex_);
      received_.append(reinterpret_cast<const char*>(data), length);
      largestChunk_ = std::max(largestChunk_, length);
    }
    changed_.notify_all();
    if (onDeliver_) onDeliver_(data, length);
  }
  void ShowMessage(int messageId) override {
    {
      std::lock_guard lock(mutex_);
      messages_.push_back(messageId);
    }
    changed_.notify_all();
  }
  void ConnectionEnded() override {
    {
      std::lock_guard lock(mutex_);
      ++ended_;
    }
    changed_.notify_all();
  }

  // Waits until the received data holds at least `count` bytes.
  bool WaitReceived(size_t count, int timeoutMs = 10000) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return received_.size() >= count; });
  }
  bool WaitEnded(int timeoutMs = 10000) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return ended_ > 0; });
  }
  std::string Received() {
    std::lock_guard lock(mutex_);
    return received_;
  }
  std::vector<int> Messages() {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  int Ended() {
    std::lock_guard lock(mutex_);
    return ended_;
  }
  size_t LargestChunk() {
    std::lock_guard lock(mutex_);
    return largestChunk_;
  }
  std::string Trace() {
    std::lock_guard lock(mutex_);
    return trace_;
  }
  std::vector<bool> LocalEchoChanges() {
    std::lock_guard lock(mutex_);
    return localEcho_;
  }
  void OnDeliver(std::function<void(const uint8_t*, size_t)> f) { onDeliver_ = std::move(f); }

 private:
  std::mutex mutex_;
  std::string trace_;
  std::vector<bool> localEcho_;
  std::condition_variable changed_;
  std::string received_;
  size_t largestChunk_ = 0;
  std::vector<int> messages_;
  int ended_ = 0;
  std::function<void(const uint8_t*, size_t)> onDeliver_;
};

}  // namespace ostrane::test
