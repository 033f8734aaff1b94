#include "ssh/ssh1_transport.h"

#include <algorithm>

#include "settings/message_texts.h"
#include "ssh/ssh2_transport.h"
#include "transport/telnet_options.h"

namespace ostrane {

namespace {

// The terminal type for a TermID outside the known ones.
constexpr int kDefaultTermId = 2;

}  // namespace

CSsh1Transport::CSsh1Transport(CConnectionSettings settings)
    : CTransport(TransportKind::kSsh1, std::move(settings)) {}

CSsh1Transport::~CSsh1Transport() {
  Shutdown();
}

bool CSsh1Transport::Open() {
  if (questions_ == nullptr) return false;
  const CConnectionSettings s = Settings();
  Ssh1Options options;
  options.host = s.host;
  options.terminal = s.terminalName.empty()
                         ? std::string(CTelnetOptions::TerminalName(kDefaultTermId))
                         : s.terminalName;
  options.columns = static_cast<uint32_t>(std::max(0, s.columns));
  options.lines = static_cast<uint32_t>(std::max(0, s.lines));
  ISsh1Host& self = *this;
  protocol_ = std::make_unique<CSsh1Protocol>(self, questions_, keys_, std::move(options));
  return link_.Connect(s.host, s.port);
}

bool CSsh1Transport::Read() {
  const int n = link_.Receive(readBuffer_, sizeof readBuffer_);
  if (n == CSocketLink::kWakeMarker) return true;
  if (n <= 0) {
    SetStopping();
    return false;
  }
  if (!protocol_->Feed(readBuffer_, static_cast<size_t>(n))) SetStopping();
  return true;
}

bool CSsh1Transport::Write(const uint8_t* data, size_t length, SendWait /*wait*/) {
  if (State() != TransportState::kConnected) return false;
  if (LocalOnly() || !protocol_) return true;
  return protocol_->SendData(data, length);
}

void CSsh1Transport::ConnectionSettingsChanged(const CConnectionSettings& settings) {
  CTransport::ConnectionSettingsChanged(settings);
  if (questions_ != nullptr) {
    MessageQuestion q;
    q.text = std::string(kTextSshHostChanged);
    q.icon = MessageIcon::kInformation;
    questions_->AskMessage(q);
  }
}

void CSsh1Transport::KeepAlive() {
  if (State() == TransportState::kConnected && protocol_) protocol_->KeepAlive();
}

void CSsh1Transport::SendWindowSize(int columns, int lines) {
  if (State() == TransportState::kConnected && protocol_ && columns > 0 && lines > 0)
    protocol_->WindowChange(static_cast<uint32_t>(columns), static_cast<uint32_t>(lines));
}

bool CSsh1Transport::SendToServer(const uint8_t* data, size_t length) {
  if (link_.Send(data, length)) return true;
  if (link_.HostStoppedReading()) EndWithMessage(Msg::kHostStoppedReading);
  return false;
}

void CSsh1Transport::DeliverData(const uint8_t* data, size_t length) {
  QueueReceived(data, length);
}

void CSsh1Transport::ReadCredentials(std::string& user, std::string& protectedPassword) {
  if (credentials_ == nullptr) return;
  SshCredentials c = credentials_->LoadCredentials();
  user = std::move(c.user);
  protectedPassword = std::move(c.protectedPassword);
}

void CSsh1Transport::WriteCredentials(const std::string* user,
                                      const std::string* protectedPassword) {
  if (credentials_ != nullptr) credentials_->StoreCredentials(user, protectedPassword);
}

}  // namespace ostrane
