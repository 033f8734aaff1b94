// CSessionScripts: the scripts a session runs. Each runs on its own thread; received bytes are
// fed to all of them; finished ones are taken out of the list under its lock and joined
// outside it, never freed while their thread still runs. Closing stops every script and joins
// it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "script/script.h"

namespace ostrane {

class CSessionScripts {
 public:
  explicit CSessionScripts(script::IScriptHost& host) : host_(host) {}
  ~CSessionScripts() { Close(); }
  CSessionScripts(const CSessionScripts&) = delete;
  CSessionScripts& operator=(const CSessionScripts&) = delete;

  // Starts a script; null once the session is closing.
  std::shared_ptr<script::CScript> Run(std::string name, std::string text, bool fromHost);
  // The login script of a new connection; the one of an earlier connection is stopped.
  std::shared_ptr<script::CScript> RunLogin(std::string text);
  // Received bytes, before the parser sees them; without the terminal lock.
  void Feed(const uint8_t* data, size_t length);
  // Asks every running script to stop; they end at their next statement.
  void StopAll();
  // StopAll, then joins them; no script starts after it.
  void Close();
  // Scripts started and not yet taken out of the list.
  size_t Count();

 private:
  // Takes finished scripts out of the list and joins them.
  void JoinFinished();

  script::IScriptHost& host_;
  std::mutex mutex_;
  std::vector<std::shared_ptr<script::CScript>> scripts_;
  std::weak_ptr<script::CScript> login_;
  bool closed_ = false;
};

}  // namespace ostrane
