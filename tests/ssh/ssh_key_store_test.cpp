// The key store in its file, the protected records of user keys, key texts and the remembered
// password's protected form.
#include "ssh/ssh_key_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/ssh_key_files.h"
#include "ssh/ssh_dss_key.h"
#include "ssh/ssh_error.h"
#include "ssh/ssh_host_key.h"
#include "ssh/ssh_key_text.h"
#include "ssh/ssh_password_protection.h"
#include "ssh_test_support.h"

namespace ostrane {
namespace {

using test::CTestSshQuestions;

// A store file of the test's own, so tests sharing a folder do not meet.
std::string StorePath() {
  return std::string(getenv("OSTRANE_HOME")) + "/ssh2-keys-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

TEST(SshKeyStore, NewHostKeyIsAskedStoredThenKnown_PerHostName) {
  CSshKeyStore store(StorePath());
  CTestSshQuestions q;
  const Bytes blob{0, 0, 0, 7, 's', 's', 'h', '-', 'd', 's', 's', 1, 2, 3};
  EXPECT_TRUE(store.CheckHostKey("alpha", blob, &q));
  EXPECT_TRUE(store.CheckHostKey("alpha", blob, &q));
  ASSERT_EQ(q.HostKeys().size(), 1u);
  EXPECT_EQ(q.HostKeys()[0].host, "alpha");
  EXPECT_EQ(q.HostKeys()[0].fingerprint, SshFingerprint(blob));
  EXPECT_EQ(q.HostKeys()[0].fingerprint.rfind("SHA256:", 0), 0u);
  EXPECT_EQ(q.HostKeys()[0].fingerprint.find('='), std::string::npos);
  // The same server under another name is asked about again.
  EXPECT_TRUE(store.CheckHostKey("alpha.example", blob, &q));
  EXPECT_EQ(q.HostKeys().size(), 2u);
  EXPECT_EQ(store.ListHosts(), (std::vector<std::string>{"alpha", "alpha.example"}));

  struct stat st {};
  ASSERT_EQ(stat(StorePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(SshKeyStore, ChangedHostKeyIsRefusedWithTheMessage_RemovedOneIsAskedAgain) {
  CSshKeyStore store(StorePath());
  CTestSshQuestions q;
  const Bytes first{1, 2, 3}, longer{1, 2, 3, 4}, other{1, 2, 4};
  ASSERT_TRUE(store.CheckHostKey("h", first, &q));
  EXPECT_FALSE(store.CheckHostKey("h", longer, &q));
  EXPECT_FALSE(store.CheckHostKey("h", other, &q));
  EXPECT_EQ(q.Messages(), (std::vector<std::string>{ChangedHostKeyText("h", longer),
                                                    ChangedHostKeyText("h", other)}));
  // The message names the host and the fingerprint of the key that was sent this time.
  EXPECT_NE(q.Messages()[1].find("Host: h\n"), std::string::npos);
  EXPECT_NE(q.Messages()[1].find(SshFingerprint(other)), std::string::npos);
  EXPECT_EQ(*store.HostKey("h"), first);
  ASSERT_TRUE(store.RemoveHost("h"));
  q.acceptHostKey = false;
  EXPECT_FALSE(store.CheckHostKey("h", other, &q));
  EXPECT_EQ(q.HostKeys().size(), 2u);
  EXPECT_FALSE(store.HostKey("h").has_value());
}

TEST(SshKeyStore, FileSurvivesOtherEntriesAndRefusesNamesThatWouldBreakIt) {
  CSshKeyStore store(StorePath());
  ASSERT_TRUE(store.StoreHostKey("one", Bytes{1}));
  ASSERT_TRUE(store.StoreUserRecord("u", Bytes(16, 2)));
  ASSERT_TRUE(store.StoreHostKey("two", Bytes{2}));
  EXPECT_FALSE(store.StoreHostKey("a=b", Bytes{3}));
  EXPECT_FALSE(store.StoreHostKey("line\nbreak", Bytes{3}));
  EXPECT_EQ(store.ListHosts(), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(store.ListUsers(), (std::vector<std::string>{"u"}));
  std::ifstream in(StorePath());
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "[UserKeys]\nu=AgICAgICAgICAgICAgICAg==\n[HostKeys]\none=AQ==\ntwo=Ag==\n");
}

TEST(SshKeyStore, UserKeyRecordOpensOnlyWithItsPassword) {
  const CSshDssKey key = CSshDssKey::Generate();
  const Bytes record = CSshKeyStore::ProtectRecord(key, "secret");
  EXPECT_EQ(record.size() % 8, 0u);
  const auto back = CSshKeyStore::UnprotectRecord(record, "secret");
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->PublicBlob(), key.PublicBlob());
  const Bytes message{'m'};
  EXPECT_TRUE(key.Verify(message, back->Sign(message)));
  EXPECT_FALSE(CSshKeyStore::UnprotectRecord(record, "Secret").has_value());
  EXPECT_FALSE(CSshKeyStore::UnprotectRecord(ByteSpan(record).first(record.size() - 8), "secret"));
}

TEST(SshKeyStore, LoadForAuthenticationRetriesCreatesAndGivesUp) {
  CSshKeyStore store;
  CTestSshQuestions q;
  q.newKeyPassword = "pw";
  // A missing pair is offered for creation, written to the .pub file and loaded.
  const CSshDssKey created = store.LoadForAuthentication("alice", "pw", &q);
  EXPECT_EQ(q.KeyCreations(), 1);
  std::ifstream pub(std::string(getenv("OSTRANE_HOME")) + "/alice.pub");
  std::string first;
  std::getline(pub, first);
  EXPECT_EQ(first, "---- BEGIN SSH2 PUBLIC KEY ----\r");
  ASSERT_FALSE(q.Messages().empty());
  EXPECT_NE(q.Messages().back().find("Your keys have been created."), std::string::npos);

  q.retryKeyPasswords = {"x", "y", "pw"};
  EXPECT_EQ(store.LoadForAuthentication("alice", "wrong", &q).PublicBlob(), created.PublicBlob());
  EXPECT_EQ(q.RetriesAsked(), 3u);

  CTestSshQuestions stubborn;
  stubborn.retryKeyPasswords = {"1", "2", "3", "4", "5", "6"};
  try {
    store.LoadForAuthentication("alice", "0", &stubborn);
    ADD_FAILURE();
  } catch (const CSshError& e) {
    EXPECT_EQ(e.Code(), SshError::kAborted);
  }
  EXPECT_EQ(stubborn.RetriesAsked(), 4u) << "four more tries, then the connection is aborted";

  CTestSshQuestions cancel;
  try {
    store.LoadForAuthentication("bob", "pw", &cancel);
    ADD_FAILURE();
  } catch (const CSshError& e) {
    EXPECT_EQ(e.Code(), SshError::kAborted);
  }
}

TEST(SshKeyStore, ExportAsksForThePasswordAndRefusesAWrongOne) {
  CSshKeyStore store;
  ASSERT_TRUE(store.CreateUserKey("carol", "pw", nullptr));
  CTestSshQuestions q;
  q.keyPassword = "pw";
  const auto text = store.ExportPublicKey("carol", &q);
  ASSERT_TRUE(text.has_value());
  EXPECT_NE(text->find("Subject: carol\r\n"), std::string::npos);
  q.keyPassword = "nope";
  EXPECT_FALSE(store.ExportPublicKey("carol", &q).has_value());
  EXPECT_EQ(q.Messages().back(), kTextNoKeyAccess);
}

TEST(SshKeyText, BodyIsCutIntoLinesOfSeventy) {
  const Bytes blob(120, 0xab);
  const std::string text = SshKeyText(SshKeyTextKind::kSsh2PublicKey, blob, "host");
  const std::string body = EncodeBase64(blob);
  ASSERT_EQ(body.size(), 160u);
  EXPECT_EQ(text, "---- BEGIN SSH2 PUBLIC KEY ----\r\nSubject: host\r\n" + body.substr(0, 70) +
                      "\r\n" + body.substr(70, 70) + "\r\n" + body.substr(140) +
                      "\r\n---- END SSH2 PUBLIC KEY ----\r\n");
  const std::string bare = SshKeyText(SshKeyTextKind::kSsh2PrivateRecord, Bytes{1}, "");
  EXPECT_EQ(bare,
            "---- BEGIN SSH2 ENCRYPTED PRIVATE KEY ----\r\nAQ==\r\n"
            "---- END SSH2 ENCRYPTED PRIVATE KEY ----\r\n");
}

TEST(PasswordProtection, RoundTripsInLettersAToPWithTheBufferSizeRule) {
  EXPECT_EQ(ProtectPassword(""), "");
  // Buffer bytes: length + 5 rounded up to 8 (8 more when already a multiple), at least 16.
  const std::pair<size_t, size_t> sizes[] = {{1, 16}, {3, 16}, {11, 24}, {12, 24}, {19, 32}};
  for (const auto& [length, bytes] : sizes) {
    const std::string password(length, 'k');
    const std::string text = ProtectPassword(password);
    EXPECT_EQ(text.size(), 2 * bytes) << length;
    EXPECT_EQ(text.find_first_not_of("ABCDEFGHIJKLMNOP"), std::string::npos);
    EXPECT_EQ(UnprotectPassword(text), password);
  }
  // The counter makes the same password protect differently each time.
  EXPECT_NE(ProtectPassword("same"), ProtectPassword("same"));
  EXPECT_EQ(UnprotectPassword("not letters at all!!!!!!!!!!!!!!"), "");
  EXPECT_EQ(UnprotectPassword("ABC"), "");
}

// Each process reads the store, adds its key and writes the store back; without a lock across
// processes the last writer wins and keys accepted by the others are lost.
TEST(SshKeyStore, ProcessesAcceptingNewHostKeysAtOnceKeepEveryKey) {
  constexpr int kProcesses = 20;
  const std::string path = StorePath();
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  std::vector<pid_t> children;
  for (int i = 0; i < kProcesses; ++i) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(start[1]);
      char go;
      // Every child waits here until all exist, so their read-change-writes overlap.
      const bool released = read(start[0], &go, 1) == 0;
      CSshKeyStore store(path);
      CTestSshQuestions q;
      const Bytes blob{0, 0, 0, 3, 'k', 'e', 'y', static_cast<uint8_t>(i)};
      const bool ok = released && store.CheckHostKey("host" + std::to_string(i), blob, &q);
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  close(start[0]);
  close(start[1]);  // releases every child at once
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(CSshKeyStore(path).ListHosts().size(), static_cast<size_t>(kProcesses));
}

TEST(SshKeyStore, LargeStoreIsReadAndAKnownHostIsNotAskedAgain) {
  const std::string path = StorePath();
  std::string text = "[UserKeys]\n[HostKeys]\n";
  const std::string value(136, 'A');  // the Base64 of 102 zero bytes
  for (int i = 0; i <= 60000; ++i) text += "host" + std::to_string(i) + "=" + value + "\n";
  ASSERT_GT(text.size(), 8u << 20);
  ASSERT_TRUE(platform::WritePrivateFile(path, text));
  CSshKeyStore store(path);
  CTestSshQuestions q;
  const Bytes zeros(102, 0);
  EXPECT_TRUE(store.CheckHostKey("host60000", zeros, &q));
  EXPECT_TRUE(q.HostKeys().empty());
  EXPECT_TRUE(store.CheckHostKey("newcomer", Bytes{1, 2, 3}, &q));
  EXPECT_EQ(store.ListHosts().size(), 60002u);
}

// A store that exists but cannot be read (a folder in its place, or past the size bound) is
// reported, never taken as empty: no known host is asked about as new, nothing overwrites it.
TEST(SshKeyStore, UnreadableStoreIsReportedAndNeverOverwritten) {
  const std::string folderStore = StorePath() + "-folder";
  ASSERT_EQ(mkdir(folderStore.c_str(), 0700), 0);
  const std::string bigStore = StorePath() + "-big";
  {
    std::ofstream f(bigStore);
    f << "[UserKeys]\n[HostKeys]\n";
  }
  ASSERT_EQ(truncate(bigStore.c_str(), off_t{65} << 20), 0);
  for (const std::string& path : {folderStore, bigStore}) {
    CSshKeyStore store(path);
    CTestSshQuestions q;
    EXPECT_FALSE(store.CheckHostKey("h", Bytes{1, 2, 3}, &q)) << path;
    EXPECT_TRUE(q.HostKeys().empty()) << path;
    ASSERT_EQ(q.Messages().size(), 1u) << path;
    EXPECT_EQ(q.Messages()[0], std::string(kTextKeyStoreUnreadable) + path);
    EXPECT_FALSE(store.StoreHostKey("h", Bytes{1, 2, 3})) << path;
    EXPECT_FALSE(store.RemoveHost("h")) << path;
  }
  struct stat st {};
  ASSERT_EQ(stat(folderStore.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  ASSERT_EQ(stat(bigStore.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, off_t{65} << 20);
}

TEST(PrivateFile, WrittenWholeWithModeSixHundred) {
  const std::string path = std::string(getenv("OSTRANE_HOME")) + "/private-file";
  ASSERT_TRUE(platform::WritePrivateFile(path, "one"));
  ASSERT_TRUE(platform::WritePrivateFile(path, "two two"));
  EXPECT_EQ(platform::ReadWholeFile(path, 100), "two two");
  EXPECT_FALSE(platform::ReadWholeFile(path, 3).has_value());
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace ostrane
