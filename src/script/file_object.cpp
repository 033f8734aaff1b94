#include "script/file_object.h"

#include <algorithm>
#include <array>

#include "script/script_error.h"

namespace ostrane::script {

CFileObject::CFileObject(std::FILE* file, std::string path, const ScriptLimits& limits)
    : file_(file), path_(std::move(path)), limits_(limits) {}

CScriptValue CFileObject::GetProperty(std::string_view, int) {
  return {};
}

void CFileObject::SetProperty(std::string_view, const CScriptValue&, int) {}

std::FILE* CFileObject::Open() {
  if (!file_) Raise(Err::kCannotOpenFile, path_);
  return file_.get();
}

CScriptValue CFileObject::Write(CScriptArgs& args) {
  const std::string text = args.Text(0);
  std::fwrite(text.data(), 1, text.size(), Open());
  return {};
}

CScriptValue CFileObject::ReadLine(CScriptArgs&) {
  std::FILE* f = Open();
  std::string line;
  while (line.size() < kReadLineMax) {
    const int c = std::fgetc(f);
    if (c == EOF) break;
    line.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return CScriptValue::Text(std::move(line));
}

CScriptValue CFileObject::Read(CScriptArgs& args) {
  const int32_t count = args.Int(0);
  if (count < 1) Raise(Err::kInvalidParameters, "Read");
  std::FILE* f = Open();
  // The text grows with what the file holds; the count alone never reserves memory.
  const size_t wanted = std::min(static_cast<size_t>(count), limits_.maxStringLength);
  std::string text;
  std::array<char, kReadChunk> chunk;
  while (text.size() < wanted) {
    const size_t n = std::fread(chunk.data(), 1, std::min(chunk.size(), wanted - text.size()), f);
    if (n == 0) break;
    text.append(chunk.data(), n);
  }
  return CScriptValue::Text(std::move(text));
}

CScriptValue CFileObject::Close(CScriptArgs&) {
  Open();
  file_.reset();
  return {};
}

CScriptValue CFileObject::CallMethod(std::string_view name, CScriptArgs& args) {
  struct Method {
    std::string_view name;
    CScriptValue (CFileObject::*call)(CScriptArgs&);
  };
  static constexpr std::array<Method, 4> kMethods = {{
      {"Write", &CFileObject::Write},
      {"ReadLine", &CFileObject::ReadLine},
      {"Read", &CFileObject::Read},
      {"Close", &CFileObject::Close},
  }};
  for (const Method& m : kMethods) {
    if (m.name == name) return (this->*m.call)(args);
  }
  Raise(Err::kInvalidMethod, name);
}

}  // namespace ostrane::script
