// CFileObject: a file a script opened with sys.OpenFile. Calls after Close fail with the
// cannot-open-file error.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "script/script_limits.h"
#include "script/script_object.h"

namespace ostrane::script {

class CFileObject : public CScriptObject {
 public:
  CFileObject(std::FILE* file, std::string path, const ScriptLimits& limits);

  CScriptValue GetProperty(std::string_view name, int index) override;
  void SetProperty(std::string_view name, const CScriptValue& value, int index) override;
  CScriptValue CallMethod(std::string_view name, CScriptArgs& args) override;

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::FILE* Open();
  CScriptValue Write(CScriptArgs& args);
  CScriptValue ReadLine(CScriptArgs& args);
  CScriptValue Read(CScriptArgs& args);
  CScriptValue Close(CScriptArgs& args);

  std::unique_ptr<std::FILE, Closer> file_;
  std::string path_;
  const ScriptLimits& limits_;
};

}  // namespace ostrane::script
