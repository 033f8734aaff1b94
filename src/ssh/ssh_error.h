// CSshError: the numbered errors raised inside the SSH protocol machine, caught at the top of
// its byte loop, shown to the user with their text and ending the connection.
#pragma once

#include <exception>
#include <string_view>

namespace ostrane {

enum class SshError : int {
  kInternal = 0,
  kUnexpected = 1,
  kNoAuthMethod = 2,
  kNoAlgorithm = 3,
  kAborted = 4,
  kAuthFailed = 5,
  kBadSignature = 6,
  kCannotStart = 7,
  kNoChannel = 8,
  kBadMac = 9,
  kCannotLoadKeys = 10,
  kKeyExchange = 11,
};

class CSshError : public std::exception {
 public:
  explicit CSshError(SshError code) : code_(code) {}
  SshError Code() const { return code_; }
  const char* what() const noexcept override;

 private:
  SshError code_;
};

std::string_view SshErrorText(SshError code);

}  // namespace ostrane
