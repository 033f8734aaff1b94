#include "ssh/ssh2_transport.h"

#include <algorithm>
#include <mutex>

#include "settings/settings_set.h"
#include "transport/telnet_options.h"

namespace ostrane {

namespace {

// The terminal type for a TermID outside the known ones.
constexpr int kDefaultTermId = 2;

}  // namespace

CSsh2Transport::CSsh2Transport() : CTransport(TransportKind::kSsh2) {}

CSsh2Transport::~CSsh2Transport() {
  Shutdown();
}

int CSsh2Transport::Prepare() {
  protocol_.reset();
  return 1;
}

int CSsh2Transport::Open() {
  std::string host;
  int port = 0;
  Ssh2Options options;
  {
    std::lock_guard lock(Owner()->SettingsMutex());
    const CSettingsSet& s = Owner()->Settings();
    host = s.Str(S::HostName);
    port = s.Int(S::Port);
    options.host = host;
    std::string_view name = CTelnetOptions::TerminalName(s.Int(S::TermID));
    if (name.empty()) name = CTelnetOptions::TerminalName(kDefaultTermId);
    options.terminal = std::string(name);
    options.columns = static_cast<uint32_t>(std::max(0, s.Int(S::Columns)));
    options.lines = static_cast<uint32_t>(std::max(0, s.Int(S::Lines)));
  }
  ISsh2Host& self = *this;
  protocol_ = std::make_unique<CSsh2Protocol>(self, questions_, keys_, std::move(options));
  return link_.Connect(host, port) ? 1 : 0;
}

int CSsh2Transport::Close() {
  link_.Close();
  return 1;
}

int CSsh2Transport::Interrupt() {
  link_.Abort();
  return 1;
}

int CSsh2Transport::Read() {
  const int n = link_.Receive(readBuffer_, sizeof readBuffer_);
  // Locally queued bytes are delivered by the thread body; the protocol never sees them.
  if (n == CSocketLink::kWakeMarker) return 1;
  if (n <= 0) {
    SetStopping();
    return 0;
  }
  if (!protocol_->Feed(readBuffer_, static_cast<size_t>(n))) SetStopping();
  return 1;
}

int CSsh2Transport::Write(const uint8_t* data, size_t length) {
  if (State() != TransportState::kConnected) return 0;
  if (LocalOnly() || !protocol_) return 1;
  // Before the shell runs, typed bytes are dropped; a byte sent ahead of our identification
  // line would make the server refuse it.
  return protocol_->SendData(data, length) ? 1 : 0;
}

int CSsh2Transport::SettingsChanged(const CSettingsSet& /*settings*/) {
  if (questions_ != nullptr) {
    MessageQuestion q;
    q.text = std::string(kTextSshHostChanged);
    q.icon = MessageIcon::kInformation;
    questions_->AskMessage(q);
  }
  return 1;
}

void CSsh2Transport::KeepAlive() {
  if (State() == TransportState::kConnected && protocol_) protocol_->KeepAlive();
}

void CSsh2Transport::AnnounceWindowSize(int columns, int lines) {
  if (State() == TransportState::kConnected && protocol_ && columns > 0 && lines > 0)
    protocol_->WindowChange(static_cast<uint32_t>(columns), static_cast<uint32_t>(lines));
}

std::string CSsh2Transport::GetDisplayName(const CSettingsSet& settings) const {
  return settings.Str(S::HostName) + "/SSH2";
}

bool CSsh2Transport::SendToServer(const uint8_t* data, size_t length) {
  return link_.Send(data, length);
}

void CSsh2Transport::DeliverData(const uint8_t* data, size_t length) {
  QueueReceived(data, length);
}

void CSsh2Transport::ReadCredentials(std::string& user, std::string& protectedPassword) {
  std::lock_guard lock(Owner()->SettingsMutex());
  user = Owner()->Settings().Str(S::SshUser);
  protectedPassword = Owner()->Settings().Str(S::SshPassword);
}

void CSsh2Transport::WriteCredentials(const std::string* user,
                                      const std::string* protectedPassword) {
  std::lock_guard lock(Owner()->SettingsMutex());
  if (user != nullptr) Owner()->Settings().SetStr(S::SshUser, *user);
  if (protectedPassword != nullptr) Owner()->Settings().SetStr(S::SshPassword, *protectedPassword);
}

}  // namespace ostrane
