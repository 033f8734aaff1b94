// The SHA-256 of a file's bytes in hex, to compare a transferred file with its source.
#pragma once

#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/sha.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace ostrane::test {

// "missing PATH" for a file that cannot be read, so that two missing files never compare equal
// to a real digest.
inline std::string FileSha256(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "missing " + path.string();
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string digest(CryptoPP::SHA256::DIGESTSIZE, '\0');
  CryptoPP::SHA256().CalculateDigest(reinterpret_cast<CryptoPP::byte*>(digest.data()),
                                     reinterpret_cast<const CryptoPP::byte*>(data.data()),
                                     data.size());
  std::string hex;
  CryptoPP::StringSource(digest, true, new CryptoPP::HexEncoder(new CryptoPP::StringSink(hex)));
  return hex;
}

}  // namespace ostrane::test
