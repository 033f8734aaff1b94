// ostrane-cli and ostrane-replay starting from settings templates and session files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "emulator/vt420_emulator.h"
#include "peers/peer_process.h"
#include "platform/paths.h"
#include "session/settings_templates.h"
#include "session/setup_file.h"

namespace ostrane {
namespace {

using test::CliResult;
using test::RunCli;

class CliTemplateTest : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove(platform::DataFolder() + "/default.OSN");
    // A session on the local loop in 132 columns.
    terminal_.Settings().SetInt(S::HostType, 2);
    terminal_.Settings().SetInt(S::Columns, 132);
  }
  void TearDown() override { std::filesystem::remove(platform::DataFolder() + "/default.OSN"); }
  static bool Has(const CliResult& r, const std::string& text) {
    return r.out.find(text) != std::string::npos;
  }
  CVT420Emulator terminal_;
};

TEST_F(CliTemplateTest, NamedTemplate) {
  ASSERT_TRUE(SaveTemplate(terminal_, "loop132"));
  const CliResult r =
      RunCli({"--template", "loop132", "--send", "abc", "--until", "abc", "--for", "10"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r, "\"columns\":132")) << r.out;
  EXPECT_TRUE(Has(r, "abc")) << r.out;
}

TEST_F(CliTemplateTest, DefaultTemplateAndOptionsOnTop) {
  ASSERT_TRUE(SaveTemplate(terminal_, kDefaultTemplate));
  const CliResult r =
      RunCli({"--set", "Title=from options", "--send", "x", "--until", "x", "--for", "10"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r, "\"columns\":132")) << r.out;
  EXPECT_TRUE(Has(r, "\"Title\":\"from options\"")) << r.out;
}

TEST_F(CliTemplateTest, SessionFile) {
  const std::string path = platform::DataFolder() + "/session.OSN";
  terminal_.Settings().SetStr(S::AnswerBack, "from file");
  ASSERT_EQ(WriteSetupFile(path, terminal_.Settings(), terminal_.KeyMap()), SetupFileStatus::kOk);
  const CliResult r = RunCli({path, "--send", "<ENQ>", "--until", "from file", "--for", "10"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r, "\"columns\":132")) << r.out;
  EXPECT_TRUE(Has(r, "from file")) << r.out;
}

TEST_F(CliTemplateTest, UnreadableSettingsAreErrors) {
  CliResult r = RunCli({"--template", "no such template", "--for", "1"});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("Cannot load settings from template."), std::string::npos) << r.err;

  const std::string old = platform::DataFolder() + "/old.OSN";
  std::ofstream(old, std::ios::binary) << std::string("\x14OSN V2.50 Setup File");
  r = RunCli({old, "--for", "1"});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("previous version of Ostrane"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Unexpected file format."), std::string::npos) << r.err;
}

// Runs ostrane-replay through the shell; returns its exit status and standard output.
std::pair<int, std::string> RunReplay(const std::string& arguments) {
  const std::string command =
      std::string(OSTRANE_BINARY_DIR) + "/ostrane-replay " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, ""};
  std::string out;
  char buffer[4096];
  while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  return {pclose(pipe), out};
}

TEST_F(CliTemplateTest, ReplayReadsASetupFileBeforeItsSetOptions) {
  const std::string path = platform::DataFolder() + "/replay.OSN";
  terminal_.Settings().SetInt(S::Lines, 36);
  ASSERT_EQ(WriteSetupFile(path, terminal_.Settings(), terminal_.KeyMap()), SetupFileStatus::kOk);
  const std::string input = platform::DataFolder() + "/input.txt";
  std::ofstream(input) << "hello";
  auto [status, out] = RunReplay("--template '" + path + "' --set Lines=48 '" + input + "'");
  ASSERT_EQ(status, 0);
  EXPECT_NE(out.find("\"columns\":132"), std::string::npos) << out;
  EXPECT_NE(out.find("\"lines\":48"), std::string::npos) << out;

  std::ofstream(path, std::ios::binary) << std::string("\x14OSN V3.00 Setup File\x07\x03", 23);
  std::tie(status, out) = RunReplay("--template '" + path + "' '" + input + "'");
  EXPECT_NE(status, 0);
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace ostrane
