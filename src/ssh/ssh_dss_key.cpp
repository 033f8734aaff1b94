#include "ssh/ssh_dss_key.h"

#include <cryptopp/dsa.h>
#include <cryptopp/osrng.h>

#include "ssh/ssh_error.h"

namespace ostrane {

namespace {

constexpr std::string_view kDssName = "ssh-dss";
constexpr unsigned kNewKeyBits = 1024;
constexpr size_t kSignatureSize = 40;

}  // namespace

CSshDssKey::~CSshDssKey() {
  x_ = CryptoPP::Integer::Zero();
}

CSshDssKey CSshDssKey::Generate() {
  CryptoPP::AutoSeededRandomPool random;
  CryptoPP::DSA::PrivateKey key;
  key.GenerateRandomWithKeySize(random, kNewKeyBits);
  CSshDssKey out;
  const auto& group = key.GetGroupParameters();
  out.p_ = group.GetModulus();
  out.q_ = group.GetSubgroupOrder();
  out.g_ = group.GetGenerator();
  out.x_ = key.GetPrivateExponent();
  out.y_ = a_exp_b_mod_c(out.g_, out.x_, out.p_);
  return out;
}

std::optional<CSshDssKey> CSshDssKey::FromBlob(ByteSpan blob) {
  try {
    CSshReader in(blob);
    if (in.Text() != kDssName) return std::nullopt;
    CSshDssKey key;
    key.p_ = in.Mpint();
    key.q_ = in.Mpint();
    key.g_ = in.Mpint();
    key.y_ = in.Mpint();
    // Sizes a DSA key of this kind can have; anything else is refused before any arithmetic.
    if (key.q_.BitCount() != 160 || key.p_.BitCount() < 512 || key.p_.BitCount() > 3072 ||
        key.g_ <= CryptoPP::Integer::One() || key.g_ >= key.p_ ||
        key.y_ <= CryptoPP::Integer::One() || key.y_ >= key.p_)
      return std::nullopt;
    return key;
  } catch (const CSshError&) {
    return std::nullopt;
  }
}

Bytes CSshDssKey::PublicBlob() const {
  Bytes out;
  CSshWriter w(out);
  w.String(kDssName);
  w.Mpint(p_);
  w.Mpint(q_);
  w.Mpint(g_);
  w.Mpint(y_);
  return out;
}

Bytes CSshDssKey::Sign(ByteSpan message) const {
  CryptoPP::DSA::PrivateKey key;
  key.Initialize(p_, q_, g_, x_);
  CryptoPP::DSA::Signer signer(key);
  CryptoPP::AutoSeededRandomPool random;
  Bytes out(signer.MaxSignatureLength());
  out.resize(signer.SignMessage(random, message.data(), message.size(), out.data()));
  if (out.size() != kSignatureSize) throw CSshError(SshError::kInternal);
  return out;
}

bool CSshDssKey::Verify(ByteSpan message, ByteSpan rs) const {
  if (rs.size() != kSignatureSize) return false;
  CryptoPP::DSA::PublicKey key;
  key.Initialize(p_, q_, g_, y_);
  CryptoPP::DSA::Verifier verifier(key);
  return verifier.VerifyMessage(message.data(), message.size(), rs.data(), rs.size());
}

}  // namespace ostrane
