// Capacities of the SSH code, each protecting one buffer that the server or a stored file fills.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrane {

// Largest packet (length field, padding length, payload, padding) taken from the server. Every
// SSH implementation must take payloads of 32768 bytes; 35000 leaves room for their framing.
inline constexpr size_t kSshMaxPacket = 35000;
// Largest MAC or authentication tag.
inline constexpr size_t kSshMaxTag = 64;
// Identification line, CR LF included; longer lines are cut to this.
inline constexpr size_t kSshVersionLine = 256;
// Receive window granted to the server for the session channel, and the refill threshold.
inline constexpr uint32_t kSshLocalWindow = 2u * 1024 * 1024;
inline constexpr uint32_t kSshWindowRefill = kSshLocalWindow / 2;
// Largest CHANNEL_DATA contents the server may send in one packet.
inline constexpr uint32_t kSshLocalMaxPacket = 32768;
// Largest CHANNEL_DATA contents sent in one packet, whatever the server allows.
inline constexpr uint32_t kSshSendChunk = 32768;
// Bytes of typed data held back while the server's window is closed or keys are changing.
inline constexpr size_t kSshMaxHeldSend = 16u * 1024 * 1024;
// Bytes received per socket read.
inline constexpr size_t kSshReadSize = 32768;
// Keyboard-interactive prompts per request.
inline constexpr uint32_t kSshMaxPrompts = 64;
// Stored values read back from the key store: host key blobs and protected user-key records.
inline constexpr size_t kSshMaxHostKeyBlob = 4096;
inline constexpr size_t kSshMaxUserKeyRecord = 1024;
// Wrong key passwords tolerated after the first before the connection is given up.
inline constexpr int kSshKeyPasswordRetries = 4;

}  // namespace ostrane

// Version 1.5: largest packet length (type, data and CRC) taken from the server; the protocol's
// own limit is 256 KiB.
inline constexpr size_t kSsh1MaxPacket = 256u * 1024;
// Smallest packet length: a type byte and the CRC.
inline constexpr size_t kSsh1MinPacket = 5;
// Largest data sent in one packet (a paste is split into packets of this size).
inline constexpr size_t kSsh1MaxData = 16u * 1024;
// Typed bytes held until the shell runs; more is dropped.
inline constexpr size_t kSsh1MaxHeldInput = 64u * 1024;
// Lines the server may send before its identification line; more ends the connection.
inline constexpr size_t kSsh1MaxPreBannerLines = 64;
// An OpenSSH private-key file: a few kilobytes even for large RSA keys.
inline constexpr size_t kSshMaxKeyFile = 64u * 1024;
