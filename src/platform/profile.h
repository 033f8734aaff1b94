// CProfile: the per-user application profile, an INI file of sections and named values.
// Section and value names compare without regard to case. Every change is written to the file
// at once (temporary file, then rename), so a crash never leaves half a profile.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane {

// A profile larger than this is not read (it is not one this program wrote).
inline constexpr size_t kMaxProfileBytes = 1 << 20;
// Lines longer than this are skipped when the profile is read.
inline constexpr size_t kMaxProfileLine = 4096;

class CProfile {
 public:
  // Reads the file when it exists; a missing or unreadable file gives an empty profile.
  explicit CProfile(std::string path);

  const std::string& Path() const { return path_; }

  int GetInt(std::string_view section, std::string_view name, int defaultValue) const;
  std::string GetString(std::string_view section, std::string_view name,
                        std::string_view defaultValue) const;
  bool Has(std::string_view section, std::string_view name) const;

  // Each returns false when the file could not be written (the value is kept in memory).
  bool WriteInt(std::string_view section, std::string_view name, int value);
  bool WriteString(std::string_view section, std::string_view name, std::string_view value);
  bool DeleteValue(std::string_view section, std::string_view name);

  // Between these, changes stay in memory; the file is written once at the end.
  void BeginBatch();
  bool EndBatch();

 private:
  struct Entry {
    std::string section;
    std::string name;
    std::string value;
  };

  void Load();
  bool Save() const;
  const Entry* Find(std::string_view section, std::string_view name) const;

  std::string path_;
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  int batchDepth_ = 0;  // in file order; sections are written in first-seen order
};

}  // namespace ostrane
