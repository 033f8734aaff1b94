// A fresh, empty folder of the running test's own inside OSTRANE_HOME.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace ostrane::test {

inline std::filesystem::path FreshTestFolder() {
  const auto dir = std::filesystem::path(std::getenv("OSTRANE_HOME")) /
                   testing::UnitTest::GetInstance()->current_test_info()->name();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace ostrane::test
