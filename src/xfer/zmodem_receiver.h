// CZmodemReceiver: receives a batch of files into a folder. Names from the network are reduced
// to safe base names; a file is stored only when its end was confirmed at the right position
// and it could be flushed and renamed; damaged or misplaced data is answered with ZRPOS at the
// bytes written so far.
#pragma once

#include <memory>
#include <string>

#include "xfer/xfer_files.h"
#include "xfer/zmodem_machine.h"

namespace ostrane {

class CZmodemReceiver final : public CZmodemMachine {
 public:
  struct Options {
    // Ask the sender to escape every control character (for links that eat some).
    bool escapeControls = false;
  };

  CZmodemReceiver(IXferReceiveFolder& folder, IZmodemEvents& events, Options options);
  CZmodemReceiver(IXferReceiveFolder& folder, IZmodemEvents& events)
      : CZmodemReceiver(folder, events, Options{}) {}

  void Start() override;
  unsigned FilesStored() const { return filesStored_; }

 private:
  // What the subpackets after the last header hold.
  enum class Phase : uint8_t { kIdle, kFileInfo, kSinit, kCommand, kData, kSkipping };
  struct HeaderRow {
    uint8_t type;
    void (CZmodemReceiver::*handle)(const ZHeader&);
  };
  static const HeaderRow kHeaderRows[];

  void OnHeader(const ZHeader& header) override;
  void OnBadHeader() override;
  void OnSubpacket(const uint8_t* data, size_t length, uint8_t frameEnd) override;
  void OnBadSubpacket() override;
  void OnSilence() override;
  void DropFile(const std::string& why) override;

  void OnZrqinit(const ZHeader& header);
  void OnZsinit(const ZHeader& header);
  void OnZfile(const ZHeader& header);
  void OnZdata(const ZHeader& header);
  void OnZeof(const ZHeader& header);
  void OnZfin(const ZHeader& header);
  void OnZabort(const ZHeader& header);
  void OnZcommand(const ZHeader& header);

  void FileInfo(const uint8_t* data, size_t length);
  void Data(const uint8_t* data, size_t length, uint8_t frameEnd);
  void SendZrinit();
  // Interrupts the sender with its Attn string, then asks it to resume at the bytes written.
  void RequestResume();
  void SendHex(uint8_t type, uint32_t position) {
    encoder_.HexHeader(type, ZHeader::FromPosition(position));
  }

  IXferReceiveFolder& folder_;
  Options options_;
  Phase phase_ = Phase::kIdle;
  std::unique_ptr<IXferWriteFile> file_;
  std::string fileName_;
  uint32_t written_ = 0;
  bool resumeRequested_ = false;
  bool lastFileSkipped_ = false;
  bool lastFileStored_ = false;
  bool anyFileFailed_ = false;
  unsigned filesStored_ = 0;
  std::string attn_;
};

}  // namespace ostrane
