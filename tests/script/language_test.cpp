// The language: syntax, values, conversions, scopes, calls and the errors that end a script.
#include <gtest/gtest.h>

#include <string>

#include "script/script_error.h"
#include "script/script_lexer.h"
#include "script_test_host.h"

namespace ostrane {
namespace {

using test::RunScript;
using namespace script;

struct SentCase {
  const char* script;
  const char* sent;
};

TEST(ScriptLanguage, ExpressionsGiveTheirValues) {
  const SentCase cases[] = {
      {"x = 1 + 6 / 3; send(x);", "3"},
      {"x = 10 - 4 - 3; send(x);", "3"},
      {"x = 7 / 2; send(x);", "3"},
      {"x = 7 % 4 + 1; send(x);", "4"},
      {"x = 0 - 7; send(x / 2); send(x % 4);", "-3-3"},
      {"x = \"5\" + 1; send(x);", "51"},
      {"x = 1 + \"5\"; send(x);", "6"},
      {"x = \"abc\" * 2; send(x);", "0"},
      {"x = 2 && 7; y = 0 || 9; z = 3 || 9; send(\"\" + x + \",\" + y + \",\" + z);", "7,9,1"},
      {"send(\"B\" == \"b\"); send(\"b\" == \"b\"); send(2 != \"2\");", "010"},
      {"if (\"0\") send(1); else send(2); if (\"abc\") send(3); else send(4);", "24"},
      {"if (\"12\") send(\"t\");", "t"},
      {"send((1 + 2) * 3);", "9"},
      {"function f(a b) { send(a + b); } f(1 2); f(3, 4);", "37"},
      {"x = 2147483647 + 1; send(x);", "-2147483648"},
      {"x = 65536 * 65536 + 5; send(x);", "5"},
      {"x = 0 + \"99999999999\"; send(x); y = \"-99999999999\" - 0; send(y);",
       "2147483647-2147483648"},
      {"x = (0 - 2147483647 - 1) % (0 - 1); send(x);", "0"},
      {"s = 'say \"hi\"'; send(s); send(s.Length);", "say \"hi\"8"},
      {"send(\"a<CR>\\x1Bb\");",
       "a\r\x1b"
       "b"},
      {"// only a comment", ""},
      {"send(1); // last line without its line feed", "1"},
      {"", ""},
  };
  for (const SentCase& c : cases) {
    const test::RunResult r = RunScript(c.script);
    EXPECT_EQ(r.sent, c.sent) << c.script;
  }
}

TEST(ScriptLanguage, FunctionDefinitionTakesEffectWhenParsed) {
  // A function may be called once its definition has been read, even from the block that
  // defines it, but not before.
  EXPECT_EQ(RunScript("{ function g() { send(\"g\"); } g(); }").sent, "g");
  const test::RunResult early = RunScript("f(1);\nfunction f(a) { send(a); }");
  EXPECT_EQ(early.Code(), Err::kInvalidMethod);  // f is taken as sys.f
}

TEST(ScriptLanguage, ArraysGrowAndAreReadElementByElement) {
  EXPECT_EQ(RunScript("a[3] = 7; send(a[0] + a[1] + a[2] + a[3]);").sent, "7");
  EXPECT_EQ(RunScript("a[3] = 7; b = a[3]; send(b);").sent, "7");
  EXPECT_EQ(RunScript("a[3] = 7; b = a;").Code(), Err::kArrayWithoutSubscript);
  EXPECT_EQ(RunScript("s[1] = \"x\"; s[0] = 5; send(s[0] + s[1]);").sent, "5x");
  EXPECT_EQ(RunScript("n[0] = 1; n[1] = \"42z\"; send(n[1] + 1);").sent, "43");
  EXPECT_EQ(RunScript("a[0] = 1; x = a[1];").Code(), Err::kSubscriptOutOfRange);
  EXPECT_EQ(RunScript("a[0 - 1] = 1;").Code(), Err::kSubscriptInvalid);
  EXPECT_EQ(RunScript("a[1 2] = 1;").Code(), Err::kSubscriptRequired);
  EXPECT_EQ(RunScript("a[0] = term; a[1] = 3;").Code(), Err::kElementTypeMismatch);
  // An index that would take the memory of the machine is refused, not allocated.
  EXPECT_EQ(RunScript("a[2000000000] = 1;").Code(), Err::kArrayTooLarge);
}

TEST(ScriptLanguage, FunctionsKeepTheirScopeAndSeeTheirCaller) {
  // Locals persist from one call to the next.
  EXPECT_EQ(RunScript("function f() { if (n == 0) n = 0; n = n + 1; return n; }\n"
                      "n = 0; x = f(); x = f(); send(x);")
                .sent,
            "2");
  // Dynamic scoping: a function sees its caller's variables.
  EXPECT_EQ(RunScript("function show() { send(v); } function g() { v = \"in g\"; show(); }\n"
                      "g();")
                .sent,
            "in g");
  // A function without return yields the value of its previous return.
  EXPECT_EQ(RunScript("function f(a) { if (a) return 5; } x = f(1); x = f(0); send(x);").sent, "5");
  EXPECT_EQ(RunScript("function f(a) { } f();").Code(), Err::kParameterCount);
}

TEST(ScriptLanguage, RecursionFinishesAndStillFindsGlobals) {
  // Direct recursion, with a global and sys reached from the deepest call.
  EXPECT_EQ(RunScript("base = 1;\n"
                      "function fact(n) { if (n <= 1) return base; return n * fact(n - 1); }\n"
                      "send(fact(10)); send(sys.FileExists(\"/\"));")
                .sent,
            "36288000");
  // Mutual recursion.
  EXPECT_EQ(RunScript("function even(n) { if (n == 0) return 1; return odd(n - 1); }\n"
                      "function odd(n) { if (n == 0) return 0; return even(n - 1); }\n"
                      "send(even(10)); send(odd(7)); send(term.Columns);")
                .sent,
            "1180");
  // Endless recursion is a script error, not a stack overflow.
  const test::RunResult r = RunScript("function f(n) { return f(n + 1); }\nf(0);");
  EXPECT_EQ(r.Code(), Err::kCallTooDeep);
}

TEST(ScriptLanguage, LoopsBreakContinueAndTopLevelReturn) {
  EXPECT_EQ(RunScript("i = 0; while (i < 10) { i = i + 1; if (i == 3) continue; if (i == 6) break;"
                      " send(i); }")
                .sent,
            "1245");
  EXPECT_EQ(RunScript("send(1); return; send(2);").sent, "1");
  EXPECT_EQ(RunScript("send(1); break; send(2);").sent, "1");
  EXPECT_EQ(RunScript("function f() { send(\"a\"); break; send(\"b\"); } f(); send(\"c\");").sent,
            "ac");
  EXPECT_EQ(RunScript("switch; case; send(\"ok\");").sent, "ok");
}

TEST(ScriptLanguage, StatementsBeforeASyntaxErrorHaveRun) {
  test::CTestScriptHost host;
  const test::RunResult r = RunScript(host, "send(\"a\");\nsend(\"b\");\nx=-1;\nsend(\"c\");");
  EXPECT_EQ(r.sent, "ab");
  ASSERT_TRUE(r.error);
  EXPECT_EQ(r.error->code, Err::kUnexpectedNearOperator);
  EXPECT_EQ(r.error->line, 3);
  ASSERT_EQ(host.reports.size(), 1u);
  EXPECT_EQ(
      host.reports[0],
      "Script Error:\n\n<No Name> (Line 3) : E1012 Unexpected character near operator: \"=-\"");
}

struct ErrorCase {
  const char* script;
  int code;
  const char* text;
};

TEST(ScriptLanguage, ErrorsCarryTheirCodeAndText) {
  const ErrorCase cases[] = {
      {"my_var = 1;", Err::kInvalidCharacter, "_"},
      {"x = @;", Err::kInvalidCharacter, "@"},
      {"a = b = 3;", Err::kCannotAssign, ""},
      {"x = -1;", Err::kInvalidSymbol, "-"},
      {"x = 1 !== 2;", Err::kUnexpectedNearOperator, "!=="},
      {"x = 1 ! 2;", Err::kUnexpectedNearOperator, "!"},
      {"x = );", Err::kUnexpectedCharacter, ")"},
      {"x = 1", Err::kUnexpectedEnd, ";"},
      {"x = if;", Err::kInvalidSymbol, "if"},
      {"else x = 1;", Err::kInvalidSymbol, "else"},
      {"function 5() {}", Err::kInvalidFunctionName, "5"},
      {"function f(1) {}", Err::kInvalidParameterName, "1"},
      {"x = 2147483648;", Err::kNumberTooLarge, "2147483648"},
      {"x = y;", Err::kVariableNotFound, "y"},
      {"s = \"hello\"; n = s.Foo;", Err::kInvalidProperty, "Foo"},
      {"s = \"hello\"; n = s.Foo();", Err::kInvalidMethod, "Foo"},
      {"x = 5; n = x.Foo;", Err::kObjectRequired, "x"},
      {"x = 5; x.Foo();", Err::kInvalidObjectType, "x"},
      {"x = term + 1;", Err::kNotSupported, "+"},
      {"x = term == 1;", Err::kNotSupported, "=="},
      {"x = term * 1;", Err::kNumberRequired, ""},
      {"x = \"a\" + term;", Err::kStringRequired, ""},
      {"x = 1 / 0;", Err::kDivisionByZero, ""},
      {"x = 1 % 0;", Err::kDivisionByZero, ""},
      {"x = (0 - 2147483647 - 1) / (0 - 1);", Err::kArithmeticOverflow, ""},
      {"x = sys.Sleep(0);", Err::kValueRequired, ""},
      {"x = term.Get(0);", Err::kGetInvalidLength, ""},
      {"x = sys.FileExists();", Err::kArgumentMissing, ""},
      {"x = term.Wait(\"a\", 1, 5);", Err::kIncompatibleParameter, ""},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.x = 1;",
       Err::kNameTooLong, "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"},
  };
  for (const ErrorCase& c : cases) {
    const test::RunResult r = RunScript(c.script);
    ASSERT_TRUE(r.error) << c.script;
    EXPECT_EQ(r.error->code, c.code) << c.script;
    EXPECT_EQ(r.error->text, c.text) << c.script;
  }
}

TEST(ScriptLanguage, UnterminatedAndRunawayTextIsASyntaxError) {
  // An open block ends the script with an error instead of looping on the end of the text.
  EXPECT_EQ(RunScript("while (1) {\n send(1);").Code(), Err::kUnexpectedEnd);
  EXPECT_EQ(RunScript("if (1) { f(").Code(), Err::kUnexpectedEnd);
  EXPECT_EQ(RunScript("function f(a").Code(), Err::kInvalidParameterName);
  // Deep nesting from the host is refused before it can exhaust the parser's stack.
  EXPECT_EQ(RunScript("x = " + std::string(5000, '(') + "1" + std::string(5000, ')') + ";").Code(),
            Err::kNestingTooDeep);
  EXPECT_EQ(RunScript(std::string(5000, '{')).Code(), Err::kNestingTooDeep);
  std::string chain = "x = 1";
  for (int i = 0; i < 5000; ++i) chain += "+1";
  EXPECT_EQ(RunScript(chain + ";").Code(), Err::kNestingTooDeep);
}

TEST(ScriptLanguage, StringMethodsWorkOnACopy) {
  EXPECT_EQ(RunScript("s = \"  ab \"; t = s.Trim(); send(\"[\" + t + \"][\" + s + \"]\");").sent,
            "[ab][  ab ]");
  EXPECT_EQ(RunScript("s = \"abc\"; send(s.Find(\"x\", 99)); send(s.Find(\"c\", 1));"
                      " send(s.Find(\"a\", 1)); send(s.Find(\"b\", 0 - 5));")
                .sent,
            "-12-11");
  EXPECT_EQ(RunScript("s = \"Hello\"; send(s.Mid(1, 3) + s.Mid(4, 10) + s.Mid(9, 1) + \"|\" +"
                      " s.Left(2) + s.Left(99) + s.Right(3) + s.Right(0 - 1) + s.MakeUpper() +"
                      " s.MakeLower() + s.Mid(0 - 2, 2));")
                .sent,
            "ello|HeHellolloHELLOhelloHe");
}

TEST(ScriptLexer, TermShorthandAndTokens) {
  CScriptLexer lexer;
  lexer.Load("$Columns x.y 12 'a' <= {\n// c\n\"b");
  const std::pair<TokenKind, const char*> expected[] = {
      {TokenKind::kIdentifier, "term.Columns"},
      {TokenKind::kIdentifier, "x.y"},
      {TokenKind::kNumber, "12"},
      {TokenKind::kString, "a"},
      {TokenKind::kOperator, "<="},
      {TokenKind::kPunctuation, "{"},
      {TokenKind::kString, "b"},
      {TokenKind::kEnd, ""},
  };
  for (const auto& [kind, text] : expected) {
    lexer.Next();
    EXPECT_EQ(lexer.Current().kind, kind) << text;
    EXPECT_EQ(lexer.Current().text, text);
  }
  EXPECT_EQ(lexer.Line(), 3);
}

}  // namespace
}  // namespace ostrane
