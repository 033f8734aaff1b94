#include "platform/ssh_key_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace ostrane::platform {

namespace {

constexpr mode_t kFolderMode = 0700;
constexpr mode_t kPrivateMode = 0600;

bool WriteAll(int fd, const std::string& contents) {
  size_t done = 0;
  while (done < contents.size()) {
    const ssize_t n = write(fd, contents.data() + done, contents.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool MakeFolders(const std::string& path) {
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (mkdir(part.c_str(), kFolderMode) != 0 && errno != EEXIST) return false;
  }
  return true;
}

std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxSize, bool* missing) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (missing != nullptr) *missing = fd < 0 && errno == ENOENT;
  if (fd < 0) return std::nullopt;
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || text.size() + static_cast<size_t>(n) > maxSize) {
      close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return text;
}

bool WritePrivateFile(const std::string& path, const std::string& contents) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = fchmod(fd, kPrivateMode) == 0 && WriteAll(fd, contents) && fsync(fd) == 0;
  if (close(fd) != 0 || !written || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder.
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

CFileLock::CFileLock(const std::string& lockPath, Mode mode) {
  fd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kPrivateMode);
  if (fd_ < 0) return;
  const int operation = mode == Mode::kExclusive ? LOCK_EX : LOCK_SH;
  int result;
  while ((result = flock(fd_, operation)) != 0 && errno == EINTR) {
  }
  held_ = result == 0;
}

CFileLock::~CFileLock() {
  // Closing the descriptor releases the lock.
  if (fd_ >= 0) close(fd_);
}

}  // namespace ostrane::platform
