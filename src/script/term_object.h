// CTermObject: the session as scripts see it: its settings as properties, its screen, the
// connection and the received data.
#pragma once

#include "script/script_context.h"
#include "script/script_object.h"

namespace ostrane::script {

class CTermObject : public CScriptObject {
 public:
  explicit CTermObject(const ScriptContext& context) : context_(context) {}

  CScriptValue GetProperty(std::string_view name, int index) override;
  void SetProperty(std::string_view name, const CScriptValue& value, int index) override;
  CScriptValue CallMethod(std::string_view name, CScriptArgs& args) override;

 private:
  CScriptValue Wait(CScriptArgs& args);
  CScriptValue Get(CScriptArgs& args);
  CScriptValue Send(CScriptArgs& args);
  CScriptValue SendLocal(CScriptArgs& args);
  CScriptValue SendBreak(CScriptArgs& args);
  CScriptValue Screen(CScriptArgs& args);
  CScriptValue DoMenu(CScriptArgs& args);
  CScriptValue MapKey(CScriptArgs& args);
  CScriptValue Clear(CScriptArgs& args);
  CScriptValue Capture(CScriptArgs& args);
  CScriptValue Disconnect(CScriptArgs& args);
  CScriptValue UseTemplate(CScriptArgs& args);
  CScriptValue SendZModem(CScriptArgs& args);

  const ScriptContext& context_;
};

}  // namespace ostrane::script
