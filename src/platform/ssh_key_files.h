// Files of the SSH key store: whole-file reads with a size limit, and private files written
// atomically (temporary file, fsync, rename) with mode 0600.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace ostrane::platform {

// Creates the folder and its parents (mode 0700) where missing; false when it cannot be had.
bool MakeFolders(const std::string& path);
// The whole file; nothing when it is missing, unreadable or longer than maxSize. missing, when
// given, tells a file that is not there from one that could not be read.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxSize,
                                         bool* missing = nullptr);
// Replaces the file in one step; readable and writable by the owner only.
bool WritePrivateFile(const std::string& path, const std::string& contents);

// An advisory lock (flock) on a lock file, held for the object's life, so that processes
// sharing a file read, change and write it one at a time. The lock file is created 0600.
class CFileLock {
 public:
  enum class Mode { kShared, kExclusive };
  CFileLock(const std::string& lockPath, Mode mode);
  ~CFileLock();
  CFileLock(const CFileLock&) = delete;
  CFileLock& operator=(const CFileLock&) = delete;
  // False when the lock file could not be opened or locked.
  bool Held() const { return held_; }

 private:
  int fd_ = -1;
  bool held_ = false;
};

}  // namespace ostrane::platform
