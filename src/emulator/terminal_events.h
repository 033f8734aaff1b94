// The small interfaces through which a terminal object reaches the rest of the system: the
// session (replies, keyboard output, bells, printer, ZModem, host scripts), the capture file
// and the views. Each has harmless defaults so that a terminal object stands alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "keyboard/key_command.h"
#include "settings/settings_change.h"

namespace ostrane {

class ITerminalEvents {
 public:
  virtual ~ITerminalEvents() = default;
  // A complete reply for the host, sent at once on the thread that processes received data.
  virtual void SendToHost(const uint8_t* data, size_t length) = 0;
  virtual void Bell() {}
  // CAN "B00" was seen while AutoRecv is on.
  virtual void StartZModemReceive() {}
  // DCS $ t (text) or DCS $ s (file name): a script started by the host.
  virtual void RunHostScript(std::string_view /*textOrPath*/, bool /*isFile*/) {}
  // Keyboard output: encoded keys and typed characters. Called with the terminal lock held, so
  // a session that must not send under it keeps the bytes until the key is handled.
  virtual void SendKeys(const uint8_t* data, size_t length) { SendToHost(data, length); }
  // A key asked for a menu command, a script or a local function; also under the lock.
  virtual void RunKeyCommand(KeyCommand /*command*/, std::string_view /*text*/) {}
  // A typed character landed eight columns before the right margin while MarginBell is on.
  virtual void MarginBell() {}
  // Printing: false from an On call means the printer could not be opened; the mode stays off.
  virtual bool AutoPrintOn() { return false; }
  virtual void AutoPrintOff() {}
  virtual void AutoPrintLine(int /*row*/) {}
  virtual void PrintPageRows(int /*first*/, int /*last*/) {}
  virtual bool PrinterControllerOn() { return false; }
  virtual void PrinterControllerByte(uint8_t /*byte*/) {}
  virtual void PrinterControllerOff() {}
  // Num Lock must agree with the keypad mode (NumLock setting on).
  virtual void SyncNumLock(bool /*numericKeypad*/) {}
  // Page geometry changed while SetHostSize is on: the session may announce its size.
  virtual void HostSizeChanged() {}
  // Connection settings changed in an open session.
  virtual void ConnectionSettingsChanged() {}
  // The host set the window title (xterm type); the text has no control characters.
  virtual void HostTitleChanged(std::string_view /*title*/) {}
  // The host wrote text for the clipboard (OSC 52, xterm type); reading it is never offered.
  virtual void HostClipboard(std::string_view /*text*/) {}
};

// Where captured text goes; the terminal object formats, the sink writes.
class ICaptureSink {
 public:
  virtual ~ICaptureSink() = default;
  virtual void Write(std::string_view bytes) = 0;
};

// A view of the terminal. Calls come from the thread that changed the terminal and must not
// block: a view records what it was told and repaints later on its own thread.
class ITerminalView {
 public:
  virtual ~ITerminalView() = default;
  virtual void InvalidateRows(int first, int last) = 0;
  virtual void Relayout() = 0;
  virtual void CursorMoved() = 0;
  // Font, layout, repaint, cursor, title and buttons steps of ApplyChanges.
  virtual void ViewSettingsChanged(const CSettingsChange& /*change*/) {}
  virtual void FullRepaint() {}
};

}  // namespace ostrane
