#include "platform/profile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace ostrane {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) {
             return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
           };
           return lower(x) == lower(y);
         });
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// Values stay on one line: backslash, CR and LF are written as \\, \r and \n.
std::string Escape(std::string_view value) {
  std::string out;
  for (char c : value) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

std::string Unescape(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char next = value[++i];
    out += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
  }
  return out;
}

}  // namespace

CProfile::CProfile(std::string path) : path_(std::move(path)) {
  Load();
}

void CProfile::Load() {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path_, ec);
  if (ec || size > kMaxProfileBytes) return;
  std::ifstream in(path_, std::ios::binary);
  std::string section;
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() > kMaxProfileLine) continue;
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == ';' || text.front() == '#') continue;
    if (text.front() == '[') {
      const size_t close = text.find(']');
      section = close == std::string_view::npos ? std::string()
                                                : std::string(Trim(text.substr(1, close - 1)));
      continue;
    }
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos || section.empty()) continue;
    const std::string_view name = Trim(text.substr(0, eq));
    if (name.empty() || Find(section, name)) continue;
    entries_.push_back({section, std::string(name), Unescape(Trim(text.substr(eq + 1)))});
  }
}

bool CProfile::Save() const {
  if (batchDepth_ > 0) return true;
  std::vector<std::string> sections;
  for (const Entry& e : entries_)
    if (std::none_of(sections.begin(), sections.end(),
                     [&](const std::string& s) { return SameName(s, e.section); }))
      sections.push_back(e.section);
  std::string text;
  for (const std::string& s : sections) {
    if (!text.empty()) text += '\n';
    text += '[' + s + "]\n";
    for (const Entry& e : entries_)
      if (SameName(e.section, s)) text += e.name + '=' + Escape(e.value) + '\n';
  }
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
  const std::string temp = path_ + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool ok = done == text.size() && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok || std::rename(temp.c_str(), path_.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

const CProfile::Entry* CProfile::Find(std::string_view section, std::string_view name) const {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
    return SameName(e.section, section) && SameName(e.name, name);
  });
  return it == entries_.end() ? nullptr : &*it;
}

bool CProfile::Has(std::string_view section, std::string_view name) const {
  std::lock_guard lock(mutex_);
  return Find(section, name) != nullptr;
}

int CProfile::GetInt(std::string_view section, std::string_view name, int defaultValue) const {
  std::lock_guard lock(mutex_);
  const Entry* e = Find(section, name);
  if (!e) return defaultValue;
  int value = 0;
  const std::string_view text = Trim(e->value);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() ? value : defaultValue;
}

std::string CProfile::GetString(std::string_view section, std::string_view name,
                                std::string_view defaultValue) const {
  std::lock_guard lock(mutex_);
  const Entry* e = Find(section, name);
  return e ? e->value : std::string(defaultValue);
}

bool CProfile::WriteInt(std::string_view section, std::string_view name, int value) {
  return WriteString(section, name, std::to_string(value));
}

bool CProfile::WriteString(std::string_view section, std::string_view name,
                           std::string_view value) {
  std::lock_guard lock(mutex_);
  const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
    return SameName(e.section, section) && SameName(e.name, name);
  });
  if (it != entries_.end())
    it->value = std::string(value);
  else
    entries_.push_back({std::string(section), std::string(name), std::string(value)});
  return Save();
}

void CProfile::BeginBatch() {
  std::lock_guard lock(mutex_);
  ++batchDepth_;
}

bool CProfile::EndBatch() {
  std::lock_guard lock(mutex_);
  if (batchDepth_ > 0) --batchDepth_;
  return Save();
}

bool CProfile::DeleteValue(std::string_view section, std::string_view name) {
  std::lock_guard lock(mutex_);
  const auto before = entries_.size();
  std::erase_if(entries_, [&](const Entry& e) {
    return SameName(e.section, section) && SameName(e.name, name);
  });
  return before == entries_.size() || Save();
}

}  // namespace ostrane
