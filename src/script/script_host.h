// IScriptHost: what a script needs from its session. The terminal object (screen, settings,
// key map) is used directly under its lock; everything that reaches the transport, the main
// window or the user goes through the operations here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "emulator/terminal.h"
#include "script/script_error.h"
#include "script/stop_signal.h"
#include "settings/question_interface.h"

namespace ostrane::script {

class IScriptHost {
 public:
  virtual ~IScriptHost() = default;

  virtual CTerminal& Terminal() = 0;
  // A script's questions to the user. A session returns them cancelled (kCancel, nothing)
  // once stop is requested or the session closes, even while the dialog is still open.
  virtual MessageAnswer AskMessage(const MessageQuestion& question, const CStopSignal& stop) = 0;
  virtual std::optional<std::string> AskText(const TextQuestion& question,
                                             const CStopSignal& stop) = 0;
  // A transport in the connected state.
  virtual bool IsConnected() = 0;
  // The transport's Send: local echo, macro recording, then the connection.
  virtual void Send(std::string_view bytes) = 0;
  // Bytes processed as if the host had sent them.
  virtual void SendLocal(std::string_view bytes) = 0;
  virtual void SendBreak() = 0;
  virtual void Disconnect() = 0;
  // False when the menu path names no command; the command itself is posted, not waited for.
  virtual bool RunMenuCommand(std::string_view path) = 0;
  // False when the file cannot be opened with that fopen mode.
  virtual bool StartCapture(const std::string& path, const std::string& mode) = 0;
  virtual void StopCapture() = 0;
  // Both return when the main window has handled the request; a host that cannot do it
  // raises a script error.
  virtual void SendZModem(const std::string& path) = 0;
  virtual void LoadSession(const std::string& path) = 0;
  // Returns when the sound has finished.
  virtual void PlaySound(const std::string& path) = 0;
  // The report of an error that ended a script (on the script thread).
  virtual void ReportError(const ScriptError& error) = 0;
  // The report of an error in a receive routine; posted, never waited for, because it comes
  // from the thread that delivers received data.
  virtual void PostRoutineError(const ScriptError& error) = 0;
};

}  // namespace ostrane::script
