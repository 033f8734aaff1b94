// A TCP peer for tests, listening on a loopback address with a free port. The test drives it
// byte by byte: it sends exact sequences and records what the client sends back.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <string_view>

namespace ostrane::test {

class CScriptedPeer {
 public:
  explicit CScriptedPeer(bool ipv6 = false) {
    listen_ = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (ipv6) {
      sockaddr_in6 a{};
      a.sin6_family = AF_INET6;
      a.sin6_addr = in6addr_loopback;
      bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
      socklen_t n = sizeof a;
      getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &n);
      port_ = ntohs(a.sin6_port);
    } else {
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
      socklen_t n = sizeof a;
      getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &n);
      port_ = ntohs(a.sin_port);
    }
    listen(listen_, 4);
  }
  ~CScriptedPeer() {
    CloseClient();
    if (listen_ >= 0) close(listen_);
  }
  CScriptedPeer(const CScriptedPeer&) = delete;
  CScriptedPeer& operator=(const CScriptedPeer&) = delete;

  int Port() const { return port_; }

  bool Accept(int timeoutMs = 5000) {
    pollfd p{listen_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return false;
    client_ = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    return client_ >= 0;
  }

  void Send(std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = send(client_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }

  // Reads until `count` bytes arrived, the client closed or the time ran out.
  std::string Read(size_t count, int timeoutMs = 5000) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[65536];
    while (got.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{client_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      const ssize_t n = recv(client_, buffer, std::min(sizeof buffer, count - got.size()), 0);
      if (n <= 0) break;
      got.append(buffer, static_cast<size_t>(n));
    }
    return got;
  }

  // Everything that arrives within the time.
  std::string ReadFor(int timeoutMs) { return Read(static_cast<size_t>(-1) / 2, timeoutMs); }

  void CloseClient() {
    if (client_ >= 0) close(client_);
    client_ = -1;
  }

  // Closes with a TCP reset instead of an orderly close.
  void ResetClient() {
    linger l{1, 0};
    setsockopt(client_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    CloseClient();
  }

  void StopListening() {
    if (listen_ >= 0) close(listen_);
    listen_ = -1;
  }

 private:
  int listen_ = -1;
  int client_ = -1;
  int port_ = 0;
};

// A port on 127.0.0.1 that nothing listens on (bound and released again).
inline int UnusedPort() {
  CScriptedPeer peer;
  return peer.Port();
}

}  // namespace ostrane::test
