// CMacroRecorder: turns what a session sends to the host into an OstraneScript macro. Writes
// are gathered into term.Send calls; a pause longer than kMacroPauseMs between two writes ends
// the call and adds a sys.Sleep of that pause. Any thread may record (keys, pastes, scripts and
// the emulator's replies are sent from several), so every step holds the recorder's lock.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace ostrane::script {

// Pauses up to this many milliseconds are kept inside one term.Send call.
inline constexpr int64_t kMacroPauseMs = 500;

class CMacroRecorder {
 public:
  // Milliseconds from a monotonic clock, so a change of the wall clock makes no pause.
  using Clock = std::function<int64_t()>;

  CMacroRecorder();
  explicit CMacroRecorder(Clock clock) : clock_(std::move(clock)) {}

  // Nothing when already recording; otherwise a new, empty macro.
  void Start();
  bool IsRecording() const;
  // Bytes written to the host; ignored while not recording.
  void Record(std::string_view bytes);
  // Ends the recording and gives the macro, each line ended by CR LF; empty when nothing was
  // sent or when not recording.
  std::string Stop();

 private:
  // The bytes in the control-string notation, with a double quote written as \x22 so that it
  // does not end the script's string literal.
  static std::string LiteralText(std::string_view bytes);
  void FlushSendLocked();

  Clock clock_;
  mutable std::mutex mutex_;
  bool recording_ = false;
  bool wroteYet_ = false;
  int64_t previousWrite_ = 0;
  std::string script_;
  std::string pending_;
};

}  // namespace ostrane::script
