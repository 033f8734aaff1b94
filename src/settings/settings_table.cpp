#include "settings/settings_table.h"

namespace ostrane {
namespace {

// Four lines, each ended by CR LF.
constexpr const char* kDefaultLoginScript =
    "term.Wait(\"name:|NAME:|login:|LOGIN:\");\r\n"
    "term.Send(term.UserID+\"<CR>\");\r\n"
    "term.Wait(\"word:|WORD:\");\r\n"
    "term.Send(term.Password+\"<CR>\");\r\n";

// A stop at every eighth column from column 8; none at column 0.
constexpr auto MakeDefaultTabList() {
  struct Block {
    uint8_t b[132];
  } t{};
  for (int c = 8; c < 132; c += 8) t.b[c] = 1;
  return t;
}
constexpr auto kTabListBlock = MakeDefaultTabList();
constexpr const uint8_t* kDefaultTabList = kTabListBlock.b;

// 16 colours: red, green, blue, 0.
constexpr uint8_t kDefaultPalette[64] = {
    0,   0,   0,   0, 128, 0, 0,   0, 0, 128, 0,   0, 0,   0,   128, 0,
    128, 128, 0,   0, 128, 0, 128, 0, 0, 128, 128, 0, 192, 192, 192, 0,
    128, 128, 128, 0, 255, 0, 0,   0, 0, 255, 0,   0, 0,   0,   255, 0,
    255, 255, 0,   0, 255, 0, 255, 0, 0, 255, 255, 0, 255, 255, 255, 0,
};

}  // namespace

const SettingDescriptor kSettingsTable[kSettingCount] = {
    {0x0101, "CursorType", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0102, "CursorVisible", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0103, "DarkScreen", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0104, "CursorBlink", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0105, "LineDraw", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0106, "FontName", SettingType::kString, 0, 0, 0, "Courier New", nullptr},
    {0x0107, "FontSize", SettingType::kInteger, 0, 0, 9, nullptr, nullptr},
    {0x0108, "FontBold", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0109, "FontName132", SettingType::kString, 0, 0, 0, "Courier New", nullptr},
    {0x010A, "FontSize132", SettingType::kInteger, 0, 0, 9, nullptr, nullptr},
    {0x010B, "FontBold132", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x010C, "FontUse80", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x010D, "BlinkText", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x010E, "StatusLine", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0201, "FFNeeded", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0202, "PrintTo", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0203, "DriverName", SettingType::kString, 0, 0, 0, nullptr, nullptr},
    {0x0204, "PrinterName", SettingType::kString, 0, 0, 0, nullptr, nullptr},
    {0x0205, "PrinterParam", SettingType::kBinary, 148, 0, 0, nullptr, nullptr},
    {0x0206, "DefaultPrinter", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0207, "PrintFontName", SettingType::kString, 0, 0, 0, "Courier New", nullptr},
    {0x0208, "PrintFontSize", SettingType::kInteger, 0, 0, 9, nullptr, nullptr},
    {0x0209, "PrintFontBold", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x020A, "PrintPort", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x020B, "JobTimeout", SettingType::kInteger, 0, 0, 5, nullptr, nullptr},
    {0x0301, "Interpret", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0302, "AutoWrap", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0303, "8BitChars", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0304, "TermID", SettingType::kInteger, 0, 0, 2, nullptr, nullptr},
    {0x0305, "AnswerBack", SettingType::kString, 0, 0, 0, nullptr, nullptr},
    {0x0306, "HideABM", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0307, "Columns", SettingType::kInteger, 0, 0, 80, nullptr, nullptr},
    {0x0308, "Lines", SettingType::kInteger, 0, 0, 24, nullptr, nullptr},
    {0x0309, "Pages", SettingType::kInteger, 0, 0, 6, nullptr, nullptr},
    {0x030A, "SaveLines", SettingType::kInteger, 0, 0, 800, nullptr, nullptr},
    {0x030B, "MouseSupport", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x030C, "SaveAll", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x030D, "SetHostSize", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x030E, "LFForCR", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0401, "TabList", SettingType::kBinary, 132, 0, 0, nullptr, kDefaultTabList},
    {0x0501, "NewLine", SettingType::kInteger, 0, 0, 2, nullptr, nullptr},
    {0x0502, "NumericKeypad", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0503, "CursorKeys", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0504, "MarginBell", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0505, "WarningBell", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0506, "BackArrow", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0507, "NumLock", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0508, "KBLayout", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0509, "FKeys", SettingType::kArray, 5, 0, 0, nullptr, nullptr},
    {0x0601, "HostName", SettingType::kString, 0, 0, 0, nullptr, nullptr},
    {0x0602, "Proxy", SettingType::kString, 0, 0, 0, nullptr, nullptr},
    {0x0603, "HostType", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0604, "Port", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0605, "Speed", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0606, "Parity", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0607, "StopBits", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0608, "DataLength", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0609, "LocalEcho", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x060A, "Local", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x060B, "FlowControl", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x060C, "SshUser", SettingType::kString, 0, 0, 0, nullptr, nullptr},
    {0x060D, "SshPassword", SettingType::kString, 0, 0, 0, nullptr, nullptr},
    {0x060E, "KeepSession", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0701, "UPSS", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0702, "PrimarySet", SettingType::kInteger, 0, 0, 4, nullptr, nullptr},
    {0x0703, "SecondarySet", SettingType::kInteger, 0, 0, 4, nullptr, nullptr},
    {0x0704, "NRC", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0705, "ForceASCII", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0706, "DBCS", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0707, "DBCSSet", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0801, "Palette", SettingType::kBinary, 64, 0, 0, nullptr, kDefaultPalette},
    {0x0802, "BackColor", SettingType::kBinary, 16, 0, 0, nullptr, nullptr},
    {0x0803, "ForeColor", SettingType::kBinary, 16, 0, 0, nullptr, nullptr},
    {0x0804, "Mapped", SettingType::kBinary, 16, 0, 0, nullptr, nullptr},
    {0x0805, "DisplayAttr", SettingType::kBinary, 16, 0, 0, nullptr, nullptr},
    {0x0901, "Maximize", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0902, "CopySpace", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0903, "AutoClose", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0904, "AutoExit", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0905, "History", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0906, "FitFont", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0907, "LoginScript", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0908, "UserID", SettingType::kString, 0, 0, 0, nullptr, nullptr},
    {0x0909, "Password", SettingType::kString, 0, 0, 0, nullptr, nullptr},
    {0x090A, "Script", SettingType::kString, 0, 0, 0, kDefaultLoginScript, nullptr},
    {0x090B, "CaptureDebug", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x090C, "AutoCopy", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x090D, "Title", SettingType::kString, 0, 0, 0, nullptr, nullptr},
    {0x090E, "HostScript", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x090F, "CantCloseWindow", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0B01, "ButtonCaption", SettingType::kArray, 32, 1, 0, nullptr, nullptr},
    {0x0B02, "ButtonString", SettingType::kArray, 32, 1, 0, nullptr, nullptr},
    {0x0B03, "ButtonAction", SettingType::kArray, 32, 0, 0, nullptr, nullptr},
    {0x0C01, "Height", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0C02, "Width", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0C03, "Maximized", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0C04, "ButtonBar", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0C05, "ToolBar", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0C06, "StatusBar", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0C07, "ChatLine", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0C08, "XPos", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0C09, "YPos", SettingType::kInteger, 0, 0, 0, nullptr, nullptr},
    {0x0D01, "AutoRecv", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0D02, "RecvDir", SettingType::kString, 0, 0, 0, "Received", nullptr},
    {0x0D03, "ZModemInit", SettingType::kString, 0, 0, 0, "rz\r", nullptr},
    {0x0D04, "XferOpenRecv", SettingType::kInteger, 0, 0, 1, nullptr, nullptr},
    {0x0D05, "XferInitPause", SettingType::kInteger, 0, 0, 500, nullptr, nullptr},
};

}  // namespace ostrane
