// The workstation's code page (the locale's character set) and conversions through iconv.
#pragma once

#include <cstdint>
#include <string>

namespace ostrane::platform {

inline constexpr int kCodePageUtf8 = 65001;

// The system code page: 932, 936, 949 or 950 for the East Asian locales, 65001 for UTF-8,
// otherwise the single-byte page of the locale (1252 when unknown). Read once from the locale.
int SystemCodePage();
// Replaces the value SystemCodePage returns (tests); 0 goes back to the locale's.
void SetSystemCodePage(int codePage);

// True for the double-byte code pages 932, 936, 949 and 950.
bool IsDoubleByteCodePage(int codePage);
// True when byte is a lead byte of the double-byte code page (932, 936, 949, 950).
bool IsLeadByte(int codePage, uint8_t byte);
// Converts one double-byte character of the code page; 0 when it does not convert.
char16_t DecodeDoubleByte(int codePage, uint8_t lead, uint8_t trail);
// Converts one UTF-16 character to the code page; empty when it has no encoding there.
std::string EncodeChar(int codePage, char16_t ch);

}  // namespace ostrane::platform
