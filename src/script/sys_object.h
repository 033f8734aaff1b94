// CSysObject: the workstation as scripts see it (files, commands, dialogs, sounds, time). It has
// no properties: reading one gives the empty value and writing one does nothing.
#pragma once

#include "script/script_context.h"
#include "script/script_object.h"

namespace ostrane::script {

class CSysObject : public CScriptObject {
 public:
  explicit CSysObject(const ScriptContext& context) : context_(context) {}

  CScriptValue GetProperty(std::string_view name, int index) override;
  void SetProperty(std::string_view name, const CScriptValue& value, int index) override;
  CScriptValue CallMethod(std::string_view name, CScriptArgs& args) override;

 private:
  CScriptValue PlaySound(CScriptArgs& args);
  CScriptValue Sleep(CScriptArgs& args);
  CScriptValue MessageBox(CScriptArgs& args);
  CScriptValue FileExists(CScriptArgs& args);
  CScriptValue OpenFile(CScriptArgs& args);
  CScriptValue CopyFile(CScriptArgs& args);
  CScriptValue DeleteFile(CScriptArgs& args);
  CScriptValue System(CScriptArgs& args);
  CScriptValue LoadSession(CScriptArgs& args);
  CScriptValue InputBox(CScriptArgs& args);
  CScriptValue FormatDate(CScriptArgs& args);

  const ScriptContext& context_;
};

// strftime over the current local time; empty text when the result does not fit or is empty.
std::string FormatLocalTime(const std::string& format);

}  // namespace ostrane::script
