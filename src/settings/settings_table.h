// The fixed table of a session's 107 settings: ids (setup files), keys (scripts) and positions
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

inline constexpr int kSettingCount = 107;
extern const SettingDescriptor kSettingsTable[kSettingCount];

// Table positions, in table order. `8BitChars` is spelled EightBitChars here.
namespace S {
enum Position : int {
  CursorType,
  CursorVisible,
  DarkScreen,
  CursorBlink,
  LineDraw,
  FontName,
  FontSize,
  FontBold,
  FontName132,
  FontSize132,
  FontBold132,
  FontUse80,
  BlinkText,
  StatusLine,
  FFNeeded,
  PrintTo,
  DriverName,
  PrinterName,
  PrinterParam,
  DefaultPrinter,
  PrintFontName,
  PrintFontSize,
  PrintFontBold,
  PrintPort,
  JobTimeout,
  Interpret,
  AutoWrap,
  EightBitChars,
  TermID,
  AnswerBack,
  HideABM,
  Columns,
  Lines,
  Pages,
  SaveLines,
  MouseSupport,
  SaveAll,
  SetHostSize,
  LFForCR,
  TabList,
  NewLine,
  NumericKeypad,
  CursorKeys,
  MarginBell,
  WarningBell,
  BackArrow,
  NumLock,
  KBLayout,
  FKeys,
  HostName,
  Proxy,
  HostType,
  Port,
  Speed,
  Parity,
  StopBits,
  DataLength,
  LocalEcho,
  Local,
  FlowControl,
  SshUser,
  SshPassword,
  KeepSession,
  UPSS,
  PrimarySet,
  SecondarySet,
  NRC,
  ForceASCII,
  DBCS,
  DBCSSet,
  Palette,
  BackColor,
  ForeColor,
  Mapped,
  DisplayAttr,
  Maximize,
  CopySpace,
  AutoClose,
  AutoExit,
  History,
  FitFont,
  LoginScript,
  UserID,
  Password,
  Script,
  CaptureDebug,
  AutoCopy,
  Title,
  HostScript,
  CantCloseWindow,
  ButtonCaption,
  ButtonString,
  ButtonAction,
  Height,
  Width,
  Maximized,
  ButtonBar,
  ToolBar,
  StatusBar,
  ChatLine,
  XPos,
  YPos,
  AutoRecv,
  RecvDir,
  ZModemInit,
  XferOpenRecv,
  XferInitPause,
};
}  // namespace S

static_assert(S::ForceASCII >= 0 && S::XferInitPause == kSettingCount - 1);

}  // namespace ostrane
