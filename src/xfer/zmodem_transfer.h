// CZmodemTransfer: runs one ZModem machine (receiver or sender) on a thread of its own. The
// thread that receives from the connection hands bytes in with Deliver; the transfer thread
// swaps them out under the input mutex and runs the machine outside it, writes its output to
// the link, ticks its silence clock and reports progress. The owner deletes the transfer after
// it has ended (the destructor joins the thread).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "xfer/zmodem_machine.h"

namespace ostrane {

// The connection, as the transfer writes to it. Write blocks until the bytes are taken and
// returns false when the connection failed.
class IXferLink {
 public:
  virtual ~IXferLink() = default;
  virtual bool Write(const uint8_t* data, size_t length) = 0;
};

struct XferProgress {
  std::string fileName;
  uint64_t fileSize = 0;
  uint64_t bytesDone = 0;
  double bytesPerSecond = 0;
  // Negative while unknown.
  double secondsLeft = -1;
};

// Everything an observer hears comes from the transfer thread.
class IXferObserver {
 public:
  virtual ~IXferObserver() = default;
  // At a file's start and end, and at most every kProgressInterval in between.
  virtual void OnProgress(const XferProgress& progress) = 0;
  virtual void OnFileEnded(const std::string& name, bool complete, const std::string& message) = 0;
  virtual void OnNotice(const std::string& text) = 0;
  // Bytes from the connection that are not part of the transfer: before it started and after
  // it ended. They belong on the screen.
  virtual void OnScreenBytes(const uint8_t* data, size_t length) = 0;
  // Last call: the transfer is over.
  virtual void OnEnded(XferOutcome outcome, const std::string& message) = 0;
};

class CZmodemTransfer final : private IZmodemEvents {
 public:
  struct Options {
    // Typed to the host before the protocol starts (a sender's "rz\r"), then a pause for the
    // host program to come up.
    std::string initString;
    std::chrono::milliseconds initPause{0};
    // One tick of the silence clock.
    std::chrono::milliseconds tick{1000};
  };
  static constexpr std::chrono::milliseconds kProgressInterval{100};

  // The machine must be built with Events() as its events.
  CZmodemTransfer(IXferLink& link, IXferObserver& observer, Options options);
  ~CZmodemTransfer() override;
  CZmodemTransfer(const CZmodemTransfer&) = delete;
  CZmodemTransfer& operator=(const CZmodemTransfer&) = delete;

  IZmodemEvents& Events() { return *this; }
  // Starts the thread that runs the machine.
  void Start(std::unique_ptr<CZmodemMachine> machine);
  // Any thread: bytes from the connection. False once the transfer has ended: the bytes are
  // then the caller's to show.
  bool Deliver(const uint8_t* data, size_t length);
  // Any thread: the user's abort.
  void RequestAbort();
  // Any thread: the connection is gone; the transfer ends with an error.
  void ConnectionLost();
  // Waits for the thread.
  void Join();
  bool HasEnded() const { return ended_.load(); }
  XferOutcome Outcome() const;
  std::string Message() const;

 private:
  void Run();
  void Process(std::vector<uint8_t>& input);
  bool Flush();
  void DrainAfterAbort();
  void End(XferOutcome outcome, const std::string& message);
  enum class Wake : uint8_t { kWork, kAbort, kConnectionLost };
  Wake WaitForInput(std::vector<uint8_t>& input, std::chrono::steady_clock::time_point until);

  void OnFileStart(const std::string& name, uint64_t size) override;
  void OnFileProgress(uint64_t bytesDone) override;
  void OnFileEnd(const std::string& name, bool complete, const std::string& message) override;
  void OnNotice(const std::string& text) override { observer_.OnNotice(text); }
  void Report(bool force);

  IXferLink& link_;
  IXferObserver& observer_;
  Options options_;
  std::unique_ptr<CZmodemMachine> machine_;
  std::thread thread_;

  mutable std::mutex mutex_;
  std::condition_variable wakeup_;
  std::vector<uint8_t> input_;
  bool abortRequested_ = false;
  bool connectionLost_ = false;
  bool endedLocked_ = false;
  XferOutcome outcome_ = XferOutcome::kRunning;
  std::string message_;
  std::atomic<bool> ended_{false};

  // Bytes that may start a header, not yet shown (transfer thread only).
  std::vector<uint8_t> held_;
  // Progress of the current file, on the transfer thread only.
  XferProgress progress_;
  std::chrono::steady_clock::time_point fileStart_;
  std::chrono::steady_clock::time_point lastReport_;
  uint64_t fileStartBytes_ = 0;
  bool rateStarted_ = false;
};

}  // namespace ostrane
