#include "transport/hayes_responses.h"

#include <gtest/gtest.h>

#include <string>

namespace ostrane {
namespace {

std::optional<CHayesResponseReader::Found> Feed(CHayesResponseReader& r, const std::string& s) {
  return r.Feed(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

TEST(HayesResponses, ResultsAreFoundAcrossReadsAndEchoesAreSkipped) {
  CHayesResponseReader r;
  EXPECT_FALSE(Feed(r, "ATDT5551000\r\r\nCONN"));
  const auto found = Feed(r, "ECT 9600/ARQ\r\nlogin: ");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->result, HayesResult::kConnect);
  // The host's first bytes follow the result line (its LF is the caller's to drop).
  EXPECT_EQ(found->consumed, std::string("ECT 9600/ARQ\r").size());
}

TEST(HayesResponses, VerboseAndNumericWordsAreClassified) {
  EXPECT_EQ(ClassifyHayesLine("BUSY"), HayesResult::kBusy);
  EXPECT_EQ(ClassifyHayesLine("NO DIALTONE"), HayesResult::kNoDialtone);
  EXPECT_EQ(ClassifyHayesLine("RINGING"), HayesResult::kRinging);
  EXPECT_EQ(ClassifyHayesLine("7"), HayesResult::kBusy);
  EXPECT_EQ(ClassifyHayesLine("3"), HayesResult::kNoCarrier);
  EXPECT_EQ(ClassifyHayesLine("12"), HayesResult::kConnect);
  EXPECT_FALSE(ClassifyHayesLine("ATDT555"));
  EXPECT_FALSE(ClassifyHayesLine("BUSYBODY"));
  EXPECT_FALSE(ClassifyHayesLine("12345"));
}

TEST(HayesResponses, ALongLineIsCutAndCannotHideAResult) {
  CHayesResponseReader r;
  EXPECT_FALSE(Feed(r, std::string(100000, 'x') + "BUSY\r"));
  EXPECT_EQ(Feed(r, "BUSY\r")->result, HayesResult::kBusy);
}

TEST(HayesResponses, DialStringsKeepOnlyDialCharacters) {
  EXPECT_EQ(CleanDialString("(555) 123-45.67"), "5551234567");
  EXPECT_EQ(CleanDialString("9,w555*#"), "9,W555*#");
  EXPECT_FALSE(CleanDialString("555;ATH1"));
  EXPECT_FALSE(CleanDialString("555\rATZ"));
  EXPECT_FALSE(CleanDialString(" - "));
  EXPECT_FALSE(CleanDialString(std::string(kMaxDialString + 1, '5')));
}

TEST(HayesResponses, NoCarrierIsSeenOnlyAsALineOfItsOwn) {
  CCarrierLossWatch w;
  const std::string quoted = "say NO CARRIER\r\n";
  EXPECT_FALSE(w.Feed(reinterpret_cast<const uint8_t*>(quoted.data()), quoted.size()));
  const std::string a = "\r\n\nNO CAR", b = "RIER\r\n";
  EXPECT_FALSE(w.Feed(reinterpret_cast<const uint8_t*>(a.data()), a.size()));
  EXPECT_TRUE(w.Feed(reinterpret_cast<const uint8_t*>(b.data()), b.size()));
}

}  // namespace
}  // namespace ostrane
