#include "ssh/ssh_password_protection.h"

#include <cryptopp/des.h>
#include <cryptopp/modes.h>

#include <atomic>
#include <cstdint>

#include "ssh/ssh_wire.h"

namespace ostrane {

namespace {

// The program's own key: passwords protected by one build are read back by builds with the same.
constexpr uint8_t kProtectionKey[24] = {0x4f, 0x73, 0x74, 0x72, 0x61, 0x6e, 0x65, 0x21,
                                        0x9c, 0x31, 0x5e, 0xa7, 0x08, 0xd2, 0x6b, 0xf4,
                                        0x27, 0xe3, 0x90, 0x4a, 0xb5, 0x1c, 0x76, 0x58};
constexpr uint8_t kZeroIv[8] = {};
constexpr size_t kCounterSize = 4;
constexpr size_t kMinBuffer = 16;

// Makes equal passwords protect to different texts.
std::atomic<uint32_t> g_counter{1};

}  // namespace

std::string ProtectPassword(const std::string& password) {
  if (password.empty()) return {};
  size_t size = (password.size() + kCounterSize + 1 + 7) / 8 * 8;
  if ((password.size() + kCounterSize + 1) % 8 == 0) size += 8;
  if (size < kMinBuffer) size = kMinBuffer;
  Bytes buffer(size, 0);
  const uint32_t counter = g_counter.fetch_add(1);
  for (size_t i = 0; i < kCounterSize; ++i)
    buffer[i] = static_cast<uint8_t>(counter >> (8 * (kCounterSize - 1 - i)));
  std::copy(password.begin(), password.end(), buffer.begin() + kCounterSize);
  CryptoPP::CBC_Mode<CryptoPP::DES_EDE3>::Encryption cipher(kProtectionKey, sizeof kProtectionKey,
                                                            kZeroIv);
  cipher.ProcessData(buffer.data(), buffer.data(), buffer.size());
  std::string text;
  for (uint8_t b : buffer) {
    text += static_cast<char>('A' + (b >> 4));
    text += static_cast<char>('A' + (b & 15));
  }
  WipeBytes(buffer);
  return text;
}

std::string UnprotectPassword(const std::string& text) {
  if (text.empty() || text.size() % 16 != 0) return {};
  Bytes buffer(text.size() / 2);
  for (size_t i = 0; i < buffer.size(); ++i) {
    const int high = text[2 * i] - 'A';
    const int low = text[2 * i + 1] - 'A';
    if (high < 0 || high > 15 || low < 0 || low > 15) return {};
    buffer[i] = static_cast<uint8_t>(high << 4 | low);
  }
  CryptoPP::CBC_Mode<CryptoPP::DES_EDE3>::Decryption cipher(kProtectionKey, sizeof kProtectionKey,
                                                            kZeroIv);
  cipher.ProcessData(buffer.data(), buffer.data(), buffer.size());
  std::string password;
  for (size_t i = kCounterSize; i < buffer.size() && buffer[i] != 0; ++i)
    password += static_cast<char>(buffer[i]);
  WipeBytes(buffer);
  return password;
}

}  // namespace ostrane
