#include "script/script_context.h"

#include <algorithm>
#include <mutex>

namespace ostrane::script {

void ScriptContext::CheckProtected(std::string_view what) const {
  if (!fromHost) return;
  CTerminal& terminal = host.Terminal();
  int32_t allowed;
  {
    std::lock_guard lock(terminal.Mutex());
    allowed = SettingValueToInt(terminal.Settings().GetByKey("HostScript").value_or(0));
  }
  if (allowed != 1) Raise(Err::kProtected, what);
}

void ScriptContext::CheckMayWait(std::string_view what) const {
  if (interpreter.InRoutine()) Raise(Err::kNotInRoutine, what);
}

std::chrono::milliseconds ScriptContext::CapWait(std::chrono::milliseconds wanted) const {
  const std::chrono::milliseconds cap(interpreter.Limits().maxWaitMs);
  if (cap.count() == 0) return wanted;
  return wanted.count() == 0 ? cap : std::min(wanted, cap);
}

}  // namespace ostrane::script
