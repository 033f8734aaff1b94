// Drives the SSH1 packet reader (plain and under triple DES) and the SSH1 protocol machine from
// the identification on with arbitrary server bytes, in the piece sizes a socket might give.
// Host keys are accepted, so the server's RSA keys reach the session-key encryption. Nothing
// may crash or touch memory outside its buffers; bad input ends in a protocol error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ssh/ssh1_packet.h"
#include "ssh/ssh1_protocol.h"
#include "ssh/ssh_key_store.h"
#include "ssh_fuzz_support.h"

namespace {

using namespace ostrane;
using namespace ostrane::fuzz;

void FuzzReader(const uint8_t* data, size_t size) {
  const Bytes key(32, 0x5a);
  CSsh1PacketReader reader;
  if (data[0] & 0x80) reader.SetCipher(std::make_unique<CSsh1TripleDes>(key, false));
  FeedReaderInPieces(reader, data, size, kSsh1MaxPacket,
                     [](const CSsh1PacketReader& r) { return r.Data().size(); });
}

void FuzzProtocol(const uint8_t* data, size_t size) {
  CFuzzHost host;
  CFuzzQuestions questions;
  CSshKeyStore keys("/nonexistent/ssh1-keys", SshVersion::k1);
  CSsh1Protocol protocol(host, &questions, keys, FuzzOptions());
  FeedProtocolInPieces(protocol, data, size);
  // Once the session key is out every packet is encrypted under a key the input cannot know.
  if (protocol.ShellRunning()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return RunSshFuzzInput(data, size, &FuzzProtocol, &FuzzReader);
}
