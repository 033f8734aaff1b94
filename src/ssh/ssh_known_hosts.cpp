#include "ssh/ssh_known_hosts.h"

#include <cryptopp/hmac.h>
#include <cryptopp/misc.h>
#include <cryptopp/sha.h>

#include <cstdlib>
#include <vector>

#include "platform/ssh_key_files.h"
#include "ssh/ssh_error.h"
#include "ssh/ssh_key_text.h"

namespace ostrane {

namespace {

// A known_hosts file of a few thousand hosts is well under this.
constexpr size_t kMaxKnownHostsFile = 16u * 1024 * 1024;
constexpr std::string_view kHashedPrefix = "|1|";
constexpr std::string_view kBlanks = " \t";

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  while (!line.empty()) {
    line.remove_prefix(std::min(line.find_first_not_of(kBlanks), line.size()));
    if (line.empty()) break;
    const size_t end = std::min(line.find_first_of(kBlanks), line.size());
    fields.push_back(line.substr(0, end));
    line.remove_prefix(end);
  }
  return fields;
}

// Shell-style "*" and "?" matching, as host patterns use it.
bool Glob(std::string_view pattern, std::string_view text) {
  size_t p = 0, t = 0, star = std::string_view::npos, mark = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// "|1|" Base64 salt "|" Base64 HMAC-SHA1 of the name under the salt.
bool HashedMatch(std::string_view field, std::string_view name) {
  field.remove_prefix(kHashedPrefix.size());
  const size_t bar = field.find('|');
  if (bar == std::string_view::npos) return false;
  const Bytes salt = DecodeBase64(field.substr(0, bar));
  const Bytes hash = DecodeBase64(field.substr(bar + 1));
  if (salt.empty() || hash.size() != CryptoPP::SHA1::DIGESTSIZE) return false;
  CryptoPP::HMAC<CryptoPP::SHA1> hmac(salt.data(), salt.size());
  hmac.Update(reinterpret_cast<const uint8_t*>(name.data()), name.size());
  uint8_t digest[CryptoPP::SHA1::DIGESTSIZE];
  hmac.Final(digest);
  return CryptoPP::VerifyBufsEqual(digest, hash.data(), sizeof digest);
}

// Any pattern of the comma list matches and no negated one does.
bool HostFieldMatches(std::string_view field, std::string_view name) {
  if (field.substr(0, kHashedPrefix.size()) == kHashedPrefix) return HashedMatch(field, name);
  bool matched = false;
  while (!field.empty()) {
    const size_t comma = std::min(field.find(','), field.size());
    std::string_view pattern = field.substr(0, comma);
    field.remove_prefix(std::min(comma + 1, field.size()));
    const bool negated = !pattern.empty() && pattern[0] == '!';
    if (negated) pattern.remove_prefix(1);
    if (!Glob(pattern, name)) continue;
    if (negated) return false;
    matched = true;
  }
  return matched;
}

std::string_view KeyType(ByteSpan blob) {
  try {
    CSshReader in(blob);
    return in.Text();
  } catch (const CSshError&) {
    return {};
  }
}

}  // namespace

std::string KnownHostsPath() {
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.ssh/known_hosts";
}

KnownHostMatch MatchKnownHosts(std::string_view fileText, std::string_view host, int port,
                               ByteSpan keyBlob) {
  const std::string name = port == kSshStandardPort
                               ? std::string(host)
                               : "[" + std::string(host) + "]:" + std::to_string(port);
  const std::string_view type = KeyType(keyBlob);
  KnownHostMatch result = KnownHostMatch::kUnknown;
  while (!fileText.empty()) {
    const size_t end = std::min(fileText.find('\n'), fileText.size());
    std::string_view line = fileText.substr(0, end);
    fileText.remove_prefix(std::min(end + 1, fileText.size()));
    std::vector<std::string_view> f = Fields(line);
    if (f.empty() || f[0][0] == '#') continue;
    std::string_view marker;
    if (f[0][0] == '@') {
      marker = f[0];
      f.erase(f.begin());
    }
    if (f.size() < 3 || marker == "@cert-authority" || !HostFieldMatches(f[0], name)) continue;
    const Bytes listed = DecodeBase64(f[2]);
    const bool same = listed.size() == keyBlob.size() &&
                      std::equal(listed.begin(), listed.end(), keyBlob.begin());
    if (marker == "@revoked") {
      if (same) return KnownHostMatch::kRevoked;
      continue;
    }
    if (same)
      result = KnownHostMatch::kMatch;
    else if (f[1] == type && result == KnownHostMatch::kUnknown)
      result = KnownHostMatch::kMismatch;
  }
  return result;
}

KnownHostMatch CheckKnownHostsFile(std::string_view host, int port, ByteSpan keyBlob) {
  const auto text = platform::ReadWholeFile(KnownHostsPath(), kMaxKnownHostsFile);
  return text ? MatchKnownHosts(*text, host, port, keyBlob) : KnownHostMatch::kUnknown;
}

}  // namespace ostrane
