#include "transport/local_shell_transport.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace ostrane {
namespace {

// The terminal type of the xterm type: programs that see it may use 24-bit colour.
constexpr char kXtermName[] = "xterm-256color";
// A program that reads nothing for this long makes a send fail instead of blocking the sender.
constexpr auto kWriteTimeout = std::chrono::seconds(5);
constexpr int kWriteSliceMs = 100;

}  // namespace

CLocalShellTransport::CLocalShellTransport(CConnectionSettings settings)
    : CTransport(TransportKind::kLocalShell, std::move(settings)) {}

CLocalShellTransport::~CLocalShellTransport() {
  Shutdown();
}

platform::PtyCommand CLocalShellTransport::CommandFor(const CConnectionSettings& s) {
  platform::PtyCommand command = platform::ShellCommand(s.host);
  command.columns = s.columns;
  command.lines = s.lines;
  command.environment.emplace_back("TERM", s.terminalName.empty() ? "vt220" : s.terminalName);
  if (s.terminalName == kXtermName) command.environment.emplace_back("COLORTERM", "truecolor");
  return command;
}

bool CLocalShellTransport::Open() {
  std::string problem;
  {
    std::lock_guard lock(mutex_);
    problem = process_.Start(CommandFor(Settings()));
  }
  if (problem.empty()) return true;
  // Open runs before delivery starts: the reason goes straight to the screen.
  const std::string text = "\r\n" + problem + "\r\n";
  if (Owner() != nullptr)
    Owner()->DeliverReceived(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return false;
}

void CLocalShellTransport::Close() {
  std::lock_guard lock(mutex_);
  process_.Stop();
}

bool CLocalShellTransport::Read() {
  constexpr unsigned kRequests = platform::CWakeSignal::kWake | platform::CWakeSignal::kAbort;
  for (;;) {
    unsigned requests = signal_.Take(kRequests);
    if (requests & platform::CWakeSignal::kAbort) return false;
    if (requests & platform::CWakeSignal::kWake) return true;
    signal_.Drain();
    requests = signal_.Take(kRequests);
    if (requests & platform::CWakeSignal::kAbort) return false;
    if (requests & platform::CWakeSignal::kWake) return true;
    pollfd fds[2] = {{process_.Descriptor(), POLLIN, 0}, {signal_.Descriptor(), POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (fds[0].revents == 0) continue;
    const ssize_t n = read(process_.Descriptor(), readBuffer_, sizeof readBuffer_);
    if (n > 0) {
      QueueReceived(readBuffer_, static_cast<size_t>(n));
      return true;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    // EIO or end of file: the program and everything it started have closed the terminal.
    return false;
  }
}

bool CLocalShellTransport::Write(const uint8_t* data, size_t length, SendWait /*wait*/) {
  std::lock_guard lock(mutex_);
  const int fd = process_.Descriptor();
  if (fd < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + kWriteTimeout;
  while (length > 0) {
    const ssize_t n = write(fd, data, length);
    if (n > 0) {
      data += n;
      length -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (signal_.Aborted() || std::chrono::steady_clock::now() >= deadline) return false;
    pollfd out{fd, POLLOUT, 0};
    poll(&out, 1, kWriteSliceMs);
  }
  return true;
}

void CLocalShellTransport::SendWindowSize(int columns, int lines) {
  std::lock_guard lock(mutex_);
  process_.SetWindowSize(columns, lines);
}

std::string CLocalShellTransport::GetDisplayName() const {
  const CConnectionSettings s = Settings();
  return s.host.empty() ? "Local shell" : s.host;
}

}  // namespace ostrane
