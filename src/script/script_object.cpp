#include "script/script_object.h"

#include "script/script_error.h"

namespace ostrane::script {

const CScriptValue& CScriptArgs::Required(size_t i) const {
  if (!Has(i)) Raise(Err::kArgumentMissing);
  return values_[i];
}

std::string CScriptArgs::Text(size_t i) const {
  return ToText(Required(i));
}

int32_t CScriptArgs::Int(size_t i) const {
  return ToInt(Required(i));
}

std::string CScriptArgs::Text(size_t i, std::string_view fallback) const {
  return Has(i) ? ToText(values_[i]) : std::string(fallback);
}

int32_t CScriptArgs::Int(size_t i, int32_t fallback) const {
  return Has(i) ? ToInt(values_[i]) : fallback;
}

CScriptFunction* CScriptArgs::Function(size_t i) const {
  if (!Has(i)) return nullptr;
  const Element& e = SingleElement(values_[i]);
  auto* const* function = std::get_if<CScriptFunction*>(&e);
  if (function == nullptr) Raise(Err::kIncompatibleParameter);
  return *function;
}

}  // namespace ostrane::script
