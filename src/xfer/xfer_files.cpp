#include "xfer/xfer_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "xfer/zmodem_limits.h"

namespace ostrane {
namespace {

// Received data is gathered to this size before each write call.
constexpr size_t kWriteBuffer = 64 * 1024;
// Attempts at a free temporary name before creation fails.
constexpr int kTempNameTries = 100;

std::string Reason(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

bool WriteAll(int fd, const uint8_t* data, size_t length, int& error) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

// Renames without ever replacing what exists; false with EEXIST when the name is taken.
bool RenameNoReplace(int dir, const std::string& from, const std::string& to) {
  if (::renameat2(dir, from.c_str(), dir, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the flag: a hard link fails on an existing name just the same.
  if (::linkat(dir, from.c_str(), dir, to.c_str(), 0) != 0) return false;
  ::unlinkat(dir, from.c_str(), 0);
  return true;
}

class CPosixWriteFile final : public IXferWriteFile {
 public:
  CPosixWriteFile(int dir, int fd, std::string tempName, std::string name)
      : dir_(dir), fd_(fd), tempName_(std::move(tempName)), name_(std::move(name)) {
    buffer_.reserve(kWriteBuffer);
  }
  ~CPosixWriteFile() override {
    Discard();
    ::close(dir_);
  }

  bool Write(const uint8_t* data, size_t length) override {
    if (fd_ < 0 || error_ != 0) return false;
    if (buffer_.size() + length > kWriteBuffer && !Flush()) return false;
    if (length >= kWriteBuffer) return WriteAll(fd_, data, length, error_);
    buffer_.insert(buffer_.end(), data, data + length);
    return true;
  }

  bool Commit(std::string& error) override {
    if (fd_ < 0) {
      error = "The file is already closed.";
      return false;
    }
    const bool flushed = error_ == 0 && Flush();
    const int fd = fd_;
    fd_ = -1;
    if (!flushed) {
      ::close(fd);
      error = Reason("Cannot write the file", error_);
      ::unlinkat(dir_, tempName_.c_str(), 0);
      return false;
    }
    if (::close(fd) != 0) {
      error = Reason("Cannot close the file", errno);
      ::unlinkat(dir_, tempName_.c_str(), 0);
      return false;
    }
    for (unsigned suffix = 0; suffix <= kZmodemMaxNameSuffix; ++suffix) {
      const std::string candidate = suffix == 0 ? name_ : name_ + "." + std::to_string(suffix);
      if (candidate.size() > kZmodemMaxNameLength) break;
      if (RenameNoReplace(dir_, tempName_, candidate)) {
        name_ = candidate;
        return true;
      }
      if (errno != EEXIST) {
        error = Reason("Cannot rename the file", errno);
        ::unlinkat(dir_, tempName_.c_str(), 0);
        return false;
      }
    }
    error = "No free name for the file " + name_ + ".";
    ::unlinkat(dir_, tempName_.c_str(), 0);
    return false;
  }

  void Discard() override {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    ::unlinkat(dir_, tempName_.c_str(), 0);
  }

  std::string FinalName() const override { return name_; }

 private:
  bool Flush() {
    if (buffer_.empty()) return true;
    const bool ok = WriteAll(fd_, buffer_.data(), buffer_.size(), error_);
    buffer_.clear();
    return ok;
  }

  int dir_;
  int fd_;
  int error_ = 0;
  std::string tempName_;
  std::string name_;
  std::vector<uint8_t> buffer_;
};

class CPosixReadFile final : public IXferReadFile {
 public:
  CPosixReadFile(int fd, uint64_t size, uint64_t modified)
      : fd_(fd), size_(size), modified_(modified) {}
  ~CPosixReadFile() override { ::close(fd_); }
  uint64_t Size() const override { return size_; }
  uint64_t ModifiedTime() const override { return modified_; }
  long ReadAt(uint64_t offset, uint8_t* data, size_t length) override {
    for (;;) {
      const ssize_t n = ::pread(fd_, data, length, static_cast<off_t>(offset));
      if (n >= 0) return static_cast<long>(n);
      if (errno != EINTR) return -1;
    }
  }

 private:
  int fd_;
  uint64_t size_;
  uint64_t modified_;
};

}  // namespace

std::optional<std::string> SafeReceiveName(std::string_view networkName) {
  const size_t slash = networkName.find_last_of("/\\");
  const std::string_view base =
      slash == std::string_view::npos ? networkName : networkName.substr(slash + 1);
  if (base.empty() || base == "." || base == ".." || base.size() > kZmodemMaxNameLength)
    return std::nullopt;
  for (char c : base) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return std::nullopt;
  }
  return std::string(base);
}

std::string SendName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ResolveReceiveFolder(const std::string& recvDir, const std::string& dataFolder) {
  std::string folder = recvDir;
  for (char& c : folder)
    if (c == '\\') c = '/';
  const bool drive =
      folder.size() >= 2 && folder[1] == ':' && std::isalpha(static_cast<unsigned char>(folder[0]));
  if (drive) folder = folder.substr(2);
  if (!drive && !folder.empty() && folder[0] == '/') return folder;
  while (!folder.empty() && folder[0] == '/') folder.erase(0, 1);
  return folder.empty() ? dataFolder : dataFolder + "/" + folder;
}

std::unique_ptr<IXferWriteFile> CPosixReceiveFolder::Create(const std::string& name,
                                                            std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) {
    error = Reason(("Cannot open the folder " + folder_).c_str(), errno);
    return nullptr;
  }
  std::random_device random;
  for (int attempt = 0; attempt < kTempNameTries; ++attempt) {
    char temp[40];
    std::snprintf(temp, sizeof temp, ".ostrane-recv-%08x.part", random());
    const int fd = ::openat(dir, temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) return std::make_unique<CPosixWriteFile>(dir, fd, temp, name);
    if (errno != EEXIST) {
      error = Reason(("Cannot create " + name).c_str(), errno);
      ::close(dir);
      return nullptr;
    }
  }
  error = "Cannot create " + name + ": no free temporary name.";
  ::close(dir);
  return nullptr;
}

std::unique_ptr<IXferReadFile> CPosixSendSource::Open(const std::string& path, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = Reason(("Cannot open " + path).c_str(), errno);
    return nullptr;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "Cannot send " + path + ": not a regular file.";
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<CPosixReadFile>(fd, static_cast<uint64_t>(info.st_size),
                                          static_cast<uint64_t>(info.st_mtime));
}

}  // namespace ostrane
