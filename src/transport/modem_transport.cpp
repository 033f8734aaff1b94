#include "transport/modem_transport.h"

#include <thread>

#include "settings/message_texts.h"

namespace ostrane {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kTextDialing = "Dialing...";
constexpr std::string_view kTextRingback = "\r\nRingback";
constexpr std::string_view kTextConnected = "\n\rConnected.\r\n";
constexpr std::string_view kTextNoModem = "\r\nModem not available.";
constexpr std::string_view kTextBadNumber = "\r\nInvalid dialing address.";
constexpr std::string_view kTextDialTimeout = "\r\nNo answer";

std::chrono::milliseconds Left(Clock::time_point deadline) {
  return std::max(std::chrono::milliseconds(0),
                  std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
}

}  // namespace

CModemTransport::CModemTransport(CConnectionSettings settings,
                                 std::unique_ptr<platform::ITtyDevice> device)
    : CTransport(TransportKind::kModem, std::move(settings)),
      device_(device ? std::move(device) : std::make_unique<platform::CPosixTtyDevice>()),
      link_(*device_) {}

CModemTransport::~CModemTransport() {
  Shutdown();
}

void CModemTransport::Prepare() {
  call_.store(Call::kIdle);
  reader_.Reset();
  dropLineFeed_ = false;
  carrierGone_ = false;
}

void CModemTransport::Show(std::string_view text) {
  // Open runs before delivery starts; a failed one is never followed by a delivery.
  if (State() == TransportState::kConnecting && Owner() != nullptr)
    Owner()->DeliverReceived(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  else
    QueueReceived(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

bool CModemTransport::Open() {
  Show(kTextDialing);
  const CConnectionSettings s = Settings();
  const std::optional<std::string> number = CleanDialString(s.host);
  if (!number) {
    Show(kTextBadNumber);
    return false;
  }
  const platform::CSerialLine line{s.modemSpeed > 0 ? s.modemSpeed : kModemLineSpeed, 8, 0, 0, 0};
  if (s.modemDevice.empty() || !link_.Open(s.modemDevice, line).empty()) {
    Show(kTextNoModem);
    return false;
  }
  const DialOutcome outcome = Dial(*number);
  if (outcome.connected) return true;
  if (State() != TransportState::kStopping && !outcome.failure.empty()) Show(outcome.failure);
  // No Close follows a failed Open: the line is hung up and released here.
  Close();
  return false;
}

bool CModemTransport::SendCommand(const std::string& command) {
  const std::string line = command + "\r";
  return link_.WriteWhileStopping(reinterpret_cast<const uint8_t*>(line.data()), line.size());
}

std::optional<HayesResult> CModemTransport::Command(const std::string& command,
                                                    std::chrono::milliseconds timeout) {
  reader_.Reset();
  if (!SendCommand(command)) return std::nullopt;
  const Clock::time_point deadline = Clock::now() + timeout;
  while (Left(deadline).count() > 0) {
    size_t count = 0;
    const CSerialLink::Input in =
        link_.Receive(readBuffer_, sizeof readBuffer_, count, Left(deadline));
    if (in == CSerialLink::Input::kEnded || in == CSerialLink::Input::kAborted) break;
    if (in != CSerialLink::Input::kData) continue;
    if (const auto found = reader_.Feed(readBuffer_, count)) return found->result;
  }
  return std::nullopt;
}

CModemTransport::DialOutcome CModemTransport::Dial(const std::string& number) {
  const std::string init = Settings().modemInit;
  if (!init.empty()) {
    const std::optional<HayesResult> r = Command(init, kModemCommandTimeout);
    if (r != HayesResult::kOk) {
      return {false,
              link_.Aborted() ? std::string() : std::string(HayesFailureText(HayesResult::kError))};
    }
  }
  reader_.Reset();
  call_.store(Call::kDialling);
  if (!SendCommand("ATDT" + number)) return {false, std::string(kTextNoModem)};
  const Clock::time_point deadline = Clock::now() + kDialTimeout;
  while (Left(deadline).count() > 0) {
    size_t count = 0;
    const CSerialLink::Input in =
        link_.Receive(readBuffer_, sizeof readBuffer_, count, Left(deadline));
    if (in == CSerialLink::Input::kAborted) return {};
    if (in == CSerialLink::Input::kEnded) return {false, std::string(kTextNoModem)};
    if (in != CSerialLink::Input::kData) continue;
    size_t offset = 0;
    // One read can hold several results and, after CONNECT, the host's first bytes.
    while (offset < count) {
      const auto found = reader_.Feed(readBuffer_ + offset, count - offset);
      if (!found) break;
      offset += found->consumed;
      if (found->result == HayesResult::kRinging) Show(kTextRingback);
      if (found->result == HayesResult::kConnect) {
        if (offset < count && readBuffer_[offset] == '\n') ++offset;
        dropLineFeed_ = offset == count;
        call_.store(Call::kConnected);
        Show(kTextConnected);
        if (offset < count) QueueReceived(readBuffer_ + offset, count - offset);
        return {true, {}};
      }
      const std::string_view failure = HayesFailureText(found->result);
      if (!failure.empty()) return {false, std::string(failure)};
    }
  }
  return {false, std::string(kTextDialTimeout)};
}

bool CModemTransport::Read() {
  if (carrierGone_) return false;
  size_t count = 0;
  switch (link_.Receive(readBuffer_, sizeof readBuffer_, count, kCarrierPoll)) {
    case CSerialLink::Input::kData: {
      size_t offset = 0;
      if (dropLineFeed_ && readBuffer_[0] == '\n') offset = 1;
      dropLineFeed_ = false;
      QueueReceived(readBuffer_ + offset, count - offset);
      // Without a carrier line, the modem's own words are the only news of a hang-up; they are
      // shown, and the connection ends after them.
      if (carrierWatch_.Feed(readBuffer_, count) && !link_.ModemLines()) carrierGone_ = true;
      return true;
    }
    case CSerialLink::Input::kWake:
      return true;
    case CSerialLink::Input::kTimeout:
      return !CarrierLost();
    case CSerialLink::Input::kEnded:
    case CSerialLink::Input::kAborted:
      break;
  }
  return false;
}

bool CModemTransport::CarrierLost() {
  const std::optional<int> lines = link_.ModemLines();
  return lines && (*lines & TIOCM_CAR) == 0;
}

bool CModemTransport::Write(const uint8_t* data, size_t length, SendWait /*wait*/) {
  if (call_.load() != Call::kConnected) return false;
  return length == 0 || link_.Write(data, length);
}

bool CModemTransport::SendBreak() {
  if (call_.load() != Call::kConnected || State() != TransportState::kConnected) return false;
  return link_.SendBreak(kBreakDuration);
}

void CModemTransport::ConnectionSettingsChanged(const CConnectionSettings& settings) {
  CTransport::ConnectionSettingsChanged(settings);
  if (settings.hostType != static_cast<int>(TransportKind::kModem) && Owner() != nullptr)
    Owner()->ShowMessage(Msg::kRestartNeeded);
}

void CModemTransport::Close() {
  if (link_.IsOpen()) HangUp();
  call_.store(Call::kIdle);
  link_.Close();
}

void CModemTransport::HangUp() {
  const Call call = call_.load();
  // A modem that sees DTR fall hangs up (AT&D2); one without the line, or one that ignores
  // it, is told in words.
  const bool dtrDropped = link_.SetDtr(false);
  if (dtrDropped) {
    std::this_thread::sleep_for(kHangupDtrDrop);
    link_.SetDtr(true);
    const std::optional<int> lines = link_.ModemLines();
    if (lines && (*lines & TIOCM_CAR) == 0) return;
  }
  static constexpr uint8_t kEscape[] = {'+', '+', '+'};
  if (call == Call::kConnected) {
    // Online, the modem hears commands only after "+++" framed by silence.
    std::this_thread::sleep_for(kEscapeGuard);
    link_.WriteWhileStopping(kEscape, sizeof kEscape);
    std::this_thread::sleep_for(kEscapeGuard);
  } else if (call == Call::kDialling) {
    // Any character ends a dial in progress.
    SendCommand("");
  }
  SendCommand("ATH0");
  std::this_thread::sleep_for(kHangupAnswer);
}

}  // namespace ostrane
