#include "session/key_file_memory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/test_folder.h"

namespace ostrane {
namespace {

// The profile of the running test, in a folder of its own.
std::string ProfilePath() {
  return (test::FreshTestFolder() / "ostrane.ini").string();
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Paths and names with the profile's own syntax, the record's separator, its escape, spaces at
// the ends and non-ASCII characters come back byte for byte from the file, one line each.
TEST(KeyFileMemory, OddPathsAndNamesRoundTripThroughTheProfileFile) {
  const std::string path = ProfilePath();
  const KeyFileRecord records[] = {
      {"host.example", 22, "alice", "/home/a/.ssh/id=one;two # not a comment"},
      {"host.example", 22, "bob|x", " /keys/lead and trail space "},
      {"[::1]", 2222, "ça", "/clés/ключ/鍵 100%25|%zz\\back\\slash"},
      {"h", 1, "u=v;w", "C:\\keys\\id\r\nnext=line"},
  };
  {
    CProfile profile(path);
    CKeyFileMemory memory(profile);
    for (const KeyFileRecord& r : records) ASSERT_TRUE(memory.Remember(r)) << r.path;
  }
  const std::string text = FileText(path);
  // Every record on its own line under its own name: nothing leaked a line break.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5) << text;
  CProfile reread(path);
  CKeyFileMemory memory(reread);
  for (const KeyFileRecord& r : records)
    EXPECT_EQ(memory.Recall(r.host, r.port, r.user), r.path) << r.path;
  // The last remembered comes first.
  ASSERT_EQ(memory.Records().size(), 4u);
  EXPECT_EQ(memory.Records().front().user, "u=v;w");
}

// A record belongs to one server and user: the host name compares without regard to case, the
// port and the user name exactly. Remembering again replaces; forgetting takes only that one.
TEST(KeyFileMemory, RecordsAreKeyedByHostPortAndUser) {
  CProfile profile(ProfilePath());
  CKeyFileMemory memory(profile);
  ASSERT_TRUE(memory.Remember({"Server.Example", 22, "alice", "/k/1"}));
  ASSERT_TRUE(memory.Remember({"server.example", 2222, "alice", "/k/2"}));
  ASSERT_TRUE(memory.Remember({"server.example", 22, "Alice", "/k/3"}));
  EXPECT_EQ(memory.Recall("SERVER.example", 22, "alice"), "/k/1");
  EXPECT_EQ(memory.Recall("server.example", 2222, "alice"), "/k/2");
  EXPECT_EQ(memory.Recall("server.example", 22, "Alice"), "/k/3");
  EXPECT_EQ(memory.Recall("server.example", 22, "bob"), std::nullopt);
  EXPECT_EQ(memory.Recall("other.example", 22, "alice"), std::nullopt);

  ASSERT_TRUE(memory.Remember({"server.example", 22, "alice", "/k/4"}));
  EXPECT_EQ(memory.Recall("Server.Example", 22, "alice"), "/k/4");
  EXPECT_EQ(memory.Records().size(), 3u);

  memory.Forget("server.example", 22, "alice");
  EXPECT_EQ(memory.Recall("server.example", 22, "alice"), std::nullopt);
  EXPECT_EQ(memory.Recall("server.example", 2222, "alice"), "/k/2");
  EXPECT_EQ(memory.Recall("server.example", 22, "Alice"), "/k/3");
  // The names left are renumbered from 0 with no gap.
  CProfile reread(profile.Path());
  EXPECT_TRUE(reread.Has(kKeyFileSection, "KeyFile1"));
  EXPECT_FALSE(reread.Has(kKeyFileSection, "KeyFile2"));
}

// Past the bound the least recently used record goes; one used again moves up and stays.
TEST(KeyFileMemory, KeepsAHundredRecordsDroppingTheOldest) {
  CProfile profile(ProfilePath());
  CKeyFileMemory memory(profile);
  profile.BeginBatch();
  for (size_t i = 0; i < kKeyFileMemoryCapacity; ++i)
    ASSERT_TRUE(memory.Remember({"host" + std::to_string(i), 22, "u", "/k/" + std::to_string(i)}));
  profile.EndBatch();
  ASSERT_TRUE(memory.Remember({"host0", 22, "u", "/k/0"}));  // host1 is now the oldest
  ASSERT_TRUE(memory.Remember({"new", 22, "u", "/k/new"}));
  CProfile reread(profile.Path());
  CKeyFileMemory again(reread);
  EXPECT_EQ(again.Records().size(), kKeyFileMemoryCapacity);
  EXPECT_EQ(again.Recall("host1", 22, "u"), std::nullopt);
  EXPECT_EQ(again.Recall("host0", 22, "u"), "/k/0");
  EXPECT_EQ(again.Recall("host2", 22, "u"), "/k/2");
  EXPECT_EQ(again.Records().front().host, "new");
  EXPECT_FALSE(reread.Has(kKeyFileSection, "KeyFile100"));
}

// A hand-edited or damaged value is passed over, and a record that would not fit on a profile
// line is refused rather than written and lost on the next read.
TEST(KeyFileMemory, DamagedValuesAreSkippedAndOverlongPathsRefused) {
  const std::string path = ProfilePath();
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path) << "[SshKeyFiles]\n"
                         "KeyFile0=no separators\n"
                         "KeyFile1=h|99999|u|/k\n"
                         "KeyFile2=h|22|u|/bad%4\n"
                         "KeyFile3=h|22||/k\n"
                         "KeyFile4=h|22x|u|/k\n"
                         "KeyFile5=h|22|u|/k|extra\n"
                         "KeyFile6=good|22|u|/k/%7C\n";
  CProfile profile(path);
  CKeyFileMemory memory(profile);
  ASSERT_EQ(memory.Records().size(), 1u);
  EXPECT_EQ(memory.Recall("good", 22, "u"), "/k/|");

  EXPECT_FALSE(memory.Remember({"h", 22, "u", "/" + std::string(kMaxProfileLine, 'k')}));
  EXPECT_FALSE(memory.Remember({"h", 22, "", "/k"}));
  EXPECT_FALSE(memory.Remember({"h", 22, "u", ""}));
  EXPECT_EQ(memory.Recall("h", 22, "u"), std::nullopt);
  // The longest path that fits is kept whole.
  std::string longest = "/" + std::string(kMaxProfileLine - 32, 'k');
  ASSERT_TRUE(memory.Remember({"h", 22, "u", longest}));
  CProfile reread(path);
  EXPECT_EQ(CKeyFileMemory(reread).Recall("h", 22, "u"), longest);
}

}  // namespace
}  // namespace ostrane
