// ISshCredentials: where the SSH client keeps the remembered login of its session (the SshUser
// and SshPassword settings). The session implements it; the SSH worker never reaches the
// settings store, and none of these calls waits for the terminal lock.
#pragma once

#include <string>

namespace ostrane {

struct SshCredentials {
  std::string user;
  std::string protectedPassword;  // as ProtectPassword gives it; empty for none
};

class ISshCredentials {
 public:
  virtual ~ISshCredentials() = default;
  virtual SshCredentials LoadCredentials() = 0;
  // Replaces what is given; a null pointer leaves that part as it is.
  virtual void StoreCredentials(const std::string* user, const std::string* protectedPassword) = 0;
};

}  // namespace ostrane
