// A fresh, empty folder of the running test's own inside OSTRANE_HOME.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace ostrane::test {

inline std::filesystem::path FreshTestFolder() {
  const auto dir = std::filesystem::path(std::getenv("OSTRANE_HOME")) /
                   testing::UnitTest::GetInstance()->current_test_info()->name();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// OSTRANE_HOME pointed at a new temporary folder for the object's life (for tests whose
// processes must not share a key store), then restored and the folder removed.
class CTempHome {
 public:
  explicit CTempHome(const std::string& prefix) {
    std::string home = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(home.data()) == nullptr) return;
    home_ = home;
    if (const char* previous = std::getenv("OSTRANE_HOME")) previous_ = previous;
    setenv("OSTRANE_HOME", home_.c_str(), 1);
  }
  ~CTempHome() {
    if (home_.empty()) return;
    if (previous_) setenv("OSTRANE_HOME", previous_->c_str(), 1);
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
  }
  CTempHome(const CTempHome&) = delete;
  CTempHome& operator=(const CTempHome&) = delete;
  bool Made() const { return !home_.empty(); }

 private:
  std::string home_;
  std::optional<std::string> previous_;
};

}  // namespace ostrane::test
