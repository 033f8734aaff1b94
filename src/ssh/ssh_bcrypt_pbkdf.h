// bcrypt_pbkdf: the key derivation of OpenSSH's private-key files — SHA-512 of the passphrase
// and of the salt with a counter, each pair hashed by bcrypt's expensive Blowfish key schedule
// the given number of rounds, the results interleaved into the key.
#pragma once

#include <cstdint>
#include <string_view>

#include "ssh/ssh_wire.h"

namespace ostrane {

// Rounds a key file may ask for: beyond this a hostile file could hold the thread for hours.
inline constexpr uint32_t kMaxBcryptRounds = 1024;

// Nothing is derived (an empty result) for rounds of 0 or an empty salt.
Bytes BcryptPbkdf(std::string_view passphrase, ByteSpan salt, uint32_t rounds, size_t keyLength);

}  // namespace ostrane
