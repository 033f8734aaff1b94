#include "script/string_methods.h"

#include <algorithm>
#include <array>

#include "script/script_error.h"

namespace ostrane::script {
namespace {

// Negative counts and starts count as 0; counts beyond the text take what is there.
size_t Clamp(int32_t n, size_t size) {
  return n <= 0 ? 0 : std::min(static_cast<size_t>(n), size);
}

bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string Mid(const std::string& s, CScriptArgs& a) {
  const size_t start = Clamp(a.Int(0), s.size());
  return s.substr(start, Clamp(a.Int(1), s.size() - start));
}

std::string Left(const std::string& s, CScriptArgs& a) {
  return s.substr(0, Clamp(a.Int(0), s.size()));
}

std::string Right(const std::string& s, CScriptArgs& a) {
  return s.substr(s.size() - Clamp(a.Int(0), s.size()));
}

std::string Lower(const std::string& s, CScriptArgs&) {
  std::string out = s;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string Upper(const std::string& s, CScriptArgs&) {
  std::string out = s;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string Trim(const std::string& s, CScriptArgs&) {
  size_t first = 0, last = s.size();
  while (first < last && IsSpace(s[first])) ++first;
  while (last > first && IsSpace(s[last - 1])) --last;
  return s.substr(first, last - first);
}

struct TextMethod {
  std::string_view name;
  std::string (*call)(const std::string&, CScriptArgs&);
};

constexpr std::array<TextMethod, 6> kTextMethods = {{
    {"Mid", Mid},
    {"Left", Left},
    {"Right", Right},
    {"MakeLower", Lower},
    {"MakeUpper", Upper},
    {"Trim", Trim},
}};

}  // namespace

CScriptValue CallStringMethod(std::string_view method, const std::string& text, CScriptArgs& args) {
  if (method == "Find") {
    const std::string part = args.Text(0);
    const int32_t start = std::max(0, args.Int(1, 0));
    if (static_cast<size_t>(start) > text.size()) return CScriptValue::Int(-1);
    const size_t at = text.find(part, static_cast<size_t>(start));
    return CScriptValue::Int(at == std::string::npos ? -1 : static_cast<int32_t>(at));
  }
  for (const TextMethod& m : kTextMethods) {
    if (m.name == method) return CScriptValue::Text(m.call(text, args));
  }
  Raise(Err::kInvalidMethod, method);
}

}  // namespace ostrane::script
