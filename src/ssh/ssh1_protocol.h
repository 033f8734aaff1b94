// CSsh1Protocol: the client side of SSH protocol version 1.5 as a byte-driven machine —
// identification, the server and host RSA keys, the triple-DES session key, authentication by
// password or RSA challenge, a pseudo-terminal and a shell. Like the version 2 machine it has no
// socket or thread: received bytes go in through Feed and packets leave through ISshProtocolHost.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "ssh/ssh1_packet.h"
#include "ssh/ssh1_rsa_key.h"
#include "ssh/ssh_key_store.h"
#include "ssh/ssh_protocol_base.h"
#include "ssh/ssh_questions.h"
#include "ssh/ssh_wire.h"

namespace ostrane {

inline constexpr std::string_view kSsh1ClientVersion = "SSH-1.5-1.2.27 Secure Ostrane";
// Shown on the screen as the connection starts: the protocol's weaknesses are not fixable.
inline constexpr std::string_view kTextSsh1Insecure =
    "Warning: SSH1 is an insecure protocol; use SSH2 where the server offers it.\r\n";
// A key file was chosen for an SSH1 login, which takes only the key manager's SSH1 pairs.
inline constexpr std::string_view kTextSsh1NoKeyFile =
    "A key file can be used only with SSH2. SSH1 logs in with a password or with the SSH1 key "
    "pair of the key manager.";

// Message numbers of version 1.5, apart from the version 2 ones they clash with.
namespace ssh1 {
enum Message : uint8_t {
  SSH_MSG_DISCONNECT = 1,
  SSH_SMSG_PUBLIC_KEY = 2,
  SSH_CMSG_SESSION_KEY = 3,
  SSH_CMSG_USER = 4,
  SSH_CMSG_AUTH_RSA = 6,
  SSH_SMSG_AUTH_RSA_CHALLENGE = 7,
  SSH_CMSG_AUTH_RSA_RESPONSE = 8,
  SSH_CMSG_AUTH_PASSWORD = 9,
  SSH_CMSG_REQUEST_PTY = 10,
  SSH_CMSG_WINDOW_SIZE = 11,
  SSH_CMSG_EXEC_SHELL = 12,
  SSH_SMSG_SUCCESS = 14,
  SSH_SMSG_FAILURE = 15,
  SSH_CMSG_STDIN_DATA = 16,
  SSH_SMSG_STDOUT_DATA = 17,
  SSH_SMSG_STDERR_DATA = 18,
  SSH_SMSG_EXITSTATUS = 20,
  SSH_MSG_IGNORE = 32,
  SSH_CMSG_EXIT_CONFIRMATION = 33,
  SSH_MSG_DEBUG = 36,
};
}  // namespace ssh1

class CSsh1Protocol final : public CSshProtocolBase {
 public:
  // keys is a version 1 store; the options' port is not used.
  CSsh1Protocol(ISshProtocolHost& host, ISshQuestions* questions, CSshKeyStore& keys,
                SshOptions options);
  ~CSsh1Protocol() override;

  // Held until the shell runs, then sent in bounded packets.
  bool SendData(const uint8_t* data, size_t length) override;
  // MSG_IGNORE "hello".
  void KeepAlive() override;
  void WindowChange(uint32_t columns, uint32_t lines) override;
  bool ShellRunning() const override { return shell_.load(); }
  std::optional<uint32_t> ExitStatus() const { return exitStatus_; }

 private:
  enum class AuthStep {
    kAwaitKeyAccepted,  // the session key is out
    kPassword,          // CMSG_USER is out, a password is ready
    kRsa,               // CMSG_USER is out, the user's RSA key is loaded
    kAwaitChallenge,    // CMSG_AUTH_RSA is out
    kAwaitResult,       // a password or a challenge response is out
  };

  size_t FeedVersion(const uint8_t* data, size_t length) override;
  size_t FeedPacket(const uint8_t* data, size_t length) override;
  void Dispatch(uint8_t type, ByteSpan data);
  void OnPublicKey(ByteSpan data);
  void OnAuthPacket(uint8_t type, ByteSpan data);
  void StartAttempt();
  void AnswerChallenge(ByteSpan data);
  void RequestPty();
  void OnSessionPacket(uint8_t type, ByteSpan data);
  void Send(uint8_t type, ByteSpan data = {});
  void SendLocked(uint8_t type, ByteSpan data);
  void SendInputLocked(ByteSpan data);

  size_t preBannerLines_ = 0;

  Bytes sessionId_;
  AuthStep authStep_ = AuthStep::kAwaitKeyAccepted;
  std::string user_;
  std::string password_;
  bool savePassword_ = false;
  std::optional<CSsh1RsaKey> userKey_;
  bool awaitingPty_ = false;
  std::optional<uint32_t> exitStatus_;

  CSsh1PacketReader reader_;

  // Shared with the threads that send; sendMutex_ guards it.
  std::mutex sendMutex_;
  CSsh1PacketWriter writer_;
  Bytes wire_;
  Bytes heldInput_;
  std::atomic<bool> shell_{false};
};

}  // namespace ostrane
