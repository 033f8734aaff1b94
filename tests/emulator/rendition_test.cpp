// Renditions applied from remembered effects give the same attribute word as the parameters
// interpreted afresh: the same random renditions fed whole (remembered after the first time)
// and byte by byte (always interpreted) must agree after every sequence.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "emulator/vt420_emulator.h"

namespace ostrane {
namespace {

void Feed(CVT420Emulator& terminal, const std::string& bytes, bool byteByByte) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  if (!byteByByte) {
    terminal.ReceiveBytes(data, bytes.size());
    return;
  }
  for (size_t i = 0; i < bytes.size(); ++i) terminal.ReceiveBytes(data + i, 1);
}

std::string RandomRendition(std::mt19937& random) {
  static constexpr int kValues[] = {0,  1,  4,  5,  7,  22, 24, 25, 27, 30, 31, 33,
                                    37, 39, 40, 42, 46, 47, 49, 2,  8,  38, 90, 107};
  std::string s = "\x1b[";
  const int count = static_cast<int>(random() % 4);
  for (int i = 0; i < count; ++i) {
    if (i > 0) s += ';';
    if (random() % 8 != 0) s += std::to_string(kValues[random() % std::size(kValues)]);
  }
  return s + "mx";
}

TEST(Rendition, RememberedEffectsMatchFreshInterpretation) {
  std::mt19937 random(7);
  CVT420Emulator remembered;
  CVT420Emulator fresh;
  for (int i = 0; i < 3000; ++i) {
    // Padding keeps the sequence whole in the chunk with room for the parser to look ahead.
    // Character protection shares the attribute word and survives SGR 0.
    std::string sequence = random() % 16 == 0 ? (random() % 2 ? "\x1b[1\"q" : "\x1b[0\"q") : "";
    sequence += RandomRendition(random) + "........";
    Feed(remembered, sequence, false);
    Feed(fresh, sequence, true);
    ASSERT_EQ(remembered.CurrentAttribute(), fresh.CurrentAttribute()) << "after " << sequence;
  }
}

}  // namespace
}  // namespace ostrane
