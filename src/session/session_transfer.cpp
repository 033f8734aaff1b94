#include "session/session_transfer.h"

#include "xfer/xfer_files.h"
#include "xfer/zmodem_receiver.h"
#include "xfer/zmodem_sender.h"

namespace ostrane {

// One running transfer with everything it uses. It is the transfer's observer and its link,
// so the transfer is declared last: it ends (its thread joined) before the rest goes.
class CSessionTransfer::CRunning final : public IXferObserver, public IXferLink {
 public:
  CRunning(CTransport& transport, const ScreenSink& screen, ITransferFrontEnd* frontEnd,
           XferDirection direction, CZmodemTransfer::Options options)
      : transport_(transport),
        screen_(screen),
        frontEnd_(frontEnd),
        direction_(direction),
        transfer_(*this, *this, std::move(options)) {}

  void StartReceive(const ReceiveOptions& options) {
    folderPath_ = options.folder;
    openFolder_ = options.openFolder;
    folder_ = std::make_unique<CPosixReceiveFolder>(options.folder);
    transfer_.Start(std::make_unique<CZmodemReceiver>(*folder_, transfer_.Events()));
  }
  void StartSend(std::vector<std::string> paths) {
    source_ = std::make_unique<CPosixSendSource>();
    transfer_.Start(
        std::make_unique<CZmodemSender>(*source_, std::move(paths), transfer_.Events()));
  }
  CZmodemTransfer& Transfer() { return transfer_; }

  // Called on the transfer thread; the transport's Write never needs the terminal lock.
  bool Write(const uint8_t* data, size_t length) override {
    return transport_.Write(data, length, SendWait::kMayWait);
  }

  void OnProgress(const XferProgress& progress) override {
    if (frontEnd_) frontEnd_->TransferProgress(progress);
  }
  void OnFileEnded(const std::string& name, bool complete, const std::string& message) override {
    if (complete) ++filesStored_;
    if (frontEnd_) frontEnd_->TransferFileEnded(name, complete, message);
  }
  void OnNotice(const std::string& text) override {
    if (frontEnd_) frontEnd_->TransferNotice(text);
  }
  void OnScreenBytes(const uint8_t* data, size_t length) override { screen_(data, length); }
  void OnEnded(XferOutcome outcome, const std::string& message) override {
    if (!frontEnd_) return;
    if (direction_ == XferDirection::kReceive && openFolder_ && filesStored_ > 0)
      frontEnd_->OpenReceiveFolder(folderPath_);
    frontEnd_->TransferEnded(outcome, message);
  }

 private:
  CTransport& transport_;
  const ScreenSink& screen_;
  ITransferFrontEnd* frontEnd_;
  XferDirection direction_;
  std::string folderPath_;
  bool openFolder_ = false;
  unsigned filesStored_ = 0;  // transfer thread only
  std::unique_ptr<CPosixReceiveFolder> folder_;
  std::unique_ptr<CPosixSendSource> source_;
  CZmodemTransfer transfer_;
};

CSessionTransfer::CSessionTransfer(ScreenSink screen) : screen_(std::move(screen)) {}

CSessionTransfer::~CSessionTransfer() {
  End();
}

bool CSessionTransfer::StartReceive(CTransport& transport, const ReceiveOptions& options) {
  Reap();
  std::lock_guard lock(mutex_);
  if (running_) return false;
  running_ = std::make_unique<CRunning>(transport, screen_, frontEnd_, XferDirection::kReceive,
                                        CZmodemTransfer::Options{});
  if (frontEnd_) frontEnd_->TransferStarted(XferDirection::kReceive);
  running_->StartReceive(options);
  return true;
}

bool CSessionTransfer::StartSend(CTransport& transport, std::vector<std::string> paths,
                                 const SendOptions& options) {
  Reap();
  std::lock_guard lock(mutex_);
  if (running_) return false;
  CZmodemTransfer::Options transferOptions;
  transferOptions.initString = options.initString;
  transferOptions.initPause = options.initPause;
  running_ = std::make_unique<CRunning>(transport, screen_, frontEnd_, XferDirection::kSend,
                                        std::move(transferOptions));
  if (frontEnd_) frontEnd_->TransferStarted(XferDirection::kSend);
  running_->StartSend(std::move(paths));
  return true;
}

bool CSessionTransfer::Deliver(const uint8_t* data, size_t length) {
  std::lock_guard lock(mutex_);
  return running_ && running_->Transfer().Deliver(data, length);
}

void CSessionTransfer::ConnectionLost() {
  std::lock_guard lock(mutex_);
  if (running_) running_->Transfer().ConnectionLost();
}

void CSessionTransfer::Abort() {
  std::lock_guard lock(mutex_);
  if (running_) running_->Transfer().RequestAbort();
}

bool CSessionTransfer::Running() const {
  std::lock_guard lock(mutex_);
  return running_ && !running_->Transfer().HasEnded();
}

void CSessionTransfer::Reap() {
  std::unique_ptr<CRunning> ended;
  {
    std::lock_guard lock(mutex_);
    if (running_ && running_->Transfer().HasEnded()) ended = std::move(running_);
  }
}

void CSessionTransfer::End() {
  std::unique_ptr<CRunning> running;
  {
    std::lock_guard lock(mutex_);
    running = std::move(running_);
  }
  // Destroyed outside the lock: the thread may still hand bytes to the screen meanwhile.
}

}  // namespace ostrane
