#include "platform/code_page.h"

#include <iconv.h>
#include <langinfo.h>
#include <strings.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>
#include <utility>

namespace ostrane::platform {
namespace {

std::atomic<int> gOverride{0};

struct LocaleCodeset {
  std::string_view name;
  int codePage;
};
constexpr LocaleCodeset kLocaleCodesets[] = {
    {"UTF-8", kCodePageUtf8},
    {"utf8", kCodePageUtf8},
    {"SHIFT_JIS", 932},
    {"SJIS", 932},
    {"CP932", 932},
    {"GBK", 936},
    {"GB2312", 936},
    {"CP936", 936},
    {"EUC-KR", 949},
    {"CP949", 949},
    {"BIG5", 950},
    {"BIG5-HKSCS", 950},
    {"CP950", 950},
    {"ISO-8859-1", 1252},
    {"ANSI_X3.4-1968", 1252},
};

int CodePageFromLocale() {
  // The program's locale may still be "C"; ask the environment's.
  const char* previous = std::setlocale(LC_CTYPE, nullptr);
  std::string saved = previous ? previous : "C";
  std::setlocale(LC_CTYPE, "");
  const char* codeset = nl_langinfo(CODESET);
  std::string_view name = codeset ? codeset : "";
  int result = 1252;
  for (const auto& entry : kLocaleCodesets) {
    if (entry.name.size() == name.size() &&
        strncasecmp(entry.name.data(), name.data(), name.size()) == 0) {
      result = entry.codePage;
      break;
    }
  }
  std::setlocale(LC_CTYPE, saved.c_str());
  return result;
}

// Lead-byte ranges of the double-byte code pages.
struct LeadRange {
  int codePage;
  uint8_t low;
  uint8_t high;
};
constexpr LeadRange kLeadRanges[] = {
    {932, 0x81, 0x9F}, {932, 0xE0, 0xFC}, {936, 0x81, 0xFE}, {949, 0x81, 0xFE}, {950, 0x81, 0xFE},
};

std::string IconvName(int codePage) {
  if (codePage == kCodePageUtf8) return "UTF-8";
  return "CP" + std::to_string(codePage);
}

// iconv descriptors opened once per code page and direction. A descriptor keeps conversion
// state, so every use happens under the cache's mutex.
class CIconvCache {
 public:
  ~CIconvCache() {
    for (auto& [key, cd] : descriptors_)
      if (cd != kFailed) iconv_close(cd);
  }

  // Converts in through the descriptor for (codePage, toCodePage); false when any input byte
  // does not convert or the output does not fit.
  bool Convert(int codePage, bool toCodePage, const char* in, size_t inLength, char* out,
               size_t& outLength) {
    std::lock_guard<std::mutex> lock(mutex_);
    iconv_t cd = Descriptor(codePage, toCodePage);
    if (cd == kFailed) return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in);
    size_t inLeft = inLength;
    char* outPtr = out;
    size_t outLeft = outLength;
    bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
              inLeft == 0 &&
              iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
    outLength -= outLeft;
    return ok;
  }

 private:
  static inline const iconv_t kFailed = reinterpret_cast<iconv_t>(-1);

  iconv_t Descriptor(int codePage, bool toCodePage) {
    auto key = std::make_pair(codePage, toCodePage);
    auto it = descriptors_.find(key);
    if (it != descriptors_.end()) return it->second;
    const std::string name = IconvName(codePage);
    iconv_t cd =
        toCodePage ? iconv_open(name.c_str(), "UTF-16LE") : iconv_open("UTF-16LE", name.c_str());
    descriptors_.emplace(key, cd);
    return cd;
  }

  std::mutex mutex_;
  std::map<std::pair<int, bool>, iconv_t> descriptors_;
};

CIconvCache& Iconv() {
  static CIconvCache cache;
  return cache;
}

bool IsSurrogate(char16_t ch) {
  return ch >= 0xD800 && ch <= 0xDFFF;
}

}  // namespace

int SystemCodePage() {
  if (int cp = gOverride.load(); cp != 0) return cp;
  static const int fromLocale = CodePageFromLocale();
  return fromLocale;
}

void SetSystemCodePage(int codePage) {
  gOverride.store(codePage);
}

bool IsDoubleByteCodePage(int codePage) {
  for (const auto& range : kLeadRanges)
    if (range.codePage == codePage) return true;
  return false;
}

bool IsLeadByte(int codePage, uint8_t byte) {
  for (const auto& range : kLeadRanges)
    if (range.codePage == codePage && byte >= range.low && byte <= range.high) return true;
  return false;
}

char16_t DecodeDoubleByte(int codePage, uint8_t lead, uint8_t trail) {
  const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  char out[8];
  size_t outLength = sizeof out;
  // Exactly one UTF-16 unit: two single-byte characters or a supplementary character are not
  // one double-byte character.
  if (!Iconv().Convert(codePage, false, in, sizeof in, out, outLength) || outLength != 2) return 0;
  const auto ch =
      static_cast<char16_t>(static_cast<uint8_t>(out[0]) | (static_cast<uint8_t>(out[1]) << 8));
  return IsSurrogate(ch) ? 0 : ch;
}

std::string EncodeChar(int codePage, char16_t ch) {
  if (IsSurrogate(ch)) return {};
  const char in[2] = {static_cast<char>(ch & 0xFF), static_cast<char>(ch >> 8)};
  char out[16];
  size_t outLength = sizeof out;
  if (!Iconv().Convert(codePage, true, in, sizeof in, out, outLength)) return {};
  return std::string(out, outLength);
}

}  // namespace ostrane::platform
