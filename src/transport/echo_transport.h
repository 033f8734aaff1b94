// CEchoTransport: the local loop. Everything the session sends comes back as received data.
#pragma once

#include "platform/event.h"
#include "transport/transport.h"

namespace ostrane {

class CEchoTransport final : public CTransport {
 public:
  CEchoTransport();
  ~CEchoTransport() override;

  int Prepare() override { return 1; }
  int Open() override { return 1; }
  int Close() override { return 1; }
  int Interrupt() override;
  int Read() override;
  // Wakes the loop, so that locally delivered bytes show at once.
  void Kick() override { loop_.Set(); }
  int Write(const uint8_t* data, size_t length) override;
  int SettingsChanged(const CSettingsSet& settings) override;
  std::string GetDisplayName(const CSettingsSet& settings) const override;

 private:
  platform::CEvent loop_{platform::CEvent::Reset::kAuto, false};
};

}  // namespace ostrane
