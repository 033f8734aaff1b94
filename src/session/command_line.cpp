#include "session/command_line.h"

#include <cctype>

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

bool ValidPort(int port) {
  return port > 0 && port < kPortLimit;
}

}  // namespace

HostAddress SplitHostAddress(std::string_view address, int defaultPort) {
  if (StartsWithNoCase(address, kTelnetPrefix)) {
    address.remove_prefix(kTelnetPrefix.size());
    if (address.starts_with("//")) address.remove_prefix(2);
    if (address.ends_with('/')) address.remove_suffix(1);
  }
  HostAddress result;
  const size_t colon = address.find(':');
  if (colon == std::string_view::npos) {
    result.host = std::string(address);
    result.port = defaultPort;
  } else {
    result.host = std::string(address.substr(0, colon));
    result.port = LeadingPort(address.substr(colon + 1));
  }
  return result;
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

CommandLineRequest InterpretCommandLine(const std::vector<std::string>& items,
                                        const std::function<bool(const std::string&)>& fileExists) {
  CommandLineRequest request;
  char option = 0;  // F, H or P
  bool scriptNext = false;
  bool scriptPending = false;
  std::vector<std::string> arguments;
  auto fail = [&request] {
    request.action = CommandLineAction::kFail;
    return request;
  };
  for (const std::string& item : items) {
    if (!item.empty() && item.front() == '-') {
      if (item.size() < 2) return fail();
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
          return fail();
      }
      continue;
    }
    if (scriptNext) {
      request.script = Unquote(item);
      scriptNext = false;
      scriptPending = false;
      continue;
    }
    if (arguments.size() == 2) return fail();
    arguments.push_back(item);
  }
  // -S with nothing after it names no script.
  if (scriptPending) return fail();
  if (arguments.empty()) return request;

  const std::string target = Unquote(arguments[0]);
  const bool hasPort = arguments.size() > 1;
  const std::string portText = hasPort ? Unquote(arguments[1]) : std::string();
  if (target.empty()) return fail();

  if (option == 'F' || option == 'P') {
    if (hasPort) return fail();
    request.action = CommandLineAction::kOpenFile;
    request.path = target;
    return request;
  }
  if (option == 'H') {
    request.host = target;
    request.port = hasPort ? LeadingPort(portText) : kTelnetDefaultPort;
    if (!ValidPort(request.port)) return fail();
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
  const HostAddress address =
      SplitHostAddress(target, hasPort ? LeadingPort(portText) : kTelnetDefaultPort);
  if (address.host.empty() || !ValidPort(address.port)) return fail();
  request.action = CommandLineAction::kTelnet;
  request.host = address.host;
  request.port = address.port;
  return request;
}

}  // namespace ostrane
