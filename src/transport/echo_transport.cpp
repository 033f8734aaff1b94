#include "transport/echo_transport.h"

#include "settings/message_texts.h"

namespace ostrane {

CEchoTransport::CEchoTransport(CConnectionSettings settings)
    : CTransport(TransportKind::kLocal, std::move(settings)) {}

CEchoTransport::~CEchoTransport() {
  Shutdown();
}

bool CEchoTransport::Read() {
  loop_.Wait();
  return State() != TransportState::kStopping;
}

bool CEchoTransport::Write(const uint8_t* data, size_t length, SendWait wait) {
  // A large write waits here for the worker to make room, a chunk at a time, when it may.
  const bool queued = QueueReceived(data, length, wait);
  loop_.Set();
  return queued;
}

void CEchoTransport::ConnectionSettingsChanged(const CConnectionSettings& settings) {
  CTransport::ConnectionSettingsChanged(settings);
  if (settings.hostType != static_cast<int>(TransportKind::kLocal) && Owner() != nullptr)
    Owner()->ShowMessage(Msg::kRestartNeeded);
}

}  // namespace ostrane
