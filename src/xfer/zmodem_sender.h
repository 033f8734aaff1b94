// CZmodemSender: sends a batch of files. Data streams in subpackets that ask for no answer, with
// an acknowledgement requested every so often; a receiver that cannot overlap reading and
// writing, or that names a buffer size, gets windows of at most that size, each waited for. A
// file counts as delivered only when the receiver answers its end with ZRINIT.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "xfer/xfer_files.h"
#include "xfer/zmodem_limits.h"
#include "xfer/zmodem_machine.h"

namespace ostrane {

class CZmodemSender final : public CZmodemMachine {
 public:
  CZmodemSender(IXferSendSource& source, std::vector<std::string> paths, IZmodemEvents& events);

  void Start() override;
  bool WantsToSend() const override { return phase_ == Phase::kStreaming; }
  // Queues the next subpacket (and the file's end after the last one).
  void Pump() override;
  unsigned FilesDelivered() const { return filesDelivered_; }

 private:
  enum class Phase : uint8_t { kInit, kFileOffered, kStreaming, kWaitAck, kEofSent, kFinSent };
  struct HeaderRow {
    uint8_t type;
    void (CZmodemSender::*handle)(const ZHeader&);
  };
  static const HeaderRow kHeaderRows[];

  void OnHeader(const ZHeader& header) override;
  void OnBadHeader() override {}
  void OnSubpacket(const uint8_t*, size_t, uint8_t) override { decoder_.Hunt(); }
  void OnBadSubpacket() override {}
  void OnSilence() override;
  bool Waiting() const override { return phase_ != Phase::kStreaming; }
  void DropFile(const std::string& why) override;

  void OnZrinit(const ZHeader& header);
  void OnZrpos(const ZHeader& header);
  void OnZack(const ZHeader& header);
  void OnZnak(const ZHeader& header);
  void OnZskip(const ZHeader& header);
  void OnZferr(const ZHeader& header);
  void OnZfin(const ZHeader& header);
  void OnZchallenge(const ZHeader& header);
  void OnZcrc(const ZHeader& header);

  void OfferNextFile();
  void SendFileOffer();
  void StartData(uint32_t position);
  void SendEof();
  void SendFin();
  void FileFailed(const std::string& name, const std::string& message);
  void BinaryHeader(uint8_t type, const std::array<uint8_t, 4>& data) {
    encoder_.BinaryHeader(type, data, crc32_);
  }

  IXferSendSource& source_;
  std::vector<std::string> paths_;
  size_t nextPath_ = 0;
  Phase phase_ = Phase::kInit;
  // What the receiver announced in ZRINIT.
  bool crc32_ = false;
  uint32_t window_ = 0;  // 0: stream without waiting
  size_t subpacketSize_ = kZmodemSendSubpacket;
  // The file being sent.
  std::unique_ptr<IXferReadFile> file_;
  std::string name_;
  uint32_t size_ = 0;
  uint32_t position_ = 0;
  uint32_t windowStart_ = 0;
  unsigned sinceAck_ = 0;
  std::array<uint8_t, kZmodemSendSubpacket> block_{};
  unsigned filesDelivered_ = 0;
  bool anyFileFailed_ = false;
};

}  // namespace ostrane
