#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// Every test program runs with OSTRANE_HOME and HOME in a fresh temporary folder, so nothing a
// test does reads or touches the user's configuration, data, known_hosts or keys.
int main(int argc, char** argv) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "ostrane-test-XXXXXX").string();
  const char* root = mkdtemp(tmpl.data());
  if (root == nullptr) {
    perror("mkdtemp");
    return 2;
  }
  const std::filesystem::path base(root);
  std::error_code ec;
  for (const char* name : {"ostrane", "home"}) std::filesystem::create_directory(base / name, ec);
  setenv("OSTRANE_HOME", (base / "ostrane").c_str(), 1);
  setenv("HOME", (base / "home").c_str(), 1);
  testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  std::filesystem::remove_all(base, ec);
  return rc;
}
