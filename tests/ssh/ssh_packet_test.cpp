// The SSH encodings and the packet layer: every cipher and MAC round trip through writer and
// reader in arbitrary pieces, and damaged or oversized packets are refused with their errors.
#include <cryptopp/nbtheory.h>
#include <gtest/gtest.h>

#include <string>

#include "ssh/ssh_error.h"
#include "ssh/ssh_kex.h"
#include "ssh/ssh_packet_reader.h"
#include "ssh/ssh_packet_writer.h"
#include "ssh/ssh_wire.h"

namespace ostrane {
namespace {

Bytes Mpint(const char* hex) {
  Bytes out;
  CSshWriter(out).Mpint(CryptoPP::Integer(hex));
  return out;
}

// RFC 4251 section 5 examples.
TEST(SshWire, MpintEncodingsOfRfc4251) {
  EXPECT_EQ(Mpint("0"), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(Mpint("0x9a378f9b2e332a7"),
            (Bytes{0, 0, 0, 8, 0x09, 0xa3, 0x78, 0xf9, 0xb2, 0xe3, 0x32, 0xa7}));
  EXPECT_EQ(Mpint("0x80"), (Bytes{0, 0, 0, 2, 0x00, 0x80}));
  Bytes fromBytes;
  const uint8_t padded[] = {0, 0, 0x7f};
  CSshWriter(fromBytes).MpintUnsigned(padded);
  EXPECT_EQ(fromBytes, (Bytes{0, 0, 0, 1, 0x7f}));
}

TEST(SshWire, ReaderRefusesEveryFieldPastTheEnd) {
  const Bytes shortString{0, 0, 0, 5, 'a', 'b'};
  EXPECT_THROW(CSshReader(shortString).String(), CSshError);
  const Bytes hugeLength{0xff, 0xff, 0xff, 0xff, 'a'};
  EXPECT_THROW(CSshReader(hugeLength).String(), CSshError);
  const Bytes three{1, 2, 3};
  EXPECT_THROW(CSshReader(three).Uint32(), CSshError);
  const Bytes negative{0, 0, 0, 1, 0x80};
  EXPECT_THROW(CSshReader(negative).Mpint(), CSshError);
  CSshReader empty(nullptr, 0);
  EXPECT_THROW(empty.Byte(), CSshError);
  EXPECT_TRUE(NameListContains("a,bb,c", "bb"));
  EXPECT_FALSE(NameListContains("a,bbb,c", "bb"));
  EXPECT_FALSE(NameListContains("", "a"));
}

// The fixed groups are the published safe primes.
TEST(SshKex, DiffieHellmanGroupsUseSafePrimes) {
  for (const char* name : {"diffie-hellman-group1-sha1", "diffie-hellman-group14-sha256"}) {
    auto exchange = FindSshKex(name)->make();
    Bytes e;
    CSshWriter w(e);
    exchange->WriteClientValue(w);
    // A server value of 1 would make the secret known; it is refused.
    const Bytes one{0, 0, 0, 1, 1};
    CSshReader in(one);
    Bytes hash;
    CSshWriter h(hash);
    try {
      exchange->ReadServerValue(in, h);
      ADD_FAILURE() << name << " accepted f = 1";
    } catch (const CSshError& error) {
      EXPECT_EQ(error.Code(), SshError::kKeyExchange);
    }
  }
  EXPECT_EQ(FindSshKex("diffie-hellman-group1-sha1")->hash, SshHash::kSha1);
}

TEST(SshKex, DerivedKeysExtendByHashingWhatCameBefore) {
  const Bytes k{0, 0, 0, 1, 5}, h(20, 7), id(20, 9);
  const Bytes a = DeriveSshKey(SshHash::kSha1, k, h, 'A', id, 40);
  ASSERT_GE(a.size(), 40u);
  const uint8_t letter = 'A';
  const Bytes first = SshDigest(SshHash::kSha1, {k, h, ByteSpan(&letter, 1), id});
  const Bytes second = SshDigest(SshHash::kSha1, {k, h, first});
  EXPECT_TRUE(std::equal(first.begin(), first.end(), a.begin()));
  EXPECT_TRUE(std::equal(second.begin(), second.end(), a.begin() + 20));
}

struct Suite {
  const char* cipher;
  const char* mac;
};

class PacketRoundTrip : public ::testing::TestWithParam<Suite> {
 protected:
  void Install(CSshPacketWriter& writer, CSshPacketReader& reader, size_t macKeySize = 0) {
    const SshCipherInfo* c = FindSshCipher(GetParam().cipher);
    const SshMacInfo* m = GetParam().mac[0] ? FindSshMac(GetParam().mac) : nullptr;
    ASSERT_NE(c, nullptr);
    Bytes key(64), iv(16), macKey(macKeySize ? macKeySize : 64);
    for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(i * 7 + 1);
    for (size_t i = 0; i < iv.size(); ++i) iv[i] = static_cast<uint8_t>(i * 3 + 2);
    for (size_t i = 0; i < macKey.size(); ++i) macKey[i] = static_cast<uint8_t>(i + 5);
    writer.SetCipher(MakeSshPacketCipher(*c, m, true, key, iv, macKey));
    reader.SetCipher(MakeSshPacketCipher(*c, m, false, key, iv, macKey));
  }
};

// Payloads of many sizes, fed in pieces of every size from 1 byte on, come out unchanged, with
// the sequence numbers counting on.
TEST_P(PacketRoundTrip, PayloadsSurviveInAnyPieces) {
  CSshPacketWriter writer;
  CSshPacketReader reader;
  Install(writer, reader);
  for (size_t size : {1u, 2u, 11u, 12u, 15u, 16u, 17u, 100u, 1000u, 32768u}) {
    Bytes payload(size);
    for (size_t i = 0; i < size; ++i) payload[i] = static_cast<uint8_t>(i ^ size);
    for (size_t piece : {size_t{1}, size_t{3}, size_t{17}, size_t{100000}}) {
      if (piece < 100 && size > 1000) continue;
      Bytes wire;
      writer.Frame(payload, wire);
      size_t at = 0;
      while (at < wire.size() && !reader.Complete())
        at += reader.Feed(wire.data() + at, std::min(piece, wire.size() - at));
      ASSERT_TRUE(reader.Complete()) << size << " " << piece;
      EXPECT_EQ(at, wire.size());
      const ByteSpan got = reader.Payload();
      EXPECT_TRUE(std::equal(got.begin(), got.end(), payload.begin(), payload.end())) << size;
      reader.Next();
    }
  }
  EXPECT_EQ(reader.Sequence(), writer.Sequence());
}

TEST_P(PacketRoundTrip, AnyChangedByteIsAMacFailure) {
  const Bytes payload(40, 'p');
  for (size_t flip : {0u, 5u, 20u, 47u, 60u}) {
    CSshPacketWriter writer;
    CSshPacketReader reader;
    Install(writer, reader);
    Bytes wire;
    writer.Frame(payload, wire);
    ASSERT_LT(flip, wire.size());
    wire[flip] ^= 0x01;
    try {
      reader.Feed(wire.data(), wire.size());
      // A changed length may leave the packet incomplete or misaligned instead.
      EXPECT_FALSE(reader.Complete()) << flip;
    } catch (const CSshError& e) {
      EXPECT_TRUE(e.Code() == SshError::kBadMac || e.Code() == SshError::kUnexpected) << flip;
      if (flip >= 20) {
        EXPECT_EQ(e.Code(), SshError::kBadMac) << flip;
      }
    }
  }
}

const Suite kSuites[] = {
    {"chacha20-poly1305@openssh.com", ""},
    {"aes256-gcm@openssh.com", ""},
    {"aes128-gcm@openssh.com", ""},
    {"aes256-ctr", "hmac-sha2-256-etm@openssh.com"},
    {"aes128-ctr", "hmac-sha2-512-etm@openssh.com"},
    {"aes128-ctr", "hmac-sha2-256"},
    {"aes256-ctr", "hmac-sha2-512"},
    {"3des-cbc", "hmac-sha1"},
    {"aes128-cbc", "hmac-sha1"},
    {"aes256-cbc", "hmac-sha1"},
};

INSTANTIATE_TEST_SUITE_P(Each, PacketRoundTrip, ::testing::ValuesIn(kSuites),
                         [](const auto& instance) {
                           std::string n =
                               std::string(instance.param.cipher) + "_" + instance.param.mac;
                           for (char& ch : n)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

Bytes PlainPacket(uint32_t packetLength, uint8_t padding) {
  Bytes wire{static_cast<uint8_t>(packetLength >> 24), static_cast<uint8_t>(packetLength >> 16),
             static_cast<uint8_t>(packetLength >> 8), static_cast<uint8_t>(packetLength), padding};
  return wire;
}

TEST(PacketReader, OversizedAndMalformedLengthsAreProtocolErrors) {
  for (uint32_t length : {0u, 4u, 35000u, 0x7fffffffu, 0xffffffffu}) {
    CSshPacketReader reader;
    const Bytes wire = PlainPacket(length, 4);
    try {
      reader.Feed(wire.data(), wire.size());
      ADD_FAILURE() << length;
    } catch (const CSshError& e) {
      EXPECT_EQ(e.Code(), SshError::kUnexpected) << length;
    }
  }
  // The largest packet the buffer takes is accepted.
  CSshReader none(nullptr, 0);
  CSshPacketReader reader;
  Bytes big = PlainPacket(34996, 4);
  big.resize(35000, 'x');
  EXPECT_EQ(reader.Feed(big.data(), big.size()), big.size());
  EXPECT_TRUE(reader.Complete());
  EXPECT_EQ(reader.Payload().size(), 34996u - 5);
  // Padding that leaves no message type.
  CSshPacketReader padded;
  Bytes wire = PlainPacket(8, 7);
  wire.resize(12, 0);
  EXPECT_THROW(padded.Feed(wire.data(), wire.size()), CSshError);
}

TEST(PacketWriter, PaddingFillsTheBlockWithAtLeastFourBytes) {
  CSshPacketWriter writer;
  for (size_t size = 1; size < 40; ++size) {
    Bytes wire;
    writer.Frame(Bytes(size, 'a'), wire);
    const size_t padding = wire[4];
    EXPECT_GE(padding, 4u);
    EXPECT_LT(padding, 4u + 8u);
    EXPECT_EQ(wire.size() % 8, 0u) << size;
    EXPECT_EQ(wire.size(), 5 + size + padding);
  }
  EXPECT_EQ(writer.Sequence(), 39u);
}

}  // namespace
}  // namespace ostrane
