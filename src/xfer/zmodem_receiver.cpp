#include "xfer/zmodem_receiver.h"

#include <algorithm>
#include <cstring>

#include "xfer/xfer_texts.h"
#include "xfer/zmodem_limits.h"

namespace ostrane {
namespace {

// Attn bytes with a meaning of their own: a break and a one-second pause. Neither can be sent
// through the link's byte stream, so they are left out.
constexpr uint8_t kAttnBreak = 0xDD;
constexpr uint8_t kAttnPause = 0xDE;

// A name as it may be shown: control bytes become "?".
std::string Printable(const uint8_t* data, size_t length) {
  std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(length, 80));
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

}  // namespace

const CZmodemReceiver::HeaderRow CZmodemReceiver::kHeaderRows[] = {
    {ZRQINIT, &CZmodemReceiver::OnZrqinit},   {ZSINIT, &CZmodemReceiver::OnZsinit},
    {ZFILE, &CZmodemReceiver::OnZfile},       {ZDATA, &CZmodemReceiver::OnZdata},
    {ZEOF, &CZmodemReceiver::OnZeof},         {ZFIN, &CZmodemReceiver::OnZfin},
    {ZABORT, &CZmodemReceiver::OnZabort},     {ZFERR, &CZmodemReceiver::OnZabort},
    {ZCOMMAND, &CZmodemReceiver::OnZcommand},
};

CZmodemReceiver::CZmodemReceiver(IXferReceiveFolder& folder, IZmodemEvents& events, Options options)
    : CZmodemMachine(events), folder_(folder), options_(options) {}

void CZmodemReceiver::Start() {
  started_ = true;
  SendZrinit();
}

void CZmodemReceiver::SendZrinit() {
  // No buffer limit; full duplex, receives during disk output, understands CRC-32.
  uint8_t flags = CANFDX | CANOVIO | CANFC32;
  if (options_.escapeControls) flags |= ESCCTL;
  encoder_.HexHeader(ZRINIT, ZHeader::FromFlags(flags));
}

void CZmodemReceiver::OnHeader(const ZHeader& header) {
  Alive();
  for (const HeaderRow& row : kHeaderRows)
    if (row.type == header.type) {
      (this->*row.handle)(header);
      return;
    }
}

void CZmodemReceiver::OnBadHeader() {
  // A damaged header in the middle of a file may have been a ZDATA or ZEOF: ask for the data
  // again. Elsewhere a ZNAK makes the sender repeat its header.
  if (file_) {
    if (!resumeRequested_) RequestResume();
  } else {
    SendHex(ZNAK, 0);
  }
}

void CZmodemReceiver::OnZrqinit(const ZHeader&) {
  if (!file_) SendZrinit();
}

void CZmodemReceiver::OnZsinit(const ZHeader& header) {
  if (header.data[3] & TESCCTL) encoder_.SetEscapeControls(true);
  phase_ = Phase::kSinit;
  decoder_.ReadSubpackets();
}

void CZmodemReceiver::OnZfile(const ZHeader&) {
  phase_ = Phase::kFileInfo;
  decoder_.ReadSubpackets();
}

void CZmodemReceiver::OnZcommand(const ZHeader&) {
  phase_ = Phase::kCommand;
  decoder_.ReadSubpackets();
}

void CZmodemReceiver::OnZdata(const ZHeader& header) {
  if (!file_) {
    // The sender missed our ZSKIP: repeat it. After a stored file this is the answer to a
    // stale ZRPOS, and its ZEOF will get our ZRINIT again. Data before any file is a broken
    // peer.
    if (lastFileSkipped_) {
      SendHex(ZSKIP, 0);
    } else if (!lastFileStored_) {
      Cancel();
      Fail(kTextDataWithoutFile);
    }
    return;
  }
  if (header.Position() != written_) {
    // One request per gap: repeating it would make the sender restart again for each copy.
    // The silence clock repeats it if it was lost.
    if (!resumeRequested_) RequestResume();
    phase_ = Phase::kSkipping;
    return;
  }
  resumeRequested_ = false;
  phase_ = Phase::kData;
  decoder_.ReadSubpackets();
}

void CZmodemReceiver::OnZeof(const ZHeader& header) {
  if (!file_) {
    // Our ZRINIT after the last file was lost: say it again.
    if (lastFileStored_ || lastFileSkipped_) SendZrinit();
    return;
  }
  if (header.Position() != written_) {
    // Not an end at the bytes we have: data went missing, so ask for it.
    if (!resumeRequested_) RequestResume();
    return;
  }
  std::string error;
  const bool stored = file_->Commit(error);
  const std::string name = file_->FinalName();
  file_.reset();
  phase_ = Phase::kIdle;
  if (!stored) {
    SendHex(ZFERR, 0);
    events_.OnFileEnd(name, false, kTextCannotWrite + error);
    Cancel();
    Fail(kTextCannotWrite + error);
    return;
  }
  ++filesStored_;
  lastFileStored_ = true;
  events_.OnFileEnd(name, true, {});
  SendZrinit();
}

void CZmodemReceiver::OnZfin(const ZHeader&) {
  DropFile(kTextIncomplete);
  SendHex(ZFIN, 0);
  if (anyFileFailed_)
    FinishClosing(XferOutcome::kFailed, kTextSomeFilesFailed);
  else
    FinishClosing(XferOutcome::kSucceeded, kTextFinished);
}

void CZmodemReceiver::OnZabort(const ZHeader&) {
  DropFile(kTextPeerEnded);
  Fail(kTextPeerEnded);
}

void CZmodemReceiver::OnSubpacket(const uint8_t* data, size_t length, uint8_t frameEnd) {
  Alive();
  switch (phase_) {
    case Phase::kData:
      Data(data, length, frameEnd);
      return;
    case Phase::kFileInfo:
      phase_ = Phase::kIdle;
      decoder_.Hunt();
      FileInfo(data, length);
      return;
    case Phase::kSinit:
      phase_ = Phase::kIdle;
      decoder_.Hunt();
      attn_.clear();
      for (size_t i = 0; i < length && data[i] != 0 && attn_.size() < kZmodemMaxAttn; ++i)
        if (data[i] != kAttnBreak && data[i] != kAttnPause)
          attn_.push_back(static_cast<char>(data[i]));
      SendHex(ZACK, 1);
      return;
    case Phase::kCommand:
      phase_ = Phase::kIdle;
      decoder_.Hunt();
      events_.OnNotice(kTextCommandRefused);
      SendHex(ZCOMPL, 0);
      return;
    default:
      decoder_.Hunt();
      return;
  }
}

void CZmodemReceiver::OnBadSubpacket() {
  switch (phase_) {
    case Phase::kData:
      phase_ = Phase::kSkipping;
      RequestResume();
      return;
    case Phase::kFileInfo:
    case Phase::kSinit:
    case Phase::kCommand:
      phase_ = Phase::kIdle;
      SendHex(ZNAK, 0);
      return;
    default:
      return;
  }
}

void CZmodemReceiver::FileInfo(const uint8_t* data, size_t length) {
  const auto* nameEnd = std::find(data, data + length, uint8_t{0});
  const std::string_view networkName(reinterpret_cast<const char*>(data),
                                     static_cast<size_t>(nameEnd - data));
  const auto name = SafeReceiveName(networkName);
  if (file_ && name && *name == fileName_) {
    // The sender repeated its offer (our answer was lost): carry on where we are.
    SendHex(ZRPOS, written_);
    return;
  }
  DropFile(kTextIncomplete);
  lastFileSkipped_ = false;
  lastFileStored_ = false;
  uint64_t size = 0;
  for (const uint8_t* p = nameEnd == data + length ? nameEnd : nameEnd + 1;
       p < data + length && *p >= '0' && *p <= '9'; ++p)
    size = std::min<uint64_t>(size * 10 + (*p - '0'), kZmodemMaxFileSize + 1);

  std::string error;
  if (name) file_ = folder_.Create(*name, error);
  if (!file_) {
    const std::string shown = Printable(data, static_cast<size_t>(nameEnd - data));
    events_.OnNotice(name ? kTextCannotCreate + *name + " (" + error + ")" : kTextBadName + shown);
    lastFileSkipped_ = true;
    anyFileFailed_ = true;
    SendHex(ZSKIP, 0);
    return;
  }
  fileName_ = *name;
  written_ = 0;
  resumeRequested_ = false;
  events_.OnFileStart(fileName_, size);
  SendHex(ZRPOS, 0);
}

void CZmodemReceiver::Data(const uint8_t* data, size_t length, uint8_t frameEnd) {
  if (length > kZmodemMaxFileSize - written_) {
    DropFile(kTextIncomplete);
    Cancel();
    Fail(kTextCannotWrite + fileName_ + " is 4 GiB or larger.");
    return;
  }
  if (!file_->Write(data, length)) {
    SendHex(ZFERR, 0);
    DropFile(kTextCannotWrite + fileName_);
    Cancel();
    Fail(kTextCannotWrite + fileName_);
    return;
  }
  written_ += static_cast<uint32_t>(length);
  events_.OnFileProgress(written_);
  // The acknowledgement names the position after this subpacket, as senders expect.
  if (frameEnd == ZCRCQ || frameEnd == ZCRCW) SendHex(ZACK, written_);
  if (frameEnd == ZCRCE || frameEnd == ZCRCW) phase_ = Phase::kIdle;
}

void CZmodemReceiver::RequestResume() {
  if (!file_) return;
  encoder_.Raw(reinterpret_cast<const uint8_t*>(attn_.data()), attn_.size());
  SendHex(ZRPOS, written_);
  resumeRequested_ = true;
}

void CZmodemReceiver::OnSilence() {
  if (file_)
    RequestResume();
  else
    SendZrinit();
}

void CZmodemReceiver::DropFile(const std::string& why) {
  if (!file_) return;
  file_->Discard();
  const std::string name = file_->FinalName();
  file_.reset();
  anyFileFailed_ = true;
  phase_ = Phase::kIdle;
  events_.OnFileEnd(name, false, why);
}

}  // namespace ostrane
