// Arbitrary bytes through the parser alone, with a sink that checks what every call may carry:
// runs of graphic bytes only, controls the parser does not keep for itself, finals and
// parameters within their ranges, device-control data within its limit and only after an
// accepting hook. The same bytes fed in chunks must give the same calls.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "emulator/vt_parser.h"

namespace {

using ostrane::CControlParams;
using ostrane::VtId;

void Check(bool condition) {
  if (!condition) std::abort();
}

class CCheckingSink : public ostrane::IVtParserSink {
 public:
  CCheckingSink(bool c1Graphic, bool acceptDcs) : c1Graphic_(c1Graphic), acceptDcs_(acceptDcs) {}

  void Print(const uint8_t* bytes, size_t length, bool ascii) override {
    Check(length > 0);
    for (size_t i = 0; i < length; ++i) {
      const uint8_t b = bytes[i];
      Check(b >= 0x20 && (c1Graphic_ || b < 0x7F || b >= 0xA0));
      Check(!ascii || b < 0x7F);
    }
    // A chunk boundary may split a run: adjacent prints merge into one entry.
    if (!printing_) log_.push_back('P');
    printing_ = true;
    log_.append(reinterpret_cast<const char*>(bytes), length);
  }
  bool GraphicC1() override { return c1Graphic_; }
  void Execute(uint8_t code) override {
    Check(code < 0x20 || (code >= 0x7F && code < 0xA0));
    // ESC, SUB and the 8-bit introducers and terminator never leave the parser; CAN does.
    Check(code != 0x1A && code != 0x1B && code != 0x90 && code != 0x9B && code != 0x9C);
    Add('X', code);
  }
  void EscDispatch(VtId id, const CControlParams& p) override {
    const uint8_t f = id.Final();
    Check((f >= 0x30 && f <= 0x7E) || f >= 0xA0);
    Check(f != '[' || id.HasPrefix());
    CheckParams(p);
    Add('E', id, p);
  }
  void CsiDispatch(VtId id, const CControlParams& p) override {
    Check(id.Final() >= 0x40 && id.Final() <= 0x7E);
    CheckParams(p);
    Add('C', id, p);
  }
  bool DcsHook(VtId id, const CControlParams& p) override {
    Check(id.Final() >= 0x40 && id.Final() <= 0x7E);
    CheckParams(p);
    hooked_ = true;
    Add('H', id, p);
    return acceptDcs_;
  }
  void DcsUnhook(VtId id, const CControlParams& p, std::string_view data) override {
    Check(acceptDcs_ && hooked_);
    Check(data.size() <= ostrane::kMaxDeviceControlString);
    hooked_ = false;
    Add('U', id, p);
    log_.append(data);
  }
  const std::string& Log() const { return log_; }

 private:
  static void CheckParams(const CControlParams& p) {
    Check(p.Count() >= 0 && p.Count() <= ostrane::kMaxParams);
    Check(p.IntermediateCount() <= ostrane::kMaxIntermediates);
    for (int i = 0; i < p.Count(); ++i) Check(p.Param(i, 0) >= 0);
  }
  void Add(char kind, uint8_t code) {
    printing_ = false;
    log_.push_back(kind);
    log_.push_back(static_cast<char>(code));
  }
  void Add(char kind, VtId id, const CControlParams& p) {
    printing_ = false;
    log_.push_back(kind);
    log_.append(std::to_string(id.Value()));
    for (int i = 0; i < p.Count(); ++i) log_ += ';' + std::to_string(p.Param(i, -1));
  }

  bool c1Graphic_;
  bool acceptDcs_;
  bool hooked_ = false;
  bool printing_ = false;
  std::string log_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool c1Graphic = data[0] & 1;
  const bool acceptDcs = data[0] & 2;
  const size_t chunk = 1 + (data[0] >> 2);
  ++data;
  --size;

  CCheckingSink whole(c1Graphic, acceptDcs);
  ostrane::CVtParser wholeParser(whole);
  Check(wholeParser.Feed(data, size) == size);

  CCheckingSink pieces(c1Graphic, acceptDcs);
  ostrane::CVtParser piecesParser(pieces);
  for (size_t offset = 0; offset < size; offset += chunk) {
    const size_t n = std::min(chunk, size - offset);
    Check(piecesParser.Feed(data + offset, n) == n);
  }
  Check(wholeParser.State() == piecesParser.State());
  Check(whole.Log() == pieces.Log());
  return 0;
}
