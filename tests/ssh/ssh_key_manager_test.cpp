// The key manager's steps over a real key store in a temporary home: names, key files read back,
// backup and restore, replacing asked first, host keys added and removed.
#include "ssh/ssh_key_manager.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>

#include "ssh/ssh_host_key.h"
#include "ssh/ssh_key_text.h"
#include "ssh_test_support.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

// Files chosen and yes/no answered from lists, in order.
class CManagerQuestions : public test::CTestSshQuestions {
 public:
  std::deque<std::string> files;
  std::deque<MessageAnswer> answers;
  std::vector<MessageQuestion> asked;
  std::vector<FileQuestion> offered;
  std::optional<std::string> ChooseFile(const FileQuestion& q) override {
    offered.push_back(q);
    if (files.empty()) return std::nullopt;
    std::string f = files.front();
    files.pop_front();
    return f;
  }
  MessageAnswer AskMessage(const MessageQuestion& q) override {
    test::CTestSshQuestions::AskMessage(q);
    asked.push_back(q);
    if (q.buttons != MessageButtons::kYesNo || answers.empty()) return MessageAnswer::kOk;
    const MessageAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
};

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What ssh-keygen prints for the command, empty when it fails.
std::string KeygenSays(const std::string& arguments) {
  FILE* pipe = popen(("ssh-keygen " + arguments + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return {};
  std::string out;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  return pclose(pipe) == 0 ? out : std::string();
}

TEST(SshKeyNames, TrailingBlanksGoAndUnsafeNamesAreRefused) {
  EXPECT_EQ(CleanSshKeyName("alice \t\r"), "alice");
  EXPECT_EQ(CleanSshKeyName("host.example.com"), "host.example.com");
  for (const char* bad :
       {"", "  ", "a=b", "[UserKeys]", "a]", "../etc", "a/b", "a..b", "a\nb", "a\x01"})
    EXPECT_FALSE(CleanSshKeyName(bad).has_value()) << bad;
}

TEST(SshKeyFiles, Ssh1PublicKeyLineNeedsItsSizeAndParts) {
  const CSsh1RsaKey key = CSsh1RsaKey::Generate(1024);
  const auto good = ImportSsh1PublicKey(key.PublicText("host.example") + "\r\n");
  ASSERT_TRUE(good.has_value());
  EXPECT_EQ(good->subject, "host.example");
  EXPECT_EQ(good->bytes, key.PublicBlob());
  const std::string text = key.PublicText("x");
  // The bit count must be the modulus size, within 512 to 1024; every part must be there.
  EXPECT_FALSE(ImportSsh1PublicKey("1023" + text.substr(4)));
  EXPECT_FALSE(ImportSsh1PublicKey("2048 65537 " +
                                   CryptoPP::IntToString(CSsh1RsaKey::Generate(2048).Modulus())));
  EXPECT_FALSE(ImportSsh1PublicKey("1024 65537"));
  EXPECT_FALSE(ImportSsh1PublicKey("1024 0x10001 12345"));
}

TEST(SshKeyFiles, FramedKeysNeedASubjectAndTakeQuotedComments) {
  const Bytes blob{1, 2, 3, 4, 5, 6, 7, 8, 9};
  const std::string text = SshKeyText(SshKeyTextKind::kSsh2PublicKey, blob, "box");
  const auto plain = ImportSshKeyText(text, SshKeyTextKind::kSsh2PublicKey);
  ASSERT_TRUE(plain.has_value());
  EXPECT_EQ(plain->subject, "box");
  EXPECT_EQ(plain->bytes, blob);
  EXPECT_FALSE(ImportSshKeyText(SshKeyText(SshKeyTextKind::kSsh2PublicKey, blob, ""),
                                SshKeyTextKind::kSsh2PublicKey));
  // The wrong kind of frame is not this kind's file.
  EXPECT_FALSE(ImportSshKeyText(text, SshKeyTextKind::kSsh1PrivateRecord));

  const std::string body = EncodeBase64(blob);
  const std::string quoted =
      "---- BEGIN SSH2 PUBLIC KEY ----\nSubject: box\nComments: \"a \\\"b\\\"\n"
      "still comment\"\n" +
      body + "\n---- END SSH2 PUBLIC KEY ----\n";
  const auto withComment = ImportSshKeyText(quoted, SshKeyTextKind::kSsh2PublicKey);
  ASSERT_TRUE(withComment.has_value());
  EXPECT_EQ(withComment->bytes, blob);
  const std::string open =
      "---- BEGIN SSH2 PUBLIC KEY ----\nSubject: box\nComments: \"never "
      "closed\n" +
      body + "\n---- END SSH2 PUBLIC KEY ----\n";
  EXPECT_FALSE(ImportSshKeyText(open, SshKeyTextKind::kSsh2PublicKey));
}

class SshKeyManager : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(home_.Made()); }
  std::filesystem::path Home() const { return std::getenv("OSTRANE_HOME"); }
  test::CTempHome home_{"ostrane-keymanager"};
  CSshKeyStore store_{SshVersion::k1};
  CManagerQuestions q_;
  CSshKeyManager manager_{store_, q_};
};

TEST_F(SshKeyManager, CreationChecksItsFields) {
  EXPECT_FALSE(manager_.Create("alice", "", ""));
  EXPECT_EQ(q_.Messages().back(), kTextAllFieldsRequired);
  EXPECT_FALSE(manager_.Create("alice", "one", "two"));
  EXPECT_EQ(q_.Messages().back(), kTextRetypeDiffers);
  EXPECT_FALSE(manager_.Create("../alice", "pw", "pw"));
  EXPECT_EQ(q_.Messages().back(), kTextInvalidKeyName);
  EXPECT_TRUE(store_.ListUsers().empty());
  EXPECT_TRUE(manager_.Create("alice \r", "pw", "pw"));
  EXPECT_EQ(store_.ListUsers(), std::vector<std::string>{"alice"});
  EXPECT_TRUE(std::filesystem::exists(Home() / "alice.pub"));
}

// Backup, remove and restore bring the pair back under its name with its password; backups are
// the owner's alone.
TEST_F(SshKeyManager, BackupRemoveRestoreKeepsTheKeyAndItsPassword) {
  ASSERT_TRUE(manager_.Create("alice", "pw", "pw"));
  const Bytes record = *store_.UserRecord("alice");
  const auto backup = (Home() / "alice.key").string();
  q_.files = {backup};
  ASSERT_TRUE(manager_.Backup("alice"));
  struct stat st {};
  ASSERT_EQ(stat(backup.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(
      Read(backup).rfind("---- BEGIN SSH1 ENCRYPTED PRIVATE KEY ----\r\nSubject: alice\r\n", 0),
      0u);
  ASSERT_TRUE(manager_.RemoveUser("alice"));
  EXPECT_TRUE(store_.ListUsers().empty());
  q_.files = {backup};
  ASSERT_TRUE(manager_.Restore());
  EXPECT_EQ(store_.UserRecord("alice"), record);
  std::optional<CSsh1RsaKey> key;
  const std::string pw = "pw";
  EXPECT_EQ(store_.LoadUserKey("alice", &pw, nullptr, key), CSshKeyStore::LoadResult::kLoaded);
}

// Creating or restoring over a stored pair asks first; "No" leaves the stored one.
TEST_F(SshKeyManager, ReplacingAPairAsksFirst) {
  ASSERT_TRUE(manager_.Create("alice", "pw", "pw"));
  const Bytes record = *store_.UserRecord("alice");
  q_.answers = {MessageAnswer::kNo};
  EXPECT_FALSE(manager_.Create("alice", "other", "other"));
  EXPECT_EQ(q_.asked.back().text, ReplaceKeyText("alice"));
  EXPECT_EQ(store_.UserRecord("alice"), record);

  const auto backup = (Home() / "b.key").string();
  std::ofstream(backup) << SshKeyText(SshKeyTextKind::kSsh1PrivateRecord, Bytes(64, 7), "alice");
  q_.files = {backup};
  q_.answers = {MessageAnswer::kNo};
  EXPECT_FALSE(manager_.Restore());
  EXPECT_EQ(store_.UserRecord("alice"), record);
  q_.files = {backup};
  q_.answers = {MessageAnswer::kYes};
  EXPECT_TRUE(manager_.Restore());
  EXPECT_EQ(store_.UserRecord("alice"), Bytes(64, 7));
}

// A record that cannot be one, or a name that cannot be stored, is refused as a bad file.
TEST_F(SshKeyManager, RestoreRefusesRecordsAndNamesThatCannotBe) {
  const auto file = (Home() / "bad.key").string();
  for (const auto& [bytes, name] :
       std::vector<std::pair<Bytes, std::string>>{{Bytes(60, 1), "bob"},
                                                  {Bytes(8, 1), "bob"},
                                                  {Bytes(2048, 1), "bob"},
                                                  {Bytes(64, 1), "a=b"}}) {
    std::ofstream(file) << SshKeyText(SshKeyTextKind::kSsh1PrivateRecord, bytes, name);
    q_.files = {file};
    EXPECT_FALSE(manager_.Restore()) << bytes.size() << " " << name;
    EXPECT_EQ(q_.Messages().back(), kTextInvalidPrivateKeyFile);
  }
  EXPECT_TRUE(store_.ListUsers().empty());
}

// A host added from its public key file is known; removed, it is asked about again.
TEST_F(SshKeyManager, AddedHostIsKnownAndARemovedOneAskedAgain) {
  const CSsh1RsaKey host = CSsh1RsaKey::Generate(1024);
  const auto file = (Home() / "host.pub").string();
  std::ofstream(file) << host.PublicText("box.example") << "\n";
  q_.files = {file};
  ASSERT_TRUE(manager_.AddHost());
  EXPECT_EQ(store_.ListHosts(), std::vector<std::string>{"box.example"});
  EXPECT_EQ(manager_.HostKeyText("box.example"), host.PublicText("box.example"));
  EXPECT_TRUE(store_.CheckHostKey("box.example", host.PublicBlob(), &q_));
  EXPECT_TRUE(q_.HostKeys().empty());
  EXPECT_FALSE(manager_.RemoveHost(""));
  EXPECT_EQ(q_.Messages().back(), kTextSelectHost);
  ASSERT_TRUE(manager_.RemoveHost("box.example"));
  EXPECT_TRUE(store_.CheckHostKey("box.example", host.PublicBlob(), &q_));
  EXPECT_EQ(q_.HostKeys().size(), 1u);

  std::ofstream(file)
      << "---- BEGIN SSH2 PUBLIC KEY ----\r\nAAAA\r\n---- END SSH2 PUBLIC KEY ----\r\n";
  q_.files = {file};
  EXPECT_FALSE(manager_.AddHost());
  EXPECT_EQ(q_.Messages().back(), kTextInvalidPublicKeyFile);
}

TEST_F(SshKeyManager, ExportWritesThePublicLineAfterThePassword) {
  ASSERT_TRUE(manager_.Create("alice", "pw", "pw"));
  EXPECT_FALSE(manager_.ExportPublicKey(""));
  EXPECT_EQ(q_.Messages().back(), kTextSelectUser);
  const auto file = (Home() / "out.pub").string();
  q_.keyPassword = "wrong";
  q_.files = {file};
  EXPECT_FALSE(manager_.ExportPublicKey("alice"));
  EXPECT_EQ(q_.Messages().back(), kTextNoKeyAccess);
  EXPECT_FALSE(std::filesystem::exists(file));
  q_.keyPassword = "pw";
  ASSERT_TRUE(manager_.ExportPublicKey("alice"));
  const auto back = ImportSsh1PublicKey(Read(file));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->subject, "alice");
}

}  // namespace
}  // namespace ostrane

namespace ostrane {
namespace {

// SSH2 pairs of the new kinds are OpenSSH files beside the store: owner-only, listed with the
// record users, imported from ssh-keygen's files under the file's name, backed up whole and
// removed with the user.
TEST(SshKeyManagerOpenSsh, OpenSshPairsLiveBesideTheStore) {
  test::CTempHome home("ostrane-keymanager2");
  ASSERT_TRUE(home.Made());
  const std::filesystem::path dir = std::getenv("OSTRANE_HOME");
  CSshKeyStore store(SshVersion::k2);
  CManagerQuestions q;
  CSshKeyManager manager(store, q);
  ASSERT_TRUE(manager.Create("alice", "pw", "pw", SshNewKeyType::kEd25519));
  ASSERT_TRUE(store.HasOpenSshKey("alice"));
  struct stat st {};
  ASSERT_EQ(stat(store.OpenSshKeyPath("alice").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(Read(dir / "alice.pub").rfind("ssh-ed25519 ", 0), 0u);
  EXPECT_EQ(manager.UserKeyText("alice").rfind("ssh-ed25519 ", 0), 0u);
  const CSshUserKey key = store.LoadOpenSshForAuthentication("alice", "pw", &q);
  EXPECT_EQ(key.KeyType(), "ssh-ed25519");

  const std::string made = (dir / "bob.key").string();
  ASSERT_EQ(std::system(("ssh-keygen -q -t ecdsa -N 'bob pw' -f " + made + " >/dev/null").c_str()),
            0);
  q.files = {made};
  ASSERT_TRUE(manager.Restore());
  EXPECT_EQ(store.ListUsers(), (std::vector<std::string>{"alice", "bob"}));
  EXPECT_EQ(store.LoadOpenSshForAuthentication("bob", "bob pw", &q).KeyType(),
            "ecdsa-sha2-nistp256");

  const std::string backup = (dir / "alice-backup.key").string();
  q.files = {backup};
  ASSERT_TRUE(manager.Backup("alice"));
  EXPECT_EQ(Read(backup), *store.OpenSshKeyFile("alice"));
  ASSERT_TRUE(manager.RemoveUser("alice"));
  EXPECT_FALSE(store.HasOpenSshKey("alice"));
  EXPECT_EQ(store.ListUsers(), std::vector<std::string>{"bob"});
}

}  // namespace
}  // namespace ostrane

namespace ostrane {
namespace {

// A DSA pair's public key goes out as the line OpenSSH reads (ssh-keygen prints the same
// fingerprint as ours) or, when the user says No, as the framed SSH2 text; the file dialogs
// offer the user's name.
TEST(SshKeyManagerExport, DsaKeyExportsAsOneLineOrAsFramedText) {
  test::CTempHome home("ostrane-keyexport");
  ASSERT_TRUE(home.Made());
  const std::filesystem::path dir = std::getenv("OSTRANE_HOME");
  CSshKeyStore store(SshVersion::k2);
  CManagerQuestions q;
  CSshKeyManager manager(store, q);
  ASSERT_TRUE(manager.Create("dave", "pw", "pw"));
  const Bytes record = *store.UserRecord("dave");
  const auto framedFile = dir / "framed.pub";
  q.keyPassword = "pw";
  q.files = {framedFile.string()};
  q.answers = {MessageAnswer::kNo};
  ASSERT_TRUE(manager.ExportPublicKey("dave"));
  EXPECT_EQ(q.asked.back().text, kTextExportOneLine);
  const auto framed = ImportSshKeyText(Read(framedFile), SshKeyTextKind::kSsh2PublicKey);
  ASSERT_TRUE(framed.has_value());
  EXPECT_EQ(framed->subject, "dave");

  const auto lineFile = dir / "line.pub";
  q.files = {lineFile.string()};
  q.answers = {MessageAnswer::kYes};
  ASSERT_TRUE(manager.ExportPublicKey("dave"));
  const std::string line = Read(lineFile);
  EXPECT_EQ(line, "ssh-dss " + EncodeBase64(framed->bytes) + " dave\n");
  const std::string listed = KeygenSays("-l -f " + lineFile.string());
  EXPECT_NE(listed.find(SshFingerprint(framed->bytes) + " dave (DSA)"), std::string::npos)
      << listed;
  // ssh-keygen reads the framed form too, and finds the same key in it.
  EXPECT_EQ(KeygenSays("-i -f " + framedFile.string()),
            "ssh-dss " + EncodeBase64(framed->bytes) + "\n");

  const std::string backup = (dir / "dave.key").string();
  q.files = {backup};
  ASSERT_TRUE(manager.Backup("dave"));
  q.files = {backup};
  EXPECT_FALSE(manager.Restore("dave")) << "the same key: replacing it was refused";
  ASSERT_EQ(q.offered.size(), 4u);
  EXPECT_EQ(q.offered[0].initialName, "dave.pub");
  EXPECT_EQ(q.offered[2].initialName, "dave.key");
  EXPECT_TRUE(q.offered[2].save);
  EXPECT_EQ(q.offered[3].initialName, "dave.key");
  EXPECT_FALSE(q.offered[3].save);
  EXPECT_EQ(store.UserRecord("dave"), record);
}

// A blob that does not start with a printable key type makes no line.
TEST(SshKeyManagerExport, OneLineNeedsAKeyType) {
  EXPECT_EQ(OpenSshPublicLine(Bytes{0, 0, 0, 3, 'a', ' ', 'b'}, "x"), "");
  EXPECT_EQ(OpenSshPublicLine(Bytes{0, 0, 0, 9, 'a'}, "x"), "");
  EXPECT_EQ(OpenSshPublicLine(Bytes{0, 0, 0, 1, 'k'}, ""), "k AAAAAWs=");
}

}  // namespace
}  // namespace ostrane
