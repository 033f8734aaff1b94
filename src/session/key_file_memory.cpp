#include "session/key_file_memory.h"

#include <algorithm>
#include <charconv>

namespace ostrane {

namespace {

constexpr char kValuePrefix[] = "KeyFile";
constexpr char kSeparator = '|';
constexpr int kMaxPort = 65535;
constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string ValueName(size_t index) {
  return kValuePrefix + std::to_string(index);
}

// The separator, the escape itself, spaces and control characters are written as %XX: the
// profile trims a value's ends and keeps it on one line. Everything else, "=", ";" and
// non-ASCII bytes among it, the profile keeps as it is.
bool NeedsEscape(unsigned char c) {
  return c <= ' ' || c == 0x7F || c == '%' || c == kSeparator;
}

void AppendField(std::string& out, std::string_view field) {
  for (const char ch : field) {
    const auto c = static_cast<unsigned char>(ch);
    if (!NeedsEscape(c)) {
      out += ch;
      continue;
    }
    out += '%';
    out += kHexDigits[c >> 4];
    out += kHexDigits[c & 0x0F];
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> DecodeField(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '%') {
      out += field[i];
      continue;
    }
    if (i + 2 >= field.size()) return std::nullopt;
    const int high = HexValue(field[i + 1]);
    const int low = HexValue(field[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

bool SameHost(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

bool Owns(const KeyFileRecord& r, std::string_view host, int port, std::string_view user) {
  return r.port == port && r.user == user && SameHost(r.host, host);
}

// The profile line the record would take: its name, "=", and the value with the profile's own
// escape of backslashes.
size_t LineLength(const std::string& value) {
  return ValueName(kKeyFileMemoryCapacity - 1).size() + 1 + value.size() +
         static_cast<size_t>(std::count(value.begin(), value.end(), '\\'));
}

}  // namespace

std::string CKeyFileMemory::Encode(const KeyFileRecord& record) {
  std::string out;
  AppendField(out, record.host);
  out += kSeparator;
  out += std::to_string(record.port);
  out += kSeparator;
  AppendField(out, record.user);
  out += kSeparator;
  AppendField(out, record.path);
  return out;
}

std::optional<KeyFileRecord> CKeyFileMemory::Decode(std::string_view value) {
  std::vector<std::string_view> fields;
  for (size_t start = 0;;) {
    const size_t end = value.find(kSeparator, start);
    fields.push_back(value.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (fields.size() != 4) return std::nullopt;
  KeyFileRecord r;
  const std::string_view port = fields[1];
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), r.port);
  if (error != std::errc() || end != port.data() + port.size() || r.port <= 0 || r.port > kMaxPort)
    return std::nullopt;
  auto host = DecodeField(fields[0]);
  auto user = DecodeField(fields[2]);
  auto path = DecodeField(fields[3]);
  if (!host || !user || !path || host->empty() || user->empty() || path->empty())
    return std::nullopt;
  r.host = std::move(*host);
  r.user = std::move(*user);
  r.path = std::move(*path);
  return r;
}

std::vector<KeyFileRecord> CKeyFileMemory::Records() const {
  std::vector<KeyFileRecord> records;
  for (size_t i = 0; i < kKeyFileMemoryCapacity; ++i)
    if (auto r = Decode(profile_.GetString(kKeyFileSection, ValueName(i), "")))
      records.push_back(std::move(*r));
  return records;
}

std::optional<std::string> CKeyFileMemory::Recall(std::string_view host, int port,
                                                  std::string_view user) const {
  for (KeyFileRecord& r : Records())
    if (Owns(r, host, port, user)) return std::move(r.path);
  return std::nullopt;
}

bool CKeyFileMemory::Remember(const KeyFileRecord& record) {
  if (record.host.empty() || record.user.empty() || record.path.empty() ||
      LineLength(Encode(record)) > kMaxProfileLine)
    return false;
  std::vector<KeyFileRecord> records = Records();
  std::erase_if(records, [&](const KeyFileRecord& r) {
    return Owns(r, record.host, record.port, record.user);
  });
  records.insert(records.begin(), record);
  if (records.size() > kKeyFileMemoryCapacity) records.resize(kKeyFileMemoryCapacity);
  return Write(records);
}

void CKeyFileMemory::Forget(std::string_view host, int port, std::string_view user) {
  std::vector<KeyFileRecord> records = Records();
  const size_t before = records.size();
  std::erase_if(records, [&](const KeyFileRecord& r) { return Owns(r, host, port, user); });
  if (records.size() != before) Write(records);
}

// The whole section again, so that the records stay in order with no gaps.
bool CKeyFileMemory::Write(const std::vector<KeyFileRecord>& records) {
  profile_.BeginBatch();
  for (size_t i = 0; i < kKeyFileMemoryCapacity; ++i) {
    if (i < records.size())
      profile_.WriteString(kKeyFileSection, ValueName(i), Encode(records[i]));
    else
      profile_.DeleteValue(kKeyFileSection, ValueName(i));
  }
  return profile_.EndBatch();
}

}  // namespace ostrane
