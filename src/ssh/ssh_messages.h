// SSH message numbers (RFC 4250) and the phases of the client's protocol machine in which each
// may arrive from the server.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrane {

enum SshMessage : uint8_t {
  SSH_MSG_DISCONNECT = 1,
  SSH_MSG_IGNORE = 2,
  SSH_MSG_UNIMPLEMENTED = 3,
  SSH_MSG_DEBUG = 4,
  SSH_MSG_SERVICE_REQUEST = 5,
  SSH_MSG_SERVICE_ACCEPT = 6,
  SSH_MSG_KEXINIT = 20,
  SSH_MSG_NEWKEYS = 21,
  SSH_MSG_KEXDH_INIT = 30,
  SSH_MSG_KEXDH_REPLY = 31,
  SSH_MSG_USERAUTH_REQUEST = 50,
  SSH_MSG_USERAUTH_FAILURE = 51,
  SSH_MSG_USERAUTH_SUCCESS = 52,
  SSH_MSG_USERAUTH_BANNER = 53,
  // 60 is PASSWD_CHANGEREQ after a password request, INFO_REQUEST in keyboard-interactive.
  SSH_MSG_USERAUTH_PASSWD_CHANGEREQ = 60,
  SSH_MSG_USERAUTH_INFO_REQUEST = 60,
  SSH_MSG_USERAUTH_INFO_RESPONSE = 61,
  SSH_MSG_GLOBAL_REQUEST = 80,
  SSH_MSG_REQUEST_SUCCESS = 81,
  SSH_MSG_REQUEST_FAILURE = 82,
  SSH_MSG_CHANNEL_OPEN = 90,
  SSH_MSG_CHANNEL_OPEN_CONFIRMATION = 91,
  SSH_MSG_CHANNEL_OPEN_FAILURE = 92,
  SSH_MSG_CHANNEL_WINDOW_ADJUST = 93,
  SSH_MSG_CHANNEL_DATA = 94,
  SSH_MSG_CHANNEL_EXTENDED_DATA = 95,
  SSH_MSG_CHANNEL_EOF = 96,
  SSH_MSG_CHANNEL_CLOSE = 97,
  SSH_MSG_CHANNEL_REQUEST = 98,
  SSH_MSG_CHANNEL_SUCCESS = 99,
  SSH_MSG_CHANNEL_FAILURE = 100,
};

// Phases of the protocol machine, as bits of a rule.
enum SshPhaseBit : uint8_t {
  kSshInKex = 1 << 1,
  kSshInAuth = 1 << 2,
  kSshInSession = 1 << 3,
  kSshInAny = kSshInKex | kSshInAuth | kSshInSession,
};

struct SshMessageRule {
  SshMessage type;
  std::string_view name;
  uint8_t phases;
  bool kex;  // part of a key exchange: the only messages sent while keys change
};

inline constexpr SshMessageRule kSshMessageRules[] = {
    {SSH_MSG_DISCONNECT, "SSH_MSG_DISCONNECT", kSshInAny, true},
    {SSH_MSG_IGNORE, "SSH_MSG_IGNORE", kSshInAny, false},
    {SSH_MSG_UNIMPLEMENTED, "SSH_MSG_UNIMPLEMENTED", kSshInAny, false},
    {SSH_MSG_DEBUG, "SSH_MSG_DEBUG", kSshInAny, false},
    {SSH_MSG_SERVICE_ACCEPT, "SSH_MSG_SERVICE_ACCEPT", kSshInAuth, false},
    {SSH_MSG_KEXINIT, "SSH_MSG_KEXINIT", kSshInAny, true},
    {SSH_MSG_NEWKEYS, "SSH_MSG_NEWKEYS", kSshInKex, true},
    {SSH_MSG_KEXDH_INIT, "SSH_MSG_KEXDH_INIT", 0, true},
    {SSH_MSG_KEXDH_REPLY, "SSH_MSG_KEXDH_REPLY", kSshInKex, true},
    {SSH_MSG_USERAUTH_FAILURE, "SSH_MSG_USERAUTH_FAILURE", kSshInAuth, false},
    {SSH_MSG_USERAUTH_SUCCESS, "SSH_MSG_USERAUTH_SUCCESS", kSshInAuth, false},
    {SSH_MSG_USERAUTH_BANNER, "SSH_MSG_USERAUTH_BANNER", kSshInAuth, false},
    {SSH_MSG_USERAUTH_PASSWD_CHANGEREQ, "SSH_MSG_USERAUTH_PASSWD_CHANGEREQ", kSshInAuth, false},
    {SSH_MSG_GLOBAL_REQUEST, "SSH_MSG_GLOBAL_REQUEST", kSshInSession, false},
    {SSH_MSG_REQUEST_SUCCESS, "SSH_MSG_REQUEST_SUCCESS", kSshInSession, false},
    {SSH_MSG_REQUEST_FAILURE, "SSH_MSG_REQUEST_FAILURE", kSshInSession, false},
    {SSH_MSG_CHANNEL_OPEN, "SSH_MSG_CHANNEL_OPEN", kSshInSession, false},
    {SSH_MSG_CHANNEL_OPEN_CONFIRMATION, "SSH_MSG_CHANNEL_OPEN_CONFIRMATION", kSshInSession, false},
    {SSH_MSG_CHANNEL_OPEN_FAILURE, "SSH_MSG_CHANNEL_OPEN_FAILURE", kSshInSession, false},
    {SSH_MSG_CHANNEL_WINDOW_ADJUST, "SSH_MSG_CHANNEL_WINDOW_ADJUST", kSshInSession, false},
    {SSH_MSG_CHANNEL_DATA, "SSH_MSG_CHANNEL_DATA", kSshInSession, false},
    {SSH_MSG_CHANNEL_EXTENDED_DATA, "SSH_MSG_CHANNEL_EXTENDED_DATA", kSshInSession, false},
    {SSH_MSG_CHANNEL_EOF, "SSH_MSG_CHANNEL_EOF", kSshInSession, false},
    {SSH_MSG_CHANNEL_CLOSE, "SSH_MSG_CHANNEL_CLOSE", kSshInSession, false},
    {SSH_MSG_CHANNEL_REQUEST, "SSH_MSG_CHANNEL_REQUEST", kSshInSession, false},
    {SSH_MSG_CHANNEL_SUCCESS, "SSH_MSG_CHANNEL_SUCCESS", kSshInSession, false},
    {SSH_MSG_CHANNEL_FAILURE, "SSH_MSG_CHANNEL_FAILURE", kSshInSession, false},
};

// The rule of a message type; null for a type the client does not know.
constexpr const SshMessageRule* FindSshMessageRule(uint8_t type) {
  for (const SshMessageRule& r : kSshMessageRules)
    if (r.type == type) return &r;
  return nullptr;
}

}  // namespace ostrane
