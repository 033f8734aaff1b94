// Feeds arbitrary text to every key-file importer: the framed key texts of each kind and the
// one-line SSH1 public key. Nothing may crash or read outside the text; what is accepted must
// have a subject and bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ssh/ssh_key_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ostrane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (SshKeyTextKind kind : {SshKeyTextKind::kSsh2PublicKey, SshKeyTextKind::kSsh2PrivateRecord,
                              SshKeyTextKind::kSsh1PrivateRecord}) {
    const auto key = ImportSshKeyText(text, kind);
    if (key && key->bytes.empty()) std::abort();
  }
  if (const auto key = ImportSsh1PublicKey(text); key && key->bytes.empty()) std::abort();
  return 0;
}
