#include "ssh/ssh_transport_base.h"

#include <algorithm>

#include "settings/message_texts.h"
#include "transport/telnet_options.h"

namespace ostrane {

namespace {

// The terminal type for a TermID outside the known ones.
constexpr int kDefaultTermId = 2;

}  // namespace

CSshTransportBase::CSshTransportBase(TransportKind kind, SshVersion keys,
                                     SshProtocolFactory makeProtocol, std::string_view name,
                                     CConnectionSettings settings)
    : CTransport(kind, std::move(settings)),
      makeProtocol_(makeProtocol),
      name_(name),
      keys_(keys) {}

CSshTransportBase::~CSshTransportBase() = default;

std::string CSshTransportBase::GetDisplayName() const {
  return Settings().host + "/" + std::string(name_);
}

bool CSshTransportBase::Open() {
  // A login that cannot be asked for would end silently before authentication.
  if (questions_ == nullptr) return false;
  const CConnectionSettings s = Settings();
  SshOptions options;
  options.host = s.host;
  options.port = s.port;
  options.terminal = s.terminalName.empty()
                         ? std::string(CTelnetOptions::TerminalName(kDefaultTermId))
                         : s.terminalName;
  options.columns = static_cast<uint32_t>(std::max(0, s.columns));
  options.lines = static_cast<uint32_t>(std::max(0, s.lines));
  ISshProtocolHost& self = *this;
  protocol_ = makeProtocol_(self, questions_, keys_, std::move(options));
  return link_.Connect(s.host, s.port);
}

bool CSshTransportBase::Read() {
  const int n = link_.Receive(readBuffer_, sizeof readBuffer_);
  // Locally queued bytes are delivered by the thread body; the protocol never sees them.
  if (n == CSocketLink::kWakeMarker) return true;
  if (n <= 0) {
    SetStopping();
    return false;
  }
  if (!protocol_->Feed(readBuffer_, static_cast<size_t>(n))) SetStopping();
  return true;
}

// The protocol never waits: what it cannot send yet it holds, or drops (see its SendData).
bool CSshTransportBase::Write(const uint8_t* data, size_t length, SendWait /*wait*/) {
  if (State() != TransportState::kConnected) return false;
  if (LocalOnly() || !protocol_) return true;
  return protocol_->SendData(data, length);
}

void CSshTransportBase::ConnectionSettingsChanged(const CConnectionSettings& settings) {
  CTransport::ConnectionSettingsChanged(settings);
  if (questions_ != nullptr) {
    MessageQuestion q;
    q.text = std::string(kTextSshHostChanged);
    q.icon = MessageIcon::kInformation;
    questions_->AskMessage(q);
  }
}

void CSshTransportBase::KeepAlive() {
  if (State() == TransportState::kConnected && protocol_) protocol_->KeepAlive();
}

void CSshTransportBase::SendWindowSize(int columns, int lines) {
  if (State() == TransportState::kConnected && protocol_ && columns > 0 && lines > 0)
    protocol_->WindowChange(static_cast<uint32_t>(columns), static_cast<uint32_t>(lines));
}

bool CSshTransportBase::SendToServer(const uint8_t* data, size_t length) {
  if (link_.Send(data, length)) return true;
  if (link_.HostStoppedReading()) EndWithMessage(Msg::kHostStoppedReading);
  return false;
}

void CSshTransportBase::DeliverData(const uint8_t* data, size_t length) {
  QueueReceived(data, length);
}

void CSshTransportBase::ReadCredentials(std::string& user, std::string& protectedPassword) {
  if (credentials_ == nullptr) return;
  SshCredentials c = credentials_->LoadCredentials();
  user = std::move(c.user);
  protectedPassword = std::move(c.protectedPassword);
}

void CSshTransportBase::WriteCredentials(const std::string* user,
                                         const std::string* protectedPassword) {
  if (credentials_ != nullptr) credentials_->StoreCredentials(user, protectedPassword);
}

}  // namespace ostrane
