// CScriptValue: a script's dynamically typed value. Every value is an array of elements of one
// type; a plain value has exactly one element, an empty value (what methods without a result
// give) none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ostrane::script {

class CScriptObject;
struct CScriptFunction;

enum class ValueType : uint8_t { kEmpty, kInteger, kString, kObject, kFunction };

using Element = std::variant<int32_t, std::string, CScriptObject*, CScriptFunction*>;

class CScriptValue {
 public:
  CScriptValue() = default;
  static CScriptValue Int(int32_t value) { return CScriptValue(ValueType::kInteger, value); }
  static CScriptValue Text(std::string value) {
    return CScriptValue(ValueType::kString, std::move(value));
  }
  static CScriptValue Object(CScriptObject* object) {
    return CScriptValue(ValueType::kObject, object);
  }
  static CScriptValue Function(CScriptFunction* function) {
    return CScriptValue(ValueType::kFunction, function);
  }

  ValueType Type() const { return type_; }
  bool IsEmpty() const { return type_ == ValueType::kEmpty; }
  size_t Count() const { return elements_.size(); }
  const Element& At(size_t index) const { return elements_[index]; }
  // The array grows to hold index; new elements are 0 or empty text. A value without elements
  // takes type first.
  void SetElement(size_t index, Element element, ValueType type);

 private:
  CScriptValue(ValueType type, Element element) : type_(type) {
    elements_.push_back(std::move(element));
  }

  ValueType type_ = ValueType::kEmpty;
  std::vector<Element> elements_;
};

// Decimal text to integer: leading white space, an optional sign, digits; 0 without leading
// digits; saturated at the 32-bit limits.
int32_t TextToInt(std::string_view text);

// The conversions of a single element; they raise the script errors for arrays and other types.
const Element& SingleElement(const CScriptValue& value);
int32_t ToInt(const CScriptValue& value);
std::string ToText(const CScriptValue& value);
bool IsTrue(const CScriptValue& value);

}  // namespace ostrane::script
