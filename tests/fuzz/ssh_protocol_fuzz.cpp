// Drives the SSH2 packet reader under every cipher and the protocol machine from the version
// exchange on with arbitrary server bytes, in the piece sizes a socket might give. Nothing may
// crash or touch memory outside its buffers; bad input ends in a protocol error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ssh/ssh2_protocol.h"
#include "ssh/ssh_key_store.h"
#include "ssh/ssh_packet_reader.h"
#include "ssh_fuzz_support.h"

namespace {

using namespace ostrane;
using namespace ostrane::fuzz;

void FuzzReader(const uint8_t* data, size_t size) {
  const auto ciphers = SshCiphers();
  const auto macs = SshMacs();
  const SshCipherInfo& cipher = ciphers[data[0] % ciphers.size()];
  const SshMacInfo& mac = macs[data[0] / ciphers.size() % macs.size()];
  const Bytes key(64, 0x11), iv(16, 0x22), macKey(64, 0x33);
  CSshPacketReader reader;
  if (data[0] & 0x80) reader.SetCipher(MakeSshPacketCipher(cipher, &mac, false, key, iv, macKey));
  FeedReaderInPieces(reader, data, size, kSshMaxPacket,
                     [](const CSshPacketReader& r) { return r.Payload().size(); });
}

void FuzzProtocol(const uint8_t* data, size_t size) {
  CFuzzHost host;
  CSshKeyStore keys("/nonexistent/ssh2-keys");
  // Without questions no host key can be accepted.
  CSsh2Protocol protocol(host, nullptr, keys, FuzzOptions());
  FeedProtocolInPieces(protocol, data, size);
  // No session can start without a verified host key.
  if (host.delivered != 0 || protocol.ShellRunning()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return RunSshFuzzInput(data, size, &FuzzProtocol, &FuzzReader);
}
