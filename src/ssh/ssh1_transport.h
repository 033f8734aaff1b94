// CSsh1Transport: the transport of connection kind 6 — SSH protocol version 1.5 over one TCP
// connection, with the RSA user keys of the version 1 key store.
#pragma once

#include "ssh/ssh1_protocol.h"
#include "ssh/ssh_transport_base.h"

namespace ostrane {

class CSsh1Transport final : public CSshTransportBase {
 public:
  explicit CSsh1Transport(CConnectionSettings settings = {})
      : CSshTransportBase(TransportKind::kSsh1, SshVersion::k1, &MakeSshProtocol<CSsh1Protocol>,
                          "SSH1", std::move(settings)) {}
  ~CSsh1Transport() override { Shutdown(); }
};

}  // namespace ostrane
