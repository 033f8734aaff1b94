#include "xfer/capture_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "emulator/vt420_emulator.h"
#include "platform/code_page.h"

namespace ostrane {
namespace {

std::string TempPath(const std::string& name) {
  return (std::filesystem::path(std::getenv("OSTRANE_HOME")) / name).string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(CaptureFile, LineFeedsAreStoredAsCrLfAndTheFileIsTruncated) {
  const std::string path = TempPath("lf.txt");
  {
    std::ofstream old(path);
    old << "old contents that must go";
  }
  {
    auto file = CCaptureFile::Open(path);
    ASSERT_NE(file, nullptr);
    file->Write("a\nb");
    file->Write("\n\n");
    file->Write(std::string_view("\0c\f", 3));
  }
  EXPECT_EQ(ReadFile(path), std::string("a\r\nb\r\n\r\n\0c\f", 11));
}

TEST(CaptureFile, OpeningInAMissingFolderFails) {
  EXPECT_EQ(CCaptureFile::Open(TempPath("missing/x.txt")), nullptr);
}

// What the terminal writes into its capture file, normal and debug.
class CaptureModes : public ::testing::Test {
 protected:
  std::string Capture(const std::string& bytes, bool debug) {
    const std::string path = TempPath(debug ? "debug.txt" : "normal.txt");
    {
      CVT420Emulator terminal;
      terminal.Settings().SetInt(S::CaptureDebug, debug ? 1 : 0);
      terminal.SetCapture(CCaptureFile::Open(path));
      terminal.ReceiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      terminal.WriteCaptureTrace("<OP 253 1>");
    }
    return ReadFile(path);
  }
};

TEST_F(CaptureModes, EscapeSequencesLeaveNoTraceInNormalModeAndAreSpelledInDebug) {
  EXPECT_EQ(Capture("\x1b[2J", false), "");
  EXPECT_EQ(Capture("\x1b[2J", true), "<ESC>[2J<OP 253 1>");
}

TEST_F(CaptureModes, TextLineEndsAndTabs) {
  EXPECT_EQ(Capture("A\r\nB", false), "A\r\nB");
  EXPECT_EQ(Capture("\tx", false), "        x");
  EXPECT_EQ(Capture("A\r\nB", true), "A<CR><LF>B<OP 253 1>");
}

TEST_F(CaptureModes, CharacterOutsideTheCodePageIsWrittenAsItsReplacement) {
  platform::SetSystemCodePage(1252);
  // A DEC Special Graphics line (U+2500), which code page 1252 cannot hold.
  const std::string captured = Capture("\x1b(0q", false);
  platform::SetSystemCodePage(0);
  EXPECT_EQ(captured, "?");
}

}  // namespace
}  // namespace ostrane
