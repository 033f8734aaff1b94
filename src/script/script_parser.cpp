#include "script/script_parser.h"

#include <algorithm>
#include <array>
#include <limits>

#include "script/script_error.h"
#include "script/script_limits.h"

namespace ostrane::script {
namespace {

struct OperatorRow {
  std::string_view text;
  BinaryOp op;
  int precedence;
};

// Every operator is binary and left-associative, assignment included.
constexpr std::array<OperatorRow, 14> kOperators = {{
    {"=", BinaryOp::kAssign, 1},
    {"||", BinaryOp::kOr, 2},
    {"&&", BinaryOp::kAnd, 3},
    {"==", BinaryOp::kEqual, 4},
    {"!=", BinaryOp::kNotEqual, 4},
    {"<", BinaryOp::kLess, 4},
    {"<=", BinaryOp::kLessEqual, 4},
    {">", BinaryOp::kGreater, 4},
    {">=", BinaryOp::kGreaterEqual, 4},
    {"+", BinaryOp::kAdd, 5},
    {"-", BinaryOp::kSubtract, 5},
    {"*", BinaryOp::kMultiply, 6},
    {"/", BinaryOp::kDivide, 6},
    {"%", BinaryOp::kRemainder, 6},
}};

// Operator runs that are no operator ("=-", "!", "&&&") are refused here, where they follow
// an operand.
const OperatorRow& LookUpOperator(const std::string& text) {
  for (const OperatorRow& row : kOperators) {
    if (row.text == text) return row;
  }
  Raise(Err::kUnexpectedNearOperator, text);
}

int32_t NumberValue(const std::string& digits) {
  int64_t value = 0;
  for (char c : digits) {
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<int32_t>::max()) Raise(Err::kNumberTooLarge, digits);
  }
  return static_cast<int32_t>(value);
}

}  // namespace

// Counts parser recursion so that nested blocks, parentheses and statements from the host
// cannot exhaust the stack.
class CScriptParser::NestingGuard {
 public:
  explicit NestingGuard(int& nesting) : nesting_(nesting) {
    if (++nesting_ > kMaxNesting) {
      --nesting_;
      Raise(Err::kNestingTooDeep);
    }
  }
  ~NestingGuard() { --nesting_; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;

 private:
  int& nesting_;
};

bool CScriptParser::AtPunctuation(char punctuation) const {
  return Current().kind == TokenKind::kPunctuation && Current().text[0] == punctuation;
}

void CScriptParser::Expect(char punctuation) {
  if (Current().kind == TokenKind::kEnd) Raise(Err::kUnexpectedEnd, std::string(1, punctuation));
  if (!AtPunctuation(punctuation)) Raise(Err::kUnexpectedCharacter, Current().text);
  lexer_.Next();
}

void CScriptParser::ParseArguments(char close, std::vector<std::unique_ptr<Expr>>& out) {
  lexer_.Next();
  while (!AtPunctuation(close)) {
    out.push_back(ParseExpression(0));
    if (AtPunctuation(',')) lexer_.Next();
  }
  lexer_.Next();
}

std::unique_ptr<Expr> CScriptParser::ParseOperand() {
  auto node = std::make_unique<Expr>();
  const Token& token = Current();
  switch (token.kind) {
    case TokenKind::kIdentifier:
      node->name = token.text;
      lexer_.Next();
      if (AtPunctuation('(')) {
        node->kind = Expr::Kind::kCall;
        ParseArguments(')', node->args);
      } else if (AtPunctuation('[')) {
        node->kind = Expr::Kind::kSubscript;
        ParseArguments(']', node->args);
      } else {
        node->kind = Expr::Kind::kVariable;
      }
      for (const auto& arg : node->args) node->depth = std::max(node->depth, arg->depth + 1);
      break;
    case TokenKind::kNumber:
      node->constant = CScriptValue::Int(NumberValue(token.text));
      lexer_.Next();
      break;
    case TokenKind::kString:
      node->constant = CScriptValue::Text(token.text);
      lexer_.Next();
      break;
    case TokenKind::kPunctuation:
      if (token.text[0] != '(') Raise(Err::kUnexpectedCharacter, token.text);
      lexer_.Next();
      node = ParseExpression(0);
      Expect(')');
      break;
    case TokenKind::kEnd:
      Raise(Err::kUnexpectedEnd);
    default:
      Raise(Err::kInvalidSymbol, token.text);
  }
  return node;
}

std::unique_ptr<Expr> CScriptParser::ParseExpression(int minPrecedence) {
  NestingGuard guard(nesting_);
  std::unique_ptr<Expr> operand = ParseOperand();
  while (Current().kind == TokenKind::kOperator) {
    const OperatorRow& row = LookUpOperator(Current().text);
    if (row.precedence <= minPrecedence) break;
    lexer_.Next();
    auto node = std::make_unique<Expr>();
    node->kind = Expr::Kind::kBinary;
    node->op = row.op;
    node->left = std::move(operand);
    node->right = ParseExpression(row.precedence);
    // A long operator chain builds a deep tree without deep parsing; its height is capped too.
    node->depth = std::max(node->left->depth, node->right->depth) + 1;
    if (node->depth > kMaxNesting) Raise(Err::kNestingTooDeep);
    operand = std::move(node);
  }
  return operand;
}

std::unique_ptr<Stmt> CScriptParser::ParseFunction() {
  lexer_.Next();
  if (Current().kind != TokenKind::kIdentifier) Raise(Err::kInvalidFunctionName, Current().text);
  std::string name = Current().text;
  lexer_.Next();
  Expect('(');
  std::vector<std::string> parameters;
  while (!AtPunctuation(')')) {
    if (Current().kind != TokenKind::kIdentifier) {
      Raise(Err::kInvalidParameterName, Current().text);
    }
    parameters.push_back(Current().text);
    lexer_.Next();
    if (AtPunctuation(',')) lexer_.Next();
  }
  lexer_.Next();
  std::unique_ptr<Stmt> body = ParseStatement();
  definitions_.DefineFunction(std::move(name), std::move(parameters), std::move(body));
  auto node = std::make_unique<Stmt>();
  node->kind = Stmt::Kind::kFunction;
  return node;
}

std::unique_ptr<Stmt> CScriptParser::ParseBlock() {
  lexer_.Next();
  auto node = std::make_unique<Stmt>();
  node->kind = Stmt::Kind::kBlock;
  while (!AtPunctuation('}')) {
    // A block the text leaves open would otherwise end in an endless run of implicit returns.
    if (Current().kind == TokenKind::kEnd) Raise(Err::kUnexpectedEnd, "}");
    node->statements.push_back(ParseStatement());
  }
  lexer_.Next();
  return node;
}

std::unique_ptr<Stmt> CScriptParser::ParseStatement() {
  NestingGuard guard(nesting_);
  const int line = lexer_.Line();
  statementLine_ = line;
  const Token& token = Current();
  std::unique_ptr<Stmt> node;
  if (token.kind == TokenKind::kKeyword) {
    const std::string word = token.text;
    if (word == "function") {
      node = ParseFunction();
    } else {
      node = std::make_unique<Stmt>();
      lexer_.Next();
      if (word == "if" || word == "while") {
        node->kind = word == "if" ? Stmt::Kind::kIf : Stmt::Kind::kWhile;
        Expect('(');
        node->expr = ParseExpression(0);
        Expect(')');
        node->body = ParseStatement();
        if (node->kind == Stmt::Kind::kIf && Current().Is(TokenKind::kKeyword, "else")) {
          lexer_.Next();
          node->otherwise = ParseStatement();
        }
      } else if (word == "return") {
        node->kind = Stmt::Kind::kReturn;
        if (!AtPunctuation(';')) node->expr = ParseExpression(0);
        Expect(';');
      } else if (word == "break" || word == "continue" || word == "switch" || word == "case") {
        node->kind = word == "break"      ? Stmt::Kind::kBreak
                     : word == "continue" ? Stmt::Kind::kContinue
                                          : Stmt::Kind::kReserved;
        Expect(';');
      } else {
        Raise(Err::kInvalidSymbol, word);  // "else" without its "if"
      }
    }
  } else if (token.kind == TokenKind::kPunctuation && token.text[0] == '{') {
    node = ParseBlock();
  } else if (token.kind == TokenKind::kEnd) {
    node = std::make_unique<Stmt>();
    node->kind = Stmt::Kind::kReturn;
  } else {
    node = std::make_unique<Stmt>();
    node->expr = ParseExpression(0);
    Expect(';');
  }
  node->line = line;
  statementLine_ = line;
  return node;
}

}  // namespace ostrane::script
