// The files a transfer reads and writes, behind small interfaces so the protocol machines can
// be driven in memory. CPosixReceiveFolder and CPosixSendSource are the real ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ostrane {

// A received file being written. Nothing appears under its final name until Commit succeeds.
class IXferWriteFile {
 public:
  virtual ~IXferWriteFile() = default;
  virtual bool Write(const uint8_t* data, size_t length) = 0;
  // Flushes, closes and gives the file its final name; false (with the reason) when any step
  // fails, and then nothing is left behind.
  virtual bool Commit(std::string& error) = 0;
  // Throws the partial file away.
  virtual void Discard() = 0;
  // The name the file has (or will have) in the folder.
  virtual std::string FinalName() const = 0;
};

class IXferReceiveFolder {
 public:
  virtual ~IXferReceiveFolder() = default;
  // name is a safe base name (see SafeReceiveName). Null with the reason on failure.
  virtual std::unique_ptr<IXferWriteFile> Create(const std::string& name, std::string& error) = 0;
};

class IXferReadFile {
 public:
  virtual ~IXferReadFile() = default;
  virtual uint64_t Size() const = 0;
  // Seconds since 1970 of the last change, or 0.
  virtual uint64_t ModifiedTime() const = 0;
  // Bytes read at offset (fewer at the end of the file or on a short read); -1 on error.
  virtual long ReadAt(uint64_t offset, uint8_t* data, size_t length) = 0;
};

class IXferSendSource {
 public:
  virtual ~IXferSendSource() = default;
  virtual std::unique_ptr<IXferReadFile> Open(const std::string& path, std::string& error) = 0;
};

// The part of a name from the network that may become a file name: the last component after
// "/" or "\". Empty when it is "", ".", "..", longer than a file name may be, or holds a
// control character.
std::optional<std::string> SafeReceiveName(std::string_view networkName);
// The name a file is offered under: the part of the path after its last "/".
std::string SendName(const std::string& path);
// The folder received files go to, from the RecvDir setting: an absolute path as it stands, a
// relative one inside the data folder. Backslashes of settings written on other systems count
// as separators, and a drive prefix ("C:") is dropped, leaving the rest inside the data folder.
std::string ResolveReceiveFolder(const std::string& recvDir, const std::string& dataFolder);

// Writes into one folder: each file is created 0600 under a temporary name without following
// symlinks, and on Commit renamed to its name, or "name.1", "name.2"... when that exists. An
// existing file or link is never replaced.
class CPosixReceiveFolder final : public IXferReceiveFolder {
 public:
  explicit CPosixReceiveFolder(std::string folder) : folder_(std::move(folder)) {}
  std::unique_ptr<IXferWriteFile> Create(const std::string& name, std::string& error) override;

 private:
  std::string folder_;
};

class CPosixSendSource final : public IXferSendSource {
 public:
  std::unique_ptr<IXferReadFile> Open(const std::string& path, std::string& error) override;
};

}  // namespace ostrane
