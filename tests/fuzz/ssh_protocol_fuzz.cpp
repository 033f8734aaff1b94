// Drives the SSH2 packet reader under every cipher and the protocol machine from the version
// exchange on with arbitrary server bytes, in the piece sizes a socket might give. Nothing may
// crash or touch memory outside its buffers; bad input ends in a protocol error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ssh/ssh2_protocol.h"
#include "ssh/ssh_error.h"
#include "ssh/ssh_key_store.h"
#include "ssh/ssh_packet_reader.h"

namespace {

using namespace ostrane;

class CFuzzHost : public ISsh2Host {
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

void FuzzReader(const uint8_t* data, size_t size) {
  const auto ciphers = SshCiphers();
  const auto macs = SshMacs();
  const SshCipherInfo& cipher = ciphers[data[0] % ciphers.size()];
  const SshMacInfo& mac = macs[data[0] / ciphers.size() % macs.size()];
  const Bytes key(64, 0x11), iv(16, 0x22), macKey(64, 0x33);
  CSshPacketReader reader;
  if (data[0] & 0x80) reader.SetCipher(MakeSshPacketCipher(cipher, &mac, false, key, iv, macKey));
  const size_t piece = 1 + data[1] % 97;
  data += 2;
  size -= 2;
  try {
    size_t at = 0;
    while (at < size) {
      at += reader.Feed(data + at, std::min(piece, size - at));
      if (reader.Complete()) {
        if (reader.Payload().size() > kSshMaxPacket) std::abort();
        reader.Next();
      }
    }
  } catch (const CSshError&) {
  }
}

void FuzzProtocol(const uint8_t* data, size_t size) {
  CFuzzHost host;
  CSshKeyStore keys("/nonexistent/ssh2-keys");
  Ssh2Options options;
  options.host = "fuzz";
  options.terminal = "vt220";
  CSsh2Protocol protocol(host, nullptr, keys, options);
  const size_t piece = 1 + data[1] % 251;
  data += 2;
  size -= 2;
  for (size_t at = 0; at < size; at += piece)
    if (!protocol.Feed(data + at, std::min(piece, size - at))) break;
  // No session can start without a verified host key.
  if (host.delivered != 0 || protocol.ShellRunning()) std::abort();
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
