// In-memory doubles for the transfer's file interfaces, with failures on request, and a
// recorder of machine events. They let the protocol machines run without a disk.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "xfer/xfer_files.h"
#include "xfer/zmodem_machine.h"

namespace ostrane::test {

class CMemoryFolder final : public IXferReceiveFolder {
 public:
  std::map<std::string, std::string> files;  // stored files only
  bool failCreate = false;
  bool failWrite = false;
  bool failCommit = false;
  unsigned discarded = 0;

  std::unique_ptr<IXferWriteFile> Create(const std::string& name, std::string& error) override {
    if (failCreate) {
      error = "refused by the test";
      return nullptr;
    }
    return std::make_unique<CFile>(*this, name);
  }

 private:
  class CFile final : public IXferWriteFile {
   public:
    CFile(CMemoryFolder& folder, std::string name) : folder_(folder), name_(std::move(name)) {}
    bool Write(const uint8_t* data, size_t length) override {
      if (folder_.failWrite) return false;
      data_.append(reinterpret_cast<const char*>(data), length);
      return true;
    }
    bool Commit(std::string& error) override {
      if (folder_.failCommit) {
        error = "disk full";
        ++folder_.discarded;
        return false;
      }
      std::string name = name_;
      for (unsigned n = 1; folder_.files.count(name); ++n) name = name_ + "." + std::to_string(n);
      name_ = name;
      folder_.files[name] = data_;
      return true;
    }
    void Discard() override { ++folder_.discarded; }
    std::string FinalName() const override { return name_; }

   private:
    CMemoryFolder& folder_;
    std::string name_;
    std::string data_;
  };
};

class CMemorySource final : public IXferSendSource {
 public:
  std::map<std::string, std::string> files;
  // Files that claim this size (for sizes too big to hold).
  std::map<std::string, uint64_t> claimedSizes;
  // Reads return at most this many bytes, as a pipe or network file system may.
  size_t shortReads = 0;

  std::unique_ptr<IXferReadFile> Open(const std::string& path, std::string& error) override {
    if (claimedSizes.count(path)) return std::make_unique<CFile>("", claimedSizes[path], 0);
    const auto found = files.find(path);
    if (found == files.end()) {
      error = "no such file";
      return nullptr;
    }
    return std::make_unique<CFile>(found->second, found->second.size(), shortReads);
  }

 private:
  class CFile final : public IXferReadFile {
   public:
    CFile(std::string data, uint64_t size, size_t shortReads)
        : data_(std::move(data)), size_(size), shortReads_(shortReads) {}
    uint64_t Size() const override { return size_; }
    uint64_t ModifiedTime() const override { return 0; }
    long ReadAt(uint64_t offset, uint8_t* data, size_t length) override {
      if (offset >= data_.size()) return 0;
      size_t n = std::min<size_t>(length, data_.size() - offset);
      if (shortReads_ != 0) n = std::min(n, shortReads_);
      std::copy_n(data_.data() + offset, n, data);
      return static_cast<long>(n);
    }

   private:
    std::string data_;
    uint64_t size_;
    size_t shortReads_;
  };
};

class CEventLog final : public IZmodemEvents {
 public:
  struct FileEnd {
    std::string name;
    bool complete;
    std::string message;
  };
  std::vector<std::pair<std::string, uint64_t>> starts;
  std::vector<FileEnd> ends;
  std::vector<std::string> notices;
  uint64_t lastProgress = 0;

  void OnFileStart(const std::string& name, uint64_t size) override {
    starts.emplace_back(name, size);
  }
  void OnFileProgress(uint64_t bytesDone) override { lastProgress = bytesDone; }
  void OnFileEnd(const std::string& name, bool complete, const std::string& message) override {
    ends.push_back({name, complete, message});
  }
  void OnNotice(const std::string& text) override { notices.push_back(text); }
};

}  // namespace ostrane::test
