// The record of changed setting groups that a terminal object's ApplyChanges works through.
#pragma once

namespace ostrane {

struct CSettingsChange {
  bool historySize = false;
  bool historyCleared = false;
  bool pageGeometry = false;
  bool clearScreen = false;
  bool font = false;
  bool layout = false;
  bool repaint = false;
  bool cursor = false;
  bool margins = false;
  bool printModeOff = false;
  bool printModeOn = false;
  bool numLock = false;
  bool connectionSettings = false;
  bool title = false;
  bool buttons = false;

  bool Any() const {
    return historySize || historyCleared || pageGeometry || clearScreen || font || layout ||
           repaint || cursor || margins || printModeOff || printModeOn || numLock ||
           connectionSettings || title || buttons;
  }
};

}  // namespace ostrane
