#include "ssh/ssh2_transport.h"

#include <algorithm>

#include "settings/message_texts.h"
#include "transport/telnet_options.h"

namespace ostrane {

namespace {

// The terminal type for a TermID outside the known ones.
constexpr int kDefaultTermId = 2;

}  // namespace

CSsh2Transport::CSsh2Transport(CConnectionSettings settings)
    : CTransport(TransportKind::kSsh2, std::move(settings)) {}

CSsh2Transport::~CSsh2Transport() {
  Shutdown();
}

bool CSsh2Transport::Open() {
  // A login that cannot be asked for would end silently before authentication.
  if (questions_ == nullptr) return false;
  const CConnectionSettings s = Settings();
  Ssh2Options options;
  options.host = s.host;
  options.port = s.port;
  options.terminal = s.terminalName.empty()
                         ? std::string(CTelnetOptions::TerminalName(kDefaultTermId))
                         : s.terminalName;
  options.columns = static_cast<uint32_t>(std::max(0, s.columns));
  options.lines = static_cast<uint32_t>(std::max(0, s.lines));
  ISsh2Host& self = *this;
  protocol_ = std::make_unique<CSsh2Protocol>(self, questions_, keys_, std::move(options));
  return link_.Connect(s.host, s.port);
}

bool CSsh2Transport::Read() {
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

// The protocol never waits: what the server's window or the socket does not take is held.
bool CSsh2Transport::Write(const uint8_t* data, size_t length, SendWait /*wait*/) {
  if (State() != TransportState::kConnected) return false;
  if (LocalOnly() || !protocol_) return true;
  // Before the shell runs, typed bytes are dropped; a byte sent ahead of our identification
  // line would make the server refuse it.
  return protocol_->SendData(data, length);
}

void CSsh2Transport::ConnectionSettingsChanged(const CConnectionSettings& settings) {
  CTransport::ConnectionSettingsChanged(settings);
  if (questions_ != nullptr) {
    MessageQuestion q;
    q.text = std::string(kTextSshHostChanged);
    q.icon = MessageIcon::kInformation;
    questions_->AskMessage(q);
  }
}

void CSsh2Transport::KeepAlive() {
  if (State() == TransportState::kConnected && protocol_) protocol_->KeepAlive();
}

void CSsh2Transport::SendWindowSize(int columns, int lines) {
  if (State() == TransportState::kConnected && protocol_ && columns > 0 && lines > 0)
    protocol_->WindowChange(static_cast<uint32_t>(columns), static_cast<uint32_t>(lines));
}

bool CSsh2Transport::SendToServer(const uint8_t* data, size_t length) {
  if (link_.Send(data, length)) return true;
  if (link_.HostStoppedReading()) EndWithMessage(Msg::kHostStoppedReading);
  return false;
}

void CSsh2Transport::DeliverData(const uint8_t* data, size_t length) {
  QueueReceived(data, length);
}

void CSsh2Transport::ReadCredentials(std::string& user, std::string& protectedPassword) {
  if (credentials_ == nullptr) return;
  SshCredentials c = credentials_->LoadCredentials();
  user = std::move(c.user);
  protectedPassword = std::move(c.protectedPassword);
}

void CSsh2Transport::WriteCredentials(const std::string* user,
                                      const std::string* protectedPassword) {
  if (credentials_ != nullptr) credentials_->StoreCredentials(user, protectedPassword);
}

}  // namespace ostrane
