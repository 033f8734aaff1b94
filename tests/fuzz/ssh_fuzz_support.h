// What the SSH fuzz targets share: a transport double that counts what the machine sends and
// delivers, questions that say yes to everything they can, and the loops that feed a packet
// reader or a protocol machine the fuzz input in the piece sizes a socket might give.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "ssh/ssh_error.h"
#include "ssh/ssh_protocol_base.h"
#include "ssh/ssh_questions.h"

namespace ostrane::fuzz {

class CFuzzHost : public ISshProtocolHost {
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

// Accepts every host key and logs in with a password; refuses everything else.
class CFuzzQuestions : public ISshQuestions {
 public:
  MessageAnswer AskMessage(const MessageQuestion&) override { return MessageAnswer::kOk; }
  std::optional<std::string> ChooseFile(const FileQuestion&) override { return std::nullopt; }
  std::optional<SshAuthorizationAnswer> AskAuthorization(const std::string&, int,
                                                         const std::string&, SshKeyFiles) override {
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

// The options of every fuzzed connection.
inline SshOptions FuzzOptions() {
  SshOptions options;
  options.host = "fuzz";
  options.terminal = "vt220";
  return options;
}

// data[1] picks the piece size; the server's bytes follow it. Every complete packet must stay
// within maxPacket (payloadOf gives its size) and bad input may only end in a protocol error.
template <class Reader, class PayloadSize>
void FeedReaderInPieces(Reader& reader, const uint8_t* data, size_t size, size_t maxPacket,
                        PayloadSize payloadOf) {
  const size_t piece = 1 + data[1] % 97;
  data += 2;
  size -= 2;
  try {
    size_t at = 0;
    while (at < size) {
      at += reader.Feed(data + at, std::min(piece, size - at));
      if (reader.Complete()) {
        if (payloadOf(reader) > maxPacket) std::abort();
        reader.Next();
      }
    }
  } catch (const CSshError&) {
  }
}

// data[1] picks the piece size; the server's bytes follow it, fed until the machine ends.
inline void FeedProtocolInPieces(CSshProtocolBase& protocol, const uint8_t* data, size_t size) {
  const size_t piece = 1 + data[1] % 251;
  data += 2;
  size -= 2;
  for (size_t at = 0; at < size; at += piece)
    if (!protocol.Feed(data + at, std::min(piece, size - at))) break;
}

// The first byte 0xff fuzzes the protocol machine, any other the packet reader; both need the
// two leading bytes.
inline int RunSshFuzzInput(const uint8_t* data, size_t size,
                           void (*fuzzProtocol)(const uint8_t*, size_t),
                           void (*fuzzReader)(const uint8_t*, size_t)) {
  if (size < 2) return 0;
  if (data[0] == 0xff)
    fuzzProtocol(data, size);
  else
    fuzzReader(data, size);
  return 0;
}

}  // namespace ostrane::fuzz
