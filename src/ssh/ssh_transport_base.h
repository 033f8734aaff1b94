// CSshTransportBase: what the SSH transports of both versions share — one TCP connection whose
// worker feeds every received block to the protocol machine, which answers on the same
// connection and hands the session's output to the terminal; the questions and the remembered
// login the machine uses; the user's bytes, keep-alives and screen sizes passed to it. Each
// version makes its own machine and names itself.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ssh/ssh_credentials.h"
#include "ssh/ssh_key_store.h"
#include "ssh/ssh_limits.h"
#include "ssh/ssh_protocol_base.h"
#include "ssh/ssh_questions.h"
#include "transport/socket_link.h"
#include "transport/transport.h"

namespace ostrane {

inline constexpr std::string_view kTextSshHostChanged =
    "Connection host changed. You need to save the settings and restart the connection for new "
    "settings to be effective.";

// Makes a version's protocol machine for one connection.
using SshProtocolFactory = std::unique_ptr<CSshProtocolBase> (*)(ISshProtocolHost& host,
                                                                 ISshQuestions* questions,
                                                                 CSshKeyStore& keys,
                                                                 SshOptions options);

template <class Protocol>
std::unique_ptr<CSshProtocolBase> MakeSshProtocol(ISshProtocolHost& host, ISshQuestions* questions,
                                                  CSshKeyStore& keys, SshOptions options) {
  return std::make_unique<Protocol>(host, questions, keys, std::move(options));
}

class CSshTransportBase : public CTransport, private ISshProtocolHost {
 public:
  ~CSshTransportBase() override;

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
  // The host and the version ("host/SSH2").
  std::string GetDisplayName() const override;

 protected:
  // keys: the store of the version's host keys and user key pairs; name: the version as the
  // display name shows it.
  CSshTransportBase(TransportKind kind, SshVersion keys, SshProtocolFactory makeProtocol,
                    std::string_view name, CConnectionSettings settings);

  // Null before the first connection.
  const CSshProtocolBase* ProtocolBase() const { return protocol_.get(); }

 private:
  // Tells the server the new screen size.
  void SendWindowSize(int columns, int lines) override;
  bool SendToServer(const uint8_t* data, size_t length) override;
  void DeliverData(const uint8_t* data, size_t length) override;
  void ReadCredentials(std::string& user, std::string& protectedPassword) override;
  void WriteCredentials(const std::string* user, const std::string* protectedPassword) override;

  const SshProtocolFactory makeProtocol_;
  const std::string_view name_;
  ISshQuestions* questions_ = nullptr;
  ISshCredentials* credentials_ = nullptr;
  CSocketLink link_;
  CSshKeyStore keys_;
  std::unique_ptr<CSshProtocolBase> protocol_;
  uint8_t readBuffer_[kSshReadSize] = {};
};

}  // namespace ostrane
