// The text form of keys shown in dialogs and written to key files: a begin line, an optional
// "Subject:" line, the key bytes in Base64 cut into lines of 70, and an end line, each ending
// with CR LF.
#pragma once

#include <string>
#include <string_view>

#include "ssh/ssh_wire.h"

namespace ostrane {

enum class SshKeyTextKind { kSsh2PublicKey, kSsh2PrivateRecord };

// No subject line when subject is empty.
std::string SshKeyText(SshKeyTextKind kind, ByteSpan bytes, std::string_view subject);

Bytes DecodeBase64(std::string_view text);
std::string EncodeBase64(ByteSpan bytes);

}  // namespace ostrane
