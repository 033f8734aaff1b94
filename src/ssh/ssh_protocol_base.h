// CSshProtocolBase: what the client protocol machines of SSH versions 1 and 2 share — the
// transport they answer through, the questions they ask, the key store, the phase, and the byte
// loop that turns an error raised while reading the server's bytes into a message and the end
// of the connection. Each version reads its identification line and its packets itself.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ssh/ssh_key_store.h"
#include "ssh/ssh_questions.h"

namespace ostrane {

inline constexpr std::string_view kTextSshVersionUnsupported =
    "SSH Version on the server is not supported.";

// What a protocol machine needs from the transport around it.
class ISshProtocolHost {
 public:
  virtual ~ISshProtocolHost() = default;
  // Any thread, with the protocol's send lock held: bytes for the server.
  virtual bool SendToServer(const uint8_t* data, size_t length) = 0;
  // The session's output (version 1 also shows its insecure-protocol warning this way).
  virtual void DeliverData(const uint8_t* data, size_t length) = 0;
  // The SshUser and SshPassword settings (the password in its protected form).
  virtual void ReadCredentials(std::string& user, std::string& protectedPassword) = 0;
  virtual void WriteCredentials(const std::string* user, const std::string* protectedPassword) = 0;
};

struct SshOptions {
  std::string host;      // the name the host key is stored under
  int port = 22;         // version 2: with the host, names the host's known_hosts entry
  std::string terminal;  // the terminal type of the pty request
  uint32_t columns = 80;
  uint32_t lines = 24;
};

class CSshProtocolBase {
 public:
  enum Phase : int { kVersion = 0, kKex = 1, kAuth = 2, kSession = 3 };

  virtual ~CSshProtocolBase() = default;
  CSshProtocolBase(const CSshProtocolBase&) = delete;
  CSshProtocolBase& operator=(const CSshProtocolBase&) = delete;

  // Worker thread. False once the connection has to end: an error was shown, the server
  // disconnected or the session ended.
  bool Feed(const uint8_t* data, size_t length);
  // Any thread: the user's bytes for the shell.
  virtual bool SendData(const uint8_t* data, size_t length) = 0;
  // Any thread: a message the server ignores, only while the shell runs.
  virtual void KeepAlive() = 0;
  // Any thread: the screen size changed; told once the shell runs.
  virtual void WindowChange(uint32_t columns, uint32_t lines) = 0;
  virtual bool ShellRunning() const = 0;

  int CurrentPhase() const { return phase_.load(); }

 protected:
  CSshProtocolBase(ISshProtocolHost& host, ISshQuestions* questions, CSshKeyStore& keys,
                   SshOptions options)
      : host_(host), questions_(questions), keys_(keys), options_(std::move(options)) {}

  // Read the identification line while the phase is kVersion, then packets: each takes what it
  // can of the bytes, dispatches at most one line or packet, and gives the count it took.
  virtual size_t FeedVersion(const uint8_t* data, size_t length) = 0;
  virtual size_t FeedPacket(const uint8_t* data, size_t length) = 0;

  // A line that starts "SSH-" and is long enough to hold a version; other lines before it are
  // the server's banner.
  static bool IsIdentification(std::string_view line);
  // The server speaks no version this client does: told, and the connection ends.
  void RefuseVersion();
  void ShowText(std::string_view text, MessageIcon icon = MessageIcon::kStop);

  ISshProtocolHost& host_;
  ISshQuestions* questions_;
  CSshKeyStore& keys_;
  const SshOptions options_;
  bool ended_ = false;
  std::atomic<int> phase_{kVersion};
  std::string versionLine_;
};

}  // namespace ostrane
