// Scopes of variables. The root scope holds term, sys, every function and every variable first
// assigned at top level; each function has one scope of its own, kept from call to call.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "script/script_tree.h"
#include "script/script_value.h"

namespace ostrane::script {

struct CScriptScope {
  std::map<std::string, CScriptValue, std::less<>> variables;
  CScriptScope* parent = nullptr;
  CScriptValue returnValue;

  // The value of name here or in a parent scope; nullptr when no scope holds it.
  CScriptValue* Find(std::string_view name) {
    for (CScriptScope* s = this; s != nullptr; s = s->parent) {
      auto it = s->variables.find(name);
      if (it != s->variables.end()) return &it->second;
    }
    return nullptr;
  }
  bool HasAncestor(const CScriptScope* scope) const {
    for (const CScriptScope* s = this; s != nullptr; s = s->parent) {
      if (s == scope) return true;
    }
    return false;
  }
};

struct CScriptFunction : CScriptScope {
  std::string name;
  std::vector<std::string> parameters;
  std::unique_ptr<Stmt> body;
};

}  // namespace ostrane::script
