#include "session/session_scripts.h"

#include <algorithm>
#include <utility>

namespace ostrane {

using script::CScript;

std::shared_ptr<CScript> CSessionScripts::Run(std::string name, std::string text, bool fromHost) {
  JoinFinished();
  auto s = std::make_shared<CScript>(host_, std::move(name), std::move(text), fromHost);
  {
    std::lock_guard lock(mutex_);
    if (closed_) return nullptr;
    scripts_.push_back(s);
  }
  s->Start();
  return s;
}

std::shared_ptr<CScript> CSessionScripts::RunLogin(std::string text) {
  std::shared_ptr<CScript> previous;
  {
    std::lock_guard lock(mutex_);
    previous = login_.lock();
  }
  // A login script still waiting for the old connection's prompt would answer the new one.
  if (previous) previous->RequestStop();
  std::shared_ptr<CScript> s = Run(script::kUnnamedScript, std::move(text), false);
  std::lock_guard lock(mutex_);
  login_ = s;
  return s;
}

void CSessionScripts::Feed(const uint8_t* data, size_t length) {
  JoinFinished();
  std::vector<std::shared_ptr<CScript>> running;
  {
    std::lock_guard lock(mutex_);
    running = scripts_;
  }
  // Outside the list's lock: a receive routine may send, and sending may start a script.
  for (const auto& s : running) s->Feed(data, length);
}

void CSessionScripts::StopAll() {
  std::lock_guard lock(mutex_);
  for (const auto& s : scripts_) s->RequestStop();
}

void CSessionScripts::Close() {
  std::vector<std::shared_ptr<CScript>> all;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    all.swap(scripts_);
  }
  for (const auto& s : all) s->RequestStop();
  for (const auto& s : all) s->Join();
}

size_t CSessionScripts::Count() {
  JoinFinished();
  std::lock_guard lock(mutex_);
  return scripts_.size();
}

void CSessionScripts::JoinFinished() {
  std::vector<std::shared_ptr<CScript>> finished;
  {
    std::lock_guard lock(mutex_);
    const auto end = std::stable_partition(scripts_.begin(), scripts_.end(), [](const auto& s) {
      return s->GetState() != CScript::State::kFinished;
    });
    finished.assign(std::make_move_iterator(end), std::make_move_iterator(scripts_.end()));
    scripts_.erase(end, scripts_.end());
  }
  // A finished script's thread has only to return.
  for (const auto& s : finished) s->Join();
}

}  // namespace ostrane
