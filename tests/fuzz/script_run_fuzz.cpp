// Arbitrary scripts run by the interpreter, as a host could start them: the text up to the
// first NUL byte, then received bytes queued for its waits. Statements, waits and sizes are
// bounded so every input ends quickly; protected functions are refused as for the host.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "emulator/vt420_emulator.h"
#include "script/script.h"

namespace {

class CNoQuestions : public ostrane::IQuestions {
 public:
  ostrane::MessageAnswer AskMessage(const ostrane::MessageQuestion&) override {
    return ostrane::MessageAnswer::kOk;
  }
  std::optional<std::string> ChooseFile(const ostrane::FileQuestion&) override {
    return std::nullopt;
  }
};

class CFuzzHost : public ostrane::script::IScriptHost {
 public:
  ostrane::CTerminal& Terminal() override { return emulator_; }
  ostrane::MessageAnswer AskMessage(const ostrane::MessageQuestion& question,
                                    const ostrane::script::CStopSignal&) override {
    return questions_.AskMessage(question);
  }
  std::optional<std::string> AskText(const ostrane::TextQuestion& question,
                                     const ostrane::script::CStopSignal&) override {
    return questions_.AskText(question);
  }
  bool IsConnected() override { return true; }
  void Send(std::string_view bytes) override { sent_ += bytes.size(); }
  void SendLocal(std::string_view bytes) override {
    std::lock_guard lock(emulator_.Mutex());
    emulator_.ReceiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  void SendBreak() override {}
  void Disconnect() override {}
  bool RunMenuCommand(std::string_view) override { return false; }
  bool StartCapture(const std::string&, const std::string&) override { return false; }
  void StopCapture() override {}
  void SendZModem(const std::string&) override {}
  void LoadSession(const std::string&) override {}
  void PlaySound(const std::string&) override {}
  void ReportError(const ostrane::script::ScriptError& error) override {
    sent_ += ostrane::script::FormatErrorReport(error).size();
  }
  void PostRoutineError(const ostrane::script::ScriptError& error) override {
    sent_ += ostrane::script::FormatRoutineErrorReport(error).size();
  }

 private:
  ostrane::CVT420Emulator emulator_;
  CNoQuestions questions_;
  size_t sent_ = 0;
};

// Received bytes given to one run; each may run a receive routine to its statement budget.
constexpr size_t kMaxReceived = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ostrane::script;
  const auto* end = static_cast<const uint8_t*>(std::memchr(data, 0, size));
  const size_t textLength = end != nullptr ? static_cast<size_t>(end - data) : size;
  ScriptLimits limits;
  limits.maxStringLength = 1 << 16;
  limits.maxArrayElements = 1024;
  limits.maxSteps = 2000;
  limits.maxWaitMs = 1;
  CFuzzHost host;
  CScript script(host, kUnnamedScript, std::string(reinterpret_cast<const char*>(data), textLength),
                 true, limits);
  if (end != nullptr) {
    const size_t received = std::min(kMaxReceived, size - textLength - 1);
    script.Feed(end + 1, received);
  }
  script.RunHere();
  return 0;
}
