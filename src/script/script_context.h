// ScriptContext: what the built-in objects of one script share: its interpreter, receive side,
// stop signal, session and whether the host started it.
#pragma once

#include <chrono>
#include <string_view>

#include "script/script_host.h"
#include "script/script_interpreter.h"
#include "script/script_receiver.h"
#include "script/stop_signal.h"

namespace ostrane::script {

struct ScriptContext {
  CScriptInterpreter& interpreter;
  CScriptReceiver& receiver;
  CStopSignal& stop;
  IScriptHost& host;
  bool fromHost = false;

  // A script the host started may not escalate (files, commands, settings, menus, passwords)
  // while HostScript is 0; raises the protection error with what was refused.
  void CheckProtected(std::string_view what) const;
  // Waiting methods are refused in receive routines, which run on the data thread.
  void CheckMayWait(std::string_view what) const;
  // A wait's duration within the script's cap (0 for none: waits until woken).
  std::chrono::milliseconds CapWait(std::chrono::milliseconds wanted) const;
};

}  // namespace ostrane::script
