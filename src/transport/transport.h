// CTransport: the connection of one session. A worker thread opens the connection, reads,
// queues what it received and delivers it to the owner in chunks; any thread sends.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/event.h"
#include "transport/byte_ring.h"
#include "transport/transport_limits.h"
#include "transport/transport_owner.h"

namespace ostrane {

class CSettingsSet;

// The values of the HostType setting.
enum class TransportKind : int {
  kTelnet = 0,
  kSerial = 1,
  kLocal = 2,
  kModem = 3,
  kDebug = 4,  // no transport object
  kSsh2 = 5,
  kSsh1 = 6,
};

enum class TransportState : int {
  kIdle = 0,
  kConnecting = 1,
  kConnected = 2,
  kStopping = 4,
  kClosed = 5,
};

class CTransport : private IRingWaitPolicy {
 public:
  explicit CTransport(TransportKind kind);
  ~CTransport() override;
  CTransport(const CTransport&) = delete;
  CTransport& operator=(const CTransport&) = delete;

  // The connection operations, each kind's own.
  virtual int Prepare() = 0;
  // Worker thread: non-zero when connected. Settings are read through the owner.
  virtual int Open() = 0;
  virtual int Close() = 0;
  // Any thread: make a worker blocked in Open or Read give up.
  virtual int Interrupt() = 0;
  // Worker thread: wait for input and queue it; zero when the connection has ended.
  virtual int Read() = 0;
  // Any thread: make the worker deliver locally queued data.
  virtual void Kick() {}
  // Any thread: zero when the bytes could not be written.
  virtual int Write(const uint8_t* data, size_t length) = 0;
  virtual int SendBreak() { return 0; }
  virtual int SettingsChanged(const CSettingsSet& settings) = 0;
  virtual void KeepAlive() {}
  // Tells the host a new screen size, where the protocol has a way to (Telnet NAWS, SSH
  // window-change); other kinds ignore it.
  virtual void AnnounceWindowSize(int /*columns*/, int /*lines*/) {}
  virtual std::string GetDisplayName(const CSettingsSet& settings) const = 0;

  void SetOwner(ITransportOwner* owner) { owner_ = owner; }
  TransportKind Kind() const { return kind_; }
  TransportState State() const { return state_.load(); }

  // Starts the worker thread.
  int Start();
  // Ends the connection and waits (at most kStopTimeout) for the worker. From the worker itself,
  // or with wait false, it only asks the worker to leave.
  int Stop(bool wait = true);
  // Everything the session sends: local echo when on, then Write; a failed write stops the
  // connection. mayWait false is for callers that hold the terminal lock: they never wait for
  // the worker, whose delivery needs that lock.
  int Send(const uint8_t* data, size_t length, bool mayWait = true);
  // Queues bytes as if received and has the worker deliver them.
  int DeliverLocal(const uint8_t* data, size_t length);
  void SetHold(bool hold);
  bool IsHeld() const { return !holdGate_.IsSet(); }
  // LocalEcho and Local as Send and Write see them; the session sets them from its settings
  // when the transport is created and whenever they change.
  void SetLocalEcho(bool on) { localEcho_.store(on); }
  bool LocalEcho() const { return localEcho_.load(); }
  void SetLocalOnly(bool on) { localOnly_.store(on); }
  bool LocalOnly() const { return localOnly_.load(); }
  // Bytes waiting for delivery (tests, and the hold display).
  size_t QueuedCount() const { return queue_.Count(); }

 protected:
  ITransportOwner* Owner() const { return owner_; }
  // Any thread: queue bytes for delivery, waiting for room when this caller may.
  void QueueReceived(const uint8_t* data, size_t length) { queue_.Put(data, length, this); }
  bool OnWorkerThread() const { return std::this_thread::get_id() == workerId_.load(); }
  // Connecting or Connected becomes Stopping; later states stay.
  void SetStopping();
  // Every concrete transport's destructor calls this first: the worker uses the derived
  // object, so it must have ended (Stop, then join whatever the wait gave) before that goes.
  void Shutdown();

 private:
  bool MayWait() const override;
  void WakeReader() override { Kick(); }
  void Run();
  void DeliverQueued();
  void Finish();

  const TransportKind kind_;
  std::atomic<TransportState> state_{TransportState::kIdle};
  ITransportOwner* owner_ = nullptr;
  platform::CEvent holdGate_{platform::CEvent::Reset::kManual, true};
  platform::CEvent finished_{platform::CEvent::Reset::kManual, false};
  CByteRing queue_;
  std::thread thread_;
  std::atomic<std::thread::id> workerId_{};
  std::atomic<bool> localEcho_{false};
  std::atomic<bool> localOnly_{false};
  uint8_t delivery_[kDeliveryChunk] = {};
};

}  // namespace ostrane
