#include "transport/echo_transport.h"

#include "settings/message_texts.h"
#include "settings/settings_set.h"

namespace ostrane {

CEchoTransport::CEchoTransport() : CTransport(TransportKind::kLocal) {}

CEchoTransport::~CEchoTransport() {
  Shutdown();
}

int CEchoTransport::Interrupt() {
  loop_.Set();
  return 1;
}

int CEchoTransport::Read() {
  loop_.Wait();
  return State() == TransportState::kStopping ? 0 : 1;
}

int CEchoTransport::Write(const uint8_t* data, size_t length) {
  // A large write waits here for the worker to make room, a chunk at a time.
  QueueReceived(data, length);
  loop_.Set();
  return 1;
}

int CEchoTransport::SettingsChanged(const CSettingsSet& settings) {
  if (settings.Int(S::HostType) != static_cast<int>(TransportKind::kLocal) && Owner() != nullptr)
    Owner()->ShowMessage(Msg::kRestartNeeded);
  return 1;
}

std::string CEchoTransport::GetDisplayName(const CSettingsSet& /*settings*/) const {
  return "Echo";
}

}  // namespace ostrane
