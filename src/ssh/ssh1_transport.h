// CSsh1Transport: the transport of connection kind 6 — SSH protocol version 1.5 over one TCP
// connection. The worker thread connects, then feeds every received byte to the protocol
// machine, which answers on the same connection and hands the session's output to the terminal.
#pragma once

#include <memory>
#include <string>

#include "ssh/ssh1_protocol.h"
#include "ssh/ssh_credentials.h"
#include "ssh/ssh_key_store.h"
#include "ssh/ssh_limits.h"
#include "ssh/ssh_questions.h"
#include "transport/socket_link.h"
#include "transport/transport.h"

namespace ostrane {

class CSsh1Transport final : public CTransport, private ISsh1Host {
 public:
  explicit CSsh1Transport(CConnectionSettings settings = {});
  ~CSsh1Transport() override;

  // Before Start: who answers the protocol's questions. Without them no login can be asked
  // for, so Open refuses to connect.
  void SetQuestions(ISshQuestions* questions) { questions_ = questions; }
  // Before Start: where the remembered login is kept (may stay null: nothing is remembered).
  void SetCredentials(ISshCredentials* credentials) { credentials_ = credentials; }

  void Prepare() override { protocol_.reset(); }
  bool Open() override;
  void Close() override { link_.Close(); }
  void Interrupt() override { link_.Abort(); }
  bool Read() override;
  void Kick() override { link_.Wake(); }
  bool Write(const uint8_t* data, size_t length, SendWait wait) override;
  // The new host is only used by a new connection.
  void ConnectionSettingsChanged(const CConnectionSettings& settings) override;
  void KeepAlive() override;
  std::string GetDisplayName() const override { return Settings().host + "/SSH1"; }

  const CSsh1Protocol* Protocol() const { return protocol_.get(); }

 private:
  void SendWindowSize(int columns, int lines) override;
  bool SendToServer(const uint8_t* data, size_t length) override;
  void DeliverData(const uint8_t* data, size_t length) override;
  void ReadCredentials(std::string& user, std::string& protectedPassword) override;
  void WriteCredentials(const std::string* user, const std::string* protectedPassword) override;

  ISshQuestions* questions_ = nullptr;
  ISshCredentials* credentials_ = nullptr;
  CSocketLink link_;
  CSshKeyStore keys_{SshVersion::k1};
  std::unique_ptr<CSsh1Protocol> protocol_;
  uint8_t readBuffer_[kSshReadSize] = {};
};

}  // namespace ostrane
