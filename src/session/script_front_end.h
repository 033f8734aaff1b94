// IScriptFrontEnd: what the program around a session does for the session's scripts. Every
// call may come from a script thread; none is made with the terminal lock held.
#pragma once

#include <string>
#include <string_view>

namespace ostrane {

class IScriptFrontEnd {
 public:
  virtual ~IScriptFrontEnd() = default;
  // Resolves a menu path ("Menu: Item") against the main window's menus and posts the
  // command without waiting for it; false when the path names no command.
  virtual bool PostMenuCommand(std::string_view path) = 0;
  // Opens a setup file as a new session and returns once the main window has done so; false
  // when this front end cannot.
  virtual bool LoadSession(const std::string& path) = 0;
  // Plays a sound file and returns when it has finished.
  virtual void PlaySound(const std::string& path) = 0;
  // The report of a script error, ready to show: for a script that ended (routine false, on
  // its own thread) or for a receive routine (routine true, on the thread that delivers
  // received data, so it must not wait for the user).
  virtual void ReportScriptError(const std::string& report, bool routine) = 0;
  // Closes every dialog the session's questions have open, from any thread, so that the
  // threads waiting in them return; called when the session closes.
  virtual void DismissQuestions() = 0;
};

}  // namespace ostrane
