#include "transport/socket_link.h"

#include <algorithm>

#include "transport/transport_limits.h"

namespace ostrane {

using platform::CTcpSocket;
using platform::CWakeSignal;

CSocketLink::CSocketLink(platform::ISocketApi& sockets) : socket_(sockets) {
  pending_.reserve(kPendingSendReserve);
}

bool CSocketLink::Connect(const std::string& host, int port) {
  if (signal_.Aborted() || !socket_.Connect(host, port, signal_)) return false;
  std::lock_guard lock(mutex_);
  connected_ = true;
  return true;
}

void CSocketLink::Close() {
  std::lock_guard lock(mutex_);
  connected_ = false;
  socket_.Close();
  pending_.clear();
  pendingHead_ = 0;
}

size_t CSocketLink::PendingCount() {
  std::lock_guard lock(mutex_);
  return pending_.size() - pendingHead_;
}

int CSocketLink::Receive(uint8_t* buffer, size_t size) {
  constexpr unsigned kRequests = CWakeSignal::kWake | CWakeSignal::kAbort | CWakeSignal::kRearm;
  for (;;) {
    unsigned requests = signal_.Take(kRequests);
    if (requests & CWakeSignal::kAbort) return 0;
    if (requests & CWakeSignal::kWake) return kWakeMarker;
    const long n = socket_.Receive(buffer, size);
    if (n >= 0) return static_cast<int>(n);
    if (n != CTcpSocket::kWouldBlock) return 0;
    // Nothing to read: empty the doorbell and look once more before sleeping.
    signal_.Drain();
    requests = signal_.Take(kRequests);
    if (requests & CWakeSignal::kAbort) return 0;
    if (requests & CWakeSignal::kWake) return kWakeMarker;
    const unsigned ready = socket_.Wait(PendingCount() > 0, signal_);
    // A socket that fails while output waits ends the connection rather than keep it unsent.
    if ((ready & CTcpSocket::kWritable) && !Flush()) return 0;
  }
}

bool CSocketLink::Send(const uint8_t* data, size_t length) {
  std::lock_guard lock(mutex_);
  if (!connected_) return false;
  const size_t pending = pending_.size() - pendingHead_;
  if (pending > 0) {
    if (length > kMaxPendingSend - pending) {
      hostStoppedReading_.store(true);
      return false;
    }
    pending_.insert(pending_.end(), data, data + length);
    return true;
  }
  while (length > 0) {
    const long n = socket_.Send(data, length);
    if (n == CTcpSocket::kWouldBlock) {
      if (length > kMaxPendingSend) {
        hostStoppedReading_.store(true);
        return false;
      }
      pending_.assign(data, data + length);
      pendingHead_ = 0;
      // The worker may be asleep waiting only for input; have it wait for writability too.
      signal_.Post(CWakeSignal::kRearm);
      return true;
    }
    if (n < 0) return false;
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

bool CSocketLink::Flush() {
  std::lock_guard lock(mutex_);
  while (pendingHead_ < pending_.size()) {
    const size_t block = std::min(kSocketSendBlock, pending_.size() - pendingHead_);
    const long n = socket_.Send(pending_.data() + pendingHead_, block);
    if (n == CTcpSocket::kFailed) return false;
    if (n <= 0) break;
    pendingHead_ += static_cast<size_t>(n);
  }
  if (pendingHead_ == pending_.size()) {
    pending_.clear();
    pendingHead_ = 0;
  } else if (pendingHead_ > pending_.size() / 2) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(pendingHead_));
    pendingHead_ = 0;
  }
  return true;
}

}  // namespace ostrane
