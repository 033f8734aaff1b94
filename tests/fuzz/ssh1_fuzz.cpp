// Drives the SSH1 packet reader (plain and under triple DES) and the SSH1 protocol machine from
// the identification on with arbitrary server bytes, in the piece sizes a socket might give.
// Host keys are accepted, so the server's RSA keys reach the session-key encryption. Nothing
// may crash or touch memory outside its buffers; bad input ends in a protocol error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ssh/ssh1_packet.h"
#include "ssh/ssh1_protocol.h"
#include "ssh/ssh_error.h"
#include "ssh/ssh_key_store.h"

namespace {

using namespace ostrane;

class CFuzzHost : public ISsh1Host {
 public:
  bool SendToServer(const uint8_t*, size_t length) override {
    sent += length;
    return true;
  }
  void DeliverData(const uint8_t*, size_t length) override { delivered += length; }
  void ReadCredentials(std::string& user, std::string& password) override {
    user = "fuzz";
    password.clear();
  }
  void WriteCredentials(const std::string*, const std::string*) override {}
  size_t sent = 0;
  size_t delivered = 0;
};

class CFuzzQuestions : public ISshQuestions {
 public:
  MessageAnswer AskMessage(const MessageQuestion&) override { return MessageAnswer::kOk; }
  std::optional<std::string> ChooseFile(const FileQuestion&) override { return std::nullopt; }
  std::optional<SshAuthorizationAnswer> AskAuthorization(const std::string&,
                                                         const std::string&) override {
    return SshAuthorizationAnswer{"fuzz", false, "pw", false, {}};
  }
  std::optional<SshPasswordChangeAnswer> AskPasswordChange(const std::string&, const std::string&,
                                                           bool) override {
    return std::nullopt;
  }
  bool AskNewHostKey(const SshHostKeyQuestion&) override { return true; }
  std::optional<std::string> AskKeyPassword(const std::string&, bool) override {
    return std::nullopt;
  }
  std::optional<std::string> AskKeyCreation(const std::string&) override { return std::nullopt; }
  std::optional<std::vector<std::string>> AskKeyboardInteractive(
      const SshKeyboardQuestion&) override {
    return std::nullopt;
  }
};

void FuzzReader(const uint8_t* data, size_t size) {
  const Bytes key(32, 0x5a);
  CSsh1PacketReader reader;
  if (data[0] & 0x80) reader.SetCipher(std::make_unique<CSsh1TripleDes>(key, false));
  const size_t piece = 1 + data[1] % 97;
  data += 2;
  size -= 2;
  try {
    size_t at = 0;
    while (at < size) {
      at += reader.Feed(data + at, std::min(piece, size - at));
      if (reader.Complete()) {
        if (reader.Data().size() > kSsh1MaxPacket) std::abort();
        reader.Next();
      }
    }
  } catch (const CSshError&) {
  }
}

void FuzzProtocol(const uint8_t* data, size_t size) {
  CFuzzHost host;
  CFuzzQuestions questions;
  CSshKeyStore keys("/nonexistent/ssh1-keys", SshVersion::k1);
  Ssh1Options options;
  options.host = "fuzz";
  options.terminal = "vt220";
  CSsh1Protocol protocol(host, &questions, keys, options);
  const size_t piece = 1 + data[1] % 251;
  data += 2;
  size -= 2;
  for (size_t at = 0; at < size; at += piece)
    if (!protocol.Feed(data + at, std::min(piece, size - at))) break;
  // Once the session key is out every packet is encrypted under a key the input cannot know.
  if (protocol.ShellRunning()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  if (data[0] == 0xff)
    FuzzProtocol(data, size);
  else
    FuzzReader(data, size);
  return 0;
}
