// The user's known_hosts file, read only: which lines name a host (plain, bracketed port, lists,
// wildcards, negation, hashed) and what a listed, different or revoked key means.
#include "ssh/ssh_known_hosts.h"

#include <cryptopp/hmac.h>
#include <cryptopp/sha.h>
#include <gtest/gtest.h>

#include <string>

#include "ssh/ssh_key_text.h"

namespace ostrane {
namespace {

Bytes Blob(std::string_view type, uint8_t fill) {
  Bytes b;
  CSshWriter w(b);
  w.String(type);
  w.String(Bytes(32, fill));
  return b;
}

std::string Line(std::string_view hosts, std::string_view type, const Bytes& blob) {
  return std::string(hosts) + " " + std::string(type) + " " + EncodeBase64(blob) + "\n";
}

std::string Hashed(const std::string& name) {
  const Bytes salt(20, 0x42);
  CryptoPP::HMAC<CryptoPP::SHA1> hmac(salt.data(), salt.size());
  hmac.Update(reinterpret_cast<const uint8_t*>(name.data()), name.size());
  Bytes digest(20);
  hmac.Final(digest.data());
  return "|1|" + EncodeBase64(salt) + "|" + EncodeBase64(digest);
}

TEST(KnownHosts, HostFieldsNameTheHostAndItsPort) {
  const Bytes key = Blob("ssh-ed25519", 1);
  const struct {
    std::string hosts;
    int port;
    KnownHostMatch expected;
  } cases[] = {
      {"box", 22, KnownHostMatch::kMatch},
      {"box", 2222, KnownHostMatch::kUnknown},
      {"[box]:2222", 2222, KnownHostMatch::kMatch},
      {"other,box,third", 22, KnownHostMatch::kMatch},
      {"b?x", 22, KnownHostMatch::kMatch},
      {"*.example,b*", 22, KnownHostMatch::kMatch},
      {"b*,!box", 22, KnownHostMatch::kUnknown},
      {Hashed("box"), 22, KnownHostMatch::kMatch},
      {Hashed("[box]:2222"), 2222, KnownHostMatch::kMatch},
      {Hashed("other"), 22, KnownHostMatch::kUnknown},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchKnownHosts(Line(c.hosts, "ssh-ed25519", key), "box", c.port, key), c.expected)
        << c.hosts << " port " << c.port;
}

// Another key of the same type is a changed key; a key of another type is another key the host
// may have; a second line with the key wins over an old one; revoked keys are refused.
TEST(KnownHosts, ListedDifferentAndRevokedKeys) {
  const Bytes key = Blob("ssh-ed25519", 1);
  const Bytes old = Blob("ssh-ed25519", 2);
  const Bytes rsa = Blob("ssh-rsa", 3);
  EXPECT_EQ(MatchKnownHosts(Line("box", "ssh-ed25519", old), "box", 22, key),
            KnownHostMatch::kMismatch);
  EXPECT_EQ(MatchKnownHosts(Line("box", "ssh-rsa", rsa), "box", 22, key), KnownHostMatch::kUnknown);
  EXPECT_EQ(MatchKnownHosts(
                "# comment\n\n" + Line("box", "ssh-ed25519", old) + Line("box", "ssh-ed25519", key),
                "box", 22, key),
            KnownHostMatch::kMatch);
  EXPECT_EQ(
      MatchKnownHosts(Line("box", "ssh-ed25519", key) + "@revoked " + Line("*", "ssh-ed25519", key),
                      "box", 22, key),
      KnownHostMatch::kRevoked);
  EXPECT_EQ(MatchKnownHosts("@cert-authority " + Line("box", "ssh-ed25519", key), "box", 22, key),
            KnownHostMatch::kUnknown);
  // Damaged lines are no entries.
  EXPECT_EQ(MatchKnownHosts("box ssh-ed25519\n|1|@@@|x ssh-ed25519 AAAA\n", "box", 22, key),
            KnownHostMatch::kUnknown);
}

}  // namespace
}  // namespace ostrane
