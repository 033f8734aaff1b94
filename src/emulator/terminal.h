// CTerminal: the session-level terminal object. It owns the settings set, the key map and the
// screen buffer; the emulator derived from it turns received bytes into screen changes and
// replies, and key presses into bytes for the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/screen_buffer.h"
#include "emulator/terminal_events.h"
#include "keyboard/key_map.h"
#include "keyboard/keyboard_state.h"
#include "settings/settings_change.h"
#include "settings/settings_set.h"

namespace ostrane {

// Mouse reports the host asked for (xterm type): which events, and how they are written.
enum class MouseTracking : uint8_t {
  kOff,
  kPress,         // 9: presses only
  kPressRelease,  // 1000: presses, releases and the wheel
  kButtonMotion,  // 1002: also motion while a button is held
  kAnyMotion,     // 1003: also motion with no button held
};
enum class MouseEncoding : uint8_t { kBytes, kUtf8 /* 1005 */, kSgr /* 1006 */ };
struct HostMouse {
  MouseTracking tracking = MouseTracking::kOff;
  MouseEncoding encoding = MouseEncoding::kBytes;
};

class CTerminal {
 public:
  CTerminal();
  virtual ~CTerminal();
  CTerminal(const CTerminal&) = delete;
  CTerminal& operator=(const CTerminal&) = delete;

  virtual void Reset() = 0;
  virtual void ReceiveByte(uint8_t byte) = 0;
  // A key press (platform virtual-key code, repeat count, extended-key flag); each repeat is
  // handled in full. Output goes to the events sink's SendKeys and RunKeyCommand.
  virtual void KeyDown(int virtualKey, int repeat, bool extended, const KeyboardState& state) = 0;
  virtual void KeyUp(int virtualKey) = 0;
  // The character the window system made of the last key press (not for Alt+key); sent only
  // when the key map did not claim that key.
  virtual void KeyChar(char16_t ch) = 0;
  virtual void ApplyChanges(CSettingsChange& change) = 0;
  virtual char16_t TranslateChar(uint8_t byte) = 0;
  virtual std::string EncodeChar(char16_t ch) const = 0;
  virtual void SoftReset() = 0;

  // One received chunk: every byte through ReceiveByte, then NotifyViews once. The caller holds
  // Mutex().
  virtual void ReceiveBytes(const uint8_t* data, size_t length);
  // Tells every view which rows changed since the last call.
  void NotifyViews();

  // The terminal lock: the worker holds it while it processes a chunk, the GUI while it paints
  // and runs commands. Nothing waits for another thread while holding it.
  std::mutex& Mutex() { return mutex_; }

  CSettingsSet& Settings() { return settings_; }
  const CSettingsSet& Settings() const { return settings_; }
  CKeyMap& KeyMap() { return keyMap_; }
  const CKeyMap& KeyMap() const { return keyMap_; }
  CScreenBuffer& Screen() { return screen_; }
  const CScreenBuffer& Screen() const { return screen_; }
  // The host asked for pasted text to be bracketed (ESC [ 200 ~ ... ESC [ 201 ~).
  bool BracketedPaste() const { return bracketedPaste_; }
  HostMouse HostMouseMode() const { return hostMouse_; }
  // The host asked to be told when the window gains and loses the focus (CSI I, CSI O).
  bool FocusEvents() const { return focusEvents_; }
  int CursorRow() const { return cursorRow_; }
  int CursorColumn() const { return cursorCol_; }

  void SetEvents(ITerminalEvents* events) { events_ = events; }
  void AddView(ITerminalView* view);
  void RemoveView(ITerminalView* view);
  // Capture: the terminal formats received text (or, with CaptureDebug, every byte) into it.
  void SetCapture(std::unique_ptr<ICaptureSink> capture);
  bool IsCapturing() const { return capture_ != nullptr; }
  // A protocol trace line (e.g. Telnet options), written only while capturing in debug mode.
  void WriteCaptureTrace(std::string_view text);

 protected:
  void Reply(std::string_view bytes);
  void CaptureWrite(std::string_view bytes) {
    if (capture_) capture_->Write(bytes);
  }

  CSettingsSet settings_;
  CKeyMap keyMap_;
  CScreenBuffer screen_;
  int cursorRow_ = 0;
  int cursorCol_ = 0;
  bool bracketedPaste_ = false;
  HostMouse hostMouse_;
  bool focusEvents_ = false;
  ITerminalEvents* events_ = nullptr;
  std::vector<ITerminalView*> views_;
  std::unique_ptr<ICaptureSink> capture_;

 private:
  std::mutex mutex_;
};

}  // namespace ostrane
