// Script errors: numbered codes with fixed messages, and the report a user sees (script name,
// statement line, code, message and an optional text).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace ostrane::script {

namespace Err {
enum Code : int {
  kInvalidFunctionName = 1001,
  kInvalidParameterName = 1002,
  kInvalidCharacter = 1010,
  kUnexpectedCharacter = 1011,
  kUnexpectedNearOperator = 1012,
  kInvalidSymbol = 1013,
  kUnexpectedEnd = 1014,
  kNumberTooLarge = 1015,
  kNestingTooDeep = 1016,
  kArgumentMissing = 1020,
  kIncompatibleParameter = 1021,
  kNumberRequired = 1030,
  kStringRequired = 1031,
  kObjectRequired = 1032,
  kFunctionRequired = 1033,
  kNameTooLong = 1040,
  kInvalidObjectType = 1050,
  kInvalidMethod = 1051,
  kInvalidProperty = 1052,
  kVariableNotFound = 1053,
  kSubscriptRequired = 1060,
  kSubscriptInvalid = 1061,
  kCannotAssign = 1070,
  kNotSupported = 1071,
  kValueRequired = 1072,
  kDivisionByZero = 1073,
  kArithmeticOverflow = 1074,
  kCallTooDeep = 1075,
  kStepLimit = 1076,
  kCannotSetProperty = 1081,
  kGetInvalidLength = 1082,
  kMenuNotFound = 1083,
  kCannotOpenFile = 1090,
  kProtected = 1091,
  kInvalidParameters = 1092,
  kParameterCount = 1093,
  kNotInRoutine = 1094,
  kArrayWithoutSubscript = 1100,
  kSubscriptOutOfRange = 1101,
  kArrayIntoVariable = 1102,
  kElementTypeMismatch = 1103,
  kArrayTooLarge = 1104,
  kStringTooLong = 1105,
};
}  // namespace Err

// The message of a code; "Other error" for a code without one.
std::string_view ErrorMessage(int code);

// What a script error carries; the interpreter fills in the name and line.
struct ScriptError {
  std::string scriptName;
  int line = 0;
  int code = 0;
  std::string text;  // empty when the error has none
};

// "Script Error:\n\n<name> (Line <n>) : E<code> <message>" and, with a text, ": \"<text>\"".
std::string FormatErrorReport(const ScriptError& error);
// The message a failing receive routine shows.
std::string FormatRoutineErrorReport(const ScriptError& error);

// Thrown through the interpreter to the top of a script's run, which reports it.
class CScriptException : public std::exception {
 public:
  CScriptException(int code, std::string text) : code_(code), text_(std::move(text)) {}
  int Code() const { return code_; }
  const std::string& Text() const { return text_; }
  const char* what() const noexcept override { return "script error"; }

 private:
  int code_;
  std::string text_;
};

// Thrown when the script was asked to stop; ends the run without a report.
class CScriptStopped : public std::exception {
 public:
  const char* what() const noexcept override { return "script stopped"; }
};

[[noreturn]] inline void Raise(int code, std::string_view text = {}) {
  throw CScriptException(code, std::string(text));
}

}  // namespace ostrane::script
