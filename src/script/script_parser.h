// CScriptParser: builds one statement tree at a time from the lexer's tokens, so a script runs
// each top-level statement before the next one is read. Function definitions take effect as
// soon as they are parsed, through the definitions sink.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "script/script_lexer.h"
#include "script/script_tree.h"

namespace ostrane::script {

class IScriptDefinitions {
 public:
  virtual ~IScriptDefinitions() = default;
  virtual void DefineFunction(std::string name, std::vector<std::string> parameters,
                              std::unique_ptr<Stmt> body) = 0;
};

class CScriptParser {
 public:
  CScriptParser(CScriptLexer& lexer, IScriptDefinitions& definitions)
      : lexer_(lexer), definitions_(definitions) {}

  // Reads the first token; call once before the first statement.
  void Begin() { lexer_.Next(); }
  // The next statement; at the end of the text a return without value, consuming nothing.
  std::unique_ptr<Stmt> ParseStatement();
  std::unique_ptr<Expr> ParseExpression(int minPrecedence);
  // The line of the innermost statement being parsed, for error reports.
  int StatementLine() const { return statementLine_; }

 private:
  class NestingGuard;

  const Token& Current() const { return lexer_.Current(); }
  void Expect(char punctuation);
  bool AtPunctuation(char punctuation) const;
  std::unique_ptr<Expr> ParseOperand();
  void ParseArguments(char close, std::vector<std::unique_ptr<Expr>>& out);
  std::unique_ptr<Stmt> ParseFunction();
  std::unique_ptr<Stmt> ParseBlock();

  CScriptLexer& lexer_;
  IScriptDefinitions& definitions_;
  int nesting_ = 0;
  int statementLine_ = 1;
};

}  // namespace ostrane::script
