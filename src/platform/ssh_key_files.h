// Files of the SSH key store: whole-file reads with a size limit, and private files written
// atomically (temporary file, fsync, rename) with mode 0600.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace ostrane::platform {

// Creates the folder and its parents (mode 0700) where missing; false when it cannot be had.
bool MakeFolders(const std::string& path);
// The whole file; nothing when it is missing, unreadable or longer than maxSize.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxSize);
// Replaces the file in one step; readable and writable by the owner only.
bool WritePrivateFile(const std::string& path, const std::string& contents);

}  // namespace ostrane::platform
