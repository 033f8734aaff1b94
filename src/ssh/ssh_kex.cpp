#include "ssh/ssh_kex.h"

#include <cryptopp/eccrypto.h>
#include <cryptopp/nbtheory.h>
#include <cryptopp/oids.h>
#include <cryptopp/osrng.h>
#include <cryptopp/sha.h>
#include <cryptopp/xed25519.h>

#include "ssh/ssh_error.h"

namespace ostrane {

namespace {

using CryptoPP::Integer;

// Oakley group 2 (RFC 2409 section 6.2) and the 2048-bit MODP group 14 (RFC 3526), generator 2.
constexpr char kGroup1Prime[] =
    "0xFFFFFFFFFFFFFFFFC90FDAA22168C234C4C6628B80DC1CD129024E088A67CC74020BBEA63B139B22514A08798E"
    "3404DDEF9519B3CD3A431B302B0A6DF25F14374FE1356D6D51C245E485B576625E7EC6F44C42E9A637ED6B0BFF5C"
    "B6F406B7EDEE386BFB5A899FA5AE9F24117C4B1FE649286651ECE65381FFFFFFFFFFFFFFFF";
constexpr char kGroup14Prime[] =
    "0xFFFFFFFFFFFFFFFFC90FDAA22168C234C4C6628B80DC1CD129024E088A67CC74020BBEA63B139B22514A08798E"
    "3404DDEF9519B3CD3A431B302B0A6DF25F14374FE1356D6D51C245E485B576625E7EC6F44C42E9A637ED6B0BFF5C"
    "B6F406B7EDEE386BFB5A899FA5AE9F24117C4B1FE649286651ECE45B3DC2007CB8A163BF0598DA48361C55D39A69"
    "163FA8FD24CF5F83655D23DCA3AD961C62F356208552BB9ED529077096966D670C354E4ABC9804F1746C08CA1821"
    "7C32905E462E36CE3BE39E772C180E86039B2783A2EC07A28FB5C55DF06F4C52C9DE2BCBF6955817183995497CEA"
    "956AE515D2261898FA051015728E5A8AACAA68FFFFFFFFFFFFFFFF";

Bytes MpintOf(const Integer& value) {
  Bytes out;
  CSshWriter(out).Mpint(value);
  return out;
}

// Diffie-Hellman with generator 2 and a private exponent of the given size.
class CDhExchange final : public ISshKeyExchange {
 public:
  CDhExchange(const char* prime, unsigned exponentBits) : p_(prime) {
    CryptoPP::AutoSeededRandomPool random;
    x_.Randomize(random, Integer::One() << (exponentBits - 1), Integer::Power2(exponentBits) - 1);
    e_ = a_exp_b_mod_c(Integer::Two(), x_, p_);
  }
  ~CDhExchange() override { x_ = Integer::Zero(); }
  void WriteClientValue(CSshWriter& out) const override { out.Mpint(e_); }
  Bytes ReadServerValue(CSshReader& in, CSshWriter& hashInput) override {
    const Integer f = in.Mpint();
    // 1 and p-1 would give away the secret (RFC 4253 section 8).
    if (f <= Integer::One() || f >= p_ - Integer::One()) throw CSshError(SshError::kKeyExchange);
    hashInput.Mpint(f);
    Integer k = a_exp_b_mod_c(f, x_, p_);
    Bytes out = MpintOf(k);
    k = Integer::Zero();
    return out;
  }

 private:
  Integer p_;
  Integer x_;
  Integer e_;
};

class CX25519Exchange final : public ISshKeyExchange {
 public:
  CX25519Exchange() {
    CryptoPP::AutoSeededRandomPool random;
    domain_.GenerateKeyPair(random, private_, public_);
  }
  ~CX25519Exchange() override { CryptoPP::SecureWipeArray(private_, sizeof private_); }
  void WriteClientValue(CSshWriter& out) const override { out.String(ByteSpan(public_, 32)); }
  Bytes ReadServerValue(CSshReader& in, CSshWriter& hashInput) override {
    const ByteSpan q = in.String();
    if (q.size() != 32) throw CSshError(SshError::kKeyExchange);
    hashInput.String(q);
    uint8_t shared[32];
    // Validation refuses the small-order points that would give an all-zero secret.
    if (!domain_.Agree(shared, private_, q.data(), true)) throw CSshError(SshError::kKeyExchange);
    Bytes out;
    CSshWriter(out).MpintUnsigned(ByteSpan(shared, 32));
    CryptoPP::SecureWipeArray(shared, sizeof shared);
    return out;
  }

 private:
  CryptoPP::x25519 domain_;
  uint8_t private_[32] = {};
  uint8_t public_[32] = {};
};

class CEcdhP256Exchange final : public ISshKeyExchange {
 public:
  CEcdhP256Exchange()
      : domain_(CryptoPP::ASN1::secp256r1()),
        private_(domain_.PrivateKeyLength()),
        public_(domain_.PublicKeyLength()) {
    CryptoPP::AutoSeededRandomPool random;
    domain_.GenerateKeyPair(random, private_, public_);
  }
  void WriteClientValue(CSshWriter& out) const override {
    out.String(ByteSpan(public_.data(), public_.size()));
  }
  Bytes ReadServerValue(CSshReader& in, CSshWriter& hashInput) override {
    const ByteSpan q = in.String();
    if (q.size() != domain_.PublicKeyLength()) throw CSshError(SshError::kKeyExchange);
    hashInput.String(q);
    CryptoPP::SecByteBlock shared(domain_.AgreedValueLength());
    if (!domain_.Agree(shared, private_, q.data(), true)) throw CSshError(SshError::kKeyExchange);
    Bytes out;
    CSshWriter(out).MpintUnsigned(ByteSpan(shared.data(), shared.size()));
    return out;
  }

 private:
  CryptoPP::ECDH<CryptoPP::ECP>::Domain domain_;
  CryptoPP::SecByteBlock private_;
  CryptoPP::SecByteBlock public_;
};

std::unique_ptr<ISshKeyExchange> MakeGroup1() {
  // A 112-bit exponent, as the group was always used here.
  return std::make_unique<CDhExchange>(kGroup1Prime, 112);
}
std::unique_ptr<ISshKeyExchange> MakeGroup14() {
  // Twice the group's strength of about 112 bits, with room to spare.
  return std::make_unique<CDhExchange>(kGroup14Prime, 512);
}
std::unique_ptr<ISshKeyExchange> MakeX25519() {
  return std::make_unique<CX25519Exchange>();
}
std::unique_ptr<ISshKeyExchange> MakeP256() {
  return std::make_unique<CEcdhP256Exchange>();
}

constexpr SshKexInfo kKexMethods[] = {
    {"curve25519-sha256", SshHash::kSha256, &MakeX25519},
    {"curve25519-sha256@libssh.org", SshHash::kSha256, &MakeX25519},
    {"ecdh-sha2-nistp256", SshHash::kSha256, &MakeP256},
    {"diffie-hellman-group14-sha256", SshHash::kSha256, &MakeGroup14},
    {"diffie-hellman-group1-sha1", SshHash::kSha1, &MakeGroup1},
};

template <class Hash>
Bytes DigestWith(std::initializer_list<ByteSpan> parts) {
  Hash h;
  for (ByteSpan p : parts) h.Update(p.data(), p.size());
  Bytes out(Hash::DIGESTSIZE);
  h.Final(out.data());
  return out;
}

}  // namespace

std::span<const SshKexInfo> SshKexMethods() {
  return kKexMethods;
}

const SshKexInfo* FindSshKex(std::string_view name) {
  for (const SshKexInfo& k : kKexMethods)
    if (k.name == name) return &k;
  return nullptr;
}

Bytes SshDigest(SshHash hash, std::initializer_list<ByteSpan> parts) {
  switch (hash) {
    case SshHash::kSha1:
      return DigestWith<CryptoPP::SHA1>(parts);
    case SshHash::kSha256:
      return DigestWith<CryptoPP::SHA256>(parts);
    case SshHash::kSha512:
      return DigestWith<CryptoPP::SHA512>(parts);
  }
  throw CSshError(SshError::kInternal);
}

Bytes DeriveSshKey(SshHash hash, ByteSpan sharedMpint, ByteSpan exchangeHash, char letter,
                   ByteSpan sessionId, size_t size) {
  const uint8_t x = static_cast<uint8_t>(letter);
  Bytes out = SshDigest(hash, {sharedMpint, exchangeHash, ByteSpan(&x, 1), sessionId});
  while (out.size() < size) {
    Bytes more = SshDigest(hash, {sharedMpint, exchangeHash, out});
    out.insert(out.end(), more.begin(), more.end());
    WipeBytes(more);
  }
  return out;
}

}  // namespace ostrane
