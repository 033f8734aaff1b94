// The text form of keys shown in dialogs and written to key files: a begin line, an optional
// "Subject:" line, the key bytes in Base64 cut into lines of 70, and an end line, each ending
// with CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ssh/ssh_wire.h"

namespace ostrane {

enum class SshKeyTextKind { kSsh2PublicKey, kSsh2PrivateRecord, kSsh1PrivateRecord };

// No subject line when subject is empty.
std::string SshKeyText(SshKeyTextKind kind, ByteSpan bytes, std::string_view subject);

// A key read back from a key file: the name it is stored under and its bytes (a public key
// blob or a protected record).
struct ImportedSshKey {
  std::string subject;
  Bytes bytes;
};

// The framed text form of the kind: begin and end lines, a "Subject:" header (required), an
// optional "Comments:" header (a quoted value may hold backslash escapes) and the Base64 body.
// Nothing when any part is missing or malformed.
std::optional<ImportedSshKey> ImportSshKeyText(std::string_view text, SshKeyTextKind kind);
// The one-line SSH1 public key "bits exponent modulus comment" (bits 512 to 1024, the modulus
// of exactly that size); the bytes are the key store's host-key blob.
std::optional<ImportedSshKey> ImportSsh1PublicKey(std::string_view text);

// OpenSSH's one-line public key, "type base64 comment" (no comment part when it is empty), the
// type read from the blob; empty when the blob does not start with a key type.
std::string OpenSshPublicLine(ByteSpan blob, std::string_view comment);

// Characters outside the Base64 alphabet are skipped.
Bytes DecodeBase64(std::string_view text);
std::string EncodeBase64(ByteSpan bytes);

}  // namespace ostrane
