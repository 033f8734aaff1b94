// ITransferFrontEnd: what the program around a session shows of its file transfers (the
// desktop's progress dialog, ostrane-cli's progress line on stderr).
#pragma once

#include <string>

#include "xfer/zmodem_transfer.h"

namespace ostrane {

enum class XferDirection : uint8_t { kReceive, kSend };

class ITransferFrontEnd {
 public:
  virtual ~ITransferFrontEnd() = default;
  // A transfer was created. On the thread that created it: the owner's for the commands, the
  // connection's worker (with the terminal lock held) for an automatic receive; must not block.
  virtual void TransferStarted(XferDirection direction) = 0;
  // The rest come from the transfer thread and must not block.
  virtual void TransferProgress(const XferProgress& progress) = 0;
  virtual void TransferFileEnded(const std::string& name, bool complete,
                                 const std::string& message) = 0;
  virtual void TransferNotice(const std::string& text) = 0;
  // A receive that stored files ended and XferOpenRecv asks for the folder to be shown; at
  // most once per transfer, just before TransferEnded.
  virtual void OpenReceiveFolder(const std::string& folder) = 0;
  // The last call of a transfer. Post it to the owner's thread, which then calls the session's
  // ReapTransfer; never reap from inside this call (the transfer thread is joined there).
  virtual void TransferEnded(XferOutcome outcome, const std::string& message) = 0;
};

}  // namespace ostrane
