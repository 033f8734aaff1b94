#include "ssh/ssh1_rsa_key.h"

#include <cryptopp/nbtheory.h>
#include <cryptopp/osrng.h>
#include <cryptopp/rsa.h>

#include "ssh/ssh_error.h"

namespace ostrane {

namespace {

// PKCS #1 version 1.5: 00 02, at least 8 non-zero padding bytes, 00, the message.
constexpr size_t kPkcs1Overhead = 11;
constexpr size_t kMinPadding = 8;
// Sizes an RSA key of this protocol can have; anything else is refused before any arithmetic.
constexpr unsigned kMinModulusBits = 256;
constexpr unsigned kMaxModulusBits = 16384;

Bytes IntegerBytes(const CryptoPP::Integer& value, size_t size) {
  Bytes out(size);
  value.Encode(out.data(), out.size());
  return out;
}

}  // namespace

CSsh1RsaKey::~CSsh1RsaKey() {
  d_ = p_ = q_ = u_ = CryptoPP::Integer::Zero();
}

CSsh1RsaKey CSsh1RsaKey::Generate(unsigned bits) {
  CryptoPP::AutoSeededRandomPool random;
  CryptoPP::InvertibleRSAFunction f;
  f.Initialize(random, bits, CryptoPP::Integer(65537));
  CSsh1RsaKey key;
  key.n_ = f.GetModulus();
  key.e_ = f.GetPublicExponent();
  key.d_ = f.GetPrivateExponent();
  key.p_ = f.GetPrime1();
  key.q_ = f.GetPrime2();
  key.u_ = f.GetMultiplicativeInverseOfPrime2ModPrime1();
  return key;
}

std::optional<CSsh1RsaKey> CSsh1RsaKey::FromPublic(const CryptoPP::Integer& modulus,
                                                   const CryptoPP::Integer& exponent) {
  if (modulus.BitCount() < kMinModulusBits || modulus.BitCount() > kMaxModulusBits ||
      modulus.IsEven() || exponent < CryptoPP::Integer(3) || exponent >= modulus ||
      exponent.IsEven())
    return std::nullopt;
  CSsh1RsaKey key;
  key.n_ = modulus;
  key.e_ = exponent;
  return key;
}

std::optional<CSsh1RsaKey> CSsh1RsaKey::FromRecordBody(CSshReader& in) {
  auto key = FromPublic(in.Mpint(), in.Mpint());
  if (!key) return std::nullopt;
  key->d_ = in.Mpint();
  key->p_ = in.Mpint();
  key->q_ = in.Mpint();
  in.Mpint();
  in.Mpint();
  key->u_ = in.Mpint();
  if (key->p_ * key->q_ != key->n_ || key->d_.IsZero()) return std::nullopt;
  return key;
}

Bytes CSsh1RsaKey::PublicBlob() const {
  Bytes out;
  CSshWriter w(out);
  w.Mpint(n_);
  w.Mpint(e_);
  return out;
}

void CSsh1RsaKey::WriteRecordBody(CSshWriter& out) const {
  out.Mpint(n_);
  out.Mpint(e_);
  out.Mpint(d_);
  out.Mpint(p_);
  out.Mpint(q_);
  out.Mpint(d_ % (p_ - CryptoPP::Integer::One()));
  out.Mpint(d_ % (q_ - CryptoPP::Integer::One()));
  out.Mpint(u_);
}

std::string CSsh1RsaKey::PublicText(std::string_view comment) const {
  auto decimal = [](const CryptoPP::Integer& v) {
    std::string s = CryptoPP::IntToString(v, 10);
    return s;
  };
  return std::to_string(n_.BitCount()) + " " + decimal(e_) + " " + decimal(n_) + " " +
         std::string(comment);
}

CryptoPP::Integer CSsh1RsaKey::Encrypt(ByteSpan message) const {
  const size_t size = ModulusBytes();
  if (message.size() + kPkcs1Overhead > size) throw CSshError(SshError::kInternal);
  Bytes block(size);
  block[1] = 2;
  const size_t padding = size - 3 - message.size();
  CryptoPP::AutoSeededRandomPool random;
  for (size_t i = 0; i < padding; ++i) {
    uint8_t b = 0;
    while (b == 0) b = random.GenerateByte();
    block[2 + i] = b;
  }
  std::copy(message.begin(), message.end(), block.begin() + 3 + static_cast<long>(padding));
  const CryptoPP::Integer m(block.data(), block.size());
  WipeBytes(block);
  return a_exp_b_mod_c(m, e_, n_);
}

std::optional<Bytes> CSsh1RsaKey::Decrypt(const CryptoPP::Integer& value) const {
  if (!HasPrivate() || value >= n_) return std::nullopt;
  CryptoPP::InvertibleRSAFunction f;
  f.Initialize(n_, e_, d_, p_, q_, d_ % (p_ - CryptoPP::Integer::One()),
               d_ % (q_ - CryptoPP::Integer::One()), u_);
  CryptoPP::AutoSeededRandomPool random;
  Bytes block = IntegerBytes(f.CalculateInverse(random, value), ModulusBytes());
  std::optional<Bytes> message;
  if (block[0] == 0 && block[1] == 2) {
    size_t zero = 2;
    while (zero < block.size() && block[zero] != 0) ++zero;
    if (zero < block.size() && zero >= 2 + kMinPadding)
      message.emplace(block.begin() + static_cast<long>(zero) + 1, block.end());
  }
  WipeBytes(block);
  return message;
}

}  // namespace ostrane
