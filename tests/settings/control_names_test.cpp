#include "settings/control_names.h"

#include <gtest/gtest.h>

#include <string>

namespace ostrane {
namespace {

TEST(ControlNames, EveryControlByteHasANameThatReadsBackToIt) {
  int named = 0;
  for (int code = 0; code < 256; ++code) {
    const char* name = ControlName(static_cast<uint8_t>(code));
    const bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F);
    ASSERT_EQ(control, name != nullptr) << code;
    if (!name) continue;
    ++named;
    EXPECT_EQ(code, ControlCodeFromName(name)) << name;
  }
  EXPECT_EQ(65, named);
}

TEST(ControlNames, DecNamesStandInForTheIsoOnes) {
  EXPECT_STREQ("DLO", ControlName(0x10));
  EXPECT_STREQ("CRH", ControlName(0x94));
  EXPECT_EQ(-1, ControlCodeFromName("DLE"));
  EXPECT_EQ(-1, ControlCodeFromName("CCH"));
}

TEST(ControlNames, SampleNamesAcrossTheTable) {
  EXPECT_STREQ("NUL", ControlName(0x00));
  EXPECT_STREQ("ESC", ControlName(0x1B));
  EXPECT_STREQ("US", ControlName(0x1F));
  EXPECT_STREQ("DEL", ControlName(0x7F));
  EXPECT_STREQ("80", ControlName(0x80));
  EXPECT_STREQ("IND", ControlName(0x84));
  EXPECT_STREQ("9A", ControlName(0x9A));
  EXPECT_STREQ("CSI", ControlName(0x9B));
  EXPECT_STREQ("APC", ControlName(0x9F));
}

TEST(ControlNames, LookupIsExactAndCaseSensitive) {
  EXPECT_EQ(0x1B, ControlCodeFromName("ESC"));
  EXPECT_EQ(-1, ControlCodeFromName("esc"));
  EXPECT_EQ(-1, ControlCodeFromName("ES"));
  EXPECT_EQ(-1, ControlCodeFromName("ESCX"));
  EXPECT_EQ(-1, ControlCodeFromName(""));
  EXPECT_EQ(-1, ControlCodeFromName(std::string("ESC\0", 4)));
}

}  // namespace
}  // namespace ostrane
