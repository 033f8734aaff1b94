// Real programs in the xterm type through ostrane-cli: a local shell (HostType 7) and a login
// over OpenSSH's sshd, checked on the JSON screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "peers/peer_process.h"
#include "peers/ssh_peer.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

using test::CliResult;
using test::RunCli;

// The "rows" array of the dump, as its JSON text.
std::string Rows(const CliResult& r) {
  const size_t start = r.out.find("\"rows\":[");
  const size_t end = r.out.find("],", start);
  return start == std::string::npos ? std::string() : r.out.substr(start, end - start);
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class CliXterm : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.Made());
    std::ofstream(folder_ / "f.txt") << [] {
      std::string lines;
      for (int i = 1; i <= 100; ++i) lines += "line " + std::to_string(i) + "\n";
      return lines;
    }();
  }
  // A bash in the test's folder whose prompt sets the title and then shows "RDY> ".
  std::vector<std::string> Shell(std::vector<std::string> steps) {
    std::vector<std::string> args{"--set",     "HostType=7",
                                  "--command", "cd " + folder_.string() + " && exec bash --norc -i",
                                  "--send",    "PS1='\\[\\e]0;T:\\W\\a\\]R''DY> '<CR>",
                                  "--until",   "RDY>"};
    args.insert(args.end(), steps.begin(), steps.end());
    for (const char* a : {"--for", "40", "--attrs"}) args.emplace_back(a);
    return args;
  }
  test::CTempHome home_{"ostrane-clixterm"};
  std::filesystem::path folder_ = test::FreshTestFolder();
};

TEST_F(CliXterm, LocalShellIsAnXtermWithColoursAndTitles) {
  const CliResult r =
      RunCli(Shell({"--send", "tput colors<CR>", "--until", "RDY>", "--send",
                    "printf '\\033[38;5;196mX\\033[0m\\n'<CR>", "--until", "RDY>"}));
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  const std::string rows = Rows(r);
  EXPECT_TRUE(Has(rows, "\"256 ")) << rows;
  EXPECT_TRUE(Has(rows, "\"X ")) << rows;
  EXPECT_TRUE(Has(r.out, "\"fg\":\"5;196\"")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"TermID\":6")) << r.out;
  // The prompt's title sequence sets the title and leaves no text.
  EXPECT_TRUE(Has(r.out, "\"title\":\"T:" + folder_.filename().string() + "\"")) << r.out;
  EXPECT_TRUE(Has(rows, "\"RDY> tput colors")) << rows;
}

// vi and less take the alternate screen; when they end, the shell's screen is back as it was.
TEST_F(CliXterm, FullScreenProgramsRestoreTheScreen) {
  const CliResult r = RunCli(
      Shell({"--send", "vi f.txt<CR>", "--until", "line 23", "--send", ":q<CR>", "--until", "RDY>",
             "--send", "less f.txt<CR>", "--until", "line 23", "--send", "q", "--until", "RDY>"}));
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  const std::string rows = Rows(r);
  EXPECT_TRUE(Has(rows, "RDY> vi f.txt")) << rows;
  EXPECT_TRUE(Has(rows, "RDY> less f.txt")) << rows;
  EXPECT_FALSE(Has(rows, "line 1")) << rows;
}

TEST_F(CliXterm, OverSshTheHostSeesAnXterm) {
  ASSERT_TRUE(test::EnsureTestUser());
  test::CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  const CliResult r = RunCli(
      {"--set",
       "HostType=5",
       "--set",
       "TermID=6",
       "127.0.0.1:" + std::to_string(sshd.Port()),
       "--user",
       test::kTestUser,
       "--password",
       test::kTestPassword,
       "--host-key",
       "accept",
       "--until",
       "$ ",
       "--send",
       "printf '\\033]2;remote\\007\\033[48;2;1;2;3mX\\033[m\\n'; echo T=$TERM; tput colors<CR>",
       "--until",
       "256",
       "--for",
       "30",
       "--attrs"});
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  const std::string rows = Rows(r);
  EXPECT_TRUE(Has(rows, "T=xterm-256color")) << rows;
  EXPECT_TRUE(Has(rows, "\"X ")) << rows;
  EXPECT_TRUE(Has(r.out, "\"bg\":\"2;1;2;3\"")) << r.out;
  // The command's title, or the one the login's own prompt sets when it has come back already.
  EXPECT_TRUE(Has(r.out, "\"title\":\"remote\"") ||
              Has(r.out, "\"title\":\"" + std::string(test::kTestUser) + "@"))
      << r.out;
}

}  // namespace
}  // namespace ostrane
