// Arbitrary script text through the lexer and parser: every statement is parsed and dropped,
// function bodies are kept as a script keeps them. Nothing may crash, hang or overflow the stack.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "script/script_error.h"
#include "script/script_parser.h"

namespace {

class CKeepDefinitions : public ostrane::script::IScriptDefinitions {
 public:
  void DefineFunction(std::string, std::vector<std::string>,
                      std::unique_ptr<ostrane::script::Stmt> body) override {
    bodies_.push_back(std::move(body));
  }

 private:
  std::vector<std::unique_ptr<ostrane::script::Stmt>> bodies_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ostrane::script;
  CScriptLexer lexer;
  lexer.Load(std::string(reinterpret_cast<const char*>(data), size));
  CKeepDefinitions definitions;
  CScriptParser parser(lexer, definitions);
  try {
    parser.Begin();
    // Each statement consumes at least one token or is the final implicit return.
    for (;;) {
      std::unique_ptr<Stmt> stmt = parser.ParseStatement();
      if (lexer.Current().kind == TokenKind::kEnd && stmt->kind == Stmt::Kind::kReturn) break;
    }
  } catch (const CScriptException&) {
  }
  return 0;
}
