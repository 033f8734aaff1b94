#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace ostrane {
namespace {

std::string FreshPath(const char* name) {
  const std::filesystem::path dir = std::filesystem::path(std::getenv("OSTRANE_HOME")) / name;
  std::filesystem::remove_all(dir);
  return (dir / "ostrane.ini").string();
}

TEST(Profile, ValuesSurviveAReloadAndNamesIgnoreCase) {
  const std::string path = FreshPath("profile1");
  {
    CProfile p(path);
    EXPECT_EQ(p.GetInt("Window", "width", 620), 620);
    EXPECT_TRUE(p.WriteInt("Window", "width", 800));
    EXPECT_TRUE(p.WriteInt("window", "popup", 0));
    EXPECT_TRUE(p.WriteString("Transport", "Proxy", "line1\nline2 \\ end"));
  }
  CProfile p(path);
  EXPECT_EQ(p.GetInt("WINDOW", "Width", 0), 800);
  EXPECT_EQ(p.GetInt("Window", "popup", 1), 0);
  EXPECT_EQ(p.GetString("Transport", "Proxy", ""), "line1\nline2 \\ end");
  EXPECT_TRUE(p.DeleteValue("window", "WIDTH"));
  EXPECT_FALSE(CProfile(path).Has("Window", "width"));
}

TEST(Profile, MalformedFilesReadWhatTheyCan) {
  const std::string path = FreshPath("profile2");
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  {
    std::ofstream out(path, std::ios::binary);
    out << "orphan=1\r\n[Window]\r\nwidth=abc\r\n; comment\r\n=5\r\nheight = 300 \r\n"
        << "[Broken\r\nbuttonbar=1\r\n"
        << "[Transport]\nTelnetPort=" << std::string(kMaxProfileLine + 10, 'x') << "\nType=3\n"
        << "[Transport]\nType=4\n";
  }
  CProfile p(path);
  EXPECT_FALSE(p.Has("", "orphan"));
  EXPECT_EQ(p.GetInt("Window", "width", 620), 620);  // not a number: the default
  EXPECT_EQ(p.GetInt("Window", "height", 460), 300);
  // Values under a broken section header belong to no section.
  EXPECT_FALSE(p.Has("Window", "buttonbar"));
  EXPECT_FALSE(p.Has("Transport", "TelnetPort"));  // too long
  EXPECT_EQ(p.GetInt("Transport", "Type", 0), 3);  // the first of two
}

TEST(Profile, OversizedFileIsNotRead) {
  const std::string path = FreshPath("profile3");
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  {
    std::ofstream out(path, std::ios::binary);
    out << "[Window]\nwidth=700\n" << std::string(kMaxProfileBytes, '\n');
  }
  EXPECT_FALSE(CProfile(path).Has("Window", "width"));
}

}  // namespace
}  // namespace ostrane
