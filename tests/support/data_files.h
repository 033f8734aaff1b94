// The data files of a test folder in the source tree, in name order.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace ostrane::test {

inline std::vector<std::filesystem::path> SortedDataFiles(const std::string& folder,
                                                          const std::string& extension) {
  const auto dir = std::filesystem::path(OSTRANE_SOURCE_DIR) / "tests" / folder;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.path().extension() == extension) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace ostrane::test
