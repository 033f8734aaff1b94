// CTransport: the connection of one session. A worker thread opens the connection, reads,
// queues what it received and delivers it to the owner in chunks; any thread sends.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/event.h"
#include "transport/byte_ring.h"
#include "transport/connection_settings.h"
#include "transport/transport_limits.h"
#include "transport/transport_owner.h"

namespace ostrane {

// The values of the HostType setting.
enum class TransportKind : int {
  kTelnet = 0,
  kSerial = 1,
  kLocal = 2,
  kModem = 3,
  kDebug = 4,  // no transport object
  kSsh2 = 5,
  kSsh1 = 6,
  kLocalShell = 7,  // a program on this machine through a pseudo-terminal
};

enum class TransportState : int {
  kIdle = 0,
  kConnecting = 1,
  kConnected = 2,
  kStopping = 4,
  kClosed = 5,
};

// Whether a sender may wait for room in the receive queue (local echo, the local loop).
enum class SendWait { kMayWait, kNever };

class CTransport {
 public:
  CTransport(TransportKind kind, CConnectionSettings settings);
  virtual ~CTransport();
  CTransport(const CTransport&) = delete;
  CTransport& operator=(const CTransport&) = delete;

  // The connection operations, each kind's own.
  virtual void Prepare() = 0;
  // Worker thread: true when connected.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  // Any thread: make a worker blocked in Open or Read give up.
  virtual void Interrupt() = 0;
  // Worker thread: wait for input and queue it; false when the connection has ended.
  virtual bool Read() = 0;
  // Any thread: make the worker deliver locally queued data.
  virtual void Kick() {}
  // Any thread: false when the bytes could not be written (or, with SendWait::kNever, not
  // queued without waiting).
  virtual bool Write(const uint8_t* data, size_t length, SendWait wait) = 0;
  virtual bool SendBreak() { return false; }
  virtual void KeepAlive() {}
  // The user changed connection settings of the open session: they are kept, and the kind
  // tells the user what it cannot apply without a new connection.
  virtual void ConnectionSettingsChanged(const CConnectionSettings& settings);
  virtual std::string GetDisplayName() const = 0;

  // Replaces the settings without asking anything (screen size, echo and local flags).
  void UpdateSettings(const CConnectionSettings& settings);
  CConnectionSettings Settings() const;
  // Tells the host a new screen size, where the protocol has a way to (Telnet NAWS, SSH
  // window-change); other kinds only keep it.
  void AnnounceWindowSize(int columns, int lines);

  void SetOwner(ITransportOwner* owner) { owner_ = owner; }
  TransportKind Kind() const { return kind_; }
  TransportState State() const { return state_.load(); }

  // Starts the worker thread.
  void Start();
  // Ends the connection and waits (at most kStopTimeout) for the worker. From the worker itself,
  // or with wait false, it only asks the worker to leave.
  void Stop(bool wait = true);
  // Everything the session sends: local echo when on, then Write; a failed write stops the
  // connection and gives false. May wait for room in the receive queue.
  bool Send(const uint8_t* data, size_t length);
  // Send for callers that hold the terminal lock (the terminal's replies): never waits, for the
  // worker's delivery needs that lock. Bytes the receive queue cannot take without waiting
  // (beyond its overflow limit, see transport_limits.h) are refused: false, and the connection
  // is asked to stop.
  bool SendNoWait(const uint8_t* data, size_t length);
  // Queues bytes as if received and has the worker deliver them.
  void DeliverLocal(const uint8_t* data, size_t length);
  void SetHold(bool hold);
  bool IsHeld() const { return !holdGate_.IsSet(); }
  bool LocalEcho() const { return localEcho_.load(); }
  bool LocalOnly() const { return localOnly_.load(); }
  // Bytes waiting for delivery (tests, and the hold display).
  size_t QueuedCount() const { return queue_.Count(); }

 protected:
  ITransportOwner* Owner() const { return owner_; }
  // Queue bytes for delivery. The worker never waits; other threads wait for room when wait
  // allows. False when the bytes were refused (see SendNoWait).
  bool QueueReceived(const uint8_t* data, size_t length, SendWait wait = SendWait::kMayWait);
  bool OnWorkerThread() const { return std::this_thread::get_id() == workerId_.load(); }
  // Connecting or Connected becomes Stopping; later states stay.
  void SetStopping();
  // Any thread: ends the connection; the worker shows the numbered message as it leaves (the
  // first reason given wins).
  void EndWithMessage(int messageId);
  // The host switched local echo (Telnet ECHO): kept, followed and told to the owner.
  void HostSetLocalEcho(bool on);
  // The protocol tells the host the size; the settings already hold it.
  virtual void SendWindowSize(int /*columns*/, int /*lines*/) {}
  // Every concrete transport's destructor calls this first: the worker uses the derived
  // object, so it must have ended (Stop, then join whatever the wait gave) before that goes.
  void Shutdown();

 private:
  class CQueueWriter;

  bool SendWith(const uint8_t* data, size_t length, SendWait wait);
  RingWait QueueMode(SendWait wait) const;
  void Run();
  void DeliverQueued();
  void Finish();

  const TransportKind kind_;
  std::atomic<int> endMessage_{0};
  std::atomic<TransportState> state_{TransportState::kIdle};
  ITransportOwner* owner_ = nullptr;
  mutable std::mutex settingsMutex_;
  CConnectionSettings settings_;  // guarded by settingsMutex_
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
