// CModemTransport: a data call through a Hayes AT modem on a serial device. The worker dials
// (ATDT), shows the call's progress on the screen, and once the modem answers CONNECT exchanges
// bytes with the far side until the carrier goes or the user stops; stopping hangs up.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/tty_device.h"
#include "transport/hayes_responses.h"
#include "transport/serial_limits.h"
#include "transport/serial_link.h"
#include "transport/transport.h"

namespace ostrane {

class CModemTransport final : public CTransport {
 public:
  explicit CModemTransport(CConnectionSettings settings = {},
                           std::unique_ptr<platform::ITtyDevice> device = nullptr);
  ~CModemTransport() override;

  void Prepare() override;
  bool Open() override;
  // Hangs up, then closes the port.
  void Close() override;
  void Interrupt() override { link_.Abort(); }
  bool Read() override;
  void Kick() override { link_.Wake(); }
  // Fails before the call is connected: there is nobody to send to.
  bool Write(const uint8_t* data, size_t length, SendWait wait) override;
  bool SendBreak() override;
  void ConnectionSettingsChanged(const CConnectionSettings& settings) override;
  std::string GetDisplayName() const override { return "Phone# " + Settings().host; }

 private:
  enum class Call { kIdle, kDialling, kConnected };
  // Why a dial ended without a call; empty when it connected.
  struct DialOutcome {
    bool connected = false;
    std::string failure;  // shown on the screen, may be empty (aborted)
  };

  void Show(std::string_view text);
  bool SendCommand(const std::string& command);
  // Sends command and waits for its final result.
  std::optional<HayesResult> Command(const std::string& command, std::chrono::milliseconds timeout);
  DialOutcome Dial(const std::string& number);
  // Hang-up: DTR low, and where that cannot be seen to work, escape and ATH0.
  void HangUp();
  bool CarrierLost();

  std::unique_ptr<platform::ITtyDevice> device_;
  CSerialLink link_;
  std::atomic<Call> call_{Call::kIdle};
  CHayesResponseReader reader_;
  CCarrierLossWatch carrierWatch_;
  bool dropLineFeed_ = false;  // worker: the LF of "CONNECT ...\r\n" may come in the next read
  bool carrierGone_ = false;   // worker: ends the connection after the text is shown
  uint8_t readBuffer_[kSerialReadSize] = {};
};

}  // namespace ostrane
