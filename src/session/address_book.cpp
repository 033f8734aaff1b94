#include "session/address_book.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "session/command_line.h"

namespace ostrane {

namespace {

constexpr char kNoScript[] = "##No Script";
constexpr char kStartScript[] = "##Start Script";
constexpr char kEndScript[] = "##End Script";
constexpr char kCrLf[] = "\r\n";

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// Names sort without regard to case, then by their exact bytes.
bool NameBefore(const std::string& a, const std::string& b) {
  const auto lower = [](unsigned char c) { return std::tolower(c); };
  const bool less =
      std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) {
        return lower(static_cast<unsigned char>(x)) < lower(static_cast<unsigned char>(y));
      });
  const bool greater =
      std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), [&](char x, char y) {
        return lower(static_cast<unsigned char>(x)) < lower(static_cast<unsigned char>(y));
      });
  return less || (!greater && a < b);
}

// One line: CR LF or LF ends it; the line is cut at kMaxAddressBookLine characters.
bool ReadLine(std::istream& in, std::string& line) {
  line.clear();
  if (!in || in.peek() == std::char_traits<char>::eof()) return false;
  int c;
  while ((c = in.get()) != std::char_traits<char>::eof() && c != '\n')
    if (line.size() < kMaxAddressBookLine + 1) line += static_cast<char>(c);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() > kMaxAddressBookLine) line.resize(kMaxAddressBookLine);
  return true;
}

}  // namespace

std::string CanonicalSiteType(std::string_view type) {
  for (const char* t : kSiteTypes)
    if (EqualNoCase(type, t)) return t;
  return std::string(type);
}

void CAddressBook::Read(const std::string& path) {
  sites_.clear();
  std::ifstream in(path, std::ios::binary);
  if (in) Read(in);
}

void CAddressBook::Read(std::istream& in) {
  sites_.clear();
  std::string lines[5];
  while (sites_.size() < kMaxAddressBookSites) {
    bool complete = true;
    for (std::string& line : lines) {
      if (!ReadLine(in, line)) {
        complete = false;
        break;
      }
    }
    if (!complete) break;
    AddressBookSite site{lines[0], CanonicalSiteType(lines[1]), lines[2], lines[3], {}};
    if (lines[4] == kStartScript) {
      std::string line;
      size_t count = 0;
      while (ReadLine(in, line) && line != kEndScript)
        if (count++ < kMaxScriptLines) site.script += line + kCrLf;
    }
    Insert(std::move(site));
  }
}

std::string CAddressBook::Serialize() const {
  std::string out;
  for (const AddressBookSite& s : sites_) {
    for (const std::string* field : {&s.name, &s.type, &s.address, &s.templateName})
      out += *field + kCrLf;
    if (s.script.empty()) {
      out += std::string(kNoScript) + kCrLf;
      continue;
    }
    out += std::string(kStartScript) + kCrLf + s.script;
    if (s.script.back() != '\n') out += kCrLf;
    out += std::string(kEndScript) + kCrLf;
  }
  return out;
}

bool CAddressBook::Write(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::string text = Serialize();
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  return static_cast<bool>(out);
}

int CAddressBook::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < sites_.size(); ++i)
    if (sites_[i].name == name) return static_cast<int>(i);
  return -1;
}

int CAddressBook::Insert(AddressBookSite site) {
  const auto at = std::upper_bound(sites_.begin(), sites_.end(), site,
                                   [](const AddressBookSite& a, const AddressBookSite& b) {
                                     return NameBefore(a.name, b.name);
                                   });
  return static_cast<int>(sites_.insert(at, std::move(site)) - sites_.begin());
}

int CAddressBook::Add(AddressBookSite site) {
  if (IndexOf(site.name) >= 0) {
    const std::string base = site.name;
    for (int n = 1;; ++n) {
      site.name = base + " (" + std::to_string(n) + ")";
      if (IndexOf(site.name) < 0) break;
    }
  }
  return Insert(std::move(site));
}

int CAddressBook::Modify(int row, AddressBookSite site) {
  if (row < 0 || static_cast<size_t>(row) >= sites_.size()) return -1;
  sites_.erase(sites_.begin() + row);
  return Insert(std::move(site));
}

void CAddressBook::Remove(int row) {
  if (row >= 0 && static_cast<size_t>(row) < sites_.size()) sites_.erase(sites_.begin() + row);
}

std::string CheckSiteEntry(AddressBookSite& site) {
  if (site.address.empty()) return kTextNoAddress;
  if (site.name.empty()) site.name = site.address;
  return {};
}

bool ApplySite(const AddressBookSite& site, CSettingsSet& settings,
               const std::function<bool(const std::string&, CSettingsSet&)>& loadTemplate) {
  bool ok = true;
  if (!site.templateName.empty() && loadTemplate) ok = loadTemplate(site.templateName, settings);
  const std::string type = CanonicalSiteType(site.type);
  if (type == "Modem") {
    settings.SetInt(S::HostType, 3);
    settings.SetStr(S::HostName, site.address);
  } else {
    const bool ssh1 = type == "SSH1";
    const bool ssh2 = type == "SSH2";
    const HostAddress a =
        SplitHostAddress(site.address, ssh1 || ssh2 ? kSshDefaultPort : kTelnetDefaultPort);
    settings.SetInt(S::HostType, ssh1 ? 6 : ssh2 ? 5 : 0);
    settings.SetStr(S::HostName, a.host);
    settings.SetInt(S::Port, a.port);
  }
  if (!site.script.empty()) {
    settings.SetStr(S::Script, site.script);
    settings.SetInt(S::LoginScript, 1);
  }
  return ok;
}

}  // namespace ostrane
