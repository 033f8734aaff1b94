#include "ssh/ssh1_protocol.h"

#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/cryptlib.h>
#include <cryptopp/md5.h>
#include <cryptopp/osrng.h>

#include <algorithm>

#include "ssh/ssh_error.h"
#include "ssh/ssh_limits.h"
#include "ssh/ssh_remembered_password.h"

namespace ostrane {

using namespace ssh1;

namespace {

constexpr size_t kCookieSize = 8;
constexpr size_t kSessionKeySize = 32;
constexpr size_t kSessionIdSize = 16;
constexpr size_t kChallengeSize = 32;
constexpr size_t kMd5Size = 16;
constexpr uint8_t kCipher3Des = 3;
// The identification line's limit, LF included.
constexpr size_t kMaxVersionLine = 255;
// PKCS #1 version 1.5 padding: the smaller key must take the 32-byte session key, the larger
// one the smaller key's whole result.
constexpr size_t kPkcs1Overhead = 11;

Bytes UnsignedBytes(const CryptoPP::Integer& value) {
  Bytes out(value.MinEncodedSize());
  value.Encode(out.data(), out.size());
  return out;
}

// The SSH1 mpint of a number taking exactly size bytes: the bit count is the byte count times 8.
void WriteFixedSsh1Mpint(CSshWriter& out, const CryptoPP::Integer& value, size_t size) {
  const size_t bits = size * 8;
  out.Byte(static_cast<uint8_t>(bits >> 8));
  out.Byte(static_cast<uint8_t>(bits));
  Bytes bytes(size);
  value.Encode(bytes.data(), bytes.size());
  out.Raw(bytes);
}

Bytes Md5(std::initializer_list<ByteSpan> parts) {
  CryptoPP::Weak::MD5 md5;
  for (ByteSpan p : parts) md5.Update(p.data(), p.size());
  Bytes out(kMd5Size);
  md5.Final(out.data());
  return out;
}

}  // namespace

CSsh1Protocol::CSsh1Protocol(ISshProtocolHost& host, ISshQuestions* questions, CSshKeyStore& keys,
                             SshOptions options)
    : CSshProtocolBase(host, questions, keys, std::move(options)) {}

CSsh1Protocol::~CSsh1Protocol() {
  WipeString(password_);
  WipeBytes(heldInput_);
}

size_t CSsh1Protocol::FeedPacket(const uint8_t* data, size_t length) {
  const size_t used = reader_.Feed(data, length);
  if (reader_.Complete()) {
    Dispatch(reader_.Type(), reader_.Data());
    reader_.Next();
  }
  return used;
}

size_t CSsh1Protocol::FeedVersion(const uint8_t* data, size_t length) {
  size_t used = 0;
  while (used < length) {
    const uint8_t b = data[used++];
    versionLine_ += static_cast<char>(b);
    if (b != '\n') {
      if (versionLine_.size() >= kMaxVersionLine) throw CSshError(SshError::kUnexpected);
      continue;
    }
    std::string line;
    line.swap(versionLine_);
    if (!IsIdentification(line)) {
      if (++preBannerLines_ > kSsh1MaxPreBannerLines) throw CSshError(SshError::kUnexpected);
      continue;
    }
    if (line.compare(0, 6, "SSH-1.") != 0) {
      RefuseVersion();
      return used;
    }
    phase_.store(kKex);
    host_.DeliverData(reinterpret_cast<const uint8_t*>(kTextSsh1Insecure.data()),
                      kTextSsh1Insecure.size());
    // Our identification is the first byte the server gets from us, with a bare LF.
    const std::string ours = std::string(kSsh1ClientVersion) + "\n";
    std::lock_guard lock(sendMutex_);
    host_.SendToServer(reinterpret_cast<const uint8_t*>(ours.data()), ours.size());
    return used;
  }
  return used;
}

void CSsh1Protocol::Dispatch(uint8_t type, ByteSpan data) {
  switch (type) {
    case SSH_MSG_DISCONNECT:
      ended_ = true;
      return;
    case SSH_MSG_IGNORE:
    case SSH_MSG_DEBUG:
      return;
    default:
      break;
  }
  switch (phase_.load()) {
    case kKex:
      if (type != SSH_SMSG_PUBLIC_KEY) throw CSshError(SshError::kUnexpected);
      OnPublicKey(data);
      return;
    case kAuth:
      OnAuthPacket(type, data);
      return;
    default:
      OnSessionPacket(type, data);
      return;
  }
}

void CSsh1Protocol::OnPublicKey(ByteSpan data) {
  CSshReader in(data);
  const ByteSpan cookie = in.Raw(kCookieSize);
  in.Uint32();
  const CryptoPP::Integer serverE = ReadSsh1Mpint(in);
  const CryptoPP::Integer serverN = ReadSsh1Mpint(in);
  in.Uint32();
  const CryptoPP::Integer hostE = ReadSsh1Mpint(in);
  const CryptoPP::Integer hostN = ReadSsh1Mpint(in);
  const uint32_t flags = in.Uint32();
  const uint32_t ciphers = in.Uint32();
  in.Uint32();
  // Triple DES is the one cipher this client has; a server without it cannot be talked to.
  if ((ciphers & (1u << kCipher3Des)) == 0) throw CSshError(SshError::kNoAlgorithm);
  const auto serverKey = CSsh1RsaKey::FromPublic(serverN, serverE);
  const auto hostKey = CSsh1RsaKey::FromPublic(hostN, hostE);
  if (!serverKey || !hostKey) throw CSshError(SshError::kUnexpected);
  if (!keys_.CheckHostKey(options_.host, hostKey->PublicBlob(), questions_))
    throw CSshError(SshError::kBadSignature);

  sessionId_ = Md5({UnsignedBytes(hostN), UnsignedBytes(serverN), cookie});
  CryptoPP::SecByteBlock sessionKey(kSessionKeySize);
  CryptoPP::AutoSeededRandomPool().GenerateBlock(sessionKey, sessionKey.size());
  Bytes masked(sessionKey.begin(), sessionKey.end());
  for (size_t i = 0; i < kSessionIdSize; ++i) masked[i] ^= sessionId_[i];

  const bool serverSmaller = serverN < hostN;
  const CSsh1RsaKey& smaller = serverSmaller ? *serverKey : *hostKey;
  const CSsh1RsaKey& larger = serverSmaller ? *hostKey : *serverKey;
  // Each encryption must leave room for its padding, or the key cannot be sent.
  if (smaller.ModulusBytes() < kSessionKeySize + kPkcs1Overhead ||
      larger.ModulusBytes() < smaller.ModulusBytes() + kPkcs1Overhead)
    throw CSshError(SshError::kKeyExchange);
  Bytes inner(smaller.ModulusBytes());
  smaller.Encrypt(masked).Encode(inner.data(), inner.size());
  WipeBytes(masked);
  const CryptoPP::Integer outer = larger.Encrypt(inner);
  WipeBytes(inner);

  Bytes packet;
  CSshWriter w(packet);
  w.Byte(kCipher3Des);
  w.Raw(cookie);
  WriteFixedSsh1Mpint(w, outer, larger.ModulusBytes());
  w.Uint32(flags);
  {
    // Both directions switch right after this packet; nothing else may slip in between.
    std::lock_guard lock(sendMutex_);
    SendLocked(SSH_CMSG_SESSION_KEY, packet);
    writer_.SetCipher(std::make_unique<CSsh1TripleDes>(sessionKey, true));
  }
  reader_.SetCipher(std::make_unique<CSsh1TripleDes>(sessionKey, false));
  authStep_ = AuthStep::kAwaitKeyAccepted;
  phase_.store(kAuth);
}

void CSsh1Protocol::OnAuthPacket(uint8_t type, ByteSpan data) {
  switch (authStep_) {
    case AuthStep::kAwaitKeyAccepted:
      if (type == SSH_SMSG_FAILURE) throw CSshError(SshError::kKeyExchange);
      if (type != SSH_SMSG_SUCCESS) throw CSshError(SshError::kUnexpected);
      StartAttempt();
      return;
    case AuthStep::kPassword: {
      if (type == SSH_SMSG_SUCCESS) return RequestPty();
      if (type != SSH_SMSG_FAILURE) throw CSshError(SshError::kUnexpected);
      Bytes out;
      CSshWriter(out).String(password_);
      Send(SSH_CMSG_AUTH_PASSWORD, out);
      WipeBytes(out);
      authStep_ = AuthStep::kAwaitResult;
      return;
    }
    case AuthStep::kRsa: {
      if (type == SSH_SMSG_SUCCESS) return RequestPty();
      if (type != SSH_SMSG_FAILURE) throw CSshError(SshError::kUnexpected);
      Bytes out;
      CSshWriter w(out);
      WriteSsh1Mpint(w, userKey_->Modulus());
      Send(SSH_CMSG_AUTH_RSA, out);
      authStep_ = AuthStep::kAwaitChallenge;
      return;
    }
    case AuthStep::kAwaitChallenge:
      if (type == SSH_SMSG_AUTH_RSA_CHALLENGE) return AnswerChallenge(data);
      // The server does not know the key.
      StartAttempt();
      return;
    case AuthStep::kAwaitResult:
      if (type == SSH_SMSG_SUCCESS) {
        host_.WriteCredentials(&user_, nullptr);
        if (savePassword_ && !password_.empty()) {
          const std::string remembered = RememberPassword(options_.host, user_, password_);
          host_.WriteCredentials(nullptr, &remembered);
        }
        WipeString(password_);
        RequestPty();
        return;
      }
      if (type != SSH_SMSG_FAILURE) throw CSshError(SshError::kUnexpected);
      {
        // A refused password is not tried again unasked.
        const std::string empty;
        host_.WriteCredentials(nullptr, &empty);
      }
      StartAttempt();
      return;
  }
}

void CSsh1Protocol::StartAttempt() {
  std::string user, protectedPassword;
  host_.ReadCredentials(user, protectedPassword);
  std::string password = RecallPassword(options_.host, user, protectedPassword);
  WipeString(password_);
  userKey_.reset();
  savePassword_ = false;
  if (!user.empty() && !password.empty()) {
    user_ = std::move(user);
    password_ = std::move(password);
    authStep_ = AuthStep::kPassword;
  } else {
    WipeString(password);
    auto answer = questions_ ? questions_->AskAuthorization(options_.host, options_.port, user,
                                                            SshKeyFiles::kNotOffered)
                             : std::nullopt;
    if (!answer) throw CSshError(SshError::kAborted);
    user_ = answer->user;
    if (answer->usePublicKey && !answer->identityFile.empty()) {
      // Key files hold SSH 2 keys; taking the store's pair instead would use the file's
      // passphrase as another key's password without a word.
      WipeString(answer->password);
      ShowText(kTextSsh1NoKeyFile);
      throw CSshError(SshError::kCannotLoadKeys);
    }
    if (answer->usePublicKey) {
      userKey_ = keys_.LoadSsh1ForAuthentication(user_, answer->password, questions_);
      authStep_ = AuthStep::kRsa;
    } else {
      password_ = answer->password;
      savePassword_ = answer->savePassword;
      authStep_ = AuthStep::kPassword;
    }
    WipeString(answer->password);
  }
  Bytes out;
  CSshWriter(out).String(user_);
  Send(SSH_CMSG_USER, out);
}

void CSsh1Protocol::AnswerChallenge(ByteSpan data) {
  CSshReader in(data);
  const CryptoPP::Integer challenge = ReadSsh1Mpint(in);
  auto plain = userKey_->Decrypt(challenge);
  if (!plain || plain->size() > kChallengeSize) throw CSshError(SshError::kUnexpected);
  // The challenge is a 256-bit number: fewer bytes mean leading zeros.
  Bytes full(kChallengeSize - plain->size(), 0);
  full.insert(full.end(), plain->begin(), plain->end());
  WipeBytes(*plain);
  const Bytes response = Md5({full, sessionId_});
  WipeBytes(full);
  Send(SSH_CMSG_AUTH_RSA_RESPONSE, response);
  authStep_ = AuthStep::kAwaitResult;
}

void CSsh1Protocol::RequestPty() {
  userKey_.reset();
  Bytes out;
  CSshWriter w(out);
  w.String(options_.terminal);
  w.Uint32(options_.lines);
  w.Uint32(options_.columns);
  w.Uint32(0);
  w.Uint32(0);
  w.Byte(0);  // end of the terminal modes
  phase_.store(kSession);
  awaitingPty_ = true;
  Send(SSH_CMSG_REQUEST_PTY, out);
}

void CSsh1Protocol::OnSessionPacket(uint8_t type, ByteSpan data) {
  if (awaitingPty_) {
    if (type == SSH_SMSG_FAILURE) throw CSshError(SshError::kAuthFailed);
    if (type != SSH_SMSG_SUCCESS) throw CSshError(SshError::kUnexpected);
    awaitingPty_ = false;
    std::lock_guard lock(sendMutex_);
    SendLocked(SSH_CMSG_EXEC_SHELL, {});
    shell_.store(true);
    // What the user typed while the session was being set up goes out now, in order.
    if (!heldInput_.empty()) SendInputLocked(heldInput_);
    WipeBytes(heldInput_);
    return;
  }
  switch (type) {
    case SSH_SMSG_STDOUT_DATA:
    case SSH_SMSG_STDERR_DATA: {
      CSshReader in(data);
      const ByteSpan bytes = in.String();
      host_.DeliverData(bytes.data(), bytes.size());
      return;
    }
    case SSH_SMSG_EXITSTATUS: {
      CSshReader in(data);
      exitStatus_ = in.Uint32();
      // The server waits for the confirmation before it closes; the output is already queued.
      Send(SSH_CMSG_EXIT_CONFIRMATION);
      shell_.store(false);
      ended_ = true;
      return;
    }
    default:
      return;
  }
}

void CSsh1Protocol::Send(uint8_t type, ByteSpan data) {
  std::lock_guard lock(sendMutex_);
  SendLocked(type, data);
}

void CSsh1Protocol::SendLocked(uint8_t type, ByteSpan data) {
  wire_.clear();
  writer_.Frame(type, data, wire_);
  host_.SendToServer(wire_.data(), wire_.size());
  WipeBytes(wire_);
}

void CSsh1Protocol::SendInputLocked(ByteSpan data) {
  Bytes packet;
  for (size_t at = 0; at < data.size(); at += kSsh1MaxData) {
    packet.clear();
    CSshWriter(packet).String(data.subspan(at, std::min(kSsh1MaxData, data.size() - at)));
    SendLocked(SSH_CMSG_STDIN_DATA, packet);
  }
  WipeBytes(packet);
}

bool CSsh1Protocol::SendData(const uint8_t* data, size_t length) {
  std::lock_guard lock(sendMutex_);
  if (shell_.load()) {
    SendInputLocked(ByteSpan(data, length));
    return true;
  }
  // Before the shell runs nothing typed may reach the server; it waits, within a bound.
  const size_t room = kSsh1MaxHeldInput - std::min(kSsh1MaxHeldInput, heldInput_.size());
  heldInput_.insert(heldInput_.end(), data, data + std::min(room, length));
  return true;
}

void CSsh1Protocol::KeepAlive() {
  std::lock_guard lock(sendMutex_);
  if (!shell_.load()) return;
  Bytes out;
  CSshWriter(out).String("hello");
  SendLocked(SSH_MSG_IGNORE, out);
}

void CSsh1Protocol::WindowChange(uint32_t columns, uint32_t lines) {
  std::lock_guard lock(sendMutex_);
  if (!shell_.load()) return;
  Bytes out;
  CSshWriter w(out);
  w.Uint32(lines);
  w.Uint32(columns);
  w.Uint32(0);
  w.Uint32(0);
  SendLocked(SSH_CMSG_WINDOW_SIZE, out);
}

}  // namespace ostrane
