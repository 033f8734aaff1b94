// A TCP peer that plays a list of steps on its own thread while the test runs a client
// process: send bytes, wait for text from the client, pause. It records what the client sent
// and stays connected after the last step until the client closes.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "peers/scripted_peer.h"

namespace ostrane::test {

struct PeerStep {
  enum class Kind { kSend, kExpect, kPause } kind;
  std::string text;  // bytes to send, or text to wait for
  int ms = 0;        // a pause's length
};

inline PeerStep PeerSend(std::string text) {
  return {PeerStep::Kind::kSend, std::move(text)};
}
inline PeerStep PeerExpect(std::string text) {
  return {PeerStep::Kind::kExpect, std::move(text)};
}
inline PeerStep PeerPause(int ms) {
  return {PeerStep::Kind::kPause, {}, ms};
}

class CStepPeer {
 public:
  explicit CStepPeer(std::vector<PeerStep> steps, int timeoutMs = 20000)
      : steps_(std::move(steps)), timeoutMs_(timeoutMs), thread_([this] { Play(); }) {}
  ~CStepPeer() { Join(); }
  CStepPeer(const CStepPeer&) = delete;
  CStepPeer& operator=(const CStepPeer&) = delete;

  int Port() const { return peer_.Port(); }
  // Steps done, counting from 1; all of them when every expected text came.
  size_t StepsDone() const { return done_.load(); }
  // Waits for the client to close (or the time to run out) and gives all it sent.
  std::string Join() {
    if (thread_.joinable()) thread_.join();
    return Received();
  }
  std::string Received() {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  void Play() {
    if (!peer_.Accept(timeoutMs_)) return;
    size_t searchFrom = 0;
    for (const PeerStep& step : steps_) {
      if (step.kind == PeerStep::Kind::kSend) {
        peer_.Send(step.text);
      } else if (step.kind == PeerStep::Kind::kPause) {
        std::this_thread::sleep_for(std::chrono::milliseconds(step.ms));
      } else if (!WaitFor(step.text, searchFrom)) {
        return;
      }
      ++done_;
    }
    // Until the client closes.
    Append(peer_.ReadFor(timeoutMs_));
  }
  bool WaitFor(const std::string& text, size_t& searchFrom) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
    while (std::chrono::steady_clock::now() < end) {
      {
        std::lock_guard lock(mutex_);
        const size_t at = received_.find(text, searchFrom);
        if (at != std::string::npos) {
          searchFrom = at + text.size();
          return true;
        }
      }
      Append(peer_.Read(1, 200));
    }
    return false;
  }
  void Append(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    received_ += bytes;
  }

  CScriptedPeer peer_;
  std::vector<PeerStep> steps_;
  int timeoutMs_;
  std::atomic<size_t> done_{0};
  std::mutex mutex_;
  std::string received_;
  std::thread thread_;
};

}  // namespace ostrane::test
