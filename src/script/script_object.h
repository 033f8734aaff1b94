// CScriptObject: the base of the objects a script finds in its scopes (term, sys, open files),
// and CScriptArgs, through which their methods fetch arguments with the script's conversions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/script_value.h"

namespace ostrane::script {

class CScriptArgs {
 public:
  explicit CScriptArgs(std::vector<CScriptValue> values) : values_(std::move(values)) {}

  size_t Count() const { return values_.size(); }
  bool Has(size_t i) const { return i < values_.size(); }
  // Required arguments raise "required parameter not supplied" when missing.
  std::string Text(size_t i) const;
  int32_t Int(size_t i) const;
  std::string Text(size_t i, std::string_view fallback) const;
  int32_t Int(size_t i, int32_t fallback) const;
  // An optional function value; nullptr when not given.
  CScriptFunction* Function(size_t i) const;

 private:
  const CScriptValue& Required(size_t i) const;

  std::vector<CScriptValue> values_;
};

class CScriptObject {
 public:
  virtual ~CScriptObject() = default;
  // index is -1 for the whole property.
  virtual CScriptValue GetProperty(std::string_view name, int index) = 0;
  virtual void SetProperty(std::string_view name, const CScriptValue& value, int index) = 0;
  virtual CScriptValue CallMethod(std::string_view name, CScriptArgs& args) = 0;
};

}  // namespace ostrane::script
