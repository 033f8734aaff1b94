// Arbitrary bytes with arbitrary settings through the terminal object: nothing the host sends
// may crash it, hang it or touch memory outside its buffers.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "emulator/vt420_emulator.h"
#include "platform/code_page.h"

namespace {

class CSinkEvents : public ostrane::ITerminalEvents {
 public:
  void SendToHost(const uint8_t*, size_t length) override { sent += length; }
  bool AutoPrintOn() override { return true; }
  bool PrinterControllerOn() override { return true; }
  size_t sent = 0;
};

// Settings the first bytes choose: the ones that change how bytes are read or laid out.
struct FuzzSetting {
  int position;
  int values[4];
};
constexpr FuzzSetting kFuzzSettings[] = {
    {ostrane::S::Columns, {80, 132, 80, 132}}, {ostrane::S::Lines, {24, 25, 36, 144}},
    {ostrane::S::Pages, {6, 5, 1, 2}},         {ostrane::S::SaveLines, {0, 3, 800, 50}},
    {ostrane::S::AutoWrap, {0, 1, 0, 1}},      {ostrane::S::DBCS, {0, 1, 1, 1}},
    {ostrane::S::DBCSSet, {5, 1, 3, 0}},       {ostrane::S::Interpret, {1, 1, 1, 0}},
    {ostrane::S::AutoRecv, {1, 0, 1, 0}},      {ostrane::S::NRC, {0, 6, 13, 14}},
    {ostrane::S::PrimarySet, {4, 10, 16, 9}},  {ostrane::S::ForceASCII, {0, 0, 0, 1}},
    {ostrane::S::StatusLine, {0, 1, 0, 1}},    {ostrane::S::SaveAll, {0, 1, 0, 1}},
    {ostrane::S::NewLine, {2, 0, 1, 2}},       {ostrane::S::LFForCR, {0, 1, 0, 0}},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static const int kCodePages[] = {1252, 65001, 932, 936};
  ostrane::platform::SetSystemCodePage(kCodePages[data[0] & 3]);
  ostrane::CVT420Emulator terminal;
  CSinkEvents events;
  terminal.SetEvents(&events);
  const uint16_t choice = static_cast<uint16_t>(data[1] | data[2] << 8);
  for (size_t i = 0; i < std::size(kFuzzSettings); ++i) {
    const int pick = (choice >> i) & 1 ? ((data[0] >> 2) + i) & 3 : 0;
    terminal.Settings().SetInt(kFuzzSettings[i].position, kFuzzSettings[i].values[pick]);
  }
  terminal.Reset();
  data += 3;
  size -= 3;
  // Feed in two chunk sizes, so the bulk printing path and the byte path both run.
  const size_t chunk = 1 + (size % 61);
  for (size_t offset = 0; offset < size; offset += chunk)
    terminal.ReceiveBytes(data + offset, std::min(chunk, size - offset));
  terminal.SoftReset();
  return 0;
}
