// CSessionTransfer: a session's ZModem transfer, at most one at a time. It owns the running
// transfer together with the folder or the files it works on and its link to the transport,
// takes the received bytes while the transfer runs, and tells a front end what happens. The
// transfer writes through the transport it was started on: End it before that transport goes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "session/transfer_front_end.h"
#include "transport/transport.h"

namespace ostrane {

class CSessionTransfer {
 public:
  // Bytes of the connection that belong on the screen (before the exchange and after it).
  using ScreenSink = std::function<void(const uint8_t* data, size_t length)>;

  struct ReceiveOptions {
    std::string folder;
    // Show the folder when the transfer stored at least one file.
    bool openFolder = false;
  };
  struct SendOptions {
    std::string initString;
    std::chrono::milliseconds initPause{0};
  };

  explicit CSessionTransfer(ScreenSink screen);
  ~CSessionTransfer();
  CSessionTransfer(const CSessionTransfer&) = delete;
  CSessionTransfer& operator=(const CSessionTransfer&) = delete;

  // Set before any transfer starts; it outlives the session.
  void SetFrontEnd(ITransferFrontEnd* frontEnd) { frontEnd_ = frontEnd; }

  // Each starts a transfer on the transport unless one is still running (false). A transfer
  // that has ended is reaped first.
  bool StartReceive(CTransport& transport, const ReceiveOptions& options);
  bool StartSend(CTransport& transport, std::vector<std::string> paths, const SendOptions& options);
  // Worker thread: true when the transfer took the bytes; otherwise they are the screen's.
  bool Deliver(const uint8_t* data, size_t length);
  void ConnectionLost();
  // The user's abort; the transfer ends shortly after.
  void Abort();
  // True while a transfer exists and has not ended.
  bool Running() const;
  // Destroys a transfer that has ended.
  void Reap();
  // Aborts a running transfer and destroys it, waiting for its thread.
  void End();

 private:
  class CRunning;
  bool Start(std::unique_ptr<CRunning> running);

  ScreenSink screen_;
  ITransferFrontEnd* frontEnd_ = nullptr;
  mutable std::mutex mutex_;
  std::unique_ptr<CRunning> running_;  // guarded by mutex_
};

}  // namespace ostrane
