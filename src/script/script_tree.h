// The statement and expression trees the parser builds and the interpreter runs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "script/script_value.h"

namespace ostrane::script {

enum class BinaryOp : uint8_t {
  kAssign,
  kOr,
  kAnd,
  kEqual,
  kNotEqual,
  kLess,
  kLessEqual,
  kGreater,
  kGreaterEqual,
  kAdd,
  kSubtract,
  kMultiply,
  kDivide,
  kRemainder,
};

struct Expr {
  enum class Kind : uint8_t { kConstant, kVariable, kBinary, kCall, kSubscript };

  Kind kind = Kind::kConstant;
  CScriptValue constant;  // kConstant
  std::string name;       // kVariable, kCall, kSubscript
  BinaryOp op = BinaryOp::kAssign;
  std::unique_ptr<Expr> left, right;        // kBinary
  std::vector<std::unique_ptr<Expr>> args;  // call arguments or subscript indexes
  int depth = 1;                            // height of the tree below and including this node
};

struct Stmt {
  enum class Kind : uint8_t {
    kExpression,
    kBlock,
    kIf,
    kWhile,
    kFunction,
    kReturn,
    kBreak,
    kContinue,
    kReserved,
  };

  Kind kind = Kind::kExpression;
  int line = 1;
  std::unique_ptr<Expr> expr;                     // expression, condition or return value
  std::vector<std::unique_ptr<Stmt>> statements;  // block
  std::unique_ptr<Stmt> body;                     // then-statement or loop body
  std::unique_ptr<Stmt> otherwise;                // else-statement
};

}  // namespace ostrane::script
