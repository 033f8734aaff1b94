// Arbitrary bytes with arbitrary settings through two terminal objects: one gets the bytes in
// one chunk, the other in chunks whose sizes the input chooses. Nothing the host sends may crash
// either, hang it or touch memory outside its buffers, and both must end with the same screen,
// cursor, settings, parser state and everything said to the session.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "emulator/vt420_emulator.h"
#include "platform/code_page.h"
#include "session/screen_json.h"

namespace {

class CRecordingEvents : public ostrane::ITerminalEvents {
 public:
  void SendToHost(const uint8_t* data, size_t length) override {
    log.append(reinterpret_cast<const char*>(data), length);
  }
  void Bell() override { log += "[bell]"; }
  void StartZModemReceive() override { log += "[zmodem]"; }
  void RunHostScript(std::string_view text, bool isFile) override {
    log += isFile ? "[file:" : "[text:";
    log += text;
    log += ']';
  }
  bool AutoPrintOn() override { return true; }
  void AutoPrintLine(int row) override { log += "[line " + std::to_string(row) + "]"; }
  bool PrinterControllerOn() override { return true; }
  void PrinterControllerByte(uint8_t byte) override { log += static_cast<char>(byte); }
  void PrinterControllerOff() override { log += "[pc off]"; }
  void HostTitleChanged(std::string_view title) override {
    log += "[title:";
    log += title;
    log += ']';
  }
  std::string log;
};

// The top bit of the first byte chooses the xterm type, whose strings, renditions and alternate
// screen take paths of their own.
constexpr uint8_t kXtermBit = 0x80;

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
constexpr size_t kHeader = 4;

struct Terminal {
  ostrane::CVT420Emulator emulator;
  CRecordingEvents events;
  std::string Snapshot() const {
    ostrane::ScreenJsonOptions options;
    options.attributes = true;
    return ostrane::ScreenToJson(emulator, events.log, options) + " state " +
           std::to_string(static_cast<int>(emulator.State()));
  }
};

void Configure(Terminal& t, const uint8_t* header) {
  t.emulator.SetEvents(&t.events);
  const uint16_t choice = static_cast<uint16_t>(header[1] | header[2] << 8);
  for (size_t i = 0; i < std::size(kFuzzSettings); ++i) {
    const int pick = (choice >> i) & 1 ? ((header[0] >> 2) + i) & 3 : 0;
    t.emulator.Settings().SetInt(kFuzzSettings[i].position, kFuzzSettings[i].values[pick]);
  }
  if (header[0] & kXtermBit)
    t.emulator.Settings().SetInt(ostrane::S::TermID, ostrane::kXtermTermId);
  t.emulator.Reset();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeader) return 0;
  static const int kCodePages[] = {1252, 65001, 932, 936};
  ostrane::platform::SetSystemCodePage(kCodePages[data[0] & 3]);
  Terminal whole, chunked;
  Configure(whole, data);
  Configure(chunked, data);
  uint32_t random = data[3] * 2654435761u + 1;  // chunk sizes 1-64 from the fourth byte
  const uint8_t* bytes = data + kHeader;
  size -= kHeader;

  whole.emulator.ReceiveBytes(bytes, size);
  for (size_t offset = 0; offset < size;) {
    random = random * 1103515245u + 12345u;
    const size_t chunk = std::min<size_t>(1 + (random >> 16) % 64, size - offset);
    chunked.emulator.ReceiveBytes(bytes + offset, chunk);
    offset += chunk;
  }
  if (whole.Snapshot() != chunked.Snapshot()) std::abort();

  whole.emulator.SoftReset();
  return 0;
}
