#include "script/script_error.h"

#include <array>
#include <cstdio>
#include <utility>

namespace ostrane::script {
namespace {

constexpr std::array<std::pair<int, std::string_view>, 44> kMessages = {{
    {Err::kInvalidFunctionName, "Invalid function name"},
    {Err::kInvalidParameterName, "Invalid parameter name"},
    {Err::kInvalidCharacter, "Invalid character"},
    {Err::kUnexpectedCharacter, "Unexpected character"},
    {Err::kUnexpectedNearOperator, "Unexpected character near operator"},
    {Err::kInvalidSymbol, "Invalid symbol in expression"},
    {Err::kUnexpectedEnd, "Unexpected end of script"},
    {Err::kNumberTooLarge, "Number too large: maximum 2147483647"},
    {Err::kNestingTooDeep, "Statements or expressions nested too deeply"},
    {Err::kArgumentMissing, "Required function parameter not supplied"},
    {Err::kIncompatibleParameter, "Incompatible parameter type"},
    {Err::kNumberRequired, "Number value required"},
    {Err::kStringRequired, "String value required"},
    {Err::kObjectRequired, "Object required"},
    {Err::kFunctionRequired, "Function point required"},
    {Err::kNameTooLong, "Identifier name too long: maximum 64 characters"},
    {Err::kInvalidObjectType, "Invalid object type"},
    {Err::kInvalidMethod, "Invalid method name"},
    {Err::kInvalidProperty, "Invalid property name"},
    {Err::kVariableNotFound, "Variable not found"},
    {Err::kSubscriptRequired, "Array subscription required"},
    {Err::kSubscriptInvalid, "Array subscription invalid"},
    {Err::kCannotAssign, "Cannot assign value"},
    {Err::kNotSupported, "Operation not supported"},
    {Err::kValueRequired, "Value required"},
    {Err::kDivisionByZero, "Division by zero"},
    {Err::kArithmeticOverflow, "Arithmetic overflow"},
    {Err::kCallTooDeep, "Function calls nested too deeply"},
    {Err::kStepLimit, "Too many statements"},
    {Err::kCannotSetProperty, "Cannot set property: invalid name or index"},
    {Err::kGetInvalidLength, "term.Get: invalid length"},
    {Err::kMenuNotFound, "term.DoMenu: menu item not found"},
    {Err::kCannotOpenFile, "Cannot open file"},
    {Err::kProtected, "Protected script function disabled"},
    {Err::kInvalidParameters, "Invalid parameter(s)"},
    {Err::kParameterCount, "Parameter number mismatch"},
    {Err::kNotInRoutine, "Not allowed in a receive routine"},
    {Err::kArrayWithoutSubscript, "Cannot access an array without subscription"},
    {Err::kSubscriptOutOfRange, "Array subscription out of range"},
    {Err::kArrayIntoVariable, "Cannot assign array into a variable"},
    {Err::kElementTypeMismatch, "Array element type mismatch"},
    {Err::kArrayTooLarge, "Array too large"},
    {Err::kStringTooLong, "String too long"},
    {0, "Other error"},
}};

}  // namespace

std::string_view ErrorMessage(int code) {
  for (const auto& [c, message] : kMessages) {
    if (c == code) return message;
  }
  return kMessages.back().second;
}

std::string FormatErrorReport(const ScriptError& error) {
  char code[16];
  std::snprintf(code, sizeof code, "E%04d", error.code);
  std::string report = "Script Error:\n\n" + error.scriptName + " (Line " +
                       std::to_string(error.line) + ") : " + code + " " +
                       std::string(ErrorMessage(error.code));
  if (!error.text.empty()) report += ": \"" + error.text + "\"";
  return report;
}

std::string FormatRoutineErrorReport(const ScriptError& error) {
  std::string report =
      "Script error in OnRecv routine: " + std::string(ErrorMessage(error.code)) + ".";
  if (!error.text.empty()) report += "\n====>\"" + error.text + "\"";
  return report;
}

}  // namespace ostrane::script
