#include "ssh/ssh_error.h"

namespace ostrane {

namespace {

constexpr std::string_view kErrorTexts[] = {
    "Internal error.",
    "Unexpected response from the server.",
    "Authenticate methods not supported by the server.",
    "Security algorithm not supported by the server.",
    "Connection aborted.",
    "User authentication failed.",
    "Server signature verification failed.",
    "Can't start connection to server.",
    "Can't open session channel to server.",
    "Message authentication failed.",
    "Can't load keys for user.",
    "Error while exchanging the key.",
};

}  // namespace

std::string_view SshErrorText(SshError code) {
  const auto i = static_cast<size_t>(code);
  return i < std::size(kErrorTexts) ? kErrorTexts[i] : kErrorTexts[0];
}

const char* CSshError::what() const noexcept {
  return SshErrorText(code_).data();
}

}  // namespace ostrane
