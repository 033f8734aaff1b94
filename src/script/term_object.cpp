#include "script/term_object.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <mutex>

#include "script/method_table.h"

namespace ostrane::script {
namespace {

// Settings a host-started script may not read while HostScript is 0.
constexpr std::array<std::string_view, 2> kSecretKeys = {"Password", "SshPassword"};

// Key action codes above this one carry a string.
constexpr int32_t kLastPlainAction = 240;

CScriptReceiver::Timeout SecondsToTimeout(int32_t seconds) {
  // 0 and negative values wait without limit.
  return CScriptReceiver::Timeout(seconds > 0 ? int64_t{seconds} * 1000 : 0);
}

std::optional<SettingValue> ToSettingValue(const CScriptValue& value) {
  if (value.Count() != 1) return std::nullopt;
  if (const auto* i = std::get_if<int32_t>(&value.At(0))) return SettingValue(*i);
  if (const auto* s = std::get_if<std::string>(&value.At(0))) return SettingValue(*s);
  return std::nullopt;
}

CScriptValue FromSettingValue(const SettingValue& value) {
  if (const auto* i = std::get_if<int32_t>(&value)) return CScriptValue::Int(*i);
  return CScriptValue::Text(std::get<std::string>(value));
}

}  // namespace

CScriptValue CTermObject::GetProperty(std::string_view name, int index) {
  CTerminal& terminal = context_.host.Terminal();
  if (name == "Connected") return CScriptValue::Int(context_.host.IsConnected() ? 1 : 0);
  if (std::find(kSecretKeys.begin(), kSecretKeys.end(), name) != kSecretKeys.end()) {
    context_.CheckProtected(name);
  }
  std::lock_guard lock(terminal.Mutex());
  if (name == "CursorRow") return CScriptValue::Int(terminal.CursorRow());
  if (name == "CursorCol") return CScriptValue::Int(terminal.CursorColumn());
  const std::optional<SettingValue> value = index < 0
                                                ? terminal.Settings().GetByKey(name)
                                                : terminal.Settings().GetElementByKey(name, index);
  if (!value) Raise(Err::kCannotSetProperty, name);
  return FromSettingValue(*value);
}

void CTermObject::SetProperty(std::string_view name, const CScriptValue& value, int index) {
  context_.CheckProtected(name);
  const std::optional<SettingValue> setting = ToSettingValue(value);
  if (!setting) Raise(Err::kCannotSetProperty, name);
  CTerminal& terminal = context_.host.Terminal();
  std::lock_guard lock(terminal.Mutex());
  CSettingsChange change;
  const bool stored = index < 0
                          ? terminal.Settings().SetByKey(name, *setting, change)
                          : terminal.Settings().SetElementByKey(name, index, *setting, change);
  if (!stored) Raise(Err::kCannotSetProperty, name);
  terminal.ApplyChanges(change);
}

CScriptValue CTermObject::Wait(CScriptArgs& args) {
  context_.CheckMayWait("Wait");
  const std::string patterns = args.Text(0);
  const int32_t seconds = args.Int(1, 0);
  CScriptReceiver::Routine routine;
  if (CScriptFunction* function = args.Function(2)) {
    CScriptInterpreter& interpreter = context_.interpreter;
    IScriptHost& host = context_.host;
    routine = [&interpreter, &host, function](uint8_t byte) {
      const std::optional<ScriptError> error = interpreter.RunRoutine(*function, byte);
      if (error) host.PostRoutineError(*error);
      return !error;
    };
  }
  std::string found =
      context_.receiver.WaitFor(patterns, context_.CapWait(SecondsToTimeout(seconds)), routine);
  context_.interpreter.ThrowIfStopped();
  return CScriptValue::Text(std::move(found));
}

CScriptValue CTermObject::Get(CScriptArgs& args) {
  context_.CheckMayWait("Get");
  const int32_t count = args.Int(0);
  if (count < 1) Raise(Err::kGetInvalidLength);
  if (static_cast<size_t>(count) > context_.interpreter.Limits().maxStringLength) {
    Raise(Err::kStringTooLong, "Get");
  }
  std::string got = context_.receiver.Get(static_cast<size_t>(count),
                                          context_.CapWait(SecondsToTimeout(args.Int(1, 0))));
  context_.interpreter.ThrowIfStopped();
  return CScriptValue::Text(std::move(got));
}

CScriptValue CTermObject::Send(CScriptArgs& args) {
  context_.host.Send(args.Text(0));
  return {};
}

CScriptValue CTermObject::SendLocal(CScriptArgs& args) {
  context_.host.SendLocal(args.Text(0));
  return {};
}

CScriptValue CTermObject::SendBreak(CScriptArgs&) {
  context_.host.SendBreak();
  return {};
}

CScriptValue CTermObject::Screen(CScriptArgs& args) {
  int32_t top = args.Int(0), left = args.Int(1), bottom = args.Int(2), right = args.Int(3);
  if (bottom < top || right < left) Raise(Err::kInvalidParameters, "Screen");
  CTerminal& terminal = context_.host.Terminal();
  std::lock_guard lock(terminal.Mutex());
  // The rectangle is clipped to the page: rows and columns outside it are never read.
  const int32_t columns = SettingValueToInt(terminal.Settings().GetByKey("Columns").value_or(80));
  top = std::max(top, 1);
  left = std::max(left, 1);
  bottom = std::min(bottom, terminal.Screen().Lines());
  right = std::min(right, columns);
  std::string text;
  for (int32_t row = top; row <= bottom; ++row) {
    if (row > top) text += "\n\r";
    for (int32_t col = left; col <= right; ++col) {
      text.push_back(static_cast<char>(terminal.Screen().CharAt(row - 1, col - 1) & 0xff));
    }
  }
  return CScriptValue::Text(std::move(text));
}

CScriptValue CTermObject::DoMenu(CScriptArgs& args) {
  const std::string path = args.Text(0);
  if (!context_.host.RunMenuCommand(path)) Raise(Err::kMenuNotFound, path);
  return {};
}

CScriptValue CTermObject::MapKey(CScriptArgs& args) {
  const int32_t key = args.Int(0);
  const int32_t modifiers = args.Int(1);
  const int32_t action = args.Int(2);
  if (key < 1 || key > 255 || action < 0 || action > 255 || modifiers < 0 || modifiers > 7) {
    Raise(Err::kInvalidParameters, "MapKey");
  }
  const std::string text = action > kLastPlainAction ? args.Text(3) : std::string();
  CTerminal& terminal = context_.host.Terminal();
  std::lock_guard lock(terminal.Mutex());
  terminal.KeyMap().Set(key, static_cast<uint8_t>(modifiers), static_cast<uint8_t>(action), text);
  return {};
}

CScriptValue CTermObject::Clear(CScriptArgs&) {
  CTerminal& terminal = context_.host.Terminal();
  std::lock_guard lock(terminal.Mutex());
  terminal.SoftReset();
  terminal.NotifyViews();
  return {};
}

CScriptValue CTermObject::Capture(CScriptArgs& args) {
  const std::string file = args.Text(0, "");
  if (file.empty()) {
    context_.host.StopCapture();
    return {};
  }
  context_.CheckProtected("Capture");
  std::string mode = args.Text(1, "");
  if (mode.empty()) mode = "w";
  if (!context_.host.StartCapture(file, mode)) {
    MessageQuestion q;
    q.text = "Cannot create the file.";
    q.icon = MessageIcon::kStop;
    context_.host.AskMessage(q, context_.stop);
  }
  return {};
}

CScriptValue CTermObject::Disconnect(CScriptArgs&) {
  context_.CheckMayWait("Disconnect");
  context_.host.Disconnect();
  return {};
}

CScriptValue CTermObject::UseTemplate(CScriptArgs&) {
  return {};
}

CScriptValue CTermObject::SendZModem(CScriptArgs& args) {
  context_.CheckMayWait("SendZModem");
  context_.host.SendZModem(args.Text(0));
  return {};
}

CScriptValue CTermObject::CallMethod(std::string_view name, CScriptArgs& args) {
  static constexpr std::array<MethodRow<CTermObject>, 15> kMethods = {{
      {"Wait", &CTermObject::Wait, false},
      {"wait", &CTermObject::Wait, false},
      {"Get", &CTermObject::Get, false},
      {"Send", &CTermObject::Send, false},
      {"send", &CTermObject::Send, false},
      {"SendLocal", &CTermObject::SendLocal, false},
      {"SendBreak", &CTermObject::SendBreak, false},
      {"Screen", &CTermObject::Screen, false},
      {"DoMenu", &CTermObject::DoMenu, true},
      {"MapKey", &CTermObject::MapKey, true},
      {"Clear", &CTermObject::Clear, false},
      {"Capture", &CTermObject::Capture, false},
      {"Disconnect", &CTermObject::Disconnect, false},
      {"UseTemplate", &CTermObject::UseTemplate, false},
      {"SendZModem", &CTermObject::SendZModem, true},
  }};
  return CallFromTable(*this, kMethods, name, args, context_);
}

}  // namespace ostrane::script
