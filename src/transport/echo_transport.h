// CEchoTransport: the local loop. Everything the session sends comes back as received data.
#pragma once

#include "platform/event.h"
#include "transport/transport.h"

namespace ostrane {

class CEchoTransport final : public CTransport {
 public:
  explicit CEchoTransport(CConnectionSettings settings = {});
  ~CEchoTransport() override;

  void Prepare() override {}
  bool Open() override { return true; }
  void Close() override {}
  void Interrupt() override { loop_.Set(); }
  bool Read() override;
  // Wakes the loop, so that locally delivered bytes show at once.
  void Kick() override { loop_.Set(); }
  bool Write(const uint8_t* data, size_t length, SendWait wait) override;
  // Only a change of the connection kind needs a new connection.
  void ConnectionSettingsChanged(const CConnectionSettings& settings) override;
  std::string GetDisplayName() const override { return "Echo"; }

 private:
  platform::CEvent loop_{platform::CEvent::Reset::kAuto, false};
};

}  // namespace ostrane
