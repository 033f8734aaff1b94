// CZmodemMachine: what the ZModem receiver and sender share. A byte machine with no I/O: bytes
// from the peer go in through Feed, bytes for the peer collect in Output, and what happens to
// files is told to an IZmodemEvents. Time comes in as Tick calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "xfer/zmodem_decoder.h"
#include "xfer/zmodem_encoder.h"

namespace ostrane {

enum class XferOutcome : uint8_t { kRunning, kSucceeded, kFailed, kAborted };

class IZmodemEvents {
 public:
  virtual ~IZmodemEvents() = default;
  virtual void OnFileStart(const std::string& name, uint64_t size) = 0;
  virtual void OnFileProgress(uint64_t bytesDone) = 0;
  // complete: received and safely stored, or confirmed by the receiver. Otherwise message says
  // why the file did not make it.
  virtual void OnFileEnd(const std::string& name, bool complete, const std::string& message) = 0;
  // Something the user should hear about that does not end the transfer.
  virtual void OnNotice(const std::string& text) = 0;
};

class CZmodemMachine : protected IZmodemFrameSink {
 public:
  explicit CZmodemMachine(IZmodemEvents& events);
  CZmodemMachine(const CZmodemMachine&) = delete;
  CZmodemMachine& operator=(const CZmodemMachine&) = delete;

  // Queues the first bytes for the peer.
  virtual void Start() = 0;
  // Takes bytes from the peer; returns how many belonged to the transfer. Once it has ended,
  // the rest are not the transfer's (they go to the screen).
  size_t Feed(const uint8_t* data, size_t length);
  // A sender with data to stream wants Pump called whenever the link can take more.
  virtual bool WantsToSend() const { return false; }
  virtual void Pump() {}
  // One tick of the clock that notices a silent peer.
  void Tick();
  // The user's abort: cancel the peer (eight CANs, then backspaces to wipe them from a command
  // line) and drop any partial file.
  void Abort();

  // The exchange has begun: bytes from the peer are no longer meant for the screen.
  bool Started() const { return started_; }
  // The outcome is known and nothing more is expected from the peer.
  bool Ended() const { return outcome_ != XferOutcome::kRunning && !closing_; }
  XferOutcome Outcome() const { return outcome_; }
  const std::string& Message() const { return message_; }
  std::vector<uint8_t>& Output() { return out_; }

 protected:
  // No sign of life for a while: repeat the last request.
  virtual void OnSilence() = 0;
  // Whether the machine is waiting for the peer (a streaming sender is not).
  virtual bool Waiting() const { return true; }
  // The transfer is ending without completing the current file: throw it away.
  virtual void DropFile(const std::string& why) = 0;

  void OnCancel() override;
  // The peer answered sensibly: the silence clock and the retry count start again.
  void Alive() {
    idleTicks_ = 0;
    retries_ = 0;
  }
  void Finish(XferOutcome outcome, std::string message);
  // After the final ZFIN exchange: swallow up to two "O" bytes before ending.
  void FinishClosing(XferOutcome outcome, std::string message);
  void Fail(std::string message) { Finish(XferOutcome::kFailed, std::move(message)); }
  void Cancel();

  IZmodemEvents& events_;
  std::vector<uint8_t> out_;
  CZmodemEncoder encoder_{out_};
  CZmodemDecoder decoder_;
  bool started_ = false;

 private:
  XferOutcome outcome_ = XferOutcome::kRunning;
  std::string message_;
  bool closing_ = false;
  unsigned closingSwallowed_ = 0;
  unsigned idleTicks_ = 0;
  unsigned retries_ = 0;
};

}  // namespace ostrane
