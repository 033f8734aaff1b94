#include "session/host_address.h"

#include <algorithm>

namespace ostrane {

std::optional<HostPortText> SplitHostPortText(std::string_view text, std::string& error) {
  HostPortText result;
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string_view::npos) {
      error = "']' is missing after the IPv6 address";
      return std::nullopt;
    }
    result.host = std::string(text.substr(1, close - 1));
    const std::string_view rest = text.substr(close + 1);
    if (rest.empty()) return result;
    if (rest.front() != ':') {
      error = "only ':' and a port may follow ']'";
      return std::nullopt;
    }
    result.portText = rest.substr(1);
    result.hasPort = true;
    return result;
  }
  // Two or more colons without brackets: an IPv6 literal, which cannot carry a port.
  if (std::count(text.begin(), text.end(), ':') >= 2) {
    result.host = std::string(text);
    return result;
  }
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    result.host = std::string(text);
    return result;
  }
  result.host = std::string(text.substr(0, colon));
  result.portText = text.substr(colon + 1);
  result.hasPort = true;
  return result;
}

std::optional<int> ParsePort(std::string_view text, std::string& error) {
  int value = 0;
  bool valid = !text.empty();
  for (char c : text) {
    if (c < '0' || c > '9') {
      valid = false;
      break;
    }
    value = std::min(value * 10 + (c - '0'), kMaxPort + 1);  // saturates past the range
  }
  if (!valid || value < kMinPort || value > kMaxPort) {
    error = "the port must be a number from 1 to 65535, not \"" + std::string(text) + "\"";
    return std::nullopt;
  }
  return value;
}

std::optional<HostTarget> ParseHostTarget(std::string_view text, std::string& error) {
  const auto parts = SplitHostPortText(text, error);
  if (!parts) return std::nullopt;
  if (parts->host.empty()) {
    error = "no host name in \"" + std::string(text) + "\"";
    return std::nullopt;
  }
  HostTarget target{parts->host, std::nullopt};
  if (parts->hasPort) {
    target.port = ParsePort(parts->portText, error);
    if (!target.port) return std::nullopt;
  }
  return target;
}

}  // namespace ostrane
