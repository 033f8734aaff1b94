#include "script/sys_object.h"

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>

#include "script/file_object.h"
#include "script/method_table.h"

namespace ostrane::script {
namespace {

namespace fs = std::filesystem;

// The platform's message-box style: buttons in the low four bits, the icon in the next four.
struct ButtonStyle {
  int32_t style;
  MessageButtons buttons;
};
constexpr std::array<ButtonStyle, 6> kButtonStyles = {{
    {0, MessageButtons::kOk},
    {1, MessageButtons::kOkCancel},
    {2, MessageButtons::kOkCancel},  // abort, retry, ignore: offered as OK and Cancel
    {3, MessageButtons::kYesNoCancel},
    {4, MessageButtons::kYesNo},
    {5, MessageButtons::kOkCancel},  // retry, cancel
}};
struct IconStyle {
  int32_t style;
  MessageIcon icon;
};
constexpr std::array<IconStyle, 4> kIconStyles = {{
    {0x10, MessageIcon::kStop},
    {0x20, MessageIcon::kQuestion},
    {0x30, MessageIcon::kWarning},
    {0x40, MessageIcon::kInformation},
}};
// The platform's button numbers a script compares with.
struct AnswerNumber {
  MessageAnswer answer;
  int32_t number;
};
constexpr std::array<AnswerNumber, 4> kAnswerNumbers = {{
    {MessageAnswer::kOk, 1},
    {MessageAnswer::kCancel, 2},
    {MessageAnswer::kYes, 6},
    {MessageAnswer::kNo, 7},
}};

constexpr size_t kCopyBlock = 4096;
// strftime's output may not exceed this; longer results are refused, never truncated.
constexpr size_t kMaxDateText = 4096;
// Longest wait a script's Sleep asks for (int32 milliseconds, about 24 days).
constexpr int32_t kMaxSleep = 0x7fffffff;

}  // namespace

CScriptValue CSysObject::GetProperty(std::string_view, int) {
  return {};
}

void CSysObject::SetProperty(std::string_view, const CScriptValue&, int) {}

CScriptValue CSysObject::PlaySound(CScriptArgs& args) {
  context_.CheckMayWait("PlaySound");
  context_.host.PlaySound(args.Text(0));
  return {};
}

CScriptValue CSysObject::Sleep(CScriptArgs& args) {
  context_.CheckMayWait("Sleep");
  // A negative time sleeps not at all; a sleep of 0 under a cap is not turned into a long one.
  const int32_t ms = std::clamp(args.Int(0), 0, kMaxSleep);
  if (ms == 0) return {};
  if (!context_.stop.SleepFor(context_.CapWait(std::chrono::milliseconds(ms)))) {
    context_.interpreter.ThrowIfStopped();
  }
  return {};
}

CScriptValue CSysObject::MessageBox(CScriptArgs& args) {
  context_.CheckMayWait("MessageBox");
  MessageQuestion q;
  q.text = args.Text(0);
  q.caption = args.Text(1, kMessageCaption);
  const int32_t style = args.Int(2, 0);
  for (const ButtonStyle& b : kButtonStyles) {
    if (b.style == (style & 0x0f)) q.buttons = b.buttons;
  }
  for (const IconStyle& i : kIconStyles) {
    if (i.style == (style & 0xf0)) q.icon = i.icon;
  }
  const MessageAnswer answer = context_.host.AskMessage(q, context_.stop);
  context_.interpreter.ThrowIfStopped();
  for (const AnswerNumber& a : kAnswerNumbers) {
    if (a.answer == answer) return CScriptValue::Int(a.number);
  }
  return CScriptValue::Int(0);
}

CScriptValue CSysObject::FileExists(CScriptArgs& args) {
  std::error_code ec;
  const fs::file_status status = fs::status(args.Text(0), ec);
  return CScriptValue::Int(!ec && fs::exists(status) && !fs::is_directory(status) ? 1 : 0);
}

CScriptValue CSysObject::OpenFile(CScriptArgs& args) {
  const std::string path = args.Text(0);
  const std::string mode = args.Text(1);
  std::FILE* file = std::fopen(path.c_str(), mode.c_str());
  if (file == nullptr) Raise(Err::kCannotOpenFile, path);
  CScriptObject* object = context_.interpreter.Adopt(
      std::make_unique<CFileObject>(file, path, context_.interpreter.Limits()));
  return CScriptValue::Object(object);
}

CScriptValue CSysObject::CopyFile(CScriptArgs& args) {
  const std::string source = args.Text(0);
  const std::string destination = args.Text(1);
  const int32_t append = args.Int(2, 0);
  if (append == 0) {
    std::error_code ec;
    const bool copied =
        fs::copy_file(source, destination, fs::copy_options::overwrite_existing, ec);
    return CScriptValue::Int(copied && !ec ? 1 : 0);
  }
  if (append != 1) return {};
  std::ifstream in(source, std::ios::binary);
  if (!in) return CScriptValue::Int(0);
  std::ofstream out(destination, std::ios::binary | std::ios::app);
  if (!out) return CScriptValue::Int(0);
  std::array<char, kCopyBlock> block;
  while (in) {
    in.read(block.data(), block.size());
    out.write(block.data(), in.gcount());
  }
  return CScriptValue::Int(0);
}

CScriptValue CSysObject::DeleteFile(CScriptArgs& args) {
  const std::string path = args.Text(0);
  std::error_code ec;
  if (fs::is_directory(path, ec)) return CScriptValue::Int(0);
  return CScriptValue::Int(std::remove(path.c_str()) == 0 ? 1 : 0);
}

CScriptValue CSysObject::System(CScriptArgs& args) {
  const int status = std::system(args.Text(0).c_str());
  return CScriptValue::Int(status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

CScriptValue CSysObject::LoadSession(CScriptArgs& args) {
  context_.CheckMayWait("LoadSession");
  context_.host.LoadSession(args.Text(0));
  return {};
}

CScriptValue CSysObject::InputBox(CScriptArgs& args) {
  context_.CheckMayWait("InputBox");
  TextQuestion q;
  q.prompt = args.Text(0);
  q.initial = args.Text(1, "");
  const int32_t style = args.Int(2, 0);
  q.hidden = style == 1;
  q.browse = style == 2   ? TextQuestion::Browse::kSaveFile
             : style == 3 ? TextQuestion::Browse::kOpenFile
                          : TextQuestion::Browse::kNone;
  std::optional<std::string> answer = context_.host.AskText(q, context_.stop);
  context_.interpreter.ThrowIfStopped();
  return CScriptValue::Text(answer.value_or(std::string()));
}

std::string FormatLocalTime(const std::string& format) {
  if (format.empty()) return {};
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return {};
  std::string out(std::min(kMaxDateText, format.size() * 8 + 64), '\0');
  const size_t n = std::strftime(out.data(), out.size(), format.c_str(), &local);
  out.resize(n);
  return out;
}

CScriptValue CSysObject::FormatDate(CScriptArgs& args) {
  return CScriptValue::Text(FormatLocalTime(args.Text(0, "%c")));
}

CScriptValue CSysObject::CallMethod(std::string_view name, CScriptArgs& args) {
  static constexpr std::array<MethodRow<CSysObject>, 12> kMethods = {{
      {"PlaySound", &CSysObject::PlaySound, false},
      {"Sleep", &CSysObject::Sleep, false},
      {"sleep", &CSysObject::Sleep, false},
      {"MessageBox", &CSysObject::MessageBox, false},
      {"FileExists", &CSysObject::FileExists, false},
      {"OpenFile", &CSysObject::OpenFile, true},
      {"CopyFile", &CSysObject::CopyFile, true},
      {"DeleteFile", &CSysObject::DeleteFile, true},
      {"System", &CSysObject::System, true},
      {"LoadSession", &CSysObject::LoadSession, true},
      {"InputBox", &CSysObject::InputBox, false},
      {"FormatDate", &CSysObject::FormatDate, false},
  }};
  return CallFromTable(*this, kMethods, name, args, context_);
}

}  // namespace ostrane::script
