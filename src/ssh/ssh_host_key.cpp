#include "ssh/ssh_host_key.h"

#include <cryptopp/base64.h>
#include <cryptopp/eccrypto.h>
#include <cryptopp/oids.h>
#include <cryptopp/osrng.h>
#include <cryptopp/rsa.h>
#include <cryptopp/sha.h>
#include <cryptopp/xed25519.h>

#include "ssh/ssh_dss_key.h"
#include "ssh/ssh_error.h"

namespace ostrane {

namespace {

using CryptoPP::Integer;

// Reads the signature string's (name, bytes) pair and checks the name.
bool SignatureBytes(ByteSpan signature, std::string_view name, ByteSpan& bytes) {
  CSshReader in(signature);
  if (in.Text() != name) return false;
  bytes = in.String();
  return in.AtEnd();
}

bool VerifyDss(std::string_view name, ByteSpan blob, ByteSpan signature, ByteSpan message) {
  const auto key = CSshDssKey::FromBlob(blob);
  if (!key) return false;
  ByteSpan rs = signature;
  if (signature.size() != kBareDssSignature && !SignatureBytes(signature, name, rs)) return false;
  return key->Verify(message, rs);
}

bool VerifyEd25519(std::string_view name, ByteSpan blob, ByteSpan signature, ByteSpan message) {
  CSshReader in(blob);
  if (in.Text() != name) return false;
  const ByteSpan pub = in.String();
  ByteSpan sig;
  if (pub.size() != 32 || !SignatureBytes(signature, name, sig) || sig.size() != 64) return false;
  CryptoPP::ed25519Verifier verifier(pub.data());
  return verifier.VerifyMessage(message.data(), message.size(), sig.data(), sig.size());
}

// An mpint of at most `size` bytes as exactly `size` big-endian bytes.
bool FixedWidth(const Integer& value, size_t size, uint8_t* out) {
  if (value.MinEncodedSize() > size) return false;
  value.Encode(out, size);
  return true;
}

bool VerifyEcdsaP256(std::string_view name, ByteSpan blob, ByteSpan signature, ByteSpan message) {
  using Ecdsa = CryptoPP::ECDSA<CryptoPP::ECP, CryptoPP::SHA256>;
  CSshReader in(blob);
  if (in.Text() != name || in.Text() != "nistp256") return false;
  const ByteSpan q = in.String();
  ByteSpan sig;
  if (!SignatureBytes(signature, name, sig)) return false;
  CSshReader rs(sig);
  const Integer r = rs.Mpint();
  const Integer s = rs.Mpint();
  uint8_t p1363[64];
  if (!FixedWidth(r, 32, p1363) || !FixedWidth(s, 32, p1363 + 32)) return false;
  Ecdsa::PublicKey key;
  key.AccessGroupParameters().Initialize(CryptoPP::ASN1::secp256r1());
  CryptoPP::ECP::Point point;
  if (!key.GetGroupParameters().GetCurve().DecodePoint(point, q.data(), q.size())) return false;
  key.SetPublicElement(point);
  CryptoPP::AutoSeededRandomPool random;
  if (!key.Validate(random, 3)) return false;
  Ecdsa::Verifier verifier(key);
  return verifier.VerifyMessage(message.data(), message.size(), p1363, sizeof p1363);
}

// Keys shorter than this are refused, as current servers refuse them.
constexpr unsigned kMinRsaBits = 1024;
constexpr unsigned kMaxRsaBits = 16384;

template <class Hash>
bool VerifyRsa(std::string_view name, ByteSpan blob, ByteSpan signature, ByteSpan message) {
  CSshReader in(blob);
  if (in.Text() != "ssh-rsa") return false;
  const Integer e = in.Mpint();
  const Integer n = in.Mpint();
  if (n.BitCount() < kMinRsaBits || n.BitCount() > kMaxRsaBits || e <= Integer::One()) return false;
  ByteSpan sig;
  if (!SignatureBytes(signature, name, sig) || sig.size() > n.ByteCount()) return false;
  // A signature may come without its leading zero bytes.
  Bytes padded(n.ByteCount() - sig.size(), 0);
  padded.insert(padded.end(), sig.begin(), sig.end());
  typename CryptoPP::RSASS<CryptoPP::PKCS1v15, Hash>::Verifier verifier(n, e);
  return verifier.VerifyMessage(message.data(), message.size(), padded.data(), padded.size());
}

// Malformed signatures or keys are failed signatures, never crashes.
template <bool (*Verify)(std::string_view, ByteSpan, ByteSpan, ByteSpan)>
bool Checked(std::string_view name, ByteSpan blob, ByteSpan signature, ByteSpan message) {
  try {
    return Verify(name, blob, signature, message);
  } catch (const CSshError&) {
    return false;
  } catch (const CryptoPP::Exception&) {
    return false;
  }
}

constexpr SshHostKeyInfo kHostKeys[] = {
    {"ssh-ed25519", "ssh-ed25519", &Checked<&VerifyEd25519>},
    {"ecdsa-sha2-nistp256", "ecdsa-sha2-nistp256", &Checked<&VerifyEcdsaP256>},
    {"rsa-sha2-512", "ssh-rsa", &Checked<&VerifyRsa<CryptoPP::SHA512>>},
    {"rsa-sha2-256", "ssh-rsa", &Checked<&VerifyRsa<CryptoPP::SHA256>>},
    {"ssh-dss", "ssh-dss", &Checked<&VerifyDss>},
};

}  // namespace

std::span<const SshHostKeyInfo> SshHostKeyAlgorithms() {
  return kHostKeys;
}

const SshHostKeyInfo* FindSshHostKey(std::string_view name) {
  for (const SshHostKeyInfo& k : kHostKeys)
    if (k.name == name) return &k;
  return nullptr;
}

std::string SshFingerprint(ByteSpan keyBlob) {
  uint8_t digest[CryptoPP::SHA256::DIGESTSIZE];
  CryptoPP::SHA256().CalculateDigest(digest, keyBlob.data(), keyBlob.size());
  std::string text;
  CryptoPP::Base64Encoder encoder(new CryptoPP::StringSink(text), false);
  encoder.Put(digest, sizeof digest);
  encoder.MessageEnd();
  while (!text.empty() && text.back() == '=') text.pop_back();
  return "SHA256:" + text;
}

}  // namespace ostrane
