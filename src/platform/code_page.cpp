#include "platform/code_page.h"

#include <langinfo.h>

#include <atomic>
#include <clocale>
#include <strings.h>

#include <cstring>
#include <string_view>

namespace ostrane::platform {
namespace {

std::atomic<int> gOverride{0};

struct LocaleCodeset {
  std::string_view name;
  int codePage;
};
constexpr LocaleCodeset kLocaleCodesets[] = {
    {"UTF-8", kCodePageUtf8}, {"utf8", kCodePageUtf8},   {"SHIFT_JIS", 932}, {"SJIS", 932},
    {"CP932", 932},           {"GBK", 936},              {"GB2312", 936},    {"CP936", 936},
    {"EUC-KR", 949},          {"CP949", 949},            {"BIG5", 950},      {"BIG5-HKSCS", 950},
    {"CP950", 950},           {"ISO-8859-1", 1252},      {"ANSI_X3.4-1968", 1252},
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

}  // namespace

int SystemCodePage() {
  if (int cp = gOverride.load(); cp != 0) return cp;
  static const int fromLocale = CodePageFromLocale();
  return fromLocale;
}

void SetSystemCodePage(int codePage) { gOverride.store(codePage); }

}  // namespace ostrane::platform
