// CAddressBook: the user's list of sites, kept sorted by name, and its file "AddrBook.Txt":
// per site the lines name, type, address, template, then "##No Script" or a script between
// "##Start Script" and "##End Script"; every line ends with CR LF.
#pragma once

#include <cstddef>
#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_set.h"

namespace ostrane {

inline constexpr char kAddressBookFileName[] = "AddrBook.Txt";
// Characters kept of each line read; the rest of a longer line is dropped.
inline constexpr size_t kMaxAddressBookLine = 255;
// Sites read from one file; the rest of a larger file is ignored.
inline constexpr size_t kMaxAddressBookSites = 10000;
// Lines of one site's script; further lines are read and dropped.
inline constexpr size_t kMaxScriptLines = 10000;

inline constexpr const char* kSiteTypes[] = {"Telnet", "Modem", "SSH1", "SSH2"};

struct AddressBookSite {
  std::string name;
  std::string type;
  std::string address;
  std::string templateName;
  std::string script;  // lines ending with CR LF, or empty

  bool operator==(const AddressBookSite&) const = default;
};

class CAddressBook {
 public:
  // A missing file gives an empty book.
  void Read(const std::string& path);
  void Read(std::istream& in);
  bool Write(const std::string& path) const;
  std::string Serialize() const;

  const std::vector<AddressBookSite>& Sites() const { return sites_; }
  int IndexOf(std::string_view name) const;  // -1 when absent
  // Inserts with a name made unique by " (n)"; returns the new row.
  int Add(AddressBookSite site);
  // Replaces the row's fields (no uniqueness check); returns the row where it now sits.
  int Modify(int row, AddressBookSite site);
  void Remove(int row);

 private:
  int Insert(AddressBookSite site);

  std::vector<AddressBookSite> sites_;
};

// "TELNET" shows as "Telnet", "ssh2" as "SSH2"; an unknown type stays as it is.
std::string CanonicalSiteType(std::string_view type);

// The entry dialog's check: an empty address gives the message; an empty name becomes the
// address. Returns an empty text when the site may be stored.
std::string CheckSiteEntry(AddressBookSite& site);
inline constexpr char kTextNoAddress[] = "Please input the address for the host.";
inline constexpr char kTextSelectSite[] = "Please select a site name.";

// Applies a site to a session's settings: its template first (through loadTemplate; false is
// returned when that fails, after the rest was applied), then kind and address, then the script.
bool ApplySite(const AddressBookSite& site, CSettingsSet& settings,
               const std::function<bool(const std::string&, CSettingsSet&)>& loadTemplate);

}  // namespace ostrane
