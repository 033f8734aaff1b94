#include "ssh/ssh_packet_cipher.h"

#include <cryptopp/aes.h>
#include <cryptopp/chacha.h>
#include <cryptopp/des.h>
#include <cryptopp/gcm.h>
#include <cryptopp/hmac.h>
#include <cryptopp/misc.h>
#include <cryptopp/modes.h>
#include <cryptopp/poly1305.h>
#include <cryptopp/sha.h>

#include <algorithm>

#include "ssh/ssh_error.h"
#include "ssh/ssh_limits.h"

namespace ostrane {

namespace {

using CryptoPP::MessageAuthenticationCode;
using CryptoPP::SymmetricCipher;

uint32_t LoadBe32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

void StoreBe32(uint32_t v, uint8_t* p) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

enum class CipherKind { kChaChaPoly, kGcm, kCtr, kCbc3Des, kCbcAes };

struct CipherRow {
  SshCipherInfo info;
  CipherKind kind;
};

constexpr CipherRow kCiphers[] = {
    {{"chacha20-poly1305@openssh.com", 64, 0, 8, true}, CipherKind::kChaChaPoly},
    {{"aes256-gcm@openssh.com", 32, 12, 16, true}, CipherKind::kGcm},
    {{"aes128-gcm@openssh.com", 16, 12, 16, true}, CipherKind::kGcm},
    {{"aes256-ctr", 32, 16, 16, false}, CipherKind::kCtr},
    {{"aes128-ctr", 16, 16, 16, false}, CipherKind::kCtr},
    {{"3des-cbc", 24, 8, 8, false}, CipherKind::kCbc3Des},
    {{"aes128-cbc", 16, 16, 16, false}, CipherKind::kCbcAes},
    {{"aes256-cbc", 32, 16, 16, false}, CipherKind::kCbcAes},
};

template <class Hash>
std::unique_ptr<MessageAuthenticationCode> MakeHmac(ByteSpan key) {
  return std::make_unique<CryptoPP::HMAC<Hash>>(key.data(), key.size());
}

struct MacRow {
  SshMacInfo info;
  std::unique_ptr<MessageAuthenticationCode> (*make)(ByteSpan key);
};

const MacRow kMacs[] = {
    {{"hmac-sha2-256-etm@openssh.com", 32, 32, true}, &MakeHmac<CryptoPP::SHA256>},
    {{"hmac-sha2-512-etm@openssh.com", 64, 64, true}, &MakeHmac<CryptoPP::SHA512>},
    {{"hmac-sha2-256", 32, 32, false}, &MakeHmac<CryptoPP::SHA256>},
    {{"hmac-sha2-512", 64, 64, false}, &MakeHmac<CryptoPP::SHA512>},
    {{"hmac-sha1", 20, 20, false}, &MakeHmac<CryptoPP::SHA1>},
};

constexpr SshCipherInfo kCipherInfos[] = {kCiphers[0].info, kCiphers[1].info, kCiphers[2].info,
                                          kCiphers[3].info, kCiphers[4].info, kCiphers[5].info,
                                          kCiphers[6].info, kCiphers[7].info};
static_assert(std::size(kCipherInfos) == std::size(kCiphers));

const SshMacInfo kMacInfos[] = {kMacs[0].info, kMacs[1].info, kMacs[2].info, kMacs[3].info,
                                kMacs[4].info};
static_assert(std::size(kMacInfos) == std::size(kMacs));

// A block or stream mode keeping its state from packet to packet, with an HMAC.
class CCipherWithMac final : public ISshPacketCipher {
 public:
  CCipherWithMac(std::unique_ptr<SymmetricCipher> cipher, size_t blockSize,
                 std::unique_ptr<MessageAuthenticationCode> mac, bool etm)
      : cipher_(std::move(cipher)), mac_(std::move(mac)), blockSize_(blockSize), etm_(etm) {}

  size_t BlockSize() const override { return blockSize_; }
  size_t TagSize() const override { return mac_->DigestSize(); }
  bool LengthApart() const override { return etm_; }
  size_t FirstSize() const override { return etm_ ? 4 : blockSize_; }

  uint32_t ReadLength(uint32_t /*sequence*/, uint8_t* first) override {
    if (!etm_) cipher_->ProcessData(first, first, blockSize_);
    return LoadBe32(first);
  }

  bool Open(uint32_t sequence, uint8_t* packet, size_t length, const uint8_t* tag) override {
    if (etm_) {
      const bool ok = CheckMac(sequence, packet, length, tag);
      if (ok) cipher_->ProcessData(packet + 4, packet + 4, length - 4);
      return ok;
    }
    cipher_->ProcessData(packet + blockSize_, packet + blockSize_, length - blockSize_);
    return CheckMac(sequence, packet, length, tag);
  }

  void Seal(uint32_t sequence, uint8_t* packet, size_t length, uint8_t* tag) override {
    if (etm_) {
      cipher_->ProcessData(packet + 4, packet + 4, length - 4);
      ComputeMac(sequence, packet, length, tag);
    } else {
      ComputeMac(sequence, packet, length, tag);
      cipher_->ProcessData(packet, packet, length);
    }
  }

 private:
  void ComputeMac(uint32_t sequence, const uint8_t* packet, size_t length, uint8_t* tag) {
    uint8_t seq[4];
    StoreBe32(sequence, seq);
    mac_->Update(seq, 4);
    mac_->Update(packet, length);
    mac_->Final(tag);
  }
  bool CheckMac(uint32_t sequence, const uint8_t* packet, size_t length, const uint8_t* tag) {
    uint8_t computed[kSshMaxTag];
    ComputeMac(sequence, packet, length, computed);
    return CryptoPP::VerifyBufsEqual(computed, tag, mac_->DigestSize());
  }

  std::unique_ptr<SymmetricCipher> cipher_;
  std::unique_ptr<MessageAuthenticationCode> mac_;
  size_t blockSize_;
  bool etm_;
};

// AES-GCM of RFC 5647: the length is the authenticated header; the nonce is a fixed part and a
// 64-bit counter that advances with every packet.
class CGcmCipher final : public ISshPacketCipher {
 public:
  CGcmCipher(bool encrypt, ByteSpan key, ByteSpan iv) {
    std::copy_n(iv.begin(), 12, nonce_);
    if (encrypt)
      enc_.SetKeyWithIV(key.data(), key.size(), nonce_, 12);
    else
      dec_.SetKeyWithIV(key.data(), key.size(), nonce_, 12);
  }
  size_t BlockSize() const override { return 16; }
  size_t TagSize() const override { return 16; }
  bool LengthApart() const override { return true; }
  size_t FirstSize() const override { return 4; }
  uint32_t ReadLength(uint32_t, uint8_t* first) override { return LoadBe32(first); }

  bool Open(uint32_t, uint8_t* packet, size_t length, const uint8_t* tag) override {
    const bool ok =
        dec_.DecryptAndVerify(packet + 4, tag, 16, nonce_, 12, packet, 4, packet + 4, length - 4);
    Advance();
    return ok;
  }
  void Seal(uint32_t, uint8_t* packet, size_t length, uint8_t* tag) override {
    enc_.EncryptAndAuthenticate(packet + 4, tag, 16, nonce_, 12, packet, 4, packet + 4, length - 4);
    Advance();
  }

 private:
  void Advance() {
    for (int i = 11; i >= 4; --i)
      if (++nonce_[i] != 0) break;
  }
  uint8_t nonce_[12] = {};
  CryptoPP::GCM<CryptoPP::AES>::Encryption enc_;
  CryptoPP::GCM<CryptoPP::AES>::Decryption dec_;
};

// chacha20-poly1305@openssh.com: the second 32 key bytes encrypt the length, the first 32 the
// rest from block 1 on; block 0 of the main stream is the Poly1305 key. The nonce is the
// sequence number.
class CChaChaPolyCipher final : public ISshPacketCipher {
 public:
  explicit CChaChaPolyCipher(ByteSpan key) {
    std::copy_n(key.begin(), 32, mainKey_);
    std::copy_n(key.begin() + 32, 32, headerKey_);
  }
  ~CChaChaPolyCipher() override {
    CryptoPP::SecureWipeArray(mainKey_, sizeof mainKey_);
    CryptoPP::SecureWipeArray(headerKey_, sizeof headerKey_);
  }
  size_t BlockSize() const override { return 8; }
  size_t TagSize() const override { return 16; }
  bool LengthApart() const override { return true; }
  size_t FirstSize() const override { return 4; }

  uint32_t ReadLength(uint32_t sequence, uint8_t* first) override {
    uint8_t clear[4];
    CryptLength(sequence, first, clear);
    return LoadBe32(clear);
  }

  bool Open(uint32_t sequence, uint8_t* packet, size_t length, const uint8_t* tag) override {
    uint8_t computed[16];
    StartMain(sequence);
    Tag(packet, length, computed);
    if (!CryptoPP::VerifyBufsEqual(computed, tag, 16)) return false;
    main_.ProcessData(packet + 4, packet + 4, length - 4);
    CryptLength(sequence, packet, packet);
    return true;
  }

  void Seal(uint32_t sequence, uint8_t* packet, size_t length, uint8_t* tag) override {
    CryptLength(sequence, packet, packet);
    StartMain(sequence);
    main_.ProcessData(packet + 4, packet + 4, length - 4);
    Tag(packet, length, tag);
  }

 private:
  static void Nonce(uint32_t sequence, uint8_t* nonce) {
    std::fill_n(nonce, 4, 0);
    StoreBe32(sequence, nonce + 4);
  }
  void CryptLength(uint32_t sequence, const uint8_t* in, uint8_t* out) {
    uint8_t nonce[8];
    Nonce(sequence, nonce);
    header_.SetKeyWithIV(headerKey_, 32, nonce, 8);
    header_.ProcessData(out, in, 4);
  }
  // Leaves the main stream at block 1 with the Poly1305 key taken from block 0.
  void StartMain(uint32_t sequence) {
    uint8_t nonce[8];
    Nonce(sequence, nonce);
    main_.SetKeyWithIV(mainKey_, 32, nonce, 8);
    uint8_t block[64] = {};
    main_.ProcessData(block, block, 64);
    std::copy_n(block, 32, polyKey_);
    CryptoPP::SecureWipeArray(block, sizeof block);
  }
  void Tag(const uint8_t* packet, size_t length, uint8_t* tag) {
    CryptoPP::Poly1305TLS poly(polyKey_, 32);
    poly.Update(packet, length);
    poly.Final(tag);
    CryptoPP::SecureWipeArray(polyKey_, sizeof polyKey_);
  }

  uint8_t mainKey_[32];
  uint8_t headerKey_[32];
  uint8_t polyKey_[32] = {};
  CryptoPP::ChaCha::Encryption main_;
  CryptoPP::ChaCha::Encryption header_;
};

template <class Mode>
std::unique_ptr<SymmetricCipher> MakeMode(ByteSpan key, ByteSpan iv) {
  auto mode = std::make_unique<Mode>();
  mode->SetKeyWithIV(key.data(), key.size(), iv.data(), iv.size());
  return mode;
}

std::unique_ptr<SymmetricCipher> MakeBlockMode(CipherKind kind, bool encrypt, ByteSpan key,
                                               ByteSpan iv) {
  using namespace CryptoPP;
  switch (kind) {
    case CipherKind::kCtr:
      return MakeMode<CTR_Mode<AES>::Encryption>(key, iv);
    case CipherKind::kCbc3Des:
      return encrypt ? MakeMode<CBC_Mode<DES_EDE3>::Encryption>(key, iv)
                     : MakeMode<CBC_Mode<DES_EDE3>::Decryption>(key, iv);
    case CipherKind::kCbcAes:
      return encrypt ? MakeMode<CBC_Mode<AES>::Encryption>(key, iv)
                     : MakeMode<CBC_Mode<AES>::Decryption>(key, iv);
    default:
      throw CSshError(SshError::kInternal);
  }
}

}  // namespace

std::span<const SshCipherInfo> SshCiphers() {
  return kCipherInfos;
}

std::span<const SshMacInfo> SshMacs() {
  return kMacInfos;
}

const SshCipherInfo* FindSshCipher(std::string_view name) {
  for (const SshCipherInfo& c : kCipherInfos)
    if (c.name == name) return &c;
  return nullptr;
}

const SshMacInfo* FindSshMac(std::string_view name) {
  for (const SshMacInfo& m : kMacInfos)
    if (m.name == name) return &m;
  return nullptr;
}

std::unique_ptr<ISshPacketCipher> MakeSshPacketCipher(const SshCipherInfo& cipher,
                                                      const SshMacInfo* mac, bool encrypt,
                                                      ByteSpan key, ByteSpan iv, ByteSpan macKey) {
  const CipherRow* row = nullptr;
  for (const CipherRow& r : kCiphers)
    if (r.info.name == cipher.name) row = &r;
  if (row == nullptr || key.size() < cipher.keySize || iv.size() < cipher.ivSize)
    throw CSshError(SshError::kInternal);
  key = key.first(cipher.keySize);
  iv = iv.first(cipher.ivSize);
  if (row->kind == CipherKind::kChaChaPoly) return std::make_unique<CChaChaPolyCipher>(key);
  if (row->kind == CipherKind::kGcm) return std::make_unique<CGcmCipher>(encrypt, key, iv);
  const MacRow* macRow = nullptr;
  for (const MacRow& m : kMacs)
    if (mac != nullptr && m.info.name == mac->name) macRow = &m;
  if (macRow == nullptr) throw CSshError(SshError::kInternal);
  return std::make_unique<CCipherWithMac>(
      MakeBlockMode(row->kind, encrypt, key, iv), cipher.blockSize,
      macRow->make(macKey.first(std::min(macKey.size(), mac->keySize))), mac->encryptThenMac);
}

}  // namespace ostrane
