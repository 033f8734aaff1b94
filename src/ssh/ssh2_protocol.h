// CSsh2Protocol: the client side of SSH protocol version 2 as a byte-driven machine — version
// exchange, key exchange (RFC 4253), user authentication (RFC 4252, RFC 4256) and one session
// channel with a pseudo-terminal and a shell (RFC 4254). It has no socket or thread of its own:
// received bytes go in through Feed and packets leave through ISshProtocolHost, so tests and
// fuzzers can drive it in memory.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ssh/ssh_host_key.h"
#include "ssh/ssh_kex.h"
#include "ssh/ssh_key_store.h"
#include "ssh/ssh_packet_cipher.h"
#include "ssh/ssh_packet_reader.h"
#include "ssh/ssh_packet_writer.h"
#include "ssh/ssh_protocol_base.h"
#include "ssh/ssh_questions.h"
#include "ssh/ssh_wire.h"

namespace ostrane {

// Our number for the one session channel; every channel message must be addressed to it.
inline constexpr uint32_t kSshLocalChannel = 1;

inline constexpr std::string_view kSshClientVersion = "SSH-2.0-Pellworth Secure Ostrane";

// The algorithms of the last key exchange.
struct Ssh2Negotiated {
  std::string kex, hostKey, cipherOut, cipherIn, macOut, macIn;
  bool strict = false;
  bool bareDssSignature = false;
  size_t macKeySize = 0;
};

class CSsh2Protocol final : public CSshProtocolBase {
 public:
  CSsh2Protocol(ISshProtocolHost& host, ISshQuestions* questions, CSshKeyStore& keys,
                SshOptions options);
  ~CSsh2Protocol() override;

  // The user's bytes on the session channel. Dropped before the shell runs; held while the
  // server's window is closed or keys change. False when too much is held.
  bool SendData(const uint8_t* data, size_t length) override;
  void KeepAlive() override;
  // "window-change".
  void WindowChange(uint32_t columns, uint32_t lines) override;
  bool ShellRunning() const override { return channelState_.load() == kChannelOpen; }
  Ssh2Negotiated Negotiated() const;
  Bytes SessionId() const;
  uint32_t LocalWindow() const { return localWindow_; }

 private:
  enum ChannelState : int { kNoChannel = 0, kOpenSent = 1, kPtySent = 2, kChannelOpen = 3 };
  enum class AuthMethod { kNone, kPassword, kPublicKey, kKeyboard };
  // Where a key exchange stands: what the server is to send next.
  enum class KexStep { kAwaitKexInit, kAwaitReply, kAwaitNewKeys };
  // Where authentication stands.
  enum class AuthStep {
    kAwaitServiceAccept,  // "ssh-userauth" was requested
    kAttempting,          // a login request is out
    kChangingPassword,    // a password change is out
  };

  size_t FeedVersion(const uint8_t* data, size_t length) override;
  size_t FeedPacket(const uint8_t* data, size_t length) override;
  void Dispatch(ByteSpan payload);
  void Send(const Bytes& payload);
  void SendLocked(const Bytes& payload);
  void FlushHeldLocked();
  void FlushDataLocked();

  // Key exchange.
  void OnKexInit(ByteSpan payload);
  void OnKexReply(ByteSpan payload);
  void OnNewKeys();
  void InstallKeys(bool outgoing);

  // Authentication.
  void OnAuthPacket(uint8_t type, ByteSpan payload);
  void StartAttempt();
  void SendPasswordRequest(const std::string& user, const std::string& password);
  // The signed request: algorithm name, public blob and the signer of the request's data.
  void SendPublicKeyRequest(const std::string& user, std::string_view algorithm, ByteSpan blob,
                            const std::function<Bytes(ByteSpan)>& sign);
  void SendKeyboardRequest(const std::string& user);
  void ChangePassword(bool retry);
  void AnswerPrompts(ByteSpan payload);
  void OpenChannel();

  // Session channel.
  void OnSessionPacket(uint8_t type, ByteSpan payload);
  void OnChannelData(CSshReader& in);

  // Version exchange.
  std::string serverVersion_;

  // Key exchange.
  KexStep kexStep_ = KexStep::kAwaitKexInit;
  int savedPhase_ = kVersion;
  bool reexchange_ = false;
  bool firstKexDone_ = false;
  bool strict_ = false;
  bool skipGuess_ = false;
  size_t packetsBeforeKexInit_ = 0;
  Bytes clientKexInit_, serverKexInit_;
  const SshKexInfo* kex_ = nullptr;
  const SshHostKeyInfo* hostKey_ = nullptr;
  const SshCipherInfo* cipherOut_ = nullptr;
  const SshCipherInfo* cipherIn_ = nullptr;
  const SshMacInfo* macOut_ = nullptr;
  const SshMacInfo* macIn_ = nullptr;
  std::unique_ptr<ISshKeyExchange> exchange_;
  Bytes sharedSecret_, exchangeHash_, sessionId_;
  bool bareDss_ = false;
  std::unique_ptr<ISshPacketCipher> pendingIn_;

  // Authentication.
  AuthStep authStep_ = AuthStep::kAwaitServiceAccept;
  AuthMethod method_ = AuthMethod::kNone;
  std::string user_;
  // Keyboard-interactive: the password the user already gave (typed into "SSH Authorization" or
  // remembered), kept for the first hidden prompt so the user is not asked again, and whether it
  // is to be remembered once used. Wiped when used or when the attempt ends.
  std::string promptPassword_;
  bool savePromptPassword_ = false;
  std::string allowedMethods_;  // from the last failure; empty before the first
  // The user's last answer in "SSH Authorization", without its password: told to the questions
  // once the server accepts the login, so that the desktop can remember the key file.
  std::optional<SshAuthorizationAnswer> askedLogin_;

  // Session channel.
  std::atomic<int> channelState_{kNoChannel};
  uint32_t remoteChannel_ = 0;
  uint32_t localWindow_ = 0;

  CSshPacketReader reader_;

  // Everything below is shared with the threads that send; sendMutex_ guards it.
  mutable std::mutex sendMutex_;
  CSshPacketWriter writer_;
  Bytes wire_;
  bool holding_ = false;  // keys are changing: only key-exchange packets go out
  std::deque<Bytes> held_;
  Bytes pendingData_;
  size_t pendingHead_ = 0;
  uint64_t remoteWindow_ = 0;
  uint32_t remoteMaxPacket_ = 0;
  bool linkFailed_ = false;
  Ssh2Negotiated negotiated_;
};

}  // namespace ostrane
