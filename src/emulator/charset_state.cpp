#include "emulator/charset_state.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "emulator/soft_font.h"
#include "platform/code_page.h"
#include "settings/settings_set.h"

namespace ostrane {
namespace {

// Effective-set value for the multibyte decoder; never stored in a G slot.
constexpr int kMultibyte = -2;
constexpr char16_t kReplacement = 0xFFFD;

constexpr uint8_t kNrcPositions[12] = {0x23, 0x40, 0x5B, 0x5C, 0x5D, 0x5E,
                                       0x5F, 0x60, 0x7B, 0x7C, 0x7D, 0x7E};

// Intermediates that select the G slot of a designation.
struct GSelector {
  char intermediate;
  int slot;
  bool set96;
};
constexpr GSelector kGSelectors[] = {
    {'(', 0, false}, {')', 1, false}, {'*', 2, false}, {'+', 3, false},
    {'-', 1, true},  {'.', 2, true},  {'/', 3, true},
};

enum class DesignationAction { kSet, kUpss, kNrc };
struct DesignationRule {
  uint8_t final;
  bool percent;  // needs the "%" intermediate; rows without it need its absence
  bool only96;   // only in a 96-character slot
  DesignationAction action;
  int value;
};
// The first matching row wins, so the 96-set row for "A" comes before the NRC row.
constexpr DesignationRule kDesignations[] = {
    {'B', false, false, DesignationAction::kSet, 0},
    {'0', false, false, DesignationAction::kSet, 2},
    {'<', false, false, DesignationAction::kUpss, 0},
    {'>', false, false, DesignationAction::kSet, 3},
    {'5', true, false, DesignationAction::kSet, 1},
    {'A', false, true, DesignationAction::kSet, 4},
    {'A', false, false, DesignationAction::kNrc, 1},
    {'4', false, false, DesignationAction::kNrc, 2},
    {'5', false, false, DesignationAction::kNrc, 3},
    {'R', false, false, DesignationAction::kNrc, 4},
    {'9', false, false, DesignationAction::kNrc, 5},
    {'K', false, false, DesignationAction::kNrc, 6},
    {'Y', false, false, DesignationAction::kNrc, 7},
    {'6', false, false, DesignationAction::kNrc, 8},
    {'`', false, false, DesignationAction::kNrc, 9},
    {'6', true, false, DesignationAction::kNrc, 10},
    {'Z', false, false, DesignationAction::kNrc, 11},
    {'7', false, false, DesignationAction::kNrc, 12},
    {'=', false, false, DesignationAction::kNrc, 13},
};

// Code page of each DBCSSet value; 0 stands for the system's.
constexpr int kDecoderCodePages[] = {0, 936, 950, 932, 949, platform::kCodePageUtf8};

bool IsSurrogate(char16_t ch) {
  return ch >= 0xD800 && ch <= 0xDFFF;
}
bool ValidSet(int code) {
  return code >= 0 && code < kCharsetCount;
}

// A set code held in a setting; the settings are user data, so out-of-range values fall back.
int SetFromSetting(const CSettingsSet& settings, int position, int fallback) {
  const int code = settings.Int(position);
  return ValidSet(code) ? code : fallback;
}

// Position 0..127 of ch in a set that encodes keys, or none. positionFloor keeps GL results out
// of the C0 range.
std::optional<uint8_t> PositionIn(int set, int nrc, char16_t ch, int positionFloor) {
  if (set == 0) {
    if (nrc != 0)
      for (int k = 0; k < 12; ++k)
        if (kNrcSets[nrc].chars[k] == ch) return kNrcPositions[k];
    if (ch >= 0x20 && ch <= 0x7F) return static_cast<uint8_t>(ch);
    return std::nullopt;
  }
  if (set == 4) {
    if (ch >= 0xA0 && ch <= 0xFF) return static_cast<uint8_t>(ch - 0x80);
    return std::nullopt;
  }
  const CharsetInfo& info = kCharsets[set];
  if (info.table == nullptr) return std::nullopt;
  for (int p = std::max(info.first, positionFloor); p < 128; ++p)
    if (info.table[p - info.first] == ch) return static_cast<uint8_t>(p);
  return std::nullopt;
}

}  // namespace

CCharsetState::CCharsetState(CSettingsSet& settings) : settings_(&settings) {}

void CCharsetState::Reset() {
  g_[0] = 0;
  g_[1] = 2;
  g_[2] = 1;
  g_[3] = 1;
  gl_ = 0;
  gr_ = 2;
  singleShift_ = false;
  shiftSlot_ = 0;
  ClearDecoder();
}

CCharsetState CCharsetState::SavedCopy() const {
  CCharsetState copy = *this;
  copy.ClearDecoder();
  return copy;
}

void CCharsetState::RestoreFrom(const CCharsetState& saved) {
  CSettingsSet* own = settings_;
  *this = saved;
  settings_ = own;
  ClearDecoder();
}

void CCharsetState::Designate(int gIndex, int code) {
  if (gIndex < 0 || gIndex > 3) return;
  if (code != kSoftFontSet && !ValidSet(code)) return;
  g_[gIndex] = code;
  if (code == 0) settings_->SetInt(S::NRC, 0);
}

void CCharsetState::DesignateNrc(int gIndex, int nrc) {
  if (gIndex < 0 || gIndex > 3 || nrc < 0 || nrc >= kNrcCount) return;
  g_[gIndex] = 0;
  settings_->SetInt(S::NRC, nrc);
}

bool CCharsetState::DispatchDesignation(const CControlParams& params, uint8_t final,
                                        const CSoftFont& font) {
  const GSelector* selector = nullptr;
  for (int i = 0; i < params.IntermediateCount() && selector == nullptr; ++i)
    for (const GSelector& s : kGSelectors)
      if (params.Intermediate(i) == s.intermediate) {
        selector = &s;
        break;
      }
  if (selector == nullptr) return false;

  if (font.Matches(final, params)) {
    Designate(selector->slot, kSoftFontSet);
    return true;
  }
  const bool percent = params.Has('%');
  for (const DesignationRule& rule : kDesignations) {
    if (rule.final != final || rule.percent != percent || (rule.only96 && !selector->set96))
      continue;
    switch (rule.action) {
      case DesignationAction::kSet:
        Designate(selector->slot, rule.value);
        break;
      case DesignationAction::kUpss:
        Designate(selector->slot, SetFromSetting(*settings_, S::UPSS, 1));
        break;
      case DesignationAction::kNrc:
        DesignateNrc(selector->slot, rule.value);
        break;
    }
    break;
  }
  return true;
}

void CCharsetState::LockGL(int n) {
  if (n >= 0 && n <= 3) gl_ = n;
}

void CCharsetState::LockGR(int n) {
  if (n >= 0 && n <= 3) gr_ = n;
}

void CCharsetState::SingleShift(int n) {
  if (n < 0 || n > 3) return;
  singleShift_ = true;
  shiftSlot_ = n;
}

int CCharsetState::Effective(int code) const {
  if (code == 1) return SetFromSetting(*settings_, S::PrimarySet, 4);
  if (code == 4) return SetFromSetting(*settings_, S::SecondarySet, 4);
  return code;
}

bool CCharsetState::Dbcs() const {
  return settings_->Int(S::DBCS) != 0;
}

int CCharsetState::Nrc() const {
  const int nrc = settings_->Int(S::NRC);
  return nrc > 0 && nrc < kNrcCount ? nrc : 0;
}

int CCharsetState::GlSet() const {
  const int set = Effective(g_[gl_]);
  return set == 0 && Dbcs() ? kMultibyte : set;
}

int CCharsetState::GrSet() const {
  const int code = g_[gr_];
  if ((code == 1 || code == 4) && Dbcs()) return kMultibyte;
  return Effective(code);
}

int CCharsetState::DecoderCodePage() const {
  const int choice = settings_->Int(S::DBCSSet);
  const int count = static_cast<int>(std::size(kDecoderCodePages));
  const int codePage = choice > 0 && choice < count ? kDecoderCodePages[choice] : 0;
  return codePage != 0 ? codePage : platform::SystemCodePage();
}

char16_t CCharsetState::TranslateChar(uint8_t byte) {
  if (byte >= 0x80) {
    const int set = settings_->Int(S::ForceASCII) != 0 ? 0 : GrSet();
    return Lookup(set, byte - 0x80, byte);
  }
  if (singleShift_) {
    singleShift_ = false;
    return Lookup(Effective(g_[shiftSlot_]), byte, byte);
  }
  return Lookup(GlSet(), byte, byte);
}

char16_t CCharsetState::Lookup(int set, int index, uint8_t byte) {
  if (set == kMultibyte) return Decode(byte);
  if (set == kSoftFontSet)
    return static_cast<char16_t>(index >= 0x20 && index <= 0x7E ? 0xEF00 + index : index);
  if (set == 0) {
    if (const int nrc = Nrc(); nrc != 0)
      for (int k = 0; k < 12; ++k)
        if (kNrcPositions[k] == index) return kNrcSets[nrc].chars[k];
    return static_cast<char16_t>(index);
  }
  if (set == 4) return static_cast<char16_t>(index + 0x80);
  const CharsetInfo& info = kCharsets[set];
  if (index < info.first) return byte;
  return info.table[index - info.first];
}

void CCharsetState::ClearDecoder() {
  lead_ = 0;
  second_ = 0;
  seen_ = 0;
}

char16_t CCharsetState::Decode(uint8_t byte) {
  const int codePage = DecoderCodePage();
  if (codePage == platform::kCodePageUtf8) return DecodeUtf8(byte);
  if (lead_ != 0) {
    const uint8_t lead = lead_;
    ClearDecoder();
    return platform::DecodeDoubleByte(codePage, lead, byte);
  }
  if (platform::IsLeadByte(codePage, byte)) {
    lead_ = byte;
    return 0;
  }
  return byte;
}

char16_t CCharsetState::DecodeUtf8(uint8_t byte) {
  if (byte < 0x80) {
    ClearDecoder();
    return byte;
  }
  if (byte >= 0xF8) {  // never part of UTF-8
    ClearDecoder();
    return kReplacement;
  }
  if (byte >= 0xC0) {  // a new lead abandons any unfinished sequence
    ClearDecoder();
    lead_ = byte;
    return 0;
  }
  if (lead_ == 0) return 0;  // stray continuation byte
  if (lead_ >= 0xF0) {
    // A character beyond U+FFFF does not fit one 16-bit cell: one replacement for the sequence.
    if (++seen_ < 3) return 0;
    ClearDecoder();
    return kReplacement;
  }
  if (lead_ < 0xE0) {
    const auto ch = static_cast<char16_t>(((lead_ & 0x1F) << 6) | (byte & 0x3F));
    ClearDecoder();
    return ch < 0x80 ? kReplacement : ch;  // overlong forms could smuggle in controls
  }
  if (second_ == 0) {
    second_ = byte;
    return 0;
  }
  const auto ch =
      static_cast<char16_t>(((lead_ & 0x0F) << 12) | ((second_ & 0x3F) << 6) | (byte & 0x3F));
  ClearDecoder();
  return ch < 0x800 || IsSurrogate(ch) ? kReplacement : ch;
}

bool CCharsetState::GrTakesC1Range() const {
  const int set = GrSet();
  if (set == kMultibyte || set == kSoftFontSet) return true;
  return kCharsets[set].first == 0;
}

bool CCharsetState::Utf8Ready() const {
  return lead_ == 0 && second_ == 0 && seen_ == 0 && settings_->Int(S::ForceASCII) == 0 &&
         GrSet() == kMultibyte && DecoderCodePage() == platform::kCodePageUtf8;
}

bool CCharsetState::GlPassesAscii() const {
  if (singleShift_) return false;
  const int set = GlSet();
  // An ASCII byte passes through the decoder unchanged, but it must still reach it to end a
  // pending sequence.
  if (set == kMultibyte) return lead_ == 0;
  return set == 0 && Nrc() == 0;
}

std::string CCharsetState::EncodeChar(char16_t ch) const {
  const int nrc = Nrc();
  auto encodable = [](int code) { return code != kSoftFontSet && kCharsets[code].encodesKeys; };

  const int glCode = Effective(g_[gl_]);
  const int glSet = encodable(glCode) ? glCode : 0;
  if (auto position = PositionIn(glSet, nrc, ch, 0x20))
    return std::string(1, static_cast<char>(*position));

  const int grCode = g_[gr_];
  const int decoderPage = DecoderCodePage();
  const bool multibyteHost = Dbcs() && (decoderPage == platform::kCodePageUtf8 ||
                                        platform::IsDoubleByteCodePage(decoderPage));
  const bool multibyteGr = (grCode == 1 || grCode == 4) && multibyteHost;
  // A multibyte host takes the character in its own encoding, never as a single GR byte.
  if (!multibyteGr) {
    int grSet = grCode == kSoftFontSet ? 0 : grCode;
    if (!encodable(grSet)) grSet = SetFromSetting(*settings_, S::UPSS, 1);
    grSet = Effective(grSet);
    if (auto position = PositionIn(grSet, nrc, ch, 0))
      return std::string(1, static_cast<char>(0x80 | *position));
  }

  if (ch < 0x20 || (ch >= 0x80 && ch <= 0x9F)) return std::string(1, static_cast<char>(ch));
  // Whatever set GR holds, a character it lacks goes to a multibyte host in the host's own
  // encoding; the workstation's page would lose every character it cannot write.
  const int codePage = multibyteHost ? decoderPage : platform::SystemCodePage();
  std::string bytes = platform::EncodeChar(codePage, ch);
  // A UTF-8 sequence goes out whole; other pages send only double-byte characters.
  if (codePage == platform::kCodePageUtf8 || bytes.size() == 2) return bytes;
  return {};
}

}  // namespace ostrane
