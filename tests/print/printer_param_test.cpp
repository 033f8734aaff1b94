#include "print/printer_param.h"

#include <gtest/gtest.h>

#include "print/print_devices.h"
#include "settings/settings_table.h"

namespace ostrane {
namespace {

TEST(PrinterParamTest, OnlyAValidRecordOfOurOwnIsRead) {
  PrinterOptions options;
  options.landscape = true;
  options.copies = 12;
  options.duplex = 2;
  options.paperSize = 0;
  std::vector<uint8_t> block = EncodePrinterOptions(options, 148);
  ASSERT_EQ(block.size(), 148u);
  const auto read = DecodePrinterOptions(block.data(), block.size());
  ASSERT_TRUE(read);
  EXPECT_TRUE(read->landscape);
  EXPECT_EQ(read->copies, 12);
  EXPECT_EQ(read->duplex, 2);
  EXPECT_EQ(read->paperSize, 0);

  // Another program's device record, a short block, and fields out of range are not ours.
  std::vector<uint8_t> foreign(148, 0xFF);
  EXPECT_FALSE(DecodePrinterOptions(foreign.data(), foreign.size()));
  EXPECT_FALSE(DecodePrinterOptions(block.data(), 9));
  EXPECT_FALSE(DecodePrinterOptions(nullptr, 148));
  for (const auto& [at, value] :
       std::vector<std::pair<size_t, uint8_t>>{{4, 2}, {5, 0}, {6, 0xFF}, {7, 3}, {9, 0xFF}}) {
    std::vector<uint8_t> bad = block;
    bad[at] = value;
    if (at == 5) bad[6] = 0;  // no copies
    EXPECT_FALSE(DecodePrinterOptions(bad.data(), bad.size())) << at;
  }
}

TEST(PrinterParamTest, SettingsGiveOptionsOnlyForAChosenPrinterWithAValidRecord) {
  CSettingsSet settings;
  PrinterOptions options;
  options.copies = 2;
  const std::vector<uint8_t> block = EncodePrinterOptions(options, 148);
  settings.StorePrinterChoice(false, "CUPS", "queue", block.data(), block.size());
  EXPECT_EQ(PrintSetupFrom(settings, "t").printer.options->copies, 2);
  const std::vector<uint8_t> foreign(148, 0x41);
  settings.StorePrinterChoice(false, "CUPS", "queue", foreign.data(), foreign.size());
  EXPECT_FALSE(PrintSetupFrom(settings, "t").printer.options);
  settings.StorePrinterChoice(true, "", "", nullptr, 0);
  EXPECT_FALSE(PrintSetupFrom(settings, "t").printer.options);
  EXPECT_TRUE(PrintSetupFrom(settings, "t").printer.useDefault);
}

}  // namespace
}  // namespace ostrane
