// CCharsetState: G0-G3 designation and invocation, received-byte translation and typed-character
// encoding.
#pragma once

#include <cstdint>
#include <string>

#include "emulator/control_params.h"
#include "settings/settings_set.h"
#include "settings/settings_table.h"

namespace ostrane {

class CSoftFont;

inline constexpr int kSoftFontSet = -1;  // G-slot value for the soft font
inline constexpr int kCharsetCount = 17;

struct CharsetInfo {
  const char* name;
  bool encodesKeys;
  int first;              // first position the table covers: 0 or 32
  const char16_t* table;  // positions first..127 of the set's half; nullptr = no table
};
extern const CharsetInfo kCharsets[kCharsetCount];

inline constexpr int kNrcCount = 15;
struct NrcInfo {
  const char* name;
  char16_t chars[12];  // for 0x23 0x40 0x5B 0x5C 0x5D 0x5E 0x5F 0x60 0x7B 0x7C 0x7D 0x7E
};
extern const NrcInfo kNrcSets[kNrcCount];

class CCharsetState {
 public:
  explicit CCharsetState(CSettingsSet& settings);

  void Reset();  // initial state: G0 ASCII, G1 DEC Special Graphics, G2 = G3 = 1, GL G0, GR G2

  // DECSC/DECRC: a copy without the decoder bytes.
  CCharsetState SavedCopy() const;
  void RestoreFrom(const CCharsetState& saved);

  void Designate(int gIndex, int code);
  void DesignateNrc(int gIndex, int nrc);
  // Escape final with its intermediates; true when it was a designation (it had a G-selecting
  // intermediate), whether or not the final was recognised.
  bool DispatchDesignation(const CControlParams& params, uint8_t final, const CSoftFont& font);
  void LockGL(int n);
  void LockGR(int n);
  void SingleShift(int n);  // 2 or 3

  // One received graphic byte to a cell character; 0 = nothing to print yet.
  char16_t TranslateChar(uint8_t byte);
  // One typed character to the bytes for the host (0, 1 or 2 bytes).
  std::string EncodeChar(char16_t ch) const;

  // True when GR makes 0x7F-0x9F graphic: a full 8-bit code page, the soft font, or a
  // multibyte decoder.
  bool GrTakesC1Range() const;
  // True when a byte 0x20-0x7E with no single shift pending translates to itself (the fast path).
  // Asked for every run of text, so the commonest case (ASCII in GL) is answered here.
  bool GlIsIdentity() const {
    if (!singleShift_ && g_[gl_] == 0) {
      // Multibyte decoding passes ASCII unless a sequence is pending; a national set replaces
      // some of it.
      if (settings_->Int(S::DBCS) != 0) return lead_ == 0;
      if (settings_->Int(S::NRC) == 0) return true;
    }
    return GlPassesAscii();
  }
  // True when bytes 0x80 and above go straight to an empty UTF-8 decoder, so a complete, valid
  // sequence may be decoded in one step by the caller (the emulator's fast path).
  bool Utf8Ready() const;

  int G(int i) const { return g_[i]; }
  int GL() const { return gl_; }
  int GR() const { return gr_; }

 private:
  bool GlPassesAscii() const;
  int Effective(int code) const;
  int GlSet() const;
  int GrSet() const;
  int Nrc() const;
  bool Dbcs() const;
  int DecoderCodePage() const;
  char16_t Lookup(int set, int index, uint8_t byte);
  char16_t Decode(uint8_t byte);
  char16_t DecodeUtf8(uint8_t byte);
  void ClearDecoder();

  CSettingsSet* settings_;
  int g_[4] = {0, 2, 1, 1};
  int gl_ = 0;
  int gr_ = 2;
  bool singleShift_ = false;
  int shiftSlot_ = 0;
  uint8_t lead_ = 0;    // multibyte decoder: pending lead byte, 0 = none
  uint8_t second_ = 0;  // pending second byte of a three-byte UTF-8 sequence
  uint8_t seen_ = 0;    // continuation bytes received after a four-byte UTF-8 lead
};

}  // namespace ostrane
