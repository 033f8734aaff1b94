#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// Every test program runs with OSTRANE_HOME in a fresh temporary folder, so nothing a test
// does touches the real configuration or data folders.
int main(int argc, char** argv) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "ostrane-test-XXXXXX").string();
  if (char* dir = mkdtemp(tmpl.data())) setenv("OSTRANE_HOME", dir, 1);
  testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  if (const char* home = getenv("OSTRANE_HOME")) {
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }
  return rc;
}
