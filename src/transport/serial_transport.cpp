#include "transport/serial_transport.h"

#include "platform/serial_devices.h"
#include "settings/message_texts.h"

namespace ostrane {

CSerialTransport::CSerialTransport(CConnectionSettings settings,
                                   std::unique_ptr<platform::ITtyDevice> device)
    : CTransport(TransportKind::kSerial, std::move(settings)),
      device_(device ? std::move(device) : std::make_unique<platform::CPosixTtyDevice>()),
      link_(*device_),
      openPath_(Settings().devicePath) {}

CSerialTransport::~CSerialTransport() {
  Shutdown();
}

platform::CSerialLine CSerialTransport::LineOf(const CConnectionSettings& s) {
  return {s.speed, s.dataLength, s.parity, s.stopBits, s.flowControl};
}

void CSerialTransport::Show(const std::string& text) {
  // Open runs before delivery starts; a failed one is never followed by a delivery.
  if (State() == TransportState::kConnecting && Owner() != nullptr)
    Owner()->DeliverReceived(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  else
    QueueReceived(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

bool CSerialTransport::Open() {
  const CConnectionSettings s = Settings();
  if (openPath_.empty()) {
    Show("\r\nNo serial device is set for " + platform::ComName(s.port) + ".\r\n");
    return false;
  }
  const std::string problem = link_.Open(openPath_, LineOf(s));
  if (!problem.empty()) {
    Show("\r\n" + problem + "\r\n");
    return false;
  }
  return true;
}

bool CSerialTransport::Read() {
  if (lost_) return TryReopen();
  size_t count = 0;
  switch (link_.Receive(readBuffer_, sizeof readBuffer_, count)) {
    case CSerialLink::Input::kData:
      QueueReceived(readBuffer_, count);
      return true;
    case CSerialLink::Input::kWake:
    case CSerialLink::Input::kTimeout:
      return true;
    case CSerialLink::Input::kEnded:
      return DeviceLost();
    case CSerialLink::Input::kAborted:
      break;
  }
  return false;
}

bool CSerialTransport::DeviceLost() {
  link_.Close();
  lost_.store(true);
  Show("\r\n[The serial device " + openPath_ + " is gone; waiting for it to come back.]\r\n");
  return true;
}

bool CSerialTransport::TryReopen() {
  if (!link_.Sleep(kReopenInterval)) return false;
  if (!link_.Open(openPath_, LineOf(Settings())).empty()) return true;
  lost_.store(false);
  Show("\r\n[The serial device " + openPath_ + " is back.]\r\n");
  return true;
}

bool CSerialTransport::Write(const uint8_t* data, size_t length, SendWait /*wait*/) {
  if (length == 0) return true;
  // While the device is away, what is typed is dropped rather than ending the session.
  if (lost_) return true;
  return link_.Write(data, length);
}

bool CSerialTransport::SendBreak() {
  if (State() != TransportState::kConnected) return false;
  return link_.SendBreak(kBreakDuration);
}

void CSerialTransport::ConnectionSettingsChanged(const CConnectionSettings& settings) {
  CTransport::ConnectionSettingsChanged(settings);
  if (settings.hostType != static_cast<int>(TransportKind::kSerial) ||
      settings.devicePath != openPath_) {
    if (Owner() != nullptr) Owner()->ShowMessage(Msg::kRestartNeeded);
    return;
  }
  if (State() != TransportState::kConnected || lost_) return;
  const std::string problem = link_.Apply(LineOf(settings));
  if (!problem.empty()) {
    const std::string text = "\r\n" + problem + "\r\n";
    DeliverLocal(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
}

std::string CSerialTransport::GetDisplayName() const {
  const CConnectionSettings s = Settings();
  // A device named directly shows as itself; one behind a COM name as that name.
  return s.host.empty() || s.host[0] != '/' ? platform::ComName(s.port) : s.devicePath;
}

}  // namespace ostrane
