// The main window's commands and its menus, as tables: each item with its text (the "&" marks
// the access key) and its command number.
#pragma once

#include <QString>
#include <cstddef>

#include "settings/product_version.h"

namespace ostrane {

namespace Cmd {
enum Id : int {
  kNone = 0,
  // Connection
  kNew = 57600,
  kOpen = 57601,
  kClose = 57602,
  kSave = 57603,
  kSaveAs = 57604,
  kSaveAsTemplate = 32772,
  kSettings = 32771,
  kRecentFile1 = 57616,  // to kRecentFile1 + 3
  kExit = 57665,
  // Edit
  kCopy = 57634,
  kPaste = 57637,
  kSelectAll = 57642,
  kFind = 57636,
  kFindNext = 32773,
  // View
  kToolbar = 59392,
  kStatusBar = 59393,
  kButtonPalette = 32800,
  kChatLine = 32811,
  kVtKeyboard = 32787,
  kHistory = 32774,
  kClearHistory = 32775,
  kScrollPageUp = 32777,
  kScrollPageDown = 32778,
  kScrollToTop = 32779,
  kScrollToBottom = 32780,
  kLargerFont = 32781,
  kSmallerFont = 32782,
  kFontMaster = 32783,
  // Window
  kNewWindow = 57648,
  kCascade = 57650,
  kTile = 57651,
  kArrangeIcons = 57649,
  kNext = 32797,
  kHoldScreen = 32785,
  // Session
  kResetTerminal = 32776,
  kClearDisplay = 32786,
  kClearAll = 32788,
  kCapture = 32790,
  kReconnect = 32784,
  kSendZModem = 32806,
  kReceiveZModem = 32807,
  kRunScript = 32808,
  kRecordMacro = 32809,
  kStopScript = 32810,
  // Print
  kPrintPage = 32791,
  kPrintSelection = 32792,
  kPrintAll = 32793,
  kPrintingMode = 32794,
  kPrintSetup = 32795,
  // Security
  kCreateKeysSsh2 = 32813,
  kKeyManagerSsh2 = 32817,
  kCreateKeysSsh1 = 32820,
  kKeyManagerSsh1 = 32819,
  // Help
  kContent = 32789,
  kHelpOnWeb = 32803,
  kAbout = 57664,
  // Session window bars
  kBarButton1 = 1174,  // to kBarButton1 + 7
  kPreviousPage = 1213,
  kNextPage = 1214,
  kChatSend = 1215,
};
}  // namespace Cmd

inline constexpr int kRecentFileCount = 4;

struct MenuItem {
  const char* menu;  // the top-level menu the item sits in
  const char* text;  // nullptr: a separator
  int command;
  bool checkable;
};

// Items in menu order. Commands of features not built yet stand in the menus disabled.
inline constexpr MenuItem kMenuItems[] = {
    {"&Connection", "&New...", Cmd::kNew, false},
    {"&Connection", "&Open...", Cmd::kOpen, false},
    {"&Connection", "&Close", Cmd::kClose, false},
    {"&Connection", "&Save", Cmd::kSave, false},
    {"&Connection", "Save &As...", Cmd::kSaveAs, false},
    {"&Connection", "Save As &Template...", Cmd::kSaveAsTemplate, false},
    {"&Connection", nullptr, 0, false},
    {"&Connection", "Se&ttings...", Cmd::kSettings, false},
    {"&Connection", "&Reconnect", Cmd::kReconnect, false},
    {"&Connection", nullptr, 0, false},
    {"&Connection", "Recent File", Cmd::kRecentFile1, false},
    {"&Connection", nullptr, 0, false},
    {"&Connection", "E&xit", Cmd::kExit, false},
    {"&Edit", "&Copy", Cmd::kCopy, false},
    {"&Edit", "&Paste", Cmd::kPaste, false},
    {"&Edit", "Select &All", Cmd::kSelectAll, false},
    {"&Edit", nullptr, 0, false},
    {"&Edit", "&Find", Cmd::kFind, false},
    {"&Edit", "Find &Next", Cmd::kFindNext, false},
    {"&View", "&Toolbar", Cmd::kToolbar, true},
    {"&View", "&Status Bar", Cmd::kStatusBar, true},
    {"&View", "&Button Palette", Cmd::kButtonPalette, true},
    {"&View", "C&hat Line", Cmd::kChatLine, true},
    {"&View", "&VT Keyboard", Cmd::kVtKeyboard, true},
    {"&View", nullptr, 0, false},
    {"&View", "H&istory", Cmd::kHistory, true},
    {"&View", "&Clear History", Cmd::kClearHistory, false},
    {"&View", "Scroll Page &Up", Cmd::kScrollPageUp, false},
    {"&View", "Scroll Page &Down", Cmd::kScrollPageDown, false},
    {"&View", "Scroll to T&op", Cmd::kScrollToTop, false},
    {"&View", "Scroll to Botto&m", Cmd::kScrollToBottom, false},
    {"&View", nullptr, 0, false},
    {"&View", "&Larger Font", Cmd::kLargerFont, false},
    {"&View", "S&maller Font", Cmd::kSmallerFont, false},
    {"&View", "&Font Master", Cmd::kFontMaster, false},
    {"&Session", "&Reset Terminal", Cmd::kResetTerminal, false},
    {"&Session", "Clear &Display", Cmd::kClearDisplay, false},
    {"&Session", "Clear &All", Cmd::kClearAll, false},
    {"&Session", nullptr, 0, false},
    {"&Session", "&Capture to file...", Cmd::kCapture, true},
    {"&Session", "Send &ZModem", Cmd::kSendZModem, false},
    {"&Session", "Recei&ve ZModem", Cmd::kReceiveZModem, false},
    {"&Session", nullptr, 0, false},
    {"&Session", "R&un Script...", Cmd::kRunScript, false},
    {"&Session", "S&top Script", Cmd::kStopScript, false},
    {"&Session", "Record &Macro", Cmd::kRecordMacro, true},
    {"&Print", "Print &Page", Cmd::kPrintPage, false},
    {"&Print", "Print &Selection", Cmd::kPrintSelection, false},
    {"&Print", "Print &All", Cmd::kPrintAll, false},
    {"&Print", "Printing &Mode", Cmd::kPrintingMode, true},
    {"&Print", nullptr, 0, false},
    {"&Print", "Print Set&up", Cmd::kPrintSetup, false},
    {"Sec&urity", "Create Keys (SSH&2)", Cmd::kCreateKeysSsh2, false},
    {"Sec&urity", "Key Manager (SS&H2)", Cmd::kKeyManagerSsh2, false},
    {"Sec&urity", "Create Keys (SSH&1)", Cmd::kCreateKeysSsh1, false},
    {"Sec&urity", "Key Manager (SSH1)", Cmd::kKeyManagerSsh1, false},
    {"&Window", "&New Window", Cmd::kNewWindow, false},
    {"&Window", "&Cascade", Cmd::kCascade, false},
    {"&Window", "&Tile", Cmd::kTile, false},
    {"&Window", "&Arrange Icons", Cmd::kArrangeIcons, false},
    {"&Window", "Ne&xt", Cmd::kNext, false},
    {"&Window", nullptr, 0, false},
    {"&Window", "&Hold Screen", Cmd::kHoldScreen, true},
    {"&Help", "&Content", Cmd::kContent, false},
    {"&Help", "Help on the &Web", Cmd::kHelpOnWeb, false},
    {"&Help", nullptr, 0, false},
    {"&Help", "&About Secure Ostrane...", Cmd::kAbout, false},
};

// Commands whose features come later; they stay disabled.
inline constexpr int kLaterCommands[] = {
    Cmd::kFontMaster,
};

// Commands that act on the active session; disabled while there is none.
inline constexpr int kSessionCommands[] = {
    Cmd::kClose,        Cmd::kSave,           Cmd::kSaveAs,       Cmd::kCopy,
    Cmd::kPaste,        Cmd::kSelectAll,      Cmd::kFind,         Cmd::kFindNext,
    Cmd::kHistory,      Cmd::kClearHistory,   Cmd::kScrollPageUp, Cmd::kScrollPageDown,
    Cmd::kScrollToTop,  Cmd::kScrollToBottom, Cmd::kLargerFont,   Cmd::kSmallerFont,
    Cmd::kNewWindow,    Cmd::kNext,           Cmd::kHoldScreen,   Cmd::kResetTerminal,
    Cmd::kClearDisplay, Cmd::kClearAll,       Cmd::kCapture,      Cmd::kReconnect,
    Cmd::kCascade,      Cmd::kTile,           Cmd::kArrangeIcons, Cmd::kRunScript,
    Cmd::kStopScript,   Cmd::kRecordMacro,    Cmd::kSendZModem,   Cmd::kReceiveZModem,
    Cmd::kPrintPage,    Cmd::kPrintSelection, Cmd::kPrintAll,     Cmd::kPrintingMode,
    Cmd::kPrintSetup,
};

// The one-line help the status bar shows while a command is hovered.
struct CommandHelp {
  int command;
  const char* text;
};
inline constexpr CommandHelp kCommandHelp[] = {
    {Cmd::kNew, "Open a new connection"},
    {Cmd::kOpen, "Open a session file"},
    {Cmd::kClose, "Close the active session"},
    {Cmd::kSave, "Save the active session's settings"},
    {Cmd::kSaveAs, "Save the active session's settings under a new name"},
    {Cmd::kSaveAsTemplate, "Save the active session's settings as a template"},
    {Cmd::kSettings, "Change the active session's settings"},
    {Cmd::kReconnect, "Connect the session to its host again"},
    {Cmd::kExit, "Quit the program, asking to save the sessions"},
    {Cmd::kCopy, "Copy the selection to the clipboard"},
    {Cmd::kPaste, "Send the clipboard's text to the host"},
    {Cmd::kSelectAll, "Select the whole screen and history"},
    {Cmd::kFind, "Find text on the screen and in the history"},
    {Cmd::kFindNext, "Find the next occurrence of the text"},
    {Cmd::kToolbar, "Show or hide the toolbar"},
    {Cmd::kStatusBar, "Show or hide the status bar"},
    {Cmd::kButtonPalette, "Show or hide the button palette"},
    {Cmd::kChatLine, "Show or hide the chat line"},
    {Cmd::kVtKeyboard, "Show or hide the VT keyboard"},
    {Cmd::kHistory, "Keep the lines that scroll off the screen"},
    {Cmd::kClearHistory, "Forget the lines kept in the history"},
    {Cmd::kScrollPageUp, "Scroll back one page"},
    {Cmd::kScrollPageDown, "Scroll forward one page"},
    {Cmd::kScrollToTop, "Scroll to the oldest line of the history"},
    {Cmd::kScrollToBottom, "Scroll back to the screen"},
    {Cmd::kLargerFont, "Make the characters larger"},
    {Cmd::kSmallerFont, "Make the characters smaller"},
    {Cmd::kFontMaster, "Use the active session's font in every session"},
    {Cmd::kResetTerminal, "Reset the terminal to its settings"},
    {Cmd::kClearDisplay, "Clear the screen"},
    {Cmd::kClearAll, "Clear the screen and the history"},
    {Cmd::kCapture, "Start or stop writing what the host sends to a file"},
    {Cmd::kSendZModem, "Send files to the host with ZModem"},
    {Cmd::kReceiveZModem, "Receive files from the host with ZModem"},
    {Cmd::kRunScript, "Run a script file in the active session"},
    {Cmd::kStopScript, "Stop the scripts running in the active session"},
    {Cmd::kRecordMacro, "Start or stop recording what you type as a macro"},
    {Cmd::kPrintPage, "Print the screen"},
    {Cmd::kPrintSelection, "Print the selection"},
    {Cmd::kPrintAll, "Print the screen and the history"},
    {Cmd::kPrintingMode, "Print each line as it is received"},
    {Cmd::kPrintSetup, "Choose the printer and its options"},
    {Cmd::kCreateKeysSsh2, "Create a key pair for SSH2 logins"},
    {Cmd::kKeyManagerSsh2, "Manage the SSH2 keys and known hosts"},
    {Cmd::kCreateKeysSsh1, "Create a key pair for SSH1 logins"},
    {Cmd::kKeyManagerSsh1, "Manage the SSH1 keys and known hosts"},
    {Cmd::kNewWindow, "Open another window on the active session"},
    {Cmd::kCascade, "Arrange the session windows overlapping"},
    {Cmd::kTile, "Arrange the session windows side by side"},
    {Cmd::kArrangeIcons, "Arrange the minimised session windows"},
    {Cmd::kNext, "Activate the next session window"},
    {Cmd::kHoldScreen, "Stop or resume showing what the host sends"},
    {Cmd::kContent, "Open the help"},
    {Cmd::kHelpOnWeb, "Open the help on the web"},
    {Cmd::kAbout, "Show the program's version"},
};

// "Secure Ostrane" and the version: the main window's title and the About box's.
inline QString AppTitle() {
  return QString("Secure Ostrane %1").arg(QLatin1String(kProductVersion));
}
inline constexpr char kHelpAddress[] = "https://kestrix.example/ostrane/help/";
inline constexpr char kSessionFilter[] = "OSN Files (*.osn)|*.osn|All Files (*.*) |*.*|";
inline constexpr char kAllFilesFilter[] = "All Files (*.*) |*.*|";
inline constexpr char kScriptFilter[] = "Ostrane Script Files (*.oss)|*.oss|All Files (*.*) |*.*|";

}  // namespace ostrane
