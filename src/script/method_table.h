// The method tables of the built-in objects: one row per method with its name, its member
// function and whether host-started scripts are refused it while HostScript is 0.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "script/script_context.h"
#include "script/script_error.h"
#include "script/script_object.h"

namespace ostrane::script {

template <class Object>
struct MethodRow {
  std::string_view name;
  CScriptValue (Object::*call)(CScriptArgs&);
  bool guarded;
};

// Calls the method named name; an unknown name is a script error.
template <class Object, size_t N>
CScriptValue CallFromTable(Object& object, const std::array<MethodRow<Object>, N>& rows,
                           std::string_view name, CScriptArgs& args, const ScriptContext& context) {
  for (const MethodRow<Object>& m : rows) {
    if (m.name != name) continue;
    if (m.guarded) context.CheckProtected(m.name);
    return (object.*m.call)(args);
  }
  Raise(Err::kInvalidMethod, name);
}

}  // namespace ostrane::script
