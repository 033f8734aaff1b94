#include "script/script_value.h"

#include <algorithm>
#include <limits>

#include "script/script_error.h"

namespace ostrane::script {
namespace {

bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

void CScriptValue::SetElement(size_t index, Element element, ValueType type) {
  if (elements_.empty()) type_ = type;
  if (index >= elements_.size()) {
    const Element filler = type_ == ValueType::kString ? Element(std::string()) : Element(0);
    elements_.resize(index + 1, filler);
  }
  elements_[index] = std::move(element);
}

int32_t TextToInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t magnitude = 0;
  constexpr int64_t kCap = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = std::min(kCap, magnitude * 10 + (text[i] - '0'));
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

const Element& SingleElement(const CScriptValue& value) {
  if (value.Count() != 1) Raise(Err::kArrayWithoutSubscript);
  return value.At(0);
}

int32_t ToInt(const CScriptValue& value) {
  const Element& e = SingleElement(value);
  if (const auto* i = std::get_if<int32_t>(&e)) return *i;
  if (const auto* s = std::get_if<std::string>(&e)) return TextToInt(*s);
  Raise(Err::kNumberRequired);
}

std::string ToText(const CScriptValue& value) {
  const Element& e = SingleElement(value);
  if (const auto* i = std::get_if<int32_t>(&e)) return std::to_string(*i);
  if (const auto* s = std::get_if<std::string>(&e)) return *s;
  Raise(Err::kStringRequired);
}

bool IsTrue(const CScriptValue& value) {
  return ToInt(value) != 0;
}

}  // namespace ostrane::script
