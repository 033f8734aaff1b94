#include "session/command_line.h"

#include <cctype>
#include <optional>

#include "session/host_address.h"

namespace ostrane {

namespace {

constexpr std::string_view kTelnetPrefix = "TELNET:";
// The extensions tried after a target that names no file.
constexpr const char* kSessionExtensions[] = {".OSN", ".osn"};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

// Leading decimal digits, saturating at kPortLimit; no digits give 0.
int LeadingPort(std::string_view text) {
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value >= kPortLimit) return kPortLimit;
  }
  return value;
}

std::string Unquote(std::string_view text) {
  if (!text.empty() && text.front() == '"') text.remove_prefix(1);
  if (!text.empty() && text.back() == '"') text.remove_suffix(1);
  return std::string(text);
}

// A Telnet link ("telnet://host:port/") without its prefix, slashes and trailing slash.
std::string_view StripTelnetLink(std::string_view address) {
  if (StartsWithNoCase(address, kTelnetPrefix)) {
    address.remove_prefix(kTelnetPrefix.size());
    if (address.starts_with("//")) address.remove_prefix(2);
    if (address.ends_with('/')) address.remove_suffix(1);
  }
  return address;
}

}  // namespace

HostAddress SplitHostAddress(std::string_view address, int defaultPort) {
  address = StripTelnetLink(address);
  std::string error;
  const auto parts = SplitHostPortText(address, error);
  if (!parts) return {std::string(address), defaultPort};
  return {parts->host, parts->hasPort ? LeadingPort(parts->portText) : defaultPort};
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> items;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
      continue;
    }
    size_t end;
    if (line[i] == '"') {
      end = line.find('"', i + 1);
      end = end == std::string_view::npos ? line.size() : end + 1;
    } else {
      end = line.find_first_of(" \t", i);
      if (end == std::string_view::npos) end = line.size();
    }
    items.emplace_back(line.substr(i, end - i));
    i = end;
  }
  return items;
}

CommandLineRequest InterpretCommandLine(
    const std::vector<std::string>& items,
    const std::function<bool(const std::string&)>& fileExists,
    const std::function<bool(const std::string&)>& otherExists) {
  CommandLineRequest request;
  char option = 0;  // F, H or P
  bool scriptNext = false;
  bool scriptPending = false;
  std::vector<std::string> arguments;
  auto fail = [&request](std::string reason) {
    request.action = CommandLineAction::kFail;
    request.error = std::move(reason);
    return request;
  };
  for (const std::string& item : items) {
    if (!item.empty() && item.front() == '-') {
      if (item.size() < 2) return fail("\"-\" names no option");
      switch (std::toupper(static_cast<unsigned char>(item[1]))) {
        case 'E':
          request.openWithoutConnecting = true;
          break;
        case 'F':
        case 'H':
        case 'P':
          option = static_cast<char>(std::toupper(static_cast<unsigned char>(item[1])));
          break;
        case 'S':
          scriptNext = true;
          scriptPending = true;
          break;
        default:
          return fail("unknown option " + item);
      }
      continue;
    }
    if (scriptNext) {
      request.script = Unquote(item);
      scriptNext = false;
      scriptPending = false;
      continue;
    }
    if (arguments.size() == 2) return fail("too many arguments: " + item);
    arguments.push_back(item);
  }
  // -S with nothing after it names no script.
  if (scriptPending) return fail("-S names no script");
  if (arguments.empty()) return request;

  const std::string target = Unquote(arguments[0]);
  const bool hasPort = arguments.size() > 1;
  const std::string portText = hasPort ? Unquote(arguments[1]) : std::string();
  if (target.empty()) return fail("the host or session file is empty");
  std::string error;
  std::optional<int> port;
  if (hasPort && !(port = ParsePort(portText, error))) return fail(error);

  if (option != 'H' && otherExists && otherExists(target))
    return fail(target + kTextNotSessionFile);
  if (option == 'F' || option == 'P') {
    if (hasPort) return fail("a session file takes no port");
    request.action = CommandLineAction::kOpenFile;
    request.path = target;
    return request;
  }
  if (option == 'H') {
    request.host = target;
    request.port = port.value_or(kTelnetDefaultPort);
    request.action = CommandLineAction::kTelnet;
    return request;
  }
  if (fileExists(target)) {
    request.action = CommandLineAction::kOpenFile;
    request.path = target;
    return request;
  }
  for (const char* extension : kSessionExtensions) {
    if (fileExists(target + extension)) {
      request.action = CommandLineAction::kOpenFile;
      request.path = target + extension;
      return request;
    }
  }
  const auto address = ParseHostTarget(StripTelnetLink(target), error);
  if (!address) return fail(error);
  request.action = CommandLineAction::kTelnet;
  request.host = address->host;
  // A port in the address wins over the second argument.
  request.port = address->port.value_or(port.value_or(kTelnetDefaultPort));
  return request;
}

}  // namespace ostrane
