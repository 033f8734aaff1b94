// The pages of the settings sheet but the key map's, in tab order. Each binds its controls to
// settings in its constructor; the few controls that are not one-to-one have their own steps.
#pragma once

#include <QComboBox>
#include <QFormLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <array>
#include <cstdint>
#include <string>

#include "ui/settings_page.h"

namespace ostrane {

class CPageGeneral : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CPageGeneral(CSettingsSheet& sheet);
  QComboBox* TemplateField() const { return template_; }
  QCheckBox* LoginScriptCheck() const { return loginScript_; }
  QWidget* LoginFields() const { return loginFields_; }
  // "Apply": the template named in the field replaces the working copies.
  void ApplyTemplate();

 protected:
  void LoadExtra(const CSettingsSet& settings, const CKeyMap& keyMap) override;

 private:
  QComboBox* template_ = nullptr;
  QCheckBox* loginScript_ = nullptr;
  QWidget* loginFields_ = nullptr;
};

class CPageIntl : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CPageIntl(CSettingsSheet& sheet);
};

class CPageTerminal : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CPageTerminal(CSettingsSheet& sheet);
  QLineEdit* AnswerBackField() const { return answerBack_; }
  QCheckBox* HideCheck() const { return hide_; }
  QComboBox* PageArrangementList() const { return arrangement_; }
  QComboBox* TermIdList() const { return termId_; }

 protected:
  void LoadExtra(const CSettingsSet& settings, const CKeyMap& keyMap) override;
  bool StoreExtra(CSettingsSet& settings, CKeyMap& keyMap) override;

 private:
  void HideChanged(bool hide);

  QLineEdit* answerBack_ = nullptr;
  QCheckBox* hide_ = nullptr;
  QComboBox* arrangement_ = nullptr;
  QComboBox* termId_ = nullptr;
};

class CPageDisplay : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CPageDisplay(CSettingsSheet& sheet);
};

class CPageKeyboard : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CPageKeyboard(CSettingsSheet& sheet);
  QComboBox* FunctionKeyList() const { return fkey_; }
  QComboBox* FunctionModeList() const { return fmode_; }

 protected:
  void LoadExtra(const CSettingsSet& settings, const CKeyMap& keyMap) override;
  bool StoreExtra(CSettingsSet& settings, CKeyMap& keyMap) override;

 private:
  QComboBox* fkey_ = nullptr;
  QComboBox* fmode_ = nullptr;
  std::array<int, 5> modes_{};
};

class CPagePrint : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CPagePrint(CSettingsSheet& sheet);
  QComboBox* PrinterField() const { return printer_; }

 protected:
  void LoadExtra(const CSettingsSet& settings, const CKeyMap& keyMap) override;
  bool StoreExtra(CSettingsSet& settings, CKeyMap& keyMap) override;

 private:
  QComboBox* printer_ = nullptr;
};

// The colour map: per attribute combination, whether it is mapped, to which colours, and
// whether underline and blink are still shown.
class CPageColorMap : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CPageColorMap(CSettingsSheet& sheet);
  QListWidget* AttributeList() const { return attributes_; }
  QCheckBox* MappedCheck() const { return mapped_; }
  QComboBox* ForeList() const { return fore_; }
  QComboBox* BackList() const { return back_; }
  QCheckBox* DisplayAttrCheck() const { return displayAttr_; }

 protected:
  void LoadExtra(const CSettingsSet& settings, const CKeyMap& keyMap) override;
  bool StoreExtra(CSettingsSet& settings, CKeyMap& keyMap) override;

 private:
  void ShowCombination(int row);
  void ControlsChanged();

  QListWidget* attributes_ = nullptr;
  QCheckBox* mapped_ = nullptr;
  QComboBox* fore_ = nullptr;
  QComboBox* back_ = nullptr;
  QCheckBox* displayAttr_ = nullptr;
  std::array<uint8_t, 16> mappedValues_{};
  std::array<uint8_t, 16> foreValues_{};
  std::array<uint8_t, 16> backValues_{};
  std::array<uint8_t, 16> displayValues_{};
  bool showing_ = false;
};

class CPagePalette : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CPagePalette(CSettingsSheet& sheet);
  QPushButton* Swatch(int index) const { return swatches_[static_cast<size_t>(index)]; }
  uint32_t Colour(int index) const { return colours_[static_cast<size_t>(index)]; }
  void SetColour(int index, uint32_t rgb);

 protected:
  void LoadExtra(const CSettingsSet& settings, const CKeyMap& keyMap) override;
  bool StoreExtra(CSettingsSet& settings, CKeyMap& keyMap) override;

 private:
  std::array<QPushButton*, 16> swatches_{};
  std::array<uint32_t, 16> colours_{};
};

// The connection of an open session. The kind chosen decides which settings are stored.
class CPageTrans : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CPageTrans(CSettingsSheet& sheet);
  QComboBox* KindList() const { return kind_; }
  QLineEdit* HostField() const { return host_; }
  QComboBox* PortField() const { return port_; }
  QLineEdit* ProxyHostField() const { return proxyHost_; }
  QLineEdit* ProxyPortField() const { return proxyPort_; }
  QComboBox* CommPortField() const { return commPort_; }
  QComboBox* BaudRateField() const { return baud_; }
  QComboBox* ParityList() const { return parity_; }
  QComboBox* DataLengthList() const { return dataLength_; }
  QLineEdit* PhoneField() const { return phone_; }
  QComboBox* ModemList() const { return modem_; }
  QLineEdit* SshUserField() const { return sshUser_; }
  QCheckBox* SavePasswordCheck() const { return savePassword_; }

 protected:
  void LoadExtra(const CSettingsSet& settings, const CKeyMap& keyMap) override;
  bool StoreExtra(CSettingsSet& settings, CKeyMap& keyMap) override;

 private:
  // Shows the rows the kind uses.
  void ShowKind(int index);

  QFormLayout* form_ = nullptr;
  QComboBox* kind_ = nullptr;
  QStackedWidget* fields_ = nullptr;
  QLineEdit* host_ = nullptr;
  QComboBox* port_ = nullptr;
  QLineEdit* proxyHost_ = nullptr;
  QLineEdit* proxyPort_ = nullptr;
  QComboBox* commPort_ = nullptr;
  QComboBox* baud_ = nullptr;
  QComboBox* dataLength_ = nullptr;
  QComboBox* parity_ = nullptr;
  QComboBox* stopBits_ = nullptr;
  QComboBox* flow_ = nullptr;
  QLineEdit* phone_ = nullptr;
  QComboBox* modem_ = nullptr;
  QComboBox* sshVersion_ = nullptr;
  QLineEdit* sshUser_ = nullptr;
  QCheckBox* savePassword_ = nullptr;
};

// The 32 buttons of the button bar: caption, string and action of the one selected.
class CPageButtons : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CPageButtons(CSettingsSheet& sheet);
  QListWidget* ButtonList() const { return list_; }
  QLineEdit* CaptionField() const { return caption_; }
  QLineEdit* StringField() const { return string_; }
  QComboBox* ActionList() const { return action_; }

 protected:
  void LoadExtra(const CSettingsSet& settings, const CKeyMap& keyMap) override;
  bool StoreExtra(CSettingsSet& settings, CKeyMap& keyMap) override;

 private:
  // Keeps the fields of the selected button; false when its string does not parse.
  bool KeepSelected();
  void ShowSelected(int row);

  QListWidget* list_ = nullptr;
  QLineEdit* caption_ = nullptr;
  QLineEdit* string_ = nullptr;
  QComboBox* action_ = nullptr;
  std::array<std::string, 32> captions_;
  std::array<std::string, 32> strings_;
  std::array<int, 32> actions_{};
  int shown_ = -1;
};

class CPageXfer : public CSettingsPage {
  Q_OBJECT

 public:
  explicit CPageXfer(CSettingsSheet& sheet);
};

}  // namespace ostrane
