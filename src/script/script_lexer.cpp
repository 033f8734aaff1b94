#include "script/script_lexer.h"

#include <array>

#include "script/script_error.h"
#include "settings/control_string.h"

namespace ostrane::script {
namespace {

constexpr std::array<std::string_view, 9> kKeywords = {
    "if", "else", "while", "function", "return", "break", "continue", "switch", "case"};
constexpr std::string_view kPunctuation = "()[]{};,";
constexpr std::string_view kOperatorChars = "+-*/%=<>!&|";

// The "C" classification: ASCII only, whatever the locale.
bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsOneOf(std::string_view set, char c) {
  return c != '\0' && set.find(c) != std::string_view::npos;
}

}  // namespace

void CScriptLexer::Load(std::string text) {
  text_ = std::move(text);
  pos_ = 0;
  line_ = 1;
  token_ = {};
}

void CScriptLexer::SkipSpaceAndComments() {
  while (!AtEnd()) {
    const char c = Peek();
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (c == '\n') ++line_;
      ++pos_;
    } else if (c == '/' && Peek(1) == '/') {
      while (!AtEnd() && Peek() != '\n' && Peek() != '\r') ++pos_;
    } else {
      return;
    }
  }
}

void CScriptLexer::Next() {
  SkipSpaceAndComments();
  token_.text.clear();
  if (AtEnd()) {
    token_.kind = TokenKind::kEnd;
    return;
  }
  const char c = Peek();
  if (IsLetter(c)) {
    ReadWord();
  } else if (IsDigit(c)) {
    ReadNumber();
  } else if (c == '"' || c == '\'') {
    ReadString(c);
  } else if (c == '$') {
    ReadTermShorthand();
  } else if (IsOneOf(kPunctuation, c)) {
    token_.kind = TokenKind::kPunctuation;
    token_.text.assign(1, c);
    ++pos_;
  } else if (IsOneOf(kOperatorChars, c)) {
    ReadOperator();
  } else {
    Raise(Err::kInvalidCharacter, std::string(1, c));
  }
}

void CScriptLexer::ReadWord() {
  const size_t start = pos_;
  while (!AtEnd() && (IsLetter(Peek()) || IsDigit(Peek()) || Peek() == '.')) ++pos_;
  token_.text.assign(text_, start, pos_ - start);
  token_.kind = TokenKind::kIdentifier;
  for (std::string_view keyword : kKeywords) {
    if (token_.text == keyword) token_.kind = TokenKind::kKeyword;
  }
}

void CScriptLexer::ReadNumber() {
  const size_t start = pos_;
  while (!AtEnd() && IsDigit(Peek())) ++pos_;
  token_.kind = TokenKind::kNumber;
  token_.text.assign(text_, start, pos_ - start);
}

void CScriptLexer::ReadString(char quote) {
  ++pos_;
  const size_t start = pos_;
  while (!AtEnd() && Peek() != quote) ++pos_;
  const std::string_view raw(text_.data() + start, pos_ - start);
  if (!AtEnd()) ++pos_;
  token_.kind = TokenKind::kString;
  // A malformed escape keeps the bytes converted before it, as the notation's reader leaves them.
  ParseControlString(raw, token_.text);
}

void CScriptLexer::ReadTermShorthand() {
  ++pos_;
  const size_t start = pos_;
  while (!AtEnd() && (IsLetter(Peek()) || IsDigit(Peek()))) ++pos_;
  token_.kind = TokenKind::kIdentifier;
  token_.text = "term." + text_.substr(start, pos_ - start);
}

void CScriptLexer::ReadOperator() {
  const size_t start = pos_;
  while (!AtEnd() && IsOneOf(kOperatorChars, Peek())) ++pos_;
  token_.kind = TokenKind::kOperator;
  token_.text.assign(text_, start, pos_ - start);
}

}  // namespace ostrane::script
