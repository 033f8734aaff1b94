// CMruList: a most-recently-used list kept in one profile section ("HostMRU", "SSH_MRU",
// "ModemMRU"), most recent first, under the value names HostMRU0 ... HostMRU19 in every section.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/profile.h"

namespace ostrane {

inline constexpr int kMruCapacity = 20;

inline constexpr char kHostMruSection[] = "HostMRU";
inline constexpr char kSshMruSection[] = "SSH_MRU";
inline constexpr char kModemMruSection[] = "ModemMRU";

class CMruList {
 public:
  // Reads the section; empty values are skipped.
  CMruList(CProfile& profile, std::string section);

  // The values of a section without keeping a list.
  static std::vector<std::string> Read(const CProfile& profile, std::string_view section);

  const std::vector<std::string>& Values() const { return values_; }
  // Puts the value first (removing an earlier copy) and rewrites the whole section: the first
  // 20 values under their names, the names past the end deleted. An empty value is ignored.
  void MoveToFront(std::string_view value);
  // The user takes a value out of the list (Delete in the dialog's list), or all of them.
  void Remove(std::string_view value);
  void Clear();

 private:
  void Write();

  CProfile& profile_;
  std::string section_;
  std::vector<std::string> values_;
};

}  // namespace ostrane
