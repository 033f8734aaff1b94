// Drives the ZModem receiver or sender (chosen by the first byte) with arbitrary peer bytes in
// chunks, with clock ticks and pumping between them, over files held in memory. Checks that
// every byte is accounted for, output stays bounded, and stored names are plain base names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "xfer/xfer_files.h"
#include "xfer/zmodem_limits.h"
#include "xfer/zmodem_receiver.h"
#include "xfer/zmodem_sender.h"

namespace {

using namespace ostrane;

class CFuzzFolder final : public IXferReceiveFolder {
 public:
  std::map<std::string, size_t> stored;
  std::unique_ptr<IXferWriteFile> Create(const std::string& name, std::string&) override {
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of("/\\") != std::string::npos || name.size() > kZmodemMaxNameLength)
      std::abort();
    return std::make_unique<CFile>(*this, name);
  }

 private:
  class CFile final : public IXferWriteFile {
   public:
    CFile(CFuzzFolder& folder, std::string name) : folder_(folder), name_(std::move(name)) {}
    bool Write(const uint8_t*, size_t length) override {
      size_ += length;
      return size_ < 100000;
    }
    bool Commit(std::string&) override {
      folder_.stored[name_] = size_;
      return true;
    }
    void Discard() override {}
    std::string FinalName() const override { return name_; }

   private:
    CFuzzFolder& folder_;
    std::string name_;
    size_t size_ = 0;
  };
};

class CFuzzSource final : public IXferSendSource {
 public:
  std::unique_ptr<IXferReadFile> Open(const std::string& path, std::string& error) override {
    if (path == "missing") {
      error = "missing";
      return nullptr;
    }
    return std::make_unique<CFile>(path == "big" ? 5000 : 3);
  }

 private:
  class CFile final : public IXferReadFile {
   public:
    explicit CFile(uint64_t size) : size_(size) {}
    uint64_t Size() const override { return size_; }
    uint64_t ModifiedTime() const override { return 0; }
    long ReadAt(uint64_t offset, uint8_t* data, size_t length) override {
      if (offset >= size_) return 0;
      const size_t n = std::min<size_t>(length, size_ - offset);
      for (size_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(offset + i);
      return static_cast<long>(n);
    }

   private:
    uint64_t size_;
  };
};

class CNullEvents final : public IZmodemEvents {
 public:
  void OnFileStart(const std::string&, uint64_t) override {}
  void OnFileProgress(uint64_t) override {}
  void OnFileEnd(const std::string&, bool, const std::string&) override {}
  void OnNotice(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool sending = data[0] & 1;
  const size_t chunk = 1 + (data[0] >> 1) % 64;
  ++data;
  --size;
  CFuzzFolder folder;
  CFuzzSource source;
  CNullEvents events;
  std::unique_ptr<CZmodemMachine> machine;
  if (sending)
    machine = std::make_unique<CZmodemSender>(
        source, std::vector<std::string>{"big", "missing", "dir/small"}, events);
  else
    machine = std::make_unique<CZmodemReceiver>(folder, events);
  machine->Start();
  for (size_t at = 0; at < size && !machine->Ended(); at += chunk) {
    const size_t n = std::min(chunk, size - at);
    if (machine->Feed(data + at, n) > n) std::abort();
    // Answers to a chunk are a few headers, or one batch of streamed data.
    for (int pumps = 0; machine->WantsToSend() && pumps < 8; ++pumps) machine->Pump();
    if (machine->Output().size() > 4 * kZmodemWriteBatch) std::abort();
    machine->Output().clear();
    if (data[at] == 0xFF) machine->Tick();
  }
  return 0;
}
