#include "script/macro_recorder.h"

#include <chrono>

#include "settings/control_string.h"

namespace ostrane::script {

CMacroRecorder::CMacroRecorder()
    : clock_([] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
      }) {}

void CMacroRecorder::Start() {
  std::lock_guard lock(mutex_);
  if (recording_) return;
  recording_ = true;
  wroteYet_ = false;
  previousWrite_ = 0;
  script_.clear();
  pending_.clear();
}

bool CMacroRecorder::IsRecording() const {
  std::lock_guard lock(mutex_);
  return recording_;
}

std::string CMacroRecorder::LiteralText(std::string_view bytes) {
  std::string text;
  for (const char c : FormatControlString(bytes)) {
    if (c == '"')
      text += "\\x22";
    else
      text += c;
  }
  return text;
}

void CMacroRecorder::FlushSendLocked() {
  script_ += "term.Send(\"" + pending_ + "\");\r\n";
  pending_.clear();
}

void CMacroRecorder::Record(std::string_view bytes) {
  if (bytes.empty()) return;
  std::lock_guard lock(mutex_);
  if (!recording_) return;
  const int64_t now = clock_();
  if (wroteYet_ && now - previousWrite_ > kMacroPauseMs) {
    FlushSendLocked();
    script_ += "sys.Sleep(" + std::to_string(now - previousWrite_) + ");\r\n";
  }
  pending_ += LiteralText(bytes);
  wroteYet_ = true;
  previousWrite_ = now;
}

std::string CMacroRecorder::Stop() {
  std::lock_guard lock(mutex_);
  if (!recording_) return {};
  recording_ = false;
  if (!pending_.empty()) FlushSendLocked();
  return std::move(script_);
}

}  // namespace ostrane::script
