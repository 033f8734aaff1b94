#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "emulator/charset_state.h"
#include "emulator/soft_font.h"
#include "platform/code_page.h"
#include "settings/settings_set.h"

namespace ostrane {
namespace {

// Fixes the system code page before the settings set reads it, and restores it afterwards.
struct CodePageScope {
  explicit CodePageScope(int codePage) { platform::SetSystemCodePage(codePage); }
  ~CodePageScope() { platform::SetSystemCodePage(0); }
};

class CharsetTest : public testing::Test {
 protected:
  // Every non-zero character the bytes produce.
  std::u16string Feed(std::string_view bytes) {
    std::u16string out;
    for (char b : bytes)
      if (char16_t ch = cs_.TranslateChar(static_cast<uint8_t>(b)); ch != 0) out += ch;
    return out;
  }

  bool Designate(std::string_view intermediates, char final) {
    CControlParams params;
    params.Clear();
    for (char c : intermediates) params.Collect(static_cast<uint8_t>(c));
    return cs_.DispatchDesignation(params, static_cast<uint8_t>(final), font_);
  }

  void UseUtf8() {
    settings_.SetInt(S::DBCS, 1);
    settings_.SetInt(S::DBCSSet, 5);
  }

  CodePageScope codePage_{1252};
  CSettingsSet settings_;
  CCharsetState cs_{settings_};
  CSoftFont font_;
};

TEST_F(CharsetTest, DefaultsShowAsciiInGlAndLatin1InGr) {
  EXPECT_EQ(Feed("Az~"), u"Az~");
  EXPECT_EQ(cs_.TranslateChar(0xE9), u'é');
  EXPECT_TRUE(cs_.GlIsIdentity());
  EXPECT_FALSE(cs_.GrTakesC1Range());
}

TEST_F(CharsetTest, DecSpecialGraphicsDesignatedAndRestored) {
  EXPECT_TRUE(Designate("(", '0'));
  EXPECT_EQ(Feed("qx_~a"), u"\u2500\u2502 \u00B7\u2592");
  EXPECT_FALSE(cs_.GlIsIdentity());
  EXPECT_TRUE(Designate("(", 'B'));
  EXPECT_EQ(Feed("q"), u"q");
  EXPECT_TRUE(cs_.GlIsIdentity());
}

TEST_F(CharsetTest, NrcDesignationChangesEverySlotHoldingAscii) {
  settings_.SetInt(S::NRC, 6);
  EXPECT_EQ(Feed("[|~"), u"Äöß");

  settings_.SetInt(S::NRC, 0);
  EXPECT_TRUE(Designate(")", 'K'));  // German into G1 while G0 keeps ASCII
  EXPECT_EQ(settings_.Int(S::NRC), 6);
  EXPECT_EQ(cs_.G(1), 0);
  EXPECT_EQ(Feed("[A"), u"ÄA");
  EXPECT_FALSE(cs_.GlIsIdentity());

  EXPECT_TRUE(Designate("+", 'B'));  // ASCII anywhere ends the replacement
  EXPECT_EQ(settings_.Int(S::NRC), 0);
  EXPECT_EQ(Feed("["), u"[");
}

TEST_F(CharsetTest, DesignationTable) {
  settings_.SetInt(S::UPSS, 5);
  struct Case {
    std::string_view intermediates;
    char final;
    int slot;
    int code;
    int nrc;  // -1: NRC unchanged from 0
  };
  const Case cases[] = {
      {"(", '0', 0, 2, -1}, {")", '<', 1, 5, -1}, {"*", '>', 2, 3, -1},  {"+%", '5', 3, 1, -1},
      {"-", 'A', 1, 4, -1}, {"(", 'A', 0, 0, 1},  {"(", '4', 0, 0, 2},   {")", '5', 1, 0, 3},
      {"(", 'R', 0, 0, 4},  {"(", '9', 0, 0, 5},  {"(", 'K', 0, 0, 6},   {"(", 'Y', 0, 0, 7},
      {"(", '6', 0, 0, 8},  {"(", '`', 0, 0, 9},  {"(%", '6', 0, 0, 10}, {"(", 'Z', 0, 0, 11},
      {"(", '7', 0, 0, 12}, {"(", '=', 0, 0, 13}, {". ", '0', 2, 2, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.intermediates) + c.final);
    cs_.Reset();
    cs_.Designate(c.slot, 3);
    settings_.SetInt(S::NRC, 0);
    EXPECT_TRUE(Designate(c.intermediates, c.final));
    EXPECT_EQ(cs_.G(c.slot), c.code);
    EXPECT_EQ(settings_.Int(S::NRC), c.nrc < 0 ? 0 : c.nrc);
  }
}

TEST_F(CharsetTest, DesignationsThatChangeNothing) {
  EXPECT_FALSE(Designate("", '0'));   // no G-selecting intermediate: a control function
  EXPECT_FALSE(Designate("#", '6'));  // line size
  EXPECT_TRUE(Designate("(", 'Q'));   // unknown final: consumed, no effect
  EXPECT_TRUE(Designate("(%", 'B'));  // "%" sets other than the two known ones
  EXPECT_TRUE(Designate("(", '\x7E'));
  EXPECT_EQ(cs_.G(0), 0);
  EXPECT_EQ(cs_.G(1), 2);
  EXPECT_EQ(settings_.Int(S::NRC), 0);

  settings_.SetInt(S::UPSS, 99);  // a corrupt setting gives DEC Supplemental
  EXPECT_TRUE(Designate("(", '<'));
  EXPECT_EQ(cs_.G(0), 1);

  cs_.Designate(4, 2);
  cs_.Designate(-1, 2);
  cs_.Designate(0, 17);
  cs_.LockGL(4);
  cs_.LockGR(-1);
  cs_.SingleShift(7);
  EXPECT_EQ(cs_.G(0), 1);
  EXPECT_EQ(cs_.GL(), 0);
  EXPECT_EQ(cs_.GR(), 2);
}

TEST_F(CharsetTest, SingleShiftAppliesToOneCharacter) {
  cs_.Designate(3, 2);
  cs_.SingleShift(2);
  EXPECT_FALSE(cs_.GlIsIdentity());
  EXPECT_EQ(Feed("AA"), u"ÁA");  // G2 = primary set = Latin-1
  cs_.SingleShift(3);
  EXPECT_EQ(Feed("qq"), u"\u2500q");

  // A GR byte leaves the shift pending, and the shifted slot takes no multibyte decoding.
  UseUtf8();
  cs_.SingleShift(2);
  EXPECT_EQ(cs_.TranslateChar(0xE9), 0);  // UTF-8 lead through GR
  EXPECT_EQ(cs_.TranslateChar(0x41), u'Á');
  EXPECT_EQ(cs_.TranslateChar(0x41), u'A');
}

TEST_F(CharsetTest, LockingShifts) {
  cs_.LockGL(1);
  EXPECT_EQ(Feed("q"), u"\u2500");
  cs_.LockGL(0);
  cs_.LockGR(1);
  EXPECT_EQ(cs_.TranslateChar(0xF1), u'\u2500');
  cs_.LockGR(3);
  EXPECT_EQ(cs_.TranslateChar(0xE9), u'é');
}

TEST_F(CharsetTest, ForceAsciiStripsTheEighthBit) {
  settings_.SetInt(S::ForceASCII, 1);
  EXPECT_EQ(cs_.TranslateChar(0xC1), u'A');
  settings_.SetInt(S::NRC, 6);
  EXPECT_EQ(cs_.TranslateChar(0xDB), u'Ä');
  UseUtf8();  // no decoder either
  EXPECT_EQ(Feed("\xE4\xB8\xAD"), u"d8-");
}

TEST_F(CharsetTest, SetTablesThroughThePrimarySet) {
  struct Case {
    int set;
    uint8_t byte;
    char16_t expected;
  };
  const Case cases[] = {
      {1, 0xD7, u'Œ'},    {1, 0xA8, u'¤'},    {1, 0xA4, u' '},      {1, 0xFD, u'ÿ'},
      {1, 0xFF, u' '},    {1, 0xE9, u'é'},    {2, 0xEA, u'\u2518'}, {3, 0xC1, u'A'},
      {4, 0xFF, u'ÿ'},    {5, 0xA1, u'Ą'},    {5, 0xFF, u'˙'},      {6, 0xA5, 0xA5},
      {6, 0xAE, 0xAE},    {6, 0xA1, u'Ħ'},    {7, 0xA2, u'ĸ'},      {8, 0xB0, u'А'},
      {8, 0xF0, u'№'},    {9, 0xA1, 0x02BD},  {9, 0xA2, 0x02BC},    {9, 0xA4, u' '},
      {9, 0xC1, u'Α'},    {9, 0xD2, u' '},    {10, 0x80, u'Ç'},     {10, 0xB3, u'│'},
      {10, 0xFF, 0x00A0}, {11, 0x80, u'А'},   {11, 0xF0, u'Ё'},     {12, 0xC1, u'а'},
      {12, 0x80, u'─'},   {13, 0xAF, 0x203E}, {13, 0xE0, u'א'},     {13, 0xFD, u' '},
      {13, 0xA1, u' '},   {14, 0xD0, u'Ğ'},   {14, 0xFD, u'ı'},     {15, 0xC7, u'ا'},
      {15, 0xA1, u' '},   {16, 0x8A, u'Š'},   {16, 0x80, 0x80},     {16, 0xD0, u'Đ'},
      {16, 0xF0, u'đ'},   {16, 0xE9, u'é'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "set " << c.set << " byte " << int{c.byte});
    settings_.SetInt(S::PrimarySet, c.set);
    EXPECT_EQ(cs_.TranslateChar(c.byte), c.expected);
  }
}

TEST_F(CharsetTest, EightBitPageInGlUsesItsUpperHalf) {
  cs_.Designate(0, 10);
  EXPECT_EQ(Feed("A"), u"\u2534");  // CP437 0xC1
  cs_.Designate(0, 5);
  EXPECT_EQ(Feed("!"), u"Ą");
}

TEST_F(CharsetTest, GrTakesC1RangeForFullPagesSoftFontAndDecoder) {
  const struct {
    int primary;
    bool expected;
  } cases[] = {{0, true},  {1, false}, {4, false}, {5, false}, {10, true},
               {11, true}, {12, true}, {16, true}, {15, false}};
  for (const auto& c : cases) {
    settings_.SetInt(S::PrimarySet, c.primary);
    EXPECT_EQ(cs_.GrTakesC1Range(), c.expected) << c.primary;
  }
  settings_.SetInt(S::PrimarySet, 4);
  settings_.SetInt(S::DBCS, 1);
  EXPECT_TRUE(cs_.GrTakesC1Range());
  cs_.LockGR(1);  // DEC Special Graphics: not multibyte even with DBCS on
  EXPECT_FALSE(cs_.GrTakesC1Range());
  cs_.Designate(1, kSoftFontSet);
  EXPECT_TRUE(cs_.GrTakesC1Range());
  settings_.SetInt(S::PrimarySet, 10);
  cs_.LockGR(2);
  settings_.SetInt(S::DBCS, 0);
  EXPECT_EQ(cs_.TranslateChar(0x9B), kCharsets[10].table[0x1B]);
}

TEST_F(CharsetTest, Utf8Decoding) {
  UseUtf8();
  EXPECT_EQ(Feed("\xE4\xB8\xAD"), u"\u4E2D");
  EXPECT_EQ(Feed("\xC3\xA9\xC2\x85"), u"é\u0085");
  // A character beyond U+FFFF is one replacement in one cell.
  EXPECT_EQ(Feed("\xF0\x9F\x98\x80"
                 "A"),
            u"\uFFFDA");
  // Surrogates, overlong forms and bytes that never occur in UTF-8 become replacements.
  EXPECT_EQ(Feed("\xED\xA0\x80"), u"\uFFFD");
  EXPECT_EQ(Feed("\xC0\xAF\xC1\x9B\xE0\x80\x80"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(Feed("\xFF\xF8"), u"\uFFFD\uFFFD");
  // Stray continuation bytes are dropped; ASCII and new leads end an unfinished sequence.
  EXPECT_EQ(Feed("\x80\xBF"), u"");
  EXPECT_EQ(Feed("\xE4"
                 "A\xB8"),
            u"A");
  EXPECT_EQ(Feed("\xE4\xB8\xC3\xA9"), u"é");
  EXPECT_EQ(Feed("\xF0\x9F\xE4\xB8\xAD"), u"\u4E2D");
}

TEST_F(CharsetTest, Utf8DecoderNeverEmitsSurrogatesOrControls) {
  UseUtf8();
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0x20, 0xFF);
  for (int i = 0; i < 200000; ++i) {
    const auto b = static_cast<uint8_t>(byte(random));
    const char16_t ch = cs_.TranslateChar(b);
    ASSERT_FALSE(ch >= 0xD800 && ch <= 0xDFFF) << i;
    if (b >= 0x80) {
      ASSERT_TRUE(ch == 0 || ch >= 0x80) << i;
    }
  }
}

TEST_F(CharsetTest, DoubleByteCodePages) {
  settings_.SetInt(S::DBCS, 1);
  const struct {
    int dbcsSet;
    std::string_view bytes;
    std::u16string_view expected;
  } cases[] = {
      {1, "\xD6\xD0", u"\u4E2D"},
      {1, "\x81\x40", u"\u4E02"},  // ASCII trail byte
      {2, "\xA4\xA4", u"\u4E2D"},
      {3, "\x92\x86", u"\u4E2D"},
      {4, "\xC7\xD1", u"\uD55C"},
      {3,
       "\xA1"
       "A",
       u"\u00A1A"},  // not a lead in 932
      {1,
       "\x81\x7F"
       "B",
       u"B"},  // a pair that does not convert gives nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dbcsSet);
    settings_.SetInt(S::DBCSSet, c.dbcsSet);
    EXPECT_EQ(Feed(c.bytes), c.expected);
  }
  settings_.SetInt(S::DBCSSet, 1);
  EXPECT_EQ(cs_.TranslateChar(0xD6), 0);
  EXPECT_FALSE(cs_.GlIsIdentity());  // the next ASCII byte is a trail byte
  EXPECT_EQ(cs_.TranslateChar(0xD0), u'\u4E2D');
  EXPECT_TRUE(cs_.GlIsIdentity());
}

TEST_F(CharsetTest, SystemCodePageDecoder) {
  CodePageScope scope(936);
  settings_.SetInt(S::DBCS, 1);
  settings_.SetInt(S::DBCSSet, 0);
  EXPECT_EQ(Feed("\xD6\xD0"), u"\u4E2D");
}

// The fast path must agree with TranslateChar in every state it claims.
TEST_F(CharsetTest, GlIsIdentityMatchesTranslateChar) {
  int identityStates = 0;
  for (int code = -1; code < kCharsetCount; ++code)
    for (int nrc : {0, 6})
      for (int dbcs : {0, 1})
        for (int dbcsSet : {1, 5})
          for (int primary : {0, 4})
            for (uint8_t pending : {0x00, 0xD6, 0xE4}) {
              cs_.Reset();
              settings_.SetInt(S::NRC, nrc);
              settings_.SetInt(S::DBCS, dbcs);
              settings_.SetInt(S::DBCSSet, dbcsSet);
              settings_.SetInt(S::PrimarySet, primary);
              cs_.Designate(0, code);
              if (pending != 0) cs_.TranslateChar(pending);
              if (!cs_.GlIsIdentity()) continue;
              ++identityStates;
              for (int b = 0x20; b <= 0x7E; ++b) {
                CCharsetState probe = cs_;
                ASSERT_EQ(static_cast<int>(probe.TranslateChar(static_cast<uint8_t>(b))), b)
                    << "code " << code << " nrc " << nrc << " dbcs " << dbcs << " set " << dbcsSet
                    << " pending " << int{pending};
              }
            }
  EXPECT_GT(identityStates, 0);
}

TEST_F(CharsetTest, SavedCopyHasNoDecoderBytes) {
  UseUtf8();
  cs_.Designate(1, 3);
  cs_.Designate(3, 2);
  cs_.LockGL(1);
  cs_.SingleShift(3);
  EXPECT_EQ(Feed("\xE4\xB8"), u"");  // GR bytes: the shift stays pending
  CCharsetState saved = cs_.SavedCopy();
  EXPECT_EQ(saved.TranslateChar(0xAD), 0);
  EXPECT_EQ(cs_.TranslateChar(0xAD), u'\u4E2D');  // the live decoder is untouched

  cs_.Reset();
  EXPECT_EQ(cs_.TranslateChar(0xE4), 0);
  cs_.RestoreFrom(saved);
  EXPECT_EQ(cs_.G(1), 3);
  EXPECT_EQ(cs_.GL(), 1);
  EXPECT_EQ(cs_.TranslateChar(0xB8), 0);  // no lead survives the restore
  EXPECT_EQ(Feed("qq"), u"\u2500q");      // the single shift does
  cs_.Reset();
  EXPECT_EQ(cs_.G(3), 1);
  EXPECT_EQ(cs_.GL(), 0);
  EXPECT_EQ(cs_.GR(), 2);
}

TEST_F(CharsetTest, EncodeCharRoundTripsEveryKeySet) {
  for (int set = 1; set < kCharsetCount; ++set) {
    if (!kCharsets[set].encodesKeys) continue;
    settings_.SetInt(S::PrimarySet, set);
    for (int b = 0x80; b <= 0xFF; ++b) {
      if (b < 0xA0 && !cs_.GrTakesC1Range()) continue;
      const char16_t ch = cs_.TranslateChar(static_cast<uint8_t>(b));
      const std::string bytes = cs_.EncodeChar(ch);
      ASSERT_EQ(bytes.size(), 1u) << "set " << set << " byte " << b;
      // Placeholders (space) encode to another byte showing the same character.
      const auto sent = static_cast<uint8_t>(bytes[0]);
      EXPECT_EQ(sent >= 0x80 ? cs_.TranslateChar(sent) : ch, ch) << "set " << set << " " << b;
    }
  }
}

TEST_F(CharsetTest, EncodeCharWithNrcAndInGl) {
  for (int nrc = 1; nrc < kNrcCount; ++nrc) {
    settings_.SetInt(S::NRC, nrc);
    for (char16_t ch : kNrcSets[nrc].chars) {
      const std::string bytes = cs_.EncodeChar(ch);
      ASSERT_EQ(bytes.size(), 1u);
      EXPECT_EQ(cs_.TranslateChar(static_cast<uint8_t>(bytes[0])), ch) << kNrcSets[nrc].name;
    }
  }
  settings_.SetInt(S::NRC, 0);

  cs_.Designate(0, 5);  // Latin-2 in GL
  EXPECT_EQ(cs_.EncodeChar(u'Ą'), "!");
  cs_.Designate(0, 10);  // CP437 in GL: its positions below 0x20 would be C0 controls
  EXPECT_EQ(cs_.EncodeChar(u'┴'), "A");
  EXPECT_EQ(cs_.EncodeChar(u'ƒ'), "");
  cs_.Designate(0, 2);  // DEC graphics cannot encode: GL counts as ASCII
  EXPECT_EQ(cs_.EncodeChar(u'q'), "q");
  cs_.Designate(0, kSoftFontSet);
  EXPECT_EQ(cs_.EncodeChar(u'q'), "q");
}

TEST_F(CharsetTest, EncodeCharGrFallsBackToUpss) {
  cs_.LockGR(1);  // DEC Special Graphics cannot encode keys
  settings_.SetInt(S::UPSS, 5);
  EXPECT_EQ(cs_.EncodeChar(u'Ą'), "\xA1");
  settings_.SetInt(S::UPSS, 1);  // through the primary set
  settings_.SetInt(S::PrimarySet, 1);
  EXPECT_EQ(cs_.EncodeChar(u'Œ'), "\xD7");
}

TEST_F(CharsetTest, EncodeCharControlsAndSystemCodePage) {
  EXPECT_EQ(cs_.EncodeChar(u'\x01'), "\x01");
  EXPECT_EQ(cs_.EncodeChar(u'\u0085'), "\x85");
  EXPECT_EQ(cs_.EncodeChar(u'€'), "");  // one byte in CP1252: not sent
  EXPECT_EQ(cs_.EncodeChar(u'\u4E2D'), "");
  {
    CodePageScope scope(936);
    EXPECT_EQ(cs_.EncodeChar(u'\u4E2D'), "\xD6\xD0");
  }
  {
    CodePageScope scope(platform::kCodePageUtf8);
    EXPECT_EQ(cs_.EncodeChar(u'\u4E2D'), "\xE4\xB8\xAD");
    EXPECT_EQ(cs_.EncodeChar(u'€'), "\xE2\x82\xAC");
    EXPECT_EQ(cs_.EncodeChar(u'\xD800'), "");
  }
}

TEST_F(CharsetTest, EncodeCharForAMultibyteHost) {
  UseUtf8();
  EXPECT_EQ(cs_.EncodeChar(u'A'), "A");
  EXPECT_EQ(cs_.EncodeChar(u'é'), "\xC3\xA9");
  EXPECT_EQ(cs_.EncodeChar(u'\u4E2D'), "\xE4\xB8\xAD");
  settings_.SetInt(S::DBCSSet, 1);
  EXPECT_EQ(cs_.EncodeChar(u'\u4E2D'), "\xD6\xD0");
  EXPECT_EQ(Feed(cs_.EncodeChar(u'\u4E2D')), u"\u4E2D");
  EXPECT_EQ(Feed(cs_.EncodeChar(u'é')), u"é");
  // With a single-byte system page the decoder shows each byte's own code, so GR bytes go out.
  settings_.SetInt(S::DBCSSet, 0);
  EXPECT_EQ(cs_.EncodeChar(u'é'), "\xE9");
  EXPECT_EQ(Feed("\xE9"), u"é");
}

TEST_F(CharsetTest, SoftFontDesignationAndTranslation) {
  CControlParams params;
  params.Clear();
  for (char c : std::string_view("0;1;1;0;0;0;0;0")) params.Collect(static_cast<uint8_t>(c));
  font_.Load(params, " @~~~");
  EXPECT_TRUE(Designate("(", '@'));  // the designator's SP is missing: no match
  EXPECT_EQ(cs_.G(0), 0);
  EXPECT_TRUE(Designate("( ", '@'));
  EXPECT_EQ(cs_.G(0), kSoftFontSet);
  EXPECT_EQ(cs_.TranslateChar('!'), 0xEF21);
  EXPECT_EQ(cs_.TranslateChar(0x7F), 0x7F);
  EXPECT_TRUE(font_.Glyph(cs_.TranslateChar('!') - 0xEF00).has_value());
  EXPECT_EQ(cs_.EncodeChar(u'!'), "!");
}

}  // namespace
}  // namespace ostrane
