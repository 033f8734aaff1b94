#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "session/mru_list.h"

namespace ostrane {
namespace {

std::string ProfilePath(const char* name) {
  const std::filesystem::path dir = std::filesystem::path(std::getenv("OSTRANE_HOME")) / name;
  std::filesystem::remove_all(dir);
  return (dir / "ostrane.ini").string();
}

TEST(MruList, MovesValuesToTheFrontWithoutDuplicates) {
  CProfile profile(ProfilePath("mru1"));
  CMruList hosts(profile, kHostMruSection);
  for (int i = 0; i < 12; ++i) hosts.MoveToFront("host" + std::to_string(i));
  hosts.MoveToFront("host11");  // already first: nothing moves
  EXPECT_EQ(hosts.Values().size(), 12u);
  EXPECT_EQ(hosts.Values()[0], "host11");
  // The tenth entry goes to the top and is not duplicated.
  const std::string tenth = hosts.Values()[9];
  hosts.MoveToFront(tenth);
  EXPECT_EQ(hosts.Values()[0], tenth);
  EXPECT_EQ(hosts.Values().size(), 12u);
  EXPECT_EQ(std::count(hosts.Values().begin(), hosts.Values().end(), tenth), 1);

  // What another list object (a later dialog) reads back is the same order.
  CProfile again(profile.Path());
  EXPECT_EQ(CMruList::Read(again, kHostMruSection), hosts.Values());
}

TEST(MruList, KeepsTwentyNamesAndDeletesNamesPastTheEnd) {
  CProfile profile(ProfilePath("mru2"));
  CMruList phones(profile, kModemMruSection);
  for (int i = 0; i < 21; ++i) phones.MoveToFront(std::to_string(i));
  EXPECT_EQ(profile.GetString(kModemMruSection, "HostMRU0", ""), "20");
  EXPECT_EQ(profile.GetString(kModemMruSection, "HostMRU19", ""), "1");
  EXPECT_FALSE(profile.Has(kModemMruSection, "HostMRU20"));
  EXPECT_EQ(phones.Values().size(), 20u);

  // Values written by hand with holes and empties read back in index order, empties skipped;
  // the next move renumbers them and deletes the names past the end.
  profile.WriteString(kSshMruSection, "HostMRU3", "c");
  profile.WriteString(kSshMruSection, "HostMRU1", "");
  profile.WriteString(kSshMruSection, "HostMRU0", "a");
  CMruList ssh(profile, kSshMruSection);
  EXPECT_EQ(ssh.Values(), (std::vector<std::string>{"a", "c"}));
  ssh.MoveToFront("c");
  EXPECT_EQ(profile.GetString(kSshMruSection, "HostMRU0", ""), "c");
  EXPECT_EQ(profile.GetString(kSshMruSection, "HostMRU1", ""), "a");
  EXPECT_FALSE(profile.Has(kSshMruSection, "HostMRU3"));
}

TEST(MruList, RemovedAndClearedValuesLeaveTheProfile) {
  CProfile profile(ProfilePath("mru3"));
  CMruList hosts(profile, kHostMruSection);
  for (const char* h : {"c", "b", "a"}) hosts.MoveToFront(h);
  hosts.Remove("b");
  hosts.Remove("not there");
  EXPECT_EQ(hosts.Values(), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(CMruList::Read(profile, kHostMruSection), hosts.Values());
  EXPECT_FALSE(profile.Has(kHostMruSection, "HostMRU2"));
  hosts.Clear();
  EXPECT_TRUE(CMruList::Read(profile, kHostMruSection).empty());
  EXPECT_FALSE(profile.Has(kHostMruSection, "HostMRU0"));
}

}  // namespace
}  // namespace ostrane
