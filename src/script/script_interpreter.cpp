#include "script/script_interpreter.h"

#include <limits>

#include "script/string_methods.h"

namespace ostrane::script {
namespace {

// Evaluation and execution frames in progress at once. Nesting within one tree and call depth
// are capped separately; this caps their product, which is what the stack holds.
constexpr int kMaxFrames = 3000;

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();

// + - * wrap around in 32 bits instead of overflowing.
int32_t Wrap(int64_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

bool IsDotted(std::string_view name) {
  return name.find('.') != std::string_view::npos;
}

}  // namespace

std::pair<std::string_view, std::string_view> SplitDotted(std::string_view name) {
  const size_t dot = name.find('.');
  if (dot > kMaxObjectName) Raise(Err::kNameTooLong, name.substr(0, dot));
  return {name.substr(0, dot), name.substr(dot + 1)};
}

class CScriptInterpreter::DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(depth) {
    if (++depth_ > kMaxFrames) {
      --depth_;
      Raise(Err::kCallTooDeep);
    }
  }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  int& depth_;
};

CScriptInterpreter::CScriptInterpreter(CStopSignal& stop, ScriptLimits limits)
    : stop_(stop), limits_(limits) {}

CScriptInterpreter::~CScriptInterpreter() = default;

void CScriptInterpreter::Load(std::string name, std::string text) {
  name_ = std::move(name);
  lexer_.Load(std::move(text));
  line_ = 1;
}

CScriptObject* CScriptInterpreter::Adopt(std::unique_ptr<CScriptObject> object,
                                         std::string_view name) {
  CScriptObject* raw = object.get();
  objects_.push_back(std::move(object));
  if (!name.empty()) root_.variables[std::string(name)] = CScriptValue::Object(raw);
  return raw;
}

void CScriptInterpreter::DefineFunction(std::string name, std::vector<std::string> parameters,
                                        std::unique_ptr<Stmt> body) {
  auto function = std::make_unique<CScriptFunction>();
  function->name = name;
  function->parameters = std::move(parameters);
  function->body = std::move(body);
  function->parent = &root_;
  root_.variables[name] = CScriptValue::Function(function.get());
  functions_.push_back(std::move(function));
}

ScriptError CScriptInterpreter::MakeError(const CScriptException& e) const {
  return ScriptError{name_, line_, e.Code(), e.Text()};
}

void CScriptInterpreter::ThrowIfStopped() const {
  if (stop_.Requested()) throw CScriptStopped();
}

void CScriptInterpreter::CountStep() {
  ThrowIfStopped();
  ++steps_;
  if (stepBudget_ != 0 && steps_ > stepBudget_) Raise(Err::kStepLimit);
}

std::optional<ScriptError> CScriptInterpreter::Run() {
  CScriptParser parser(lexer_, *this);
  steps_ = 0;
  stepBudget_ = limits_.maxSteps;
  try {
    parser.Begin();
    for (;;) {
      std::unique_ptr<Stmt> stmt;
      try {
        stmt = parser.ParseStatement();
      } catch (const CScriptException&) {
        line_ = parser.StatementLine();
        throw;
      }
      if (Execute(*stmt, root_) != Flow::kNormal) break;
    }
  } catch (const CScriptException& e) {
    return MakeError(e);
  } catch (const CScriptStopped&) {
  }
  return std::nullopt;
}

std::optional<ScriptError> CScriptInterpreter::RunRoutine(CScriptFunction& routine, uint8_t byte) {
  // The script thread is parked in its Wait meanwhile; its counters are put back afterwards.
  const int savedLine = line_, savedDepth = depth_, savedCalls = calls_;
  const uint64_t savedSteps = steps_, savedBudget = stepBudget_;
  CScriptScope* savedParent = routine.parent;
  routine.parent = &root_;
  inRoutine_ = true;
  steps_ = 0;
  stepBudget_ = kRoutineStepsPerByte;
  std::optional<ScriptError> error;
  try {
    if (!routine.parameters.empty()) {
      routine.variables[routine.parameters.front()] =
          CScriptValue::Text(std::string(1, static_cast<char>(byte)));
    }
    ++calls_;
    Execute(*routine.body, routine);
  } catch (const CScriptException& e) {
    error = MakeError(e);
  } catch (const CScriptStopped&) {
  }
  calls_ = savedCalls;
  depth_ = savedDepth;
  steps_ = savedSteps;
  stepBudget_ = savedBudget;
  inRoutine_ = false;
  routine.parent = savedParent;
  line_ = savedLine;
  return error;
}

CScriptInterpreter::Flow CScriptInterpreter::Execute(const Stmt& stmt, CScriptScope& scope) {
  DepthGuard guard(depth_);
  CountStep();
  line_ = stmt.line;
  switch (stmt.kind) {
    case Stmt::Kind::kExpression:
      Evaluate(*stmt.expr, scope);
      return Flow::kNormal;
    case Stmt::Kind::kBlock:
      for (const auto& inner : stmt.statements) {
        const Flow flow = Execute(*inner, scope);
        if (flow != Flow::kNormal) return flow;
      }
      return Flow::kNormal;
    case Stmt::Kind::kIf:
      if (IsTrue(Evaluate(*stmt.expr, scope))) return Execute(*stmt.body, scope);
      return stmt.otherwise ? Execute(*stmt.otherwise, scope) : Flow::kNormal;
    case Stmt::Kind::kWhile:
      return ExecuteWhile(stmt, scope);
    case Stmt::Kind::kReturn:
      if (stmt.expr) scope.returnValue = Evaluate(*stmt.expr, scope);
      return Flow::kReturn;
    case Stmt::Kind::kBreak:
      return Flow::kBreak;
    case Stmt::Kind::kContinue:
      return Flow::kContinue;
    case Stmt::Kind::kFunction:
    case Stmt::Kind::kReserved:
      return Flow::kNormal;
  }
  return Flow::kNormal;
}

CScriptInterpreter::Flow CScriptInterpreter::ExecuteWhile(const Stmt& stmt, CScriptScope& scope) {
  while (IsTrue(Evaluate(*stmt.expr, scope))) {
    const Flow flow = Execute(*stmt.body, scope);
    if (flow == Flow::kReturn) return flow;
    if (flow == Flow::kBreak) break;
    // The condition alone can loop forever: each round counts as a step, so a stop ends it.
    line_ = stmt.line;
    CountStep();
  }
  return Flow::kNormal;
}

CScriptValue CScriptInterpreter::Evaluate(const Expr& expr, CScriptScope& scope) {
  DepthGuard guard(depth_);
  switch (expr.kind) {
    case Expr::Kind::kConstant:
      return expr.constant;
    case Expr::Kind::kVariable:
      return ReadVariable(expr.name, scope);
    case Expr::Kind::kSubscript:
      return ReadElement(expr, scope);
    case Expr::Kind::kCall:
      return Call(expr, scope);
    case Expr::Kind::kBinary:
      return EvaluateBinary(expr, scope);
  }
  return {};
}

std::string CScriptInterpreter::Concatenate(std::string left, const std::string& right) const {
  if (right.size() > limits_.maxStringLength - std::min(left.size(), limits_.maxStringLength)) {
    Raise(Err::kStringTooLong);
  }
  left += right;
  return left;
}

CScriptValue CScriptInterpreter::EvaluateBinary(const Expr& expr, CScriptScope& scope) {
  if (expr.op == BinaryOp::kAssign) {
    CScriptValue value = Evaluate(*expr.right, scope);
    return Assign(*expr.left, std::move(value), scope);
  }
  if (expr.op == BinaryOp::kAnd) {
    if (!IsTrue(Evaluate(*expr.left, scope))) return CScriptValue::Int(0);
    return CScriptValue::Int(ToInt(Evaluate(*expr.right, scope)));
  }
  if (expr.op == BinaryOp::kOr) {
    if (IsTrue(Evaluate(*expr.left, scope))) return CScriptValue::Int(1);
    return CScriptValue::Int(ToInt(Evaluate(*expr.right, scope)));
  }
  const CScriptValue left = Evaluate(*expr.left, scope);
  const CScriptValue right = Evaluate(*expr.right, scope);
  switch (expr.op) {
    case BinaryOp::kAdd:
      if (left.Type() == ValueType::kInteger) {
        return CScriptValue::Int(Wrap(int64_t{ToInt(left)} + ToInt(right)));
      }
      if (left.Type() == ValueType::kString) {
        return CScriptValue::Text(Concatenate(ToText(left), ToText(right)));
      }
      Raise(Err::kNotSupported, "+");
    case BinaryOp::kEqual:
    case BinaryOp::kNotEqual: {
      bool equal;
      if (left.Type() == ValueType::kInteger) {
        equal = ToInt(left) == ToInt(right);
      } else if (left.Type() == ValueType::kString) {
        equal = ToText(left) == ToText(right);
      } else {
        Raise(Err::kNotSupported, expr.op == BinaryOp::kEqual ? "==" : "!=");
      }
      return CScriptValue::Int((expr.op == BinaryOp::kEqual) == equal ? 1 : 0);
    }
    default:
      break;
  }
  const int64_t a = ToInt(left);
  const int64_t b = ToInt(right);
  switch (expr.op) {
    case BinaryOp::kSubtract:
      return CScriptValue::Int(Wrap(a - b));
    case BinaryOp::kMultiply:
      return CScriptValue::Int(Wrap(a * b));
    case BinaryOp::kDivide:
    case BinaryOp::kRemainder:
      if (b == 0) Raise(Err::kDivisionByZero);
      if (a == kIntMin && b == -1) {
        if (expr.op == BinaryOp::kDivide) Raise(Err::kArithmeticOverflow);
        return CScriptValue::Int(0);
      }
      return CScriptValue::Int(static_cast<int32_t>(expr.op == BinaryOp::kDivide ? a / b : a % b));
    case BinaryOp::kLess:
      return CScriptValue::Int(a < b ? 1 : 0);
    case BinaryOp::kLessEqual:
      return CScriptValue::Int(a <= b ? 1 : 0);
    case BinaryOp::kGreater:
      return CScriptValue::Int(a > b ? 1 : 0);
    case BinaryOp::kGreaterEqual:
      return CScriptValue::Int(a >= b ? 1 : 0);
    default:
      return {};
  }
}

CScriptObject* CScriptInterpreter::ObjectIn(std::string_view variable, CScriptScope& scope) {
  const CScriptValue* value = scope.Find(variable);
  if (value == nullptr) Raise(Err::kVariableNotFound, variable);
  auto* const* object = std::get_if<CScriptObject*>(&SingleElement(*value));
  return object != nullptr ? *object : nullptr;
}

CScriptValue CScriptInterpreter::ReadVariable(const std::string& name, CScriptScope& scope) {
  if (IsDotted(name)) {
    const auto [base, property] = SplitDotted(name);
    const CScriptValue* value = scope.Find(base);
    if (value == nullptr) Raise(Err::kVariableNotFound, base);
    const Element& e = SingleElement(*value);
    if (auto* const* object = std::get_if<CScriptObject*>(&e)) {
      return (*object)->GetProperty(property, -1);
    }
    if (const auto* text = std::get_if<std::string>(&e)) {
      if (property != "Length") Raise(Err::kInvalidProperty, property);
      return CScriptValue::Int(static_cast<int32_t>(text->size()));
    }
    Raise(Err::kObjectRequired, base);
  }
  const CScriptValue* value = scope.Find(name);
  if (value == nullptr) Raise(Err::kVariableNotFound, name);
  if (value->Count() != 1) Raise(Err::kArrayWithoutSubscript, name);
  return *value;
}

int32_t CScriptInterpreter::EvaluateIndex(const Expr& expr, CScriptScope& scope) {
  if (expr.args.size() != 1) Raise(Err::kSubscriptRequired, expr.name);
  const int32_t index = ToInt(Evaluate(*expr.args.front(), scope));
  if (index < 0) Raise(Err::kSubscriptInvalid, expr.name);
  return index;
}

CScriptValue CScriptInterpreter::ReadElement(const Expr& expr, CScriptScope& scope) {
  const int32_t index = EvaluateIndex(expr, scope);
  if (IsDotted(expr.name)) {
    const auto [base, property] = SplitDotted(expr.name);
    CScriptObject* object = ObjectIn(base, scope);
    if (object == nullptr) Raise(Err::kObjectRequired, base);
    return object->GetProperty(property, index);
  }
  const CScriptValue* value = scope.Find(expr.name);
  if (value == nullptr) Raise(Err::kVariableNotFound, expr.name);
  if (static_cast<size_t>(index) >= value->Count()) Raise(Err::kSubscriptOutOfRange, expr.name);
  CScriptValue element;
  element.SetElement(0, value->At(static_cast<size_t>(index)), value->Type());
  return element;
}

CScriptValue CScriptInterpreter::Assign(const Expr& target, CScriptValue value,
                                        CScriptScope& scope) {
  if (target.kind == Expr::Kind::kSubscript) return AssignElement(target, std::move(value), scope);
  if (target.kind != Expr::Kind::kVariable) Raise(Err::kCannotAssign);
  if (value.IsEmpty()) Raise(Err::kValueRequired);
  if (value.Count() != 1) Raise(Err::kArrayWithoutSubscript);
  if (IsDotted(target.name)) {
    const auto [base, property] = SplitDotted(target.name);
    CScriptObject* object = ObjectIn(base, scope);
    if (object == nullptr) Raise(Err::kObjectRequired, base);
    object->SetProperty(property, value, -1);
    return value;
  }
  if (CScriptValue* existing = scope.Find(target.name)) {
    *existing = value;
  } else {
    scope.variables[target.name] = value;
  }
  return value;
}

CScriptValue CScriptInterpreter::AssignElement(const Expr& target, CScriptValue value,
                                               CScriptScope& scope) {
  const int32_t index = EvaluateIndex(target, scope);
  if (value.IsEmpty()) Raise(Err::kValueRequired);
  const Element& source = SingleElement(value);
  if (IsDotted(target.name)) {
    const auto [base, property] = SplitDotted(target.name);
    CScriptObject* object = ObjectIn(base, scope);
    if (object == nullptr) Raise(Err::kObjectRequired, base);
    object->SetProperty(property, value, index);
    return value;
  }
  if (static_cast<size_t>(index) >= limits_.maxArrayElements) Raise(Err::kArrayTooLarge);
  CScriptValue* array = scope.Find(target.name);
  if (array == nullptr) array = &scope.variables[target.name];
  Element element = source;
  if (array->Count() == 0) {
    array->SetElement(static_cast<size_t>(index), std::move(element), value.Type());
  } else if (array->Type() == ValueType::kString) {
    array->SetElement(static_cast<size_t>(index), ToText(value), ValueType::kString);
  } else if (array->Type() == ValueType::kInteger) {
    array->SetElement(static_cast<size_t>(index), ToInt(value), ValueType::kInteger);
  } else if (array->Type() == value.Type()) {
    array->SetElement(static_cast<size_t>(index), std::move(element), value.Type());
  } else {
    Raise(Err::kElementTypeMismatch, target.name);
  }
  return value;
}

CScriptValue CScriptInterpreter::Call(const Expr& expr, CScriptScope& scope) {
  std::vector<CScriptValue> args;
  args.reserve(expr.args.size());
  for (const auto& arg : expr.args) args.push_back(Evaluate(*arg, scope));
  const int line = line_;
  CScriptValue result;
  if (IsDotted(expr.name)) {
    const auto [base, method] = SplitDotted(expr.name);
    const CScriptValue* value = scope.Find(base);
    if (value == nullptr) Raise(Err::kVariableNotFound, base);
    const Element& e = SingleElement(*value);
    CScriptArgs fetched(std::move(args));
    if (const auto* text = std::get_if<std::string>(&e)) {
      result = CallStringMethod(method, *text, fetched);
    } else if (auto* const* object = std::get_if<CScriptObject*>(&e)) {
      result = (*object)->CallMethod(method, fetched);
    } else {
      Raise(Err::kInvalidObjectType, base);
    }
  } else if (const CScriptValue* value = scope.Find(expr.name);
             value != nullptr && value->Type() == ValueType::kFunction && value->Count() == 1) {
    result = CallFunction(*std::get<CScriptFunction*>(value->At(0)), std::move(args), scope);
  } else {
    // Plain names are the methods of sys, except wait and send, which belong to term.
    const bool ofTerm = expr.name == "wait" || expr.name == "send";
    CScriptObject* object = ObjectIn(ofTerm ? "term" : "sys", scope);
    if (object == nullptr) Raise(Err::kInvalidObjectType, expr.name);
    CScriptArgs fetched(std::move(args));
    result = object->CallMethod(expr.name, fetched);
  }
  line_ = line;
  ThrowIfStopped();
  return result;
}

CScriptValue CScriptInterpreter::CallFunction(CScriptFunction& function,
                                              std::vector<CScriptValue> args,
                                              CScriptScope& caller) {
  if (args.size() != function.parameters.size()) Raise(Err::kParameterCount, function.name);
  if (calls_ >= kMaxCallDepth) Raise(Err::kCallTooDeep, function.name);
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i].IsEmpty()) Raise(Err::kValueRequired, function.parameters[i]);
    if (args[i].Count() != 1) Raise(Err::kArrayWithoutSubscript, function.parameters[i]);
    function.variables[function.parameters[i]] = std::move(args[i]);
  }
  // The function sees its caller's variables, but its scope never becomes its own ancestor:
  // a recursive call keeps the chain the outer call set up.
  CScriptScope* const savedParent = function.parent;
  if (!caller.HasAncestor(&function)) function.parent = &caller;
  ++calls_;
  struct Restore {
    CScriptFunction& function;
    CScriptScope* parent;
    int& calls;
    ~Restore() {
      function.parent = parent;
      --calls;
    }
  } restore{function, savedParent, calls_};
  Execute(*function.body, function);
  return function.returnValue;
}

}  // namespace ostrane::script
