#include "xfer/zmodem_sender.h"

#include <algorithm>
#include <cstdio>

#include "xfer/xfer_texts.h"
#include "xfer/zmodem_crc.h"

namespace ostrane {
namespace {

// The smallest subpacket used when the receiver names a tiny buffer.
constexpr size_t kMinSubpacket = 64;

}  // namespace

const CZmodemSender::HeaderRow CZmodemSender::kHeaderRows[] = {
    {ZRINIT, &CZmodemSender::OnZrinit},
    {ZRPOS, &CZmodemSender::OnZrpos},
    {ZACK, &CZmodemSender::OnZack},
    {ZNAK, &CZmodemSender::OnZnak},
    {ZSKIP, &CZmodemSender::OnZskip},
    {ZFERR, &CZmodemSender::OnZferr},
    {ZABORT, &CZmodemSender::OnZferr},
    {ZFIN, &CZmodemSender::OnZfin},
    {ZCHALLENGE, &CZmodemSender::OnZchallenge},
    {ZCRC, &CZmodemSender::OnZcrc},
};

CZmodemSender::CZmodemSender(IXferSendSource& source, std::vector<std::string> paths,
                             IZmodemEvents& events)
    : CZmodemMachine(events), source_(source), paths_(std::move(paths)) {}

void CZmodemSender::Start() {
  encoder_.HexHeader(ZRQINIT, {});
}

void CZmodemSender::OnHeader(const ZHeader& header) {
  Alive();
  for (const HeaderRow& row : kHeaderRows)
    if (row.type == header.type) {
      (this->*row.handle)(header);
      return;
    }
}

void CZmodemSender::OnZrinit(const ZHeader& header) {
  const uint8_t flags = header.data[3];
  const uint32_t buffer = header.data[0] | (uint32_t{header.data[1]} << 8);
  crc32_ = (flags & CANFC32) != 0;
  if (flags & ESCCTL) encoder_.SetEscapeControls(true);
  const bool overlaps = (flags & CANFDX) && (flags & CANOVIO);
  window_ = buffer != 0 ? buffer : overlaps ? 0 : kZmodemHalfDuplexWindow;
  subpacketSize_ = window_ == 0 ? kZmodemSendSubpacket
                                : std::clamp<size_t>(window_, kMinSubpacket, kZmodemSendSubpacket);
  switch (phase_) {
    case Phase::kInit:
      started_ = true;
      OfferNextFile();
      return;
    case Phase::kEofSent:
      ++filesDelivered_;
      events_.OnFileEnd(name_, true, {});
      file_.reset();
      OfferNextFile();
      return;
    default:
      return;
  }
}

void CZmodemSender::OfferNextFile() {
  while (nextPath_ < paths_.size()) {
    const std::string& path = paths_[nextPath_++];
    std::string error;
    auto file = source_.Open(path, error);
    if (!file) {
      FileFailed(SendName(path), error);
      continue;
    }
    if (file->Size() > kZmodemMaxFileSize) {
      FileFailed(SendName(path), kTextTooLarge + SendName(path));
      continue;
    }
    file_ = std::move(file);
    name_ = SendName(path);
    size_ = static_cast<uint32_t>(file_->Size());
    position_ = 0;
    events_.OnFileStart(name_, size_);
    SendFileOffer();
    return;
  }
  SendFin();
}

void CZmodemSender::SendFileOffer() {
  // Name, then size, time (octal), mode, serial number and the files still to come.
  unsigned filesLeft = 0;
  for (size_t i = nextPath_; i < paths_.size(); ++i) ++filesLeft;
  std::string info = name_;
  info.push_back('\0');
  char numbers[96];
  const int n =
      std::snprintf(numbers, sizeof numbers, "%u %llo 0 0 %u", size_,
                    static_cast<unsigned long long>(file_->ModifiedTime()), filesLeft + 1);
  info.append(numbers, static_cast<size_t>(std::max(n, 0)));
  info.push_back('\0');
  BinaryHeader(ZFILE, ZHeader::FromFlags(ZCBIN, ZMCLOB));
  encoder_.Subpacket(reinterpret_cast<const uint8_t*>(info.data()), info.size(), ZCRCW, crc32_);
  phase_ = Phase::kFileOffered;
}

void CZmodemSender::OnZrpos(const ZHeader& header) {
  if (!file_ || phase_ == Phase::kInit || phase_ == Phase::kFinSent) return;
  StartData(std::min(header.Position(), size_));
}

void CZmodemSender::StartData(uint32_t position) {
  position_ = position;
  windowStart_ = position;
  sinceAck_ = 0;
  events_.OnFileProgress(position_);
  if (position_ >= size_) {
    SendEof();
    return;
  }
  BinaryHeader(ZDATA, ZHeader::FromPosition(position_));
  phase_ = Phase::kStreaming;
}

void CZmodemSender::Pump() {
  // A file dropped by a failure (silence, ZFERR, a cancel) leaves the phase as it was.
  if (phase_ != Phase::kStreaming || !file_) return;
  const size_t want = std::min<size_t>(subpacketSize_, size_ - position_);
  const long got = file_->ReadAt(position_, block_.data(), want);
  if (got < 0) {
    const std::string message = kTextCannotRead + name_;
    DropFile(message);
    Cancel();
    Fail(message);
    return;
  }
  // A file that shrank while being sent ends where its data ends.
  if (got == 0) size_ = position_;
  position_ += static_cast<uint32_t>(got);
  const bool last = position_ >= size_;
  const bool windowFull = window_ != 0 && position_ - windowStart_ >= window_;
  uint8_t frameEnd = ZCRCG;
  if (last) {
    frameEnd = ZCRCE;
  } else if (windowFull) {
    frameEnd = ZCRCW;
  } else if (++sinceAck_ >= kZmodemAckEvery) {
    frameEnd = ZCRCQ;
    sinceAck_ = 0;
  }
  encoder_.Subpacket(block_.data(), static_cast<size_t>(got), frameEnd, crc32_);
  events_.OnFileProgress(position_);
  if (last)
    SendEof();
  else if (windowFull)
    phase_ = Phase::kWaitAck;
}

void CZmodemSender::SendEof() {
  BinaryHeader(ZEOF, ZHeader::FromPosition(size_));
  phase_ = Phase::kEofSent;
}

void CZmodemSender::SendFin() {
  encoder_.HexHeader(ZFIN, {});
  phase_ = Phase::kFinSent;
}

void CZmodemSender::OnZack(const ZHeader& header) {
  if (phase_ != Phase::kWaitAck || header.Position() != position_) return;
  windowStart_ = position_;
  BinaryHeader(ZDATA, ZHeader::FromPosition(position_));
  phase_ = Phase::kStreaming;
}

void CZmodemSender::OnZnak(const ZHeader&) {
  switch (phase_) {
    case Phase::kInit:
      Start();
      return;
    case Phase::kFileOffered:
      SendFileOffer();
      return;
    case Phase::kEofSent:
      SendEof();
      return;
    case Phase::kFinSent:
      SendFin();
      return;
    default:
      return;
  }
}

void CZmodemSender::OnZskip(const ZHeader&) {
  if (!file_ || phase_ == Phase::kInit || phase_ == Phase::kFinSent) return;
  FileFailed(name_, kTextSkipped);
  file_.reset();
  OfferNextFile();
}

void CZmodemSender::OnZferr(const ZHeader&) {
  const bool duringFile = file_ != nullptr;
  DropFile(kTextReceiverError);
  Fail(duringFile ? kTextReceiverError : kTextPeerEnded);
}

void CZmodemSender::OnZfin(const ZHeader&) {
  if (phase_ != Phase::kFinSent) {
    DropFile(kTextPeerEnded);
    Fail(kTextPeerEnded);
    return;
  }
  const uint8_t over[] = {'O', 'O'};
  encoder_.Raw(over, sizeof over);
  Finish(anyFileFailed_ ? XferOutcome::kFailed : XferOutcome::kSucceeded,
         anyFileFailed_ ? kTextSomeFilesFailed : kTextFinished);
}

void CZmodemSender::OnZchallenge(const ZHeader& header) {
  encoder_.HexHeader(ZACK, header.data);
}

// A receiver that already holds part of the file asks for the CRC-32 of its first bytes (all of
// it for 0) to decide whether to resume.
void CZmodemSender::OnZcrc(const ZHeader& header) {
  if (!file_ || phase_ != Phase::kFileOffered) return;
  const uint32_t length = header.Position() == 0 ? size_ : std::min(header.Position(), size_);
  uint32_t crc = 0xFFFFFFFFu;
  for (uint32_t at = 0; at < length;) {
    const long got = file_->ReadAt(at, block_.data(), std::min<size_t>(block_.size(), length - at));
    if (got <= 0) break;
    crc = ZmodemCrc32Update(crc, block_.data(), static_cast<size_t>(got));
    at += static_cast<uint32_t>(got);
  }
  encoder_.HexHeader(ZCRC, ZHeader::FromPosition(~crc));
}

void CZmodemSender::OnSilence() {
  switch (phase_) {
    case Phase::kWaitAck:
      // The acknowledgement was lost: go on; a receiver that lacks data answers with ZRPOS.
      StartData(position_);
      return;
    case Phase::kFinSent:
      // Every file was confirmed; the closing handshake is a courtesy.
      Finish(anyFileFailed_ ? XferOutcome::kFailed : XferOutcome::kSucceeded,
             anyFileFailed_ ? kTextSomeFilesFailed : kTextFinished);
      return;
    default:
      OnZnak({});
      return;
  }
}

void CZmodemSender::FileFailed(const std::string& name, const std::string& message) {
  anyFileFailed_ = true;
  events_.OnFileEnd(name, false, message);
}

void CZmodemSender::DropFile(const std::string& why) {
  if (!file_) return;
  file_.reset();
  FileFailed(name_, why);
}

}  // namespace ostrane
