// The fixed table of a session's settings: ids (setup files), keys (scripts) and positions
// (program code), with types, sizes and defaults.
#pragma once

#include <cstdint>

namespace ostrane {

enum class SettingType : uint8_t { kInteger = 0, kString = 1, kBinary = 2, kArray = 3 };

struct SettingDescriptor {
  uint16_t id;  // high byte group, low byte entry within the group; never 0
  const char* key;
  SettingType type;
  uint16_t size;        // bytes of a binary entry, elements of an array entry, else 0
  uint8_t elementType;  // arrays: 0 integer elements, 1 string elements
  int32_t defaultInt;
  const char* defaultText;      // nullptr = empty
  const uint8_t* defaultBlock;  // nullptr = all zero
};

// Every setting, in table order: its position name, id, key, type, size (bytes of a binary
// entry, elements of an array entry, else 0), element type (arrays: 0 integer, 1 string), and
// the defaults (integer, text, block; nullptr is empty or all zero). The table and the position
// names below are both made from this one list, so they cannot disagree. `8BitChars` has the
// position name EightBitChars.
#define OSTRANE_SETTINGS(X)                                                           \
  X(CursorType, 0x0101, "CursorType", kInteger, 0, 0, 0, nullptr, nullptr)            \
  X(CursorVisible, 0x0102, "CursorVisible", kInteger, 0, 0, 1, nullptr, nullptr)      \
  X(DarkScreen, 0x0103, "DarkScreen", kInteger, 0, 0, 1, nullptr, nullptr)            \
  X(CursorBlink, 0x0104, "CursorBlink", kInteger, 0, 0, 1, nullptr, nullptr)          \
  X(LineDraw, 0x0105, "LineDraw", kInteger, 0, 0, 1, nullptr, nullptr)                \
  X(FontName, 0x0106, "FontName", kString, 0, 0, 0, "Courier New", nullptr)           \
  X(FontSize, 0x0107, "FontSize", kInteger, 0, 0, 9, nullptr, nullptr)                \
  X(FontBold, 0x0108, "FontBold", kInteger, 0, 0, 0, nullptr, nullptr)                \
  X(FontName132, 0x0109, "FontName132", kString, 0, 0, 0, "Courier New", nullptr)     \
  X(FontSize132, 0x010A, "FontSize132", kInteger, 0, 0, 9, nullptr, nullptr)          \
  X(FontBold132, 0x010B, "FontBold132", kInteger, 0, 0, 0, nullptr, nullptr)          \
  X(FontUse80, 0x010C, "FontUse80", kInteger, 0, 0, 1, nullptr, nullptr)              \
  X(BlinkText, 0x010D, "BlinkText", kInteger, 0, 0, 1, nullptr, nullptr)              \
  X(StatusLine, 0x010E, "StatusLine", kInteger, 0, 0, 0, nullptr, nullptr)            \
  X(FFNeeded, 0x0201, "FFNeeded", kInteger, 0, 0, 0, nullptr, nullptr)                \
  X(PrintTo, 0x0202, "PrintTo", kInteger, 0, 0, 1, nullptr, nullptr)                  \
  X(DriverName, 0x0203, "DriverName", kString, 0, 0, 0, nullptr, nullptr)             \
  X(PrinterName, 0x0204, "PrinterName", kString, 0, 0, 0, nullptr, nullptr)           \
  X(PrinterParam, 0x0205, "PrinterParam", kBinary, 148, 0, 0, nullptr, nullptr)       \
  X(DefaultPrinter, 0x0206, "DefaultPrinter", kInteger, 0, 0, 1, nullptr, nullptr)    \
  X(PrintFontName, 0x0207, "PrintFontName", kString, 0, 0, 0, "Courier New", nullptr) \
  X(PrintFontSize, 0x0208, "PrintFontSize", kInteger, 0, 0, 9, nullptr, nullptr)      \
  X(PrintFontBold, 0x0209, "PrintFontBold", kInteger, 0, 0, 0, nullptr, nullptr)      \
  X(PrintPort, 0x020A, "PrintPort", kInteger, 0, 0, 0, nullptr, nullptr)              \
  X(JobTimeout, 0x020B, "JobTimeout", kInteger, 0, 0, 5, nullptr, nullptr)            \
  X(Interpret, 0x0301, "Interpret", kInteger, 0, 0, 1, nullptr, nullptr)              \
  X(AutoWrap, 0x0302, "AutoWrap", kInteger, 0, 0, 0, nullptr, nullptr)                \
  X(EightBitChars, 0x0303, "8BitChars", kInteger, 0, 0, 0, nullptr, nullptr)          \
  X(TermID, 0x0304, "TermID", kInteger, 0, 0, 2, nullptr, nullptr)                    \
  X(AnswerBack, 0x0305, "AnswerBack", kString, 0, 0, 0, nullptr, nullptr)             \
  X(HideABM, 0x0306, "HideABM", kInteger, 0, 0, 0, nullptr, nullptr)                  \
  X(Columns, 0x0307, "Columns", kInteger, 0, 0, 80, nullptr, nullptr)                 \
  X(Lines, 0x0308, "Lines", kInteger, 0, 0, 24, nullptr, nullptr)                     \
  X(Pages, 0x0309, "Pages", kInteger, 0, 0, 6, nullptr, nullptr)                      \
  X(SaveLines, 0x030A, "SaveLines", kInteger, 0, 0, 800, nullptr, nullptr)            \
  X(MouseSupport, 0x030B, "MouseSupport", kInteger, 0, 0, 0, nullptr, nullptr)        \
  X(SaveAll, 0x030C, "SaveAll", kInteger, 0, 0, 0, nullptr, nullptr)                  \
  X(SetHostSize, 0x030D, "SetHostSize", kInteger, 0, 0, 1, nullptr, nullptr)          \
  X(LFForCR, 0x030E, "LFForCR", kInteger, 0, 0, 0, nullptr, nullptr)                  \
  X(TabList, 0x0401, "TabList", kBinary, 132, 0, 0, nullptr, kDefaultTabList)         \
  X(NewLine, 0x0501, "NewLine", kInteger, 0, 0, 2, nullptr, nullptr)                  \
  X(NumericKeypad, 0x0502, "NumericKeypad", kInteger, 0, 0, 1, nullptr, nullptr)      \
  X(CursorKeys, 0x0503, "CursorKeys", kInteger, 0, 0, 1, nullptr, nullptr)            \
  X(MarginBell, 0x0504, "MarginBell", kInteger, 0, 0, 0, nullptr, nullptr)            \
  X(WarningBell, 0x0505, "WarningBell", kInteger, 0, 0, 1, nullptr, nullptr)          \
  X(BackArrow, 0x0506, "BackArrow", kInteger, 0, 0, 1, nullptr, nullptr)              \
  X(NumLock, 0x0507, "NumLock", kInteger, 0, 0, 0, nullptr, nullptr)                  \
  X(KBLayout, 0x0508, "KBLayout", kInteger, 0, 0, 0, nullptr, nullptr)                \
  X(FKeys, 0x0509, "FKeys", kArray, 5, 0, 0, nullptr, nullptr)                        \
  X(HostName, 0x0601, "HostName", kString, 0, 0, 0, nullptr, nullptr)                 \
  X(Proxy, 0x0602, "Proxy", kString, 0, 0, 0, nullptr, nullptr)                       \
  X(HostType, 0x0603, "HostType", kInteger, 0, 0, 0, nullptr, nullptr)                \
  X(Port, 0x0604, "Port", kInteger, 0, 0, 0, nullptr, nullptr)                        \
  X(Speed, 0x0605, "Speed", kInteger, 0, 0, 0, nullptr, nullptr)                      \
  X(Parity, 0x0606, "Parity", kInteger, 0, 0, 0, nullptr, nullptr)                    \
  X(StopBits, 0x0607, "StopBits", kInteger, 0, 0, 0, nullptr, nullptr)                \
  X(DataLength, 0x0608, "DataLength", kInteger, 0, 0, 0, nullptr, nullptr)            \
  X(LocalEcho, 0x0609, "LocalEcho", kInteger, 0, 0, 0, nullptr, nullptr)              \
  X(Local, 0x060A, "Local", kInteger, 0, 0, 0, nullptr, nullptr)                      \
  X(FlowControl, 0x060B, "FlowControl", kInteger, 0, 0, 0, nullptr, nullptr)          \
  X(SshUser, 0x060C, "SshUser", kString, 0, 0, 0, nullptr, nullptr)                   \
  X(SshPassword, 0x060D, "SshPassword", kString, 0, 0, 0, nullptr, nullptr)           \
  X(KeepSession, 0x060E, "KeepSession", kInteger, 0, 0, 0, nullptr, nullptr)          \
  X(UPSS, 0x0701, "UPSS", kInteger, 0, 0, 1, nullptr, nullptr)                        \
  X(PrimarySet, 0x0702, "PrimarySet", kInteger, 0, 0, 4, nullptr, nullptr)            \
  X(SecondarySet, 0x0703, "SecondarySet", kInteger, 0, 0, 4, nullptr, nullptr)        \
  X(NRC, 0x0704, "NRC", kInteger, 0, 0, 0, nullptr, nullptr)                          \
  X(ForceASCII, 0x0705, "ForceASCII", kInteger, 0, 0, 0, nullptr, nullptr)            \
  X(DBCS, 0x0706, "DBCS", kInteger, 0, 0, 0, nullptr, nullptr)                        \
  X(DBCSSet, 0x0707, "DBCSSet", kInteger, 0, 0, 0, nullptr, nullptr)                  \
  X(Palette, 0x0801, "Palette", kBinary, 64, 0, 0, nullptr, kDefaultPalette)          \
  X(BackColor, 0x0802, "BackColor", kBinary, 16, 0, 0, nullptr, nullptr)              \
  X(ForeColor, 0x0803, "ForeColor", kBinary, 16, 0, 0, nullptr, nullptr)              \
  X(Mapped, 0x0804, "Mapped", kBinary, 16, 0, 0, nullptr, nullptr)                    \
  X(DisplayAttr, 0x0805, "DisplayAttr", kBinary, 16, 0, 0, nullptr, nullptr)          \
  X(Maximize, 0x0901, "Maximize", kInteger, 0, 0, 1, nullptr, nullptr)                \
  X(CopySpace, 0x0902, "CopySpace", kInteger, 0, 0, 0, nullptr, nullptr)              \
  X(AutoClose, 0x0903, "AutoClose", kInteger, 0, 0, 1, nullptr, nullptr)              \
  X(AutoExit, 0x0904, "AutoExit", kInteger, 0, 0, 0, nullptr, nullptr)                \
  X(History, 0x0905, "History", kInteger, 0, 0, 1, nullptr, nullptr)                  \
  X(FitFont, 0x0906, "FitFont", kInteger, 0, 0, 1, nullptr, nullptr)                  \
  X(LoginScript, 0x0907, "LoginScript", kInteger, 0, 0, 0, nullptr, nullptr)          \
  X(UserID, 0x0908, "UserID", kString, 0, 0, 0, nullptr, nullptr)                     \
  X(Password, 0x0909, "Password", kString, 0, 0, 0, nullptr, nullptr)                 \
  X(Script, 0x090A, "Script", kString, 0, 0, 0, kDefaultLoginScript, nullptr)         \
  X(CaptureDebug, 0x090B, "CaptureDebug", kInteger, 0, 0, 0, nullptr, nullptr)        \
  X(AutoCopy, 0x090C, "AutoCopy", kInteger, 0, 0, 0, nullptr, nullptr)                \
  X(Title, 0x090D, "Title", kString, 0, 0, 0, nullptr, nullptr)                       \
  X(HostScript, 0x090E, "HostScript", kInteger, 0, 0, 0, nullptr, nullptr)            \
  X(CantCloseWindow, 0x090F, "CantCloseWindow", kInteger, 0, 0, 0, nullptr, nullptr)  \
  X(ButtonCaption, 0x0B01, "ButtonCaption", kArray, 32, 1, 0, nullptr, nullptr)       \
  X(ButtonString, 0x0B02, "ButtonString", kArray, 32, 1, 0, nullptr, nullptr)         \
  X(ButtonAction, 0x0B03, "ButtonAction", kArray, 32, 0, 0, nullptr, nullptr)         \
  X(Height, 0x0C01, "Height", kInteger, 0, 0, 0, nullptr, nullptr)                    \
  X(Width, 0x0C02, "Width", kInteger, 0, 0, 0, nullptr, nullptr)                      \
  X(Maximized, 0x0C03, "Maximized", kInteger, 0, 0, 0, nullptr, nullptr)              \
  X(ButtonBar, 0x0C04, "ButtonBar", kInteger, 0, 0, 0, nullptr, nullptr)              \
  X(ToolBar, 0x0C05, "ToolBar", kInteger, 0, 0, 0, nullptr, nullptr)                  \
  X(StatusBar, 0x0C06, "StatusBar", kInteger, 0, 0, 0, nullptr, nullptr)              \
  X(ChatLine, 0x0C07, "ChatLine", kInteger, 0, 0, 0, nullptr, nullptr)                \
  X(XPos, 0x0C08, "XPos", kInteger, 0, 0, 0, nullptr, nullptr)                        \
  X(YPos, 0x0C09, "YPos", kInteger, 0, 0, 0, nullptr, nullptr)                        \
  X(AutoRecv, 0x0D01, "AutoRecv", kInteger, 0, 0, 1, nullptr, nullptr)                \
  X(RecvDir, 0x0D02, "RecvDir", kString, 0, 0, 0, "Received", nullptr)                \
  X(ZModemInit, 0x0D03, "ZModemInit", kString, 0, 0, 0, "rz\r", nullptr)              \
  X(XferOpenRecv, 0x0D04, "XferOpenRecv", kInteger, 0, 0, 1, nullptr, nullptr)        \
  X(XferInitPause, 0x0D05, "XferInitPause", kInteger, 0, 0, 500, nullptr, nullptr)

// Table positions, in table order.
namespace S {
enum Position : int {
#define OSTRANE_SETTING_POSITION(position, ...) position,
  OSTRANE_SETTINGS(OSTRANE_SETTING_POSITION)
#undef OSTRANE_SETTING_POSITION
      kCount
};
}  // namespace S

inline constexpr int kSettingCount = S::kCount;
extern const SettingDescriptor kSettingsTable[kSettingCount];

}  // namespace ostrane
