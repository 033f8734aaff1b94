#include "transport/transport.h"

#include "platform/fault_report.h"
#include "settings/message_texts.h"

namespace ostrane {

// One writer's view of the receive queue: how it goes on when the queue is full.
class CTransport::CQueueWriter final : public IRingWaitPolicy {
 public:
  CQueueWriter(CTransport& transport, SendWait wait) : transport_(transport), wait_(wait) {}
  RingWait Mode() const override { return transport_.QueueMode(wait_); }
  void WakeReader() override { transport_.Kick(); }

 private:
  CTransport& transport_;
  const SendWait wait_;
};

CTransport::CTransport(TransportKind kind, CConnectionSettings settings)
    : kind_(kind), settings_(std::move(settings)) {
  queue_.SetCapacity(kReceiveQueueCapacity, kMaxReceiveOverflow);
  localEcho_.store(settings_.localEcho);
  localOnly_.store(settings_.localOnly);
}

CTransport::~CTransport() {
  if (thread_.joinable()) thread_.join();
}

void CTransport::Shutdown() {
  Stop();
  if (thread_.joinable() && !OnWorkerThread()) thread_.join();
}

void CTransport::UpdateSettings(const CConnectionSettings& settings) {
  std::lock_guard lock(settingsMutex_);
  settings_ = settings;
  localEcho_.store(settings.localEcho);
  localOnly_.store(settings.localOnly);
}

void CTransport::ConnectionSettingsChanged(const CConnectionSettings& settings) {
  UpdateSettings(settings);
}

CConnectionSettings CTransport::Settings() const {
  std::lock_guard lock(settingsMutex_);
  return settings_;
}

void CTransport::AnnounceWindowSize(int columns, int lines) {
  {
    std::lock_guard lock(settingsMutex_);
    settings_.columns = columns;
    settings_.lines = lines;
  }
  SendWindowSize(columns, lines);
}

void CTransport::HostSetLocalEcho(bool on) {
  {
    std::lock_guard lock(settingsMutex_);
    settings_.localEcho = on;
    localEcho_.store(on);
  }
  if (owner_ != nullptr) owner_->LocalEchoChanged(on);
}

void CTransport::Start() {
  if (thread_.joinable() || state_.load() != TransportState::kIdle) return;
  // Connecting from here on, so that a Stop right after Start is not taken for an idle one.
  state_.store(TransportState::kConnecting);
  thread_ = std::thread([this] {
    // A fault on this thread, a stack overflow included, can still be reported.
    InstallFaultStackForThread();
    Run();
  });
}

void CTransport::SetStopping() {
  TransportState s = state_.load();
  while ((s == TransportState::kConnecting || s == TransportState::kConnected) &&
         !state_.compare_exchange_weak(s, TransportState::kStopping)) {
  }
}

void CTransport::Stop(bool wait) {
  const TransportState s = state_.load();
  if (s == TransportState::kIdle || s == TransportState::kClosed) return;
  SetStopping();
  holdGate_.Abort();
  queue_.WakeWriters();
  Interrupt();
  if (wait && !OnWorkerThread() && thread_.joinable() && finished_.WaitFor(kStopTimeout))
    thread_.join();
}

bool CTransport::Send(const uint8_t* data, size_t length) {
  return SendWith(data, length, SendWait::kMayWait);
}

bool CTransport::SendNoWait(const uint8_t* data, size_t length) {
  return SendWith(data, length, SendWait::kNever);
}

bool CTransport::SendWith(const uint8_t* data, size_t length, SendWait wait) {
  const bool echoed = !localEcho_.load() || QueueReceived(data, length, wait);
  if (echoed) Kick();
  if (!echoed || !Write(data, length, wait)) {
    // The worker is only asked to leave: it may be telling the user why, and a caller on the
    // GUI thread that waited for it would block that message.
    Stop(false);
    return false;
  }
  return true;
}

void CTransport::DeliverLocal(const uint8_t* data, size_t length) {
  QueueReceived(data, length);
  Kick();
}

bool CTransport::QueueReceived(const uint8_t* data, size_t length, SendWait wait) {
  CQueueWriter writer(*this, wait);
  return queue_.Put(data, length, &writer);
}

void CTransport::SetHold(bool hold) {
  if (hold) {
    holdGate_.Clear();
    queue_.WakeWriters();
  } else {
    holdGate_.Set();
  }
}

RingWait CTransport::QueueMode(SendWait wait) const {
  // The worker is the queue's only reader: waiting would wait for itself.
  if (OnWorkerThread()) return RingWait::kOverflow;
  if (wait == SendWait::kNever || IsHeld()) return RingWait::kBounded;
  const TransportState s = state_.load();
  return s == TransportState::kConnecting || s == TransportState::kConnected ? RingWait::kWait
                                                                             : RingWait::kBounded;
}

void CTransport::Run() {
  workerId_.store(std::this_thread::get_id());
  try {
    Prepare();
    if (!Open()) {
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
      while (Read() && state_.load() != TransportState::kStopping) DeliverQueued();
    }
  } catch (const std::exception&) {
    // A fault in the connection code ends this connection only.
  }
  state_.store(TransportState::kStopping);
  Close();
  // The reason a send ended the connection, told from this thread, which holds no lock.
  if (const int id = endMessage_.load(); id != 0 && owner_ != nullptr) owner_->ShowMessage(id);
  state_.store(TransportState::kClosed);
  Finish();
}

void CTransport::EndWithMessage(int messageId) {
  int none = 0;
  endMessage_.compare_exchange_strong(none, messageId);
  Stop(false);
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
