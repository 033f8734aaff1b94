// CScriptInterpreter: runs one script text statement by statement over dynamically typed values,
// with scopes, user functions and the built-in objects. It knows nothing of threads or the
// session: the script that owns it supplies the objects and the stop signal.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "script/script_error.h"
#include "script/script_lexer.h"
#include "script/script_limits.h"
#include "script/script_object.h"
#include "script/script_parser.h"
#include "script/script_scope.h"
#include "script/stop_signal.h"

namespace ostrane::script {

class CScriptInterpreter : public IScriptDefinitions {
 public:
  explicit CScriptInterpreter(CStopSignal& stop, ScriptLimits limits = {});
  ~CScriptInterpreter() override;
  CScriptInterpreter(const CScriptInterpreter&) = delete;
  CScriptInterpreter& operator=(const CScriptInterpreter&) = delete;

  void Load(std::string name, std::string text);
  const std::string& Name() const { return name_; }
  const ScriptLimits& Limits() const { return limits_; }

  // Takes ownership of an object; with a name it is bound in the root scope.
  CScriptObject* Adopt(std::unique_ptr<CScriptObject> object, std::string_view name = {});
  CScriptScope& Root() { return root_; }

  // Runs the text to its end. The error that ended it, or nothing after a normal end or a stop.
  std::optional<ScriptError> Run();
  // Runs a receive routine for one received byte, with its own statement budget. Returns the
  // error that ended it, if any.
  std::optional<ScriptError> RunRoutine(CScriptFunction& routine, uint8_t byte);
  // Whether the code running now is a receive routine (which must not wait).
  bool InRoutine() const { return inRoutine_; }
  void ThrowIfStopped() const;

  void DefineFunction(std::string name, std::vector<std::string> parameters,
                      std::unique_ptr<Stmt> body) override;

 private:
  enum class Flow : uint8_t { kNormal, kReturn, kBreak, kContinue };
  class DepthGuard;

  ScriptError MakeError(const CScriptException& e) const;
  void CountStep();
  Flow Execute(const Stmt& stmt, CScriptScope& scope);
  Flow ExecuteWhile(const Stmt& stmt, CScriptScope& scope);
  CScriptValue Evaluate(const Expr& expr, CScriptScope& scope);
  CScriptValue EvaluateBinary(const Expr& expr, CScriptScope& scope);
  CScriptValue Assign(const Expr& target, CScriptValue value, CScriptScope& scope);
  CScriptValue AssignElement(const Expr& target, CScriptValue value, CScriptScope& scope);
  CScriptValue ReadVariable(const std::string& name, CScriptScope& scope);
  CScriptValue ReadElement(const Expr& expr, CScriptScope& scope);
  int32_t EvaluateIndex(const Expr& expr, CScriptScope& scope);
  CScriptValue Call(const Expr& expr, CScriptScope& scope);
  CScriptValue CallFunction(CScriptFunction& function, std::vector<CScriptValue> args,
                            CScriptScope& caller);
  CScriptObject* ObjectIn(std::string_view variable, CScriptScope& scope);
  std::string Concatenate(std::string left, const std::string& right) const;

  CStopSignal& stop_;
  const ScriptLimits limits_;
  std::string name_ = "<No Name>";
  CScriptLexer lexer_;
  CScriptScope root_;
  std::vector<std::unique_ptr<CScriptFunction>> functions_;
  std::vector<std::unique_ptr<CScriptObject>> objects_;
  int line_ = 1;
  int depth_ = 0;
  int calls_ = 0;
  uint64_t steps_ = 0;
  uint64_t stepBudget_ = 0;  // 0 for no limit
  bool inRoutine_ = false;
};

// Splits a dotted name at its first dot: the variable and the property or method. The
// variable part is limited in length.
std::pair<std::string_view, std::string_view> SplitDotted(std::string_view name);

}  // namespace ostrane::script
