// Files of the SSH key store: the configuration and data folders, whole-file reads with a size
// limit, and private files written atomically (temporary file, fsync, rename) with mode 0600.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace ostrane::platform {

// $OSTRANE_HOME when set, else $XDG_CONFIG_HOME/ostrane (or ~/.config/ostrane); created 0700.
std::string ConfigFolder();
// $OSTRANE_HOME when set, else $XDG_DATA_HOME/ostrane (or ~/.local/share/ostrane); created 0700.
std::string DataFolder();
// The whole file; nothing when it is missing, unreadable or longer than maxSize.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxSize);
// Replaces the file in one step; readable and writable by the owner only.
bool WritePrivateFile(const std::string& path, const std::string& contents);

}  // namespace ostrane::platform
