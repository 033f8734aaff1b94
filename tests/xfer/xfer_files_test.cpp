// Names from the network against a real receive folder: nothing lands outside it, nothing in it
// is replaced, no link is followed, and every stored file is private.
#include "xfer/xfer_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/test_folder.h"
#include "xfer/zmodem_memory.h"
#include "xfer/zmodem_receiver.h"

namespace ostrane {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> HostileNameList() {
  std::vector<std::string> names = {"/etc/passwd",
                                    "/tmp/ostrane-escape",
                                    "//server/share/file",
                                    "../outside.txt",
                                    "../../etc/passwd",
                                    "..",
                                    ".",
                                    "a/../../b",
                                    "sub/../../escape",
                                    "./../x",
                                    "..\\..\\win.ini",
                                    "C:\\Windows\\system.ini",
                                    "\\\\server\\share\\x",
                                    "dir\\..\\up",
                                    "a\\b\\c.txt",
                                    "bell\x07",
                                    "new\nline",
                                    "tab\tname",
                                    "esc\x1b[31m",
                                    "del\x7f",
                                    "cr\r",
                                    "\x01",
                                    std::string(300, 'a'),
                                    std::string(255, 'b'),
                                    std::string(256, 'c'),
                                    [] {
                                      std::string deep;
                                      for (int i = 0; i < 200; ++i) deep += "x/";
                                      return deep + "end";
                                    }(),
                                    "existing.txt",
                                    "existing.txt",
                                    "link",
                                    "dirlink",
                                    "dangling",
                                    "dirlink/escape.txt",
                                    "",
                                    " ",
                                    "-rf",
                                    "~",
                                    "~/.bashrc",
                                    "$(rm -rf ~)",
                                    "`id`",
                                    "name with spaces.txt",
                                    ".hidden",
                                    "...",
                                    "%2e%2e%2fetc",
                                    "file:///etc/shadow",
                                    "unicode-\xc3\xa9.txt",
                                    "existing.txt/",
                                    "a/",
                                    "*",
                                    "|pipe",
                                    ";ls",
                                    "foo\\",
                                    "....//....//x",
                                    "recv",
                                    "../recv/../../outside.txt"};
  return names;
}

class HostileNames : public testing::Test {
 protected:
  void SetUp() override {
    root_ = test::FreshTestFolder();
    recv_ = root_ / "recv";
    fs::create_directories(recv_);
    std::ofstream(root_ / "outside.txt") << "outside";
    std::ofstream(recv_ / "existing.txt") << "old";
    fs::create_symlink("../outside.txt", recv_ / "link");
    fs::create_symlink(root_, recv_ / "dirlink");
    fs::create_symlink(root_ / "through-link", recv_ / "dangling");
  }

  Bytes Frames(const std::function<void(CZmodemEncoder&)>& write) {
    Bytes bytes;
    CZmodemEncoder encoder(bytes);
    write(encoder);
    return bytes;
  }

  fs::path root_, recv_;
};

TEST_F(HostileNames, NeverWriteOutsideTheFolderNorReplaceAnything) {
  CPosixReceiveFolder folder(recv_);
  test::CEventLog log;
  CZmodemReceiver receiver(folder, log);
  receiver.Start();
  const auto names = HostileNameList();
  ASSERT_GE(names.size(), 50u);
  size_t refused = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string payload = "payload " + std::to_string(i);
    receiver.Output().clear();
    const Bytes offer = Frames([&](CZmodemEncoder& e) {
      std::string info = names[i] + std::string(
                                        "\0"
                                        "10",
                                        3);
      e.BinaryHeader(ZFILE, {}, true);
      e.Subpacket(reinterpret_cast<const uint8_t*>(info.data()), info.size(), ZCRCW, true);
    });
    receiver.Feed(offer.data(), offer.size());
    const auto safe = SafeReceiveName(names[i]);
    Bytes expected;
    CZmodemEncoder(expected).HexHeader(safe ? ZRPOS : ZSKIP, {});
    ASSERT_EQ(receiver.Output(), expected) << i;
    if (!safe) {
      ++refused;
      continue;
    }
    EXPECT_EQ(safe->find_first_of("/\\"), std::string::npos);
    const Bytes rest = Frames([&](CZmodemEncoder& e) {
      e.BinaryHeader(ZDATA, {}, true);
      e.Subpacket(reinterpret_cast<const uint8_t*>(payload.data()), payload.size(), ZCRCE, true);
      e.HexHeader(ZEOF, ZHeader::FromPosition(static_cast<uint32_t>(payload.size())));
    });
    receiver.Feed(rest.data(), rest.size());
    ASSERT_FALSE(log.ends.empty());
    ASSERT_TRUE(log.ends.back().complete) << i << " " << log.ends.back().message;
    EXPECT_EQ(ReadText(recv_ / log.ends.back().name), payload) << i;
  }
  // The refusals: "", ".", "..", three names ending in a separator, seven with control
  // characters and two over-long ones.
  EXPECT_EQ(refused, 15u);
  EXPECT_EQ(receiver.FilesStored(), names.size() - refused);

  // Outside the folder nothing changed.
  std::vector<std::string> top;
  for (const auto& entry : fs::directory_iterator(root_)) top.push_back(entry.path().filename());
  std::sort(top.begin(), top.end());
  EXPECT_EQ(top, (std::vector<std::string>{"outside.txt", "recv"}));
  EXPECT_EQ(ReadText(root_ / "outside.txt"), "outside");
  // Inside, what was there is untouched, links are still the same links, and every new entry
  // is a private regular file (no folder, no leftover temporary file).
  EXPECT_EQ(ReadText(recv_ / "existing.txt"), "old");
  EXPECT_EQ(fs::read_symlink(recv_ / "link"), "../outside.txt");
  EXPECT_TRUE(fs::is_symlink(recv_ / "dangling"));
  EXPECT_EQ(ReadText(recv_ / "existing.txt.1"), "payload 26");
  EXPECT_EQ(ReadText(recv_ / "existing.txt.2"), "payload 27");
  EXPECT_TRUE(fs::exists(recv_ / "link.1"));
  for (const auto& entry : fs::directory_iterator(recv_)) {
    const auto name = entry.path().filename().string();
    if (name == "link" || name == "dirlink" || name == "dangling" || name == "existing.txt")
      continue;
    ASSERT_TRUE(entry.is_regular_file() && !entry.is_symlink()) << name;
    EXPECT_EQ(name.find(".part"), std::string::npos) << name;
    struct stat info {};
    ASSERT_EQ(::lstat(entry.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
  }
}

TEST_F(HostileNames, ADiscardedFileLeavesNothingBehind) {
  CPosixReceiveFolder folder(recv_);
  std::string error;
  auto file = folder.Create("partial.bin", error);
  ASSERT_TRUE(file) << error;
  const uint8_t data[] = {1, 2, 3};
  ASSERT_TRUE(file->Write(data, sizeof data));
  file->Discard();
  file.reset();
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(recv_)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"dangling", "dirlink", "existing.txt", "link"}));
}

TEST(SendName, IsTheLastPathComponent) {
  EXPECT_EQ(SendName("/home/user/report.txt"), "report.txt");
  EXPECT_EQ(SendName("report.txt"), "report.txt");
  EXPECT_EQ(SendName("dir/sub/a b.bin"), "a b.bin");
}

TEST(ReceiveFolder, RelativeFoldersLiveInTheDataFolder) {
  EXPECT_EQ(ResolveReceiveFolder("Received", "/data"), "/data/Received");
  EXPECT_EQ(ResolveReceiveFolder("", "/data"), "/data");
  EXPECT_EQ(ResolveReceiveFolder("/srv/in", "/data"), "/srv/in");
  EXPECT_EQ(ResolveReceiveFolder("Received\\Sub", "/data"), "/data/Received/Sub");
  EXPECT_EQ(ResolveReceiveFolder("C:\\Files\\In", "/data"), "/data/Files/In");
}

}  // namespace
}  // namespace ostrane
