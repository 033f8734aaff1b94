// CScript: one running OstraneScript with its own thread, receive side and objects. The session
// feeds it every received byte and may ask it to stop from any thread; a stop wakes every wait
// and the script ends at its next statement. The destructor stops and joins the thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "script/script_context.h"
#include "script/script_host.h"
#include "script/script_interpreter.h"
#include "script/script_receiver.h"
#include "script/stop_signal.h"

namespace ostrane::script {

inline constexpr char kUnnamedScript[] = "<No Name>";

class CScript {
 public:
  enum class State : uint8_t { kLoaded, kRunning, kFinished };

  // name is the file's path, or kUnnamedScript for a text. fromHost marks a script the host
  // started, which may not use the protected functions while HostScript is 0.
  CScript(IScriptHost& host, std::string name, std::string text, bool fromHost,
          ScriptLimits limits = {});
  ~CScript();
  CScript(const CScript&) = delete;
  CScript& operator=(const CScript&) = delete;

  // Starts the script's thread; only once.
  void Start();
  // Runs the script on the calling thread to its end (tools and tests without a thread).
  std::optional<ScriptError> RunHere();
  // Any thread: received bytes, before they reach the parser. Must be called without the
  // terminal lock held, since a receive routine may read the screen.
  void Feed(const uint8_t* data, size_t length);
  // Any thread.
  void RequestStop();
  // Waits for the thread to end; the owner calls it before freeing a finished script.
  void Join();
  // Any thread but the owner's joining one: true once the script has finished, false when the
  // deadline came first.
  bool WaitFinished(std::chrono::steady_clock::time_point deadline) const;

  State GetState() const { return state_.load(); }
  bool FromHost() const { return context_.fromHost; }
  const std::string& Name() const { return interpreter_.Name(); }
  // The error that ended the script, once it has finished.
  std::optional<ScriptError> Error() const;

 private:
  void Body();

  CStopSignal stop_;
  CScriptReceiver receiver_;
  CScriptInterpreter interpreter_;
  ScriptContext context_;
  std::atomic<State> state_ = State::kLoaded;
  mutable std::mutex errorMutex_;
  mutable std::condition_variable finished_;
  std::optional<ScriptError> error_;
  std::mutex threadMutex_;
  std::thread thread_;  // guarded by threadMutex_
};

}  // namespace ostrane::script
