#include "ssh/ssh2_protocol.h"

#include <cryptopp/osrng.h>

#include <algorithm>
#include <cstdio>

#include "ssh/ssh_error.h"
#include "ssh/ssh_limits.h"
#include "ssh/ssh_messages.h"

namespace ostrane {

namespace {

constexpr std::string_view kStrictClient = "kex-strict-c-v00@openssh.com";
constexpr std::string_view kStrictServer = "kex-strict-s-v00@openssh.com";
constexpr size_t kCookieSize = 16;
constexpr size_t kKexInitLists = 10;

// The first of our algorithms, in our order, that the server lists.
template <class Info>
const Info* Choose(std::span<const Info> ours, std::string_view theirs) {
  for (const Info& info : ours)
    if (NameListContains(theirs, info.name)) return &info;
  return nullptr;
}

std::string_view FirstName(std::string_view list) {
  return list.substr(0, list.find(','));
}

std::string AllNames(std::span<const SshMacInfo> macs) {
  std::string names;
  for (const SshMacInfo& m : macs) names += (names.empty() ? "" : ",") + std::string(m.name);
  return names;
}

}  // namespace

CSsh2Protocol::CSsh2Protocol(ISshProtocolHost& host, ISshQuestions* questions, CSshKeyStore& keys,
                             SshOptions options)
    : CSshProtocolBase(host, questions, keys, std::move(options)) {}

CSsh2Protocol::~CSsh2Protocol() {
  WipeBytes(sharedSecret_);
  WipeBytes(pendingData_);
}

Ssh2Negotiated CSsh2Protocol::Negotiated() const {
  std::lock_guard lock(sendMutex_);
  return negotiated_;
}

Bytes CSsh2Protocol::SessionId() const {
  std::lock_guard lock(sendMutex_);
  return sessionId_;
}

size_t CSsh2Protocol::FeedPacket(const uint8_t* data, size_t length) {
  const size_t used = reader_.Feed(data, length);
  if (reader_.Complete()) {
    Dispatch(reader_.Payload());
    reader_.Next();
  }
  return used;
}

size_t CSsh2Protocol::FeedVersion(const uint8_t* data, size_t length) {
  size_t used = 0;
  while (used < length) {
    const uint8_t b = data[used++];
    // An overlong line keeps its start; the rest up to LF is dropped.
    if (versionLine_.size() < kSshVersionLine - 1) versionLine_ += static_cast<char>(b);
    if (b != '\n') continue;
    std::string line;
    line.swap(versionLine_);
    if (!IsIdentification(line)) continue;
    if (line.compare(0, 6, "SSH-2.") != 0 && line.compare(0, 8, "SSH-1.99") != 0) {
      RefuseVersion();
      return used;
    }
    serverVersion_ = line.substr(0, line.find_first_of("\r\n"));
    kexStep_ = KexStep::kAwaitKexInit;
    phase_.store(kKex);
    const std::string ours = std::string(kSshClientVersion) + "\r\n";
    std::lock_guard lock(sendMutex_);
    // The server's packets start now; ours wait for the key exchange.
    holding_ = true;
    host_.SendToServer(reinterpret_cast<const uint8_t*>(ours.data()), ours.size());
    return used;
  }
  return used;
}

void CSsh2Protocol::Dispatch(ByteSpan payload) {
  if (payload.empty()) throw CSshError(SshError::kUnexpected);
  const uint8_t type = payload[0];
  const SshMessageRule* rule = FindSshMessageRule(type);
  const int phase = phase_.load();
  // Strict key exchange: nothing but the exchange itself before the first new keys.
  const bool strictInitial = strict_ && !firstKexDone_;
  if (!firstKexDone_ && type != SSH_MSG_KEXINIT && kexStep_ == KexStep::kAwaitKexInit)
    ++packetsBeforeKexInit_;
  switch (type) {
    case SSH_MSG_DISCONNECT: {
      CSshReader in(payload.subspan(1));
      const uint32_t code = in.Uint32();
      const std::string text(in.Text());
      char head[64];
      std::snprintf(head, sizeof head, "Disconnecting...\nError code = %u, text = ", code);
      ShowText(head + text);
      ended_ = true;
      return;
    }
    case SSH_MSG_IGNORE:
    case SSH_MSG_UNIMPLEMENTED:
    case SSH_MSG_DEBUG:
      if (strictInitial) throw CSshError(SshError::kUnexpected);
      return;
    case SSH_MSG_KEXINIT:
      if (phase != kKex) {
        savedPhase_ = phase;
        phase_.store(kKex);
        kexStep_ = KexStep::kAwaitKexInit;
        reexchange_ = true;
        std::lock_guard lock(sendMutex_);
        holding_ = true;
      }
      break;
    default:
      break;
  }
  const int current = phase_.load();
  if (current == kKex) {
    if (kexStep_ == KexStep::kAwaitNewKeys && !strict_ && type != SSH_MSG_KEXINIT) {
      // Whatever follows our NEWKEYS stands for the server's.
      OnNewKeys();
      return;
    }
    if (skipGuess_ && type != SSH_MSG_KEXINIT) {
      skipGuess_ = false;
      return;
    }
    if (kexStep_ == KexStep::kAwaitKexInit && type == SSH_MSG_KEXINIT) return OnKexInit(payload);
    if (kexStep_ == KexStep::kAwaitReply && type == SSH_MSG_KEXDH_REPLY) return OnKexReply(payload);
    if (kexStep_ == KexStep::kAwaitNewKeys && type == SSH_MSG_NEWKEYS) return OnNewKeys();
    throw CSshError(SshError::kUnexpected);
  }
  const uint8_t bit = current == kAuth ? kSshInAuth : kSshInSession;
  if (rule == nullptr || (rule->phases & bit) == 0) {
    // The session ignores what it does not know; before it, anything unknown is an error.
    if (current == kSession) return;
    throw CSshError(SshError::kUnexpected);
  }
  if (current == kAuth)
    OnAuthPacket(type, payload);
  else
    OnSessionPacket(type, payload);
}

void CSsh2Protocol::Send(const Bytes& payload) {
  std::lock_guard lock(sendMutex_);
  const SshMessageRule* rule = FindSshMessageRule(payload[0]);
  if (holding_ && !(rule != nullptr && rule->kex)) {
    held_.push_back(payload);
    return;
  }
  SendLocked(payload);
}

void CSsh2Protocol::SendLocked(const Bytes& payload) {
  wire_.clear();
  writer_.Frame(payload, wire_);
  if (!host_.SendToServer(wire_.data(), wire_.size())) linkFailed_ = true;
}

void CSsh2Protocol::FlushHeldLocked() {
  while (!held_.empty()) {
    SendLocked(held_.front());
    WipeBytes(held_.front());
    held_.pop_front();
  }
  FlushDataLocked();
}

void CSsh2Protocol::OnKexInit(ByteSpan payload) {
  CSshReader in(payload);
  in.Byte();
  in.Raw(kCookieSize);
  std::string_view lists[kKexInitLists];
  for (std::string_view& list : lists) list = in.Text();
  const bool guessFollows = in.Bool();
  in.Uint32();
  serverKexInit_.assign(payload.begin(), payload.end());
  if (!firstKexDone_) {
    strict_ = NameListContains(lists[0], kStrictServer);
    if (strict_ && packetsBeforeKexInit_ > 0) throw CSshError(SshError::kUnexpected);
  }
  kex_ = Choose(SshKexMethods(), lists[0]);
  hostKey_ = Choose(SshHostKeyAlgorithms(), lists[1]);
  cipherOut_ = Choose(SshCiphers(), lists[2]);
  cipherIn_ = Choose(SshCiphers(), lists[3]);
  macOut_ = cipherOut_ && cipherOut_->ownTag ? nullptr : Choose(SshMacs(), lists[4]);
  macIn_ = cipherIn_ && cipherIn_->ownTag ? nullptr : Choose(SshMacs(), lists[5]);
  if (!kex_ || !hostKey_ || !cipherOut_ || !cipherIn_ || (!cipherOut_->ownTag && !macOut_) ||
      (!cipherIn_->ownTag && !macIn_))
    throw CSshError(SshError::kNoAlgorithm);
  // A guessed packet the server sent for other algorithms than ours is dropped.
  skipGuess_ =
      guessFollows && (FirstName(lists[0]) != kex_->name || FirstName(lists[1]) != hostKey_->name);

  Bytes out;
  CSshWriter w(out);
  w.Byte(SSH_MSG_KEXINIT);
  uint8_t cookie[kCookieSize];
  CryptoPP::AutoSeededRandomPool().GenerateBlock(cookie, sizeof cookie);
  w.Raw(ByteSpan(cookie, sizeof cookie));
  std::string kexList(kex_->name);
  if (!firstKexDone_) kexList += "," + std::string(kStrictClient);
  w.String(kexList);
  w.String(hostKey_->name);
  w.String(cipherOut_->name);
  w.String(cipherIn_->name);
  // Ciphers with their own tag take no MAC; the list must still name one.
  w.String(macOut_ ? std::string(macOut_->name) : AllNames(SshMacs()));
  w.String(macIn_ ? std::string(macIn_->name) : AllNames(SshMacs()));
  w.String("none");
  w.String("none");
  w.String("");
  w.String("");
  w.Bool(false);
  w.Uint32(0);
  clientKexInit_ = out;
  Send(out);

  exchange_ = kex_->make();
  Bytes init;
  CSshWriter iw(init);
  iw.Byte(SSH_MSG_KEXDH_INIT);
  exchange_->WriteClientValue(iw);
  Send(init);
  kexStep_ = KexStep::kAwaitReply;
}

void CSsh2Protocol::OnKexReply(ByteSpan payload) {
  CSshReader in(payload.subspan(1));
  const ByteSpan hostKey = in.String();
  Bytes hashInput;
  CSshWriter h(hashInput);
  h.String(kSshClientVersion);
  h.String(serverVersion_);
  h.String(clientKexInit_);
  h.String(serverKexInit_);
  h.String(hostKey);
  exchange_->WriteClientValue(h);
  WipeBytes(sharedSecret_);
  sharedSecret_ = exchange_->ReadServerValue(in, h);
  const ByteSpan signature = in.String();
  h.Raw(sharedSecret_);
  exchangeHash_ = SshDigest(kex_->hash, {hashInput});
  WipeBytes(hashInput);
  exchange_.reset();
  {
    std::lock_guard lock(sendMutex_);
    if (sessionId_.empty()) sessionId_ = exchangeHash_;
  }
  if (!hostKey_->verify(hostKey_->name, hostKey, signature, exchangeHash_))
    throw CSshError(SshError::kBadSignature);
  if (!keys_.CheckHostKey(options_.host, hostKey, questions_, options_.port))
    throw CSshError(SshError::kAborted);
  bareDss_ = signature.size() == kBareDssSignature;
  Bytes newKeys{SSH_MSG_NEWKEYS};
  std::lock_guard lock(sendMutex_);
  SendLocked(newKeys);
  InstallKeys(true);
  InstallKeys(false);
  kexStep_ = KexStep::kAwaitNewKeys;
}

// Keys of a direction from the letters of RFC 4253 section 7.2: IV, key and MAC key.
void CSsh2Protocol::InstallKeys(bool outgoing) {
  const SshCipherInfo& cipher = outgoing ? *cipherOut_ : *cipherIn_;
  const SshMacInfo* mac = outgoing ? macOut_ : macIn_;
  const ByteSpan id = sessionId_;
  const SshHash hash = kex_->hash;
  Bytes iv =
      DeriveSshKey(hash, sharedSecret_, exchangeHash_, outgoing ? 'A' : 'B', id, cipher.ivSize);
  Bytes key =
      DeriveSshKey(hash, sharedSecret_, exchangeHash_, outgoing ? 'C' : 'D', id, cipher.keySize);
  // Servers that sign with a bare DSS signature use 16-byte MAC keys.
  const size_t macKeySize = mac == nullptr ? 0 : bareDss_ ? 16 : mac->keySize;
  Bytes macKey =
      DeriveSshKey(hash, sharedSecret_, exchangeHash_, outgoing ? 'E' : 'F', id, macKeySize);
  macKey.resize(macKeySize);
  auto protection = MakeSshPacketCipher(cipher, mac, outgoing, key, iv, macKey);
  WipeBytes(iv);
  WipeBytes(key);
  WipeBytes(macKey);
  if (outgoing) {
    writer_.SetCipher(std::move(protection));
    if (strict_) writer_.ResetSequence();
    negotiated_ = {std::string(kex_->name),
                   std::string(hostKey_->name),
                   std::string(cipherOut_->name),
                   std::string(cipherIn_->name),
                   macOut_ ? std::string(macOut_->name) : "",
                   macIn_ ? std::string(macIn_->name) : "",
                   strict_,
                   bareDss_,
                   macKeySize};
  } else {
    pendingIn_ = std::move(protection);
    WipeBytes(sharedSecret_);
  }
}

void CSsh2Protocol::OnNewKeys() {
  reader_.SetCipher(std::move(pendingIn_));
  if (strict_) reader_.ResetSequence();
  firstKexDone_ = true;
  kexStep_ = KexStep::kAwaitKexInit;
  if (reexchange_) {
    reexchange_ = false;
    phase_.store(savedPhase_);
    std::lock_guard lock(sendMutex_);
    holding_ = false;
    FlushHeldLocked();
    return;
  }
  Bytes request;
  CSshWriter w(request);
  w.Byte(SSH_MSG_SERVICE_REQUEST);
  w.String("ssh-userauth");
  authStep_ = AuthStep::kAwaitServiceAccept;
  phase_.store(kAuth);
  std::lock_guard lock(sendMutex_);
  holding_ = false;
  SendLocked(request);
  FlushHeldLocked();
}

void CSsh2Protocol::OnSessionPacket(uint8_t type, ByteSpan payload) {
  CSshReader in(payload.subspan(1));
  const int state = channelState_.load();
  if (type == SSH_MSG_GLOBAL_REQUEST) {
    in.Text();
    // Requests the client does not serve are refused when the server waits for an answer.
    if (in.Bool()) Send(Bytes{SSH_MSG_REQUEST_FAILURE});
    return;
  }
  // Every channel message names its recipient first: one for a channel that is not ours is a
  // protocol error, never data to show or a close to obey.
  if (type >= SSH_MSG_CHANNEL_OPEN_CONFIRMATION && type <= SSH_MSG_CHANNEL_FAILURE &&
      in.Uint32() != kSshLocalChannel)
    throw CSshError(SshError::kUnexpected);
  switch (type) {
    case SSH_MSG_CHANNEL_OPEN_CONFIRMATION: {
      if (state != kOpenSent) return;
      const uint32_t remote = in.Uint32();
      const uint32_t window = in.Uint32();
      const uint32_t maxPacket = in.Uint32();
      Bytes pty;
      CSshWriter w(pty);
      w.Byte(SSH_MSG_CHANNEL_REQUEST);
      w.Uint32(remote);
      w.String("pty-req");
      w.Bool(true);
      w.String(options_.terminal);
      w.Uint32(options_.columns);
      w.Uint32(options_.lines);
      w.Uint32(0);
      w.Uint32(0);
      w.String("");
      {
        std::lock_guard lock(sendMutex_);
        remoteChannel_ = remote;
        remoteWindow_ = window;
        remoteMaxPacket_ = maxPacket;
      }
      Send(pty);
      channelState_.store(kPtySent);
      return;
    }
    case SSH_MSG_CHANNEL_OPEN_FAILURE:
      if (state == kOpenSent) throw CSshError(SshError::kNoChannel);
      return;
    case SSH_MSG_CHANNEL_SUCCESS:
    case SSH_MSG_CHANNEL_FAILURE: {
      if (state != kPtySent) return;
      if (type == SSH_MSG_CHANNEL_FAILURE) throw CSshError(SshError::kNoChannel);
      Bytes shell;
      CSshWriter w(shell);
      w.Byte(SSH_MSG_CHANNEL_REQUEST);
      w.Uint32(remoteChannel_);
      w.String("shell");
      w.Bool(false);
      Send(shell);
      std::lock_guard lock(sendMutex_);
      channelState_.store(kChannelOpen);
      return;
    }
    case SSH_MSG_CHANNEL_WINDOW_ADJUST: {
      const uint32_t add = in.Uint32();
      std::lock_guard lock(sendMutex_);
      // RFC 4254 caps a window at 2^32 - 1.
      remoteWindow_ = std::min<uint64_t>(remoteWindow_ + add, UINT32_MAX);
      if (!holding_) FlushDataLocked();
      return;
    }
    case SSH_MSG_CHANNEL_DATA:
      if (state >= kPtySent) OnChannelData(in);
      return;
    case SSH_MSG_CHANNEL_REQUEST: {
      in.Text();
      // exit-status, keepalive@openssh.com and the like: refused when an answer is awaited.
      if (in.Bool()) {
        Bytes failure;
        CSshWriter w(failure);
        w.Byte(SSH_MSG_CHANNEL_FAILURE);
        w.Uint32(remoteChannel_);
        Send(failure);
      }
      return;
    }
    case SSH_MSG_CHANNEL_CLOSE:
      ended_ = true;
      return;
    default:
      return;
  }
}

void CSsh2Protocol::OnChannelData(CSshReader& in) {
  const ByteSpan data = in.String();
  host_.DeliverData(data.data(), data.size());
  localWindow_ -= std::min<uint32_t>(localWindow_, static_cast<uint32_t>(data.size()));
  if (localWindow_ >= kSshWindowRefill) return;
  Bytes adjust;
  CSshWriter w(adjust);
  w.Byte(SSH_MSG_CHANNEL_WINDOW_ADJUST);
  w.Uint32(remoteChannel_);
  w.Uint32(kSshLocalWindow - localWindow_);
  localWindow_ = kSshLocalWindow;
  Send(adjust);
}

bool CSsh2Protocol::SendData(const uint8_t* data, size_t length) {
  std::lock_guard lock(sendMutex_);
  if (channelState_.load() != kChannelOpen) return true;
  if (pendingData_.size() - pendingHead_ + length > kSshMaxHeldSend) return false;
  pendingData_.insert(pendingData_.end(), data, data + length);
  if (!holding_) FlushDataLocked();
  return !linkFailed_;
}

void CSsh2Protocol::FlushDataLocked() {
  Bytes packet;
  while (pendingHead_ < pendingData_.size() && remoteWindow_ > 0) {
    const size_t chunk =
        std::min({pendingData_.size() - pendingHead_, static_cast<size_t>(remoteWindow_),
                  static_cast<size_t>(std::max<uint32_t>(remoteMaxPacket_, 1)),
                  static_cast<size_t>(kSshSendChunk)});
    packet.clear();
    CSshWriter w(packet);
    w.Byte(SSH_MSG_CHANNEL_DATA);
    w.Uint32(remoteChannel_);
    w.String(ByteSpan(pendingData_.data() + pendingHead_, chunk));
    SendLocked(packet);
    pendingHead_ += chunk;
    remoteWindow_ -= chunk;
  }
  WipeBytes(packet);
  if (pendingHead_ == pendingData_.size()) {
    WipeBytes(pendingData_);
    pendingHead_ = 0;
  } else if (pendingHead_ > pendingData_.size() / 2) {
    pendingData_.erase(pendingData_.begin(), pendingData_.begin() + pendingHead_);
    pendingHead_ = 0;
  }
}

void CSsh2Protocol::KeepAlive() {
  if (phase_.load() != kSession || channelState_.load() != kChannelOpen) return;
  Bytes ignore;
  CSshWriter w(ignore);
  w.Byte(SSH_MSG_IGNORE);
  w.String("Hello");
  Send(ignore);
}

void CSsh2Protocol::WindowChange(uint32_t columns, uint32_t lines) {
  if (channelState_.load() != kChannelOpen) return;
  Bytes request;
  CSshWriter w(request);
  w.Byte(SSH_MSG_CHANNEL_REQUEST);
  w.Uint32(remoteChannel_);
  w.String("window-change");
  w.Bool(false);
  w.Uint32(columns);
  w.Uint32(lines);
  w.Uint32(0);
  w.Uint32(0);
  Send(request);
}

}  // namespace ostrane
