#include "xfer/zmodem_transfer.h"

#include "xfer/xfer_texts.h"
#include "xfer/zmodem_limits.h"

namespace ostrane {

using Clock = std::chrono::steady_clock;

// The longest header start held back from the screen: "**", ZDLE, "B" and its 14 hex digits.
constexpr size_t kHeldHeaderBytes = 18;

CZmodemTransfer::CZmodemTransfer(IXferLink& link, IXferObserver& observer, Options options)
    : link_(link), observer_(observer), options_(std::move(options)) {}

CZmodemTransfer::~CZmodemTransfer() {
  RequestAbort();
  Join();
}

void CZmodemTransfer::Start(std::unique_ptr<CZmodemMachine> machine) {
  machine_ = std::move(machine);
  thread_ = std::thread([this] { Run(); });
}

bool CZmodemTransfer::Deliver(const uint8_t* data, size_t length) {
  {
    std::lock_guard lock(mutex_);
    if (endedLocked_) return false;
    input_.insert(input_.end(), data, data + length);
  }
  wakeup_.notify_one();
  return true;
}

void CZmodemTransfer::RequestAbort() {
  {
    std::lock_guard lock(mutex_);
    abortRequested_ = true;
  }
  wakeup_.notify_one();
}

void CZmodemTransfer::Join() {
  if (thread_.joinable()) thread_.join();
}

XferOutcome CZmodemTransfer::Outcome() const {
  std::lock_guard lock(mutex_);
  return outcome_;
}

std::string CZmodemTransfer::Message() const {
  std::lock_guard lock(mutex_);
  return message_;
}

void CZmodemTransfer::ConnectionLost() {
  {
    std::lock_guard lock(mutex_);
    connectionLost_ = true;
  }
  wakeup_.notify_one();
}

CZmodemTransfer::Wake CZmodemTransfer::WaitForInput(std::vector<uint8_t>& input,
                                                    Clock::time_point until) {
  std::unique_lock lock(mutex_);
  const bool busy = machine_->WantsToSend();
  if (input_.empty() && !abortRequested_ && !connectionLost_ && !busy)
    wakeup_.wait_until(lock, until,
                       [&] { return !input_.empty() || abortRequested_ || connectionLost_; });
  input.swap(input_);
  if (abortRequested_) return Wake::kAbort;
  // Bytes that arrived before the connection closed still count.
  return connectionLost_ && input.empty() ? Wake::kConnectionLost : Wake::kWork;
}

void CZmodemTransfer::Run() {
  if (!options_.initString.empty()) {
    const auto* init = reinterpret_cast<const uint8_t*>(options_.initString.data());
    if (!link_.Write(init, options_.initString.size())) {
      machine_->Abort();
      End(XferOutcome::kFailed, kTextLinkFailed);
      return;
    }
    std::unique_lock lock(mutex_);
    wakeup_.wait_for(lock, options_.initPause, [&] { return abortRequested_; });
    // What the host says meanwhile (its program starting) waits in the input for the machine.
  }
  machine_->Start();
  bool linkFailed = !Flush();
  auto nextTick = Clock::now() + options_.tick;
  std::vector<uint8_t> input;
  bool aborted = false;
  while (!linkFailed && !machine_->Ended()) {
    input.clear();
    const Wake wake = WaitForInput(input, nextTick);
    if (wake == Wake::kAbort) {
      machine_->Abort();
      aborted = true;
      linkFailed = !Flush();
      break;
    }
    if (wake == Wake::kConnectionLost) {
      // After the closing handshake the peer may hang up before its "OO": that is no failure.
      linkFailed = machine_->Outcome() == XferOutcome::kRunning;
      break;
    }
    Process(input);
    if (Clock::now() >= nextTick) {
      machine_->Tick();
      nextTick = Clock::now() + options_.tick;
    }
    while (machine_->WantsToSend() && machine_->Output().size() < kZmodemWriteBatch)
      machine_->Pump();
    linkFailed = !Flush();
  }
  if (linkFailed) {
    // The partial file is dropped as for an abort; nothing more can reach the peer.
    machine_->Abort();
    machine_->Output().clear();
    End(XferOutcome::kFailed, kTextLinkFailed);
    return;
  }
  if (aborted) DrainAfterAbort();
  End(machine_->Outcome(), machine_->Message());
}

void CZmodemTransfer::Process(std::vector<uint8_t>& input) {
  size_t at = 0;
  // Until the exchange begins, bytes are also the host's text for the screen, except a header
  // that may be starting ("*" onwards), held back until it turns out to be none.
  while (at < input.size() && !machine_->Started() && !machine_->Ended()) {
    machine_->Feed(&input[at], 1);
    if (!machine_->Started()) {
      if (held_.empty() && input[at] != ZPAD) {
        observer_.OnScreenBytes(&input[at], 1);
      } else {
        held_.push_back(input[at]);
        if (held_.size() > kHeldHeaderBytes) {
          observer_.OnScreenBytes(held_.data(), held_.size());
          held_.clear();
        }
      }
    }
    ++at;
  }
  if (machine_->Started()) held_.clear();
  if (at < input.size() && !machine_->Ended())
    at += machine_->Feed(input.data() + at, input.size() - at);
  if (at < input.size()) observer_.OnScreenBytes(input.data() + at, input.size() - at);
}

bool CZmodemTransfer::Flush() {
  auto& out = machine_->Output();
  if (out.empty()) return true;
  const bool written = link_.Write(out.data(), out.size());
  out.clear();
  return written;
}

void CZmodemTransfer::DrainAfterAbort() {
  // The peer may still be sending; its bytes are not for the screen. Stop at the first quiet
  // tick, or after the countdown.
  std::vector<uint8_t> input;
  for (unsigned tick = 0; tick < kZmodemAbortDrainTicks; ++tick) {
    input.clear();
    std::unique_lock lock(mutex_);
    wakeup_.wait_for(lock, options_.tick, [&] { return !input_.empty(); });
    if (input_.empty()) return;
    input_.clear();
  }
}

void CZmodemTransfer::End(XferOutcome outcome, const std::string& message) {
  std::vector<uint8_t> left;
  {
    std::lock_guard lock(mutex_);
    endedLocked_ = true;
    outcome_ = outcome;
    message_ = message;
    left.swap(input_);
  }
  if (!left.empty() && outcome != XferOutcome::kAborted)
    observer_.OnScreenBytes(left.data(), left.size());
  // Ended before the observer hears of it: a front end that reaps on that news must find the
  // transfer over, or it would stay "running" (and the line held) for good.
  ended_ = true;
  observer_.OnEnded(outcome, message);
}

void CZmodemTransfer::OnFileStart(const std::string& name, uint64_t size) {
  progress_ = XferProgress{};
  progress_.fileName = name;
  progress_.fileSize = size;
  rateStarted_ = false;
  Report(true);
}

void CZmodemTransfer::OnFileProgress(uint64_t bytesDone) {
  const auto now = Clock::now();
  if (!rateStarted_) {
    rateStarted_ = true;
    fileStart_ = now;
    fileStartBytes_ = bytesDone;
  }
  progress_.bytesDone = bytesDone;
  const double seconds = std::chrono::duration<double>(now - fileStart_).count();
  if (seconds > 0 && bytesDone > fileStartBytes_) {
    progress_.bytesPerSecond = static_cast<double>(bytesDone - fileStartBytes_) / seconds;
    const uint64_t left = progress_.fileSize > bytesDone ? progress_.fileSize - bytesDone : 0;
    progress_.secondsLeft = static_cast<double>(left) / progress_.bytesPerSecond;
  }
  Report(false);
}

void CZmodemTransfer::OnFileEnd(const std::string& name, bool complete,
                                const std::string& message) {
  Report(true);
  observer_.OnFileEnded(name, complete, message);
}

void CZmodemTransfer::Report(bool force) {
  const auto now = Clock::now();
  if (!force && now - lastReport_ < kProgressInterval) return;
  lastReport_ = now;
  observer_.OnProgress(progress_);
}

}  // namespace ostrane
