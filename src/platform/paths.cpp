#include "platform/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace ostrane::platform {

namespace {

// An environment value that may name a folder; relative XDG values are to be ignored.
const char* AbsoluteVariable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? value : nullptr;
}

std::string HomeFolder() {
  if (const char* home = AbsoluteVariable("HOME")) return home;
  if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
    return pw->pw_dir;
  return "/tmp";
}

std::string Folder(const char* xdgVariable, std::string_view homeRelative) {
  if (const char* home = std::getenv("OSTRANE_HOME"); home != nullptr && home[0] != '\0')
    return home;
  if (const char* xdg = AbsoluteVariable(xdgVariable)) return std::string(xdg) + "/ostrane";
  return HomeFolder() + "/" + std::string(homeRelative) + "/ostrane";
}

}  // namespace

std::string ConfigFolder() {
  return Folder("XDG_CONFIG_HOME", ".config");
}

std::string DataFolder() {
  return Folder("XDG_DATA_HOME", ".local/share");
}

}  // namespace ostrane::platform
