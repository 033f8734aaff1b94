#include "transport/transport.h"

#include "platform/fault_report.h"
#include "settings/message_texts.h"

namespace ostrane {

namespace {

// Set while Send runs for a caller that holds the terminal lock.
thread_local bool t_holdsTerminalLock = false;

class CLockHolderScope {
 public:
  explicit CLockHolderScope(bool holds) : previous_(t_holdsTerminalLock) {
    t_holdsTerminalLock = holds || previous_;
  }
  ~CLockHolderScope() { t_holdsTerminalLock = previous_; }
  CLockHolderScope(const CLockHolderScope&) = delete;
  CLockHolderScope& operator=(const CLockHolderScope&) = delete;

 private:
  bool previous_;
};

}  // namespace

CTransport::CTransport(TransportKind kind) : kind_(kind) {
  queue_.SetCapacity(kReceiveQueueCapacity);
}

CTransport::~CTransport() {
  if (thread_.joinable()) thread_.join();
}

void CTransport::Shutdown() {
  Stop();
  if (thread_.joinable() && !OnWorkerThread()) thread_.join();
}

int CTransport::Start() {
  if (thread_.joinable() || state_.load() != TransportState::kIdle) return 1;
  // Connecting from here on, so that a Stop right after Start is not taken for an idle one.
  state_.store(TransportState::kConnecting);
  thread_ = std::thread([this] {
    // A fault on this thread, a stack overflow included, can still be reported.
    InstallFaultStackForThread();
    Run();
  });
  return 1;
}

void CTransport::SetStopping() {
  TransportState s = state_.load();
  while ((s == TransportState::kConnecting || s == TransportState::kConnected) &&
         !state_.compare_exchange_weak(s, TransportState::kStopping)) {
  }
}

int CTransport::Stop(bool wait) {
  const TransportState s = state_.load();
  if (s == TransportState::kIdle || s == TransportState::kClosed) return 1;
  SetStopping();
  holdGate_.Abort();
  queue_.WakeWriters();
  Interrupt();
  if (wait && !OnWorkerThread() && !t_holdsTerminalLock && thread_.joinable() &&
      finished_.WaitFor(kStopTimeout))
    thread_.join();
  return 1;
}

int CTransport::Send(const uint8_t* data, size_t length, bool mayWait) {
  CLockHolderScope scope(!mayWait);
  if (localEcho_.load()) DeliverLocal(data, length);
  if (Write(data, length) == 0) {
    Stop();
    return 0;
  }
  return 1;
}

int CTransport::DeliverLocal(const uint8_t* data, size_t length) {
  QueueReceived(data, length);
  Kick();
  return 1;
}

void CTransport::SetHold(bool hold) {
  if (hold) {
    holdGate_.Clear();
    queue_.WakeWriters();
  } else {
    holdGate_.Set();
  }
}

bool CTransport::MayWait() const {
  if (t_holdsTerminalLock || OnWorkerThread() || IsHeld()) return false;
  const TransportState s = state_.load();
  return s == TransportState::kConnecting || s == TransportState::kConnected;
}

void CTransport::Run() {
  workerId_.store(std::this_thread::get_id());
  try {
    Prepare();
    if (Open() == 0) {
      if (state_.load() != TransportState::kStopping && owner_ != nullptr)
        owner_->ShowMessage(Msg::kCannotConnect);
      state_.store(TransportState::kClosed);
      Finish();
      return;
    }
    TransportState expected = TransportState::kConnecting;
    if (state_.compare_exchange_strong(expected, TransportState::kConnected)) {
      // What arrived while connecting (a proxy's greeting) is shown at once.
      DeliverQueued();
      while (Read() != 0 && state_.load() != TransportState::kStopping) DeliverQueued();
    }
  } catch (const std::exception&) {
    // A fault in the connection code ends this connection only.
  }
  state_.store(TransportState::kStopping);
  Close();
  state_.store(TransportState::kClosed);
  Finish();
}

void CTransport::Finish() {
  queue_.WakeWriters();
  if (owner_ != nullptr) owner_->ConnectionEnded();
  finished_.Set();
}

void CTransport::DeliverQueued() {
  for (;;) {
    // Holding stops delivery between chunks; Stop releases the wait.
    if (!holdGate_.Wait() || state_.load() == TransportState::kStopping) return;
    const size_t n = queue_.Take(delivery_, sizeof delivery_);
    if (n == 0) return;
    if (owner_ != nullptr) owner_->DeliverReceived(delivery_, n);
  }
}

}  // namespace ostrane
