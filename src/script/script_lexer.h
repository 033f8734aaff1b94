// CScriptLexer: turns script text into tokens, one at a time, counting lines. Errors are raised
// as CScriptException.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ostrane::script {

enum class TokenKind { kEnd, kNumber, kString, kIdentifier, kKeyword, kPunctuation, kOperator };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;

  bool Is(TokenKind k, std::string_view t) const { return kind == k && text == t; }
};

class CScriptLexer {
 public:
  void Load(std::string text);
  void Next();
  const Token& Current() const { return token_; }
  int Line() const { return line_; }

 private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek(size_t ahead = 0) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
  }
  void SkipSpaceAndComments();
  void ReadWord();
  void ReadNumber();
  void ReadString(char quote);
  void ReadTermShorthand();
  void ReadOperator();

  std::string text_;
  size_t pos_ = 0;
  int line_ = 1;
  Token token_;
};

}  // namespace ostrane::script
