// CKeyFileMemory: the OpenSSH private-key file a user last logged in with, per server (host and
// port) and user name, so that "SSH Authorization" can offer it again. It lives in the per-user
// profile, section [SshKeyFiles], because session files have a fixed set of entries that other
// copies of the program read. Records are kept most recent first under KeyFile0 ... KeyFile99.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile.h"

namespace ostrane {

// Past this many servers and users the least recently used record is dropped.
inline constexpr size_t kKeyFileMemoryCapacity = 100;
inline constexpr char kKeyFileSection[] = "SshKeyFiles";

// One remembered login: host names compare without regard to case, user names and paths exactly.
struct KeyFileRecord {
  std::string host;
  int port = 22;
  std::string user;
  std::string path;
};

class CKeyFileMemory {
 public:
  explicit CKeyFileMemory(CProfile& profile) : profile_(profile) {}

  std::optional<std::string> Recall(std::string_view host, int port, std::string_view user) const;
  // Puts the record first, replacing an earlier one for the same server and user. False when it
  // was not kept: an empty host, user or path, one too long for a profile line, or a profile
  // that could not be written.
  bool Remember(const KeyFileRecord& record);
  void Forget(std::string_view host, int port, std::string_view user);

  // Every record, most recent first; records that do not parse are left out.
  std::vector<KeyFileRecord> Records() const;

  // The profile value of a record, and back (nothing for a value that is no record).
  static std::string Encode(const KeyFileRecord& record);
  static std::optional<KeyFileRecord> Decode(std::string_view value);

 private:
  bool Write(const std::vector<KeyFileRecord>& records);

  CProfile& profile_;
};

}  // namespace ostrane
