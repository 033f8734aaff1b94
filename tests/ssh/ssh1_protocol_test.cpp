// The SSH1 client machine against a server played in memory by the test: the packet layer,
// what goes out before the session is up, the RSA key checks, the challenge answer and the
// host-key rules.
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include "ssh/ssh1_protocol.h"

#include <cryptopp/md5.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "ssh/ssh1_packet.h"
#include "ssh/ssh1_rsa_key.h"
#include "ssh/ssh_error.h"
#include "ssh/ssh_key_store.h"
#include "ssh/ssh_password_protection.h"
#include "ssh_test_support.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

using namespace ssh1;

TEST(Ssh1Packet, CrcIsTheUninvertedIso3309Crc) {
  EXPECT_EQ(Ssh1Crc32(AsBytes("123456789")), 0x2dfd2d88u);
  EXPECT_EQ(Ssh1Crc32({}), 0u);
}

// Every length a packet can have, encrypted, read back whole and byte by byte.
TEST(Ssh1Packet, EncryptedPacketsRoundTripInAnyPieces) {
  Bytes key(32);
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(i * 7 + 1);
  CSsh1PacketWriter writer;
  CSsh1PacketReader reader;
  writer.SetCipher(std::make_unique<CSsh1TripleDes>(key, true));
  reader.SetCipher(std::make_unique<CSsh1TripleDes>(key, false));
  std::mt19937 random(7);
  for (size_t size = 0; size < 40; ++size) {
    Bytes data(size, static_cast<uint8_t>(size));
    Bytes wire;
    writer.Frame(SSH_CMSG_STDIN_DATA, data, wire);
    ASSERT_EQ((wire.size() - 4) % 8, 0u);
    size_t at = 0;
    while (at < wire.size()) {
      const size_t piece = 1 + random() % 9;
      at += reader.Feed(wire.data() + at, std::min(piece, wire.size() - at));
      if (at < wire.size()) {
        ASSERT_FALSE(reader.Complete());
      }
    }
    ASSERT_TRUE(reader.Complete());
    EXPECT_EQ(reader.Type(), SSH_CMSG_STDIN_DATA);
    EXPECT_EQ(Bytes(reader.Data().begin(), reader.Data().end()), data);
    reader.Next();
  }
}

TEST(Ssh1Packet, LengthsOutsideTheLimitsAndWrongCrcAreRefused) {
  auto error = [](const Bytes& wire) {
    CSsh1PacketReader reader;
    try {
      reader.Feed(wire.data(), wire.size());
    } catch (const CSshError& e) {
      return static_cast<int>(e.Code());
    }
    return -1;
  };
  EXPECT_EQ(error({0, 0, 0, 4}), static_cast<int>(SshError::kUnexpected));
  EXPECT_EQ(error({0, 4, 0, 1}), static_cast<int>(SshError::kUnexpected));
  EXPECT_EQ(error({0xff, 0xff, 0xff, 0xff}), static_cast<int>(SshError::kUnexpected));
  Bytes wire;
  CSsh1PacketWriter().Frame(SSH_SMSG_SUCCESS, {}, wire);
  EXPECT_EQ(error(wire), -1);
  wire.back() ^= 1;
  EXPECT_EQ(error(wire), static_cast<int>(SshError::kBadMac));
}

// The server's keys, made once: generating RSA keys is slow under the sanitizers.
struct ServerKeys {
  CSsh1RsaKey server = CSsh1RsaKey::Generate(768);
  CSsh1RsaKey host = CSsh1RsaKey::Generate(1024);
};
const ServerKeys& Keys() {
  static const ServerKeys keys;
  return keys;
}

Bytes Md5(ByteSpan a, ByteSpan b) {
  CryptoPP::Weak::MD5 md5;
  md5.Update(a.data(), a.size());
  md5.Update(b.data(), b.size());
  Bytes out(16);
  md5.Final(out.data());
  return out;
}

Bytes Unsigned(const CryptoPP::Integer& v) {
  Bytes out(v.MinEncodedSize());
  v.Encode(out.data(), out.size());
  return out;
}

// The client's side (the machine under test, with its host double) and the server's side,
// played by the test packet by packet.
class Ssh1Protocol : public ::testing::Test, public ISshProtocolHost {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.Made());
    questions_.acceptHostKey = true;
  }

  bool SendToServer(const uint8_t* data, size_t length) override {
    sent_.insert(sent_.end(), data, data + length);
    return true;
  }
  void DeliverData(const uint8_t* data, size_t length) override {
    delivered_.append(reinterpret_cast<const char*>(data), length);
  }
  void ReadCredentials(std::string& user, std::string& password) override {
    const SshCredentials c = credentials_.LoadCredentials();
    user = c.user;
    password = c.protectedPassword;
  }
  void WriteCredentials(const std::string* user, const std::string* password) override {
    credentials_.StoreCredentials(user, password);
  }

  // Bob's stored key pair, and a login that chose it up to the point where the server refuses
  // the user name alone.
  void StartKeyLogin(std::optional<CSsh1RsaKey>& user) {
    ASSERT_TRUE(store_.CreateUserKey("bob", "key pw", nullptr));
    const std::string keyPassword = "key pw";
    ASSERT_EQ(store_.LoadUserKey("bob", &keyPassword, nullptr, user),
              CSshKeyStore::LoadResult::kLoaded);
    questions_.user = "bob";
    questions_.usePublicKey = true;
    questions_.password = "key pw";
    Identify();
    ASSERT_TRUE(ExchangeKeys(Keys().server, Keys().host));
    ASSERT_TRUE(Send(SSH_SMSG_SUCCESS));
    ASSERT_EQ(Next().first, SSH_CMSG_USER);
    ASSERT_TRUE(Send(SSH_SMSG_FAILURE));
  }

  CSsh1Protocol& Client() {
    if (!client_) {
      SshOptions o;
      o.host = "ssh1.test";
      o.terminal = "vt420";
      client_ = std::make_unique<CSsh1Protocol>(*this, &questions_, store_, o);
    }
    return *client_;
  }
  bool Feed(std::string_view text) {
    return Client().Feed(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
  bool Send(uint8_t type, const Bytes& data = {}) {
    Bytes wire;
    serverWriter_.Frame(type, data, wire);
    return Client().Feed(wire.data(), wire.size());
  }
  // The next packet the client sent, past what was read before.
  std::pair<uint8_t, Bytes> Next() {
    while (read_ < sent_.size()) {
      read_ += serverReader_.Feed(sent_.data() + read_, sent_.size() - read_);
      if (serverReader_.Complete()) {
        std::pair<uint8_t, Bytes> p{
            serverReader_.Type(), Bytes(serverReader_.Data().begin(), serverReader_.Data().end())};
        serverReader_.Next();
        return p;
      }
    }
    return {0, {}};
  }
  // Identification exchange; the bytes sent first must be our line alone.
  void Identify() {
    ASSERT_TRUE(Feed("a banner line\r\nSSH-1.5-TestServer\r\n"));
    const std::string ident = "SSH-1.5-1.2.27 Secure Ostrane\n";
    ASSERT_GE(sent_.size(), ident.size());
    ASSERT_EQ(std::string(sent_.begin(), sent_.begin() + static_cast<long>(ident.size())), ident);
    read_ = ident.size();
  }
  Bytes PublicKeyPacket(const CSsh1RsaKey& server, const CSsh1RsaKey& host,
                        uint32_t ciphers = 1u << 3) {
    Bytes p;
    CSshWriter w(p);
    w.Raw(cookie_);
    w.Uint32(server.Bits());
    WriteSsh1Mpint(w, server.Exponent());
    WriteSsh1Mpint(w, server.Modulus());
    w.Uint32(host.Bits());
    WriteSsh1Mpint(w, host.Exponent());
    WriteSsh1Mpint(w, host.Modulus());
    w.Uint32(0);
    w.Uint32(ciphers);
    w.Uint32((1u << 2) | (1u << 3));
    return p;
  }
  // Key exchange with the given keys; true when the session key arrived and was switched to.
  bool ExchangeKeys(const CSsh1RsaKey& server, const CSsh1RsaKey& host) {
    if (!Send(SSH_SMSG_PUBLIC_KEY, PublicKeyPacket(server, host))) return false;
    auto [type, data] = Next();
    if (type != SSH_CMSG_SESSION_KEY) return false;
    CSshReader in(data);
    EXPECT_EQ(in.Byte(), 3);
    in.Raw(8);
    const CryptoPP::Integer outer = ReadSsh1Mpint(in);
    const auto inner = host.Decrypt(outer);
    const auto masked = server.Decrypt(CryptoPP::Integer(inner->data(), inner->size()));
    sessionId_ = [&] {
      CryptoPP::Weak::MD5 md5;
      const Bytes h = Unsigned(host.Modulus()), s = Unsigned(server.Modulus());
      md5.Update(h.data(), h.size());
      md5.Update(s.data(), s.size());
      md5.Update(cookie_.data(), cookie_.size());
      Bytes out(16);
      md5.Final(out.data());
      return out;
    }();
    Bytes key = *masked;
    EXPECT_EQ(key.size(), 32u);
    for (size_t i = 0; i < 16; ++i) key[i] ^= sessionId_[i];
    serverWriter_.SetCipher(std::make_unique<CSsh1TripleDes>(key, true));
    serverReader_.SetCipher(std::make_unique<CSsh1TripleDes>(key, false));
    return true;
  }
  // From the key exchange to the running shell, by the remembered password.
  void LogInByRememberedPassword() {
    const std::string name = "alice", pw = ProtectPassword("pw");
    credentials_.StoreCredentials(&name, &pw);
    Identify();
    ASSERT_TRUE(ExchangeKeys(Keys().server, Keys().host));
    ASSERT_TRUE(Send(SSH_SMSG_SUCCESS));
    auto [t1, user] = Next();
    ASSERT_EQ(t1, SSH_CMSG_USER);
    EXPECT_EQ(AsText(CSshReader(user).String()), "alice");
    ASSERT_TRUE(Send(SSH_SMSG_FAILURE));
    auto [t2, password] = Next();
    ASSERT_EQ(t2, SSH_CMSG_AUTH_PASSWORD);
    EXPECT_EQ(AsText(CSshReader(password).String()), "pw");
    ASSERT_TRUE(Send(SSH_SMSG_SUCCESS));
    auto [t3, pty] = Next();
    ASSERT_EQ(t3, SSH_CMSG_REQUEST_PTY);
    CSshReader p(pty);
    EXPECT_EQ(p.Text(), "vt420");
    EXPECT_EQ(p.Uint32(), 24u);
    EXPECT_EQ(p.Uint32(), 80u);
    ASSERT_TRUE(Send(SSH_SMSG_SUCCESS));
    ASSERT_EQ(Next().first, SSH_CMSG_EXEC_SHELL);
    ASSERT_TRUE(Client().ShellRunning());
  }

  test::CTempHome home_{"ostrane-ssh1proto"};
  CSshKeyStore store_{SshVersion::k1};
  test::CTestSshQuestions questions_;
  test::CTestCredentials credentials_;
  std::unique_ptr<CSsh1Protocol> client_;
  Bytes sent_;
  size_t read_ = 0;
  std::string delivered_;
  Bytes cookie_{1, 2, 3, 4, 5, 6, 7, 8};
  Bytes sessionId_;
  CSsh1PacketWriter serverWriter_;
  CSsh1PacketReader serverReader_;
};

// Typed bytes and keep-alives wait for the shell: the server's first byte from us is our
// identification, the typed bytes follow the shell request as data, and only then does a
// keep-alive go out, as one MSG_IGNORE "hello". The remembered login asks nothing.
TEST_F(Ssh1Protocol, NothingButTheLoginGoesOutBeforeTheShell) {
  const std::string typed = "typed early";
  Client().SendData(reinterpret_cast<const uint8_t*>(typed.data()), typed.size());
  Client().KeepAlive();
  EXPECT_TRUE(sent_.empty());
  LogInByRememberedPassword();
  EXPECT_TRUE(questions_.AuthorizationUsers().empty());
  auto [type, data] = Next();
  ASSERT_EQ(type, SSH_CMSG_STDIN_DATA);
  EXPECT_EQ(AsText(CSshReader(data).String()), typed);
  Client().KeepAlive();
  auto [ignore, hello] = Next();
  EXPECT_EQ(ignore, SSH_MSG_IGNORE);
  EXPECT_EQ(AsText(CSshReader(hello).String()), "hello");
  EXPECT_EQ(delivered_.find("Warning: SSH1 is an insecure protocol"), 0u);
}

TEST_F(Ssh1Protocol, PasteGoesOutInBoundedPacketsAndOutputAndExitArrive) {
  LogInByRememberedPassword();
  std::string paste(40000, 'x');
  for (size_t i = 0; i < paste.size(); ++i) paste[i] = static_cast<char>('a' + i % 26);
  Client().SendData(reinterpret_cast<const uint8_t*>(paste.data()), paste.size());
  std::string joined;
  for (auto p = Next(); p.first == SSH_CMSG_STDIN_DATA; p = Next()) {
    const ByteSpan s = CSshReader(p.second).String();
    EXPECT_LE(s.size(), kSsh1MaxData);
    joined += AsText(s);
  }
  EXPECT_EQ(joined, paste);

  Bytes out;
  CSshWriter(out).String("final words");
  ASSERT_TRUE(Send(SSH_SMSG_STDOUT_DATA, out));
  Bytes status;
  CSshWriter(status).Uint32(7);
  EXPECT_FALSE(Send(SSH_SMSG_EXITSTATUS, status));
  EXPECT_NE(delivered_.find("final words"), std::string::npos);
  EXPECT_EQ(Client().ExitStatus(), 7u);
  EXPECT_EQ(Next().first, SSH_CMSG_EXIT_CONFIRMATION);
}

// A refused remembered password is forgotten and the user is asked.
TEST_F(Ssh1Protocol, RefusedPasswordIsForgottenAndTheUserAsked) {
  const std::string name = "alice", pw = ProtectPassword("old");
  credentials_.StoreCredentials(&name, &pw);
  questions_.user = "alice";
  questions_.password = "new";
  Identify();
  ASSERT_TRUE(ExchangeKeys(Keys().server, Keys().host));
  ASSERT_TRUE(Send(SSH_SMSG_SUCCESS));
  ASSERT_EQ(Next().first, SSH_CMSG_USER);
  ASSERT_TRUE(Send(SSH_SMSG_FAILURE));
  ASSERT_EQ(Next().first, SSH_CMSG_AUTH_PASSWORD);
  ASSERT_TRUE(Send(SSH_SMSG_FAILURE));
  EXPECT_TRUE(credentials_.LoadCredentials().protectedPassword.empty());
  EXPECT_EQ(questions_.AuthorizationUsers().size(), 1u);
  ASSERT_EQ(Next().first, SSH_CMSG_USER);
  ASSERT_TRUE(Send(SSH_SMSG_FAILURE));
  auto [type, password] = Next();
  ASSERT_EQ(type, SSH_CMSG_AUTH_PASSWORD);
  EXPECT_EQ(AsText(CSshReader(password).String()), "new");
}

// The RSA challenge: a number that needs fewer than 32 bytes is answered as its 32-byte form.
TEST_F(Ssh1Protocol, RsaChallengeIsAnsweredOverThe32ByteForm) {
  std::optional<CSsh1RsaKey> user;
  ASSERT_NO_FATAL_FAILURE(StartKeyLogin(user));
  auto [type, modulus] = Next();
  ASSERT_EQ(type, SSH_CMSG_AUTH_RSA);
  CSshReader m(modulus);
  EXPECT_EQ(ReadSsh1Mpint(m), user->Modulus());

  Bytes challenge(30, 0x5a);  // two leading zero bytes of the 32
  Bytes packet;
  CSshWriter w(packet);
  WriteSsh1Mpint(w, user->Encrypt(challenge));
  ASSERT_TRUE(Send(SSH_SMSG_AUTH_RSA_CHALLENGE, packet));
  auto [answerType, answer] = Next();
  ASSERT_EQ(answerType, SSH_CMSG_AUTH_RSA_RESPONSE);
  Bytes full(2, 0);
  full.insert(full.end(), challenge.begin(), challenge.end());
  EXPECT_EQ(answer, Md5(full, sessionId_));
}

// A key file (SSH2 only) is refused with a message instead of trying the store's pair with the
// file's passphrase; nothing of the login goes out.
TEST_F(Ssh1Protocol, KeyFileChosenForTheLoginIsRefusedWithAMessage) {
  questions_.user = "bob";
  questions_.usePublicKey = true;
  questions_.identityFile = "/home/bob/.ssh/id_ed25519";
  questions_.password = "file pw";
  Identify();
  ASSERT_TRUE(ExchangeKeys(Keys().server, Keys().host));
  EXPECT_FALSE(Send(SSH_SMSG_SUCCESS));
  const auto messages = questions_.Messages();
  EXPECT_NE(std::find(messages.begin(), messages.end(), kTextSsh1NoKeyFile), messages.end());
  EXPECT_EQ(Next().first, 0);
}

TEST_F(Ssh1Protocol, OverlongChallengeEndsTheLogin) {
  std::optional<CSsh1RsaKey> user;
  ASSERT_NO_FATAL_FAILURE(StartKeyLogin(user));
  ASSERT_EQ(Next().first, SSH_CMSG_AUTH_RSA);
  Bytes packet;
  CSshWriter w(packet);
  WriteSsh1Mpint(w, user->Encrypt(Bytes(33, 0x5a)));
  EXPECT_FALSE(Send(SSH_SMSG_AUTH_RSA_CHALLENGE, packet));
  EXPECT_EQ(Next().first, 0);
}

// Key sizes that leave no room for the padding end the exchange before anything is encrypted;
// so does a server without triple DES.
TEST_F(Ssh1Protocol, KeySizesAndCiphersAreCheckedBeforeTheSessionKey) {
  const CSsh1RsaKey tiny = CSsh1RsaKey::Generate(320);  // 40 bytes: under 32 + 11
  Identify();
  EXPECT_FALSE(Send(SSH_SMSG_PUBLIC_KEY, PublicKeyPacket(tiny, Keys().host)));
  EXPECT_EQ(Next().first, 0);
  ASSERT_FALSE(questions_.Messages().empty());
  EXPECT_EQ(questions_.Messages().back(), "Error while exchanging the key.");

  client_.reset();
  sent_.clear();
  read_ = 0;
  const CSsh1RsaKey close = CSsh1RsaKey::Generate(800);  // 100 bytes: under 96 + 11
  store_.RemoveHost("ssh1.test");
  Identify();
  EXPECT_FALSE(Send(SSH_SMSG_PUBLIC_KEY, PublicKeyPacket(Keys().server, close)));
  EXPECT_EQ(questions_.Messages().back(), "Error while exchanging the key.");

  client_.reset();
  sent_.clear();
  read_ = 0;
  store_.RemoveHost("ssh1.test");
  Identify();
  EXPECT_FALSE(Send(SSH_SMSG_PUBLIC_KEY, PublicKeyPacket(Keys().server, Keys().host, 1u << 6)));
  EXPECT_EQ(questions_.Messages().back(), "Security algorithm not supported by the server.");
}

// Asked about once, silent the second time, refused when the key changed.
TEST_F(Ssh1Protocol, HostKeyIsAskedOnceAndAChangedOneRefused) {
  for (int i = 0; i < 2; ++i) {
    client_.reset();
    sent_.clear();
    read_ = 0;
    Identify();
    ASSERT_TRUE(Send(SSH_SMSG_PUBLIC_KEY, PublicKeyPacket(Keys().server, Keys().host)));
  }
  ASSERT_EQ(questions_.HostKeys().size(), 1u);
  // The SSH1 text form: bits, exponent, modulus and the host name.
  EXPECT_EQ(questions_.HostKeys()[0].keyText.rfind("1024 65537 ", 0), 0u);
  client_.reset();
  sent_.clear();
  read_ = 0;
  Identify();
  const CSsh1RsaKey other = CSsh1RsaKey::Generate(1024);
  EXPECT_FALSE(Send(SSH_SMSG_PUBLIC_KEY, PublicKeyPacket(Keys().server, other)));
  EXPECT_EQ(questions_.HostKeys().size(), 1u);
  const auto messages = questions_.Messages();
  ASSERT_GE(messages.size(), 2u);
  EXPECT_NE(messages[messages.size() - 2].find("it's different from the previously recorded key"),
            std::string::npos);
  EXPECT_EQ(messages.back(), "Server signature verification failed.");
}

TEST_F(Ssh1Protocol, VersionLinesAreBounded) {
  EXPECT_FALSE(Feed("SSH-2.0-OpenSSH\r\n"));
  EXPECT_EQ(questions_.Messages().back(), "SSH Version on the server is not supported.");
  EXPECT_TRUE(sent_.empty());
  client_.reset();
  EXPECT_FALSE(Feed(std::string(300, 'x')));
  client_.reset();
  std::string lines;
  for (size_t i = 0; i <= kSsh1MaxPreBannerLines; ++i) lines += "hello\n";
  EXPECT_FALSE(Feed(lines));
  EXPECT_TRUE(sent_.empty());
}

TEST(Ssh1KeyRecord, RecordRoundTripsAndRefusesAWrongPassword) {
  const CSsh1RsaKey key = CSsh1RsaKey::Generate(512);
  const Bytes record = CSshKeyStore::ProtectSsh1Record(key, "secret");
  EXPECT_EQ(record.size() % 8, 0u);
  const auto back = CSshKeyStore::UnprotectSsh1Record(record, "secret");
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->Modulus(), key.Modulus());
  const Bytes message(20, 0x42);
  EXPECT_EQ(back->Decrypt(key.Encrypt(message)), message);
  EXPECT_FALSE(CSshKeyStore::UnprotectSsh1Record(record, "Secret").has_value());
}

}  // namespace
}  // namespace ostrane
