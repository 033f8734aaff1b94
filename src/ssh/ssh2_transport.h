// CSsh2Transport: the transport of connection kind 5 — SSH protocol version 2 over one TCP
// connection, with the version 2 key store.
#pragma once

#include "ssh/ssh2_protocol.h"
#include "ssh/ssh_transport_base.h"

namespace ostrane {

class CSsh2Transport final : public CSshTransportBase {
 public:
  explicit CSsh2Transport(CConnectionSettings settings = {})
      : CSshTransportBase(TransportKind::kSsh2, SshVersion::k2, &MakeSshProtocol<CSsh2Protocol>,
                          "SSH2", std::move(settings)) {}
  ~CSsh2Transport() override { Shutdown(); }

  // The algorithms in use (null before the protocol starts).
  const CSsh2Protocol* Protocol() const {
    return static_cast<const CSsh2Protocol*>(ProtocolBase());
  }
};

}  // namespace ostrane
