// CPageKeymap: the Key Map page. The user picks a PC key on the picture of the chosen layout and
// a modifier combination, sees its mapping and assigns a new one: a VT key picked on the VT
// keyboard picture, a sequence, a menu item, a script or a script file.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdint>

#include "ui/keyboard_picture.h"
#include "ui/settings_page.h"

namespace ostrane {

// The menu paths a key may be mapped to, offered on the page; each names a main-window command.
inline constexpr const char* kKeyMapMenuPaths[] = {
    "Connection: New...",
    "Connection: Open...",
    "Connection: Close",
    "Connection: Save",
    "Connection: Save As...",
    "Connection: Save As Template...",
    "Connection: Settings...",
    "Connection: Exit",
    "Edit: Copy",
    "Edit: Paste",
    "Edit: Select All",
    "Edit: Find",
    "View: Toolbar",
    "View: Status Bar",
    "View: Button Palette",
    "View: VT Keyboard",
    "View: History",
    "View: Clear History",
    "View: Scroll Page Up",
    "View: Scroll Page Down",
    "View: Scroll to Top",
    "View: Scroll to Bottom",
    "View: Larger Font",
    "View: Smaller Font",
    "View: Font Master",
    "Window: New Window",
    "Window: Cascade",
    "Window: Tile",
    "Window: Arrange Icons",
    "Window: Next",
    "Window: Hold Screen",
    "Print: Print Page",
    "Print: Print Selection",
    "Print: Print All",
    "Print: Printing Mode",
    "Print: Print Setup",
};

class CPageKeymap : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CPageKeymap(CSettingsSheet& sheet);

  CKeyboardPicture* PcPicture() const { return pcPicture_; }
  CKeyboardPicture* VtPicture() const { return vtPicture_; }
  QComboBox* TemplateList() const { return templates_; }
  QComboBox* LayoutList() const { return layout_; }
  QComboBox* MappingList() const { return mapping_; }
  QComboBox* MenuList() const { return menu_; }
  QLineEdit* TextField() const { return text_; }
  QCheckBox* ModifierCheck(int bit) const { return modifiers_[bit]; }
  QPushButton* AssignButton() const { return assign_; }
  // The PC key whose mapping is shown; 0 for none.
  int SelectedKey() const { return key_; }
  void SelectKey(int pcKey);
  // "Assign": the mapping in the controls goes into the working key map; false (with the
  // message) when it is incomplete.
  bool Assign();

 protected:
  void LoadExtra(const CSettingsSet& settings, const CKeyMap& keyMap) override;
  bool StoreExtra(CSettingsSet& settings, CKeyMap& keyMap) override;

 private:
  uint8_t Modifiers() const;
  void ShowMapping();
  void MappingChanged(int index);
  void UseTemplate(int index);
  void ShowLayout(int layout);

  CKeyMap keys_;
  int key_ = 0;
  CKeyboardPicture* pcPicture_ = nullptr;
  CKeyboardPicture* vtPicture_ = nullptr;
  QComboBox* templates_ = nullptr;
  QComboBox* layout_ = nullptr;
  QLabel* keyName_ = nullptr;
  QCheckBox* modifiers_[3] = {};
  QComboBox* mapping_ = nullptr;
  QComboBox* menu_ = nullptr;
  QLineEdit* text_ = nullptr;
  QPushButton* assign_ = nullptr;
};

}  // namespace ostrane
