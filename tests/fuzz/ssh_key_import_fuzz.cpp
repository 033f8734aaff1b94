// Feeds arbitrary text to every key-file importer: the framed key texts of each kind, the
// one-line SSH1 public key and OpenSSH private-key files (without a passphrase, so protected
// files stop before their slow key derivation). Nothing may crash or read outside the text; what is
// accepted must have a subject and bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ssh/ssh_key_text.h"
#include "ssh/ssh_user_key.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ostrane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (SshKeyTextKind kind : {SshKeyTextKind::kSsh2PublicKey, SshKeyTextKind::kSsh2PrivateRecord,
                              SshKeyTextKind::kSsh1PrivateRecord}) {
    const auto key = ImportSshKeyText(text, kind);
    if (key && key->bytes.empty()) std::abort();
  }
  if (const auto key = ImportSsh1PublicKey(text); key && key->bytes.empty()) std::abort();
  SshKeyFileError error = SshKeyFileError::kNone;
  if (const auto key = CSshUserKey::FromOpenSshFile(text, "", error);
      key.has_value() != (error == SshKeyFileError::kNone))
    std::abort();
  return 0;
}
