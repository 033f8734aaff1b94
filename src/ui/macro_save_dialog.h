// CMacroSaveDialog: "Save Recorded Macro". The recorded script can go to a button of the button
// bar, to a mapped key, to the clipboard and to a file, in any combination, after an optional
// edit. The dialog only collects the choices; the main window carries them out.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ostrane {

struct MacroSaveChoice {
  std::string script;
  std::optional<int> button;  // 0-31
  std::string caption;
  std::optional<int> key;  // PC key code
  uint8_t modifiers = 0;   // Alt 1, Ctrl 2, Shift 4
  bool clipboard = false;
  bool file = false;
};

inline constexpr char kMacroDialogTitle[] = "Save Recorded Macro";
inline constexpr char kTextMacroRecorded[] =
    "Your macro has been recorded as a Ostrane script. Please select to where you want to save "
    "the generated script:";
inline constexpr char kTextNoCaption[] = "Please specify a caption for the button.";
inline constexpr char kTextNoSingleCharacter[] =
    "Please specify a single character for mapped key.";

class CMacroSaveDialog : public QDialog {
  Q_OBJECT

 public:
  // captions: the 32 buttons' current captions.
  CMacroSaveDialog(const std::string& script, const std::vector<std::string>& captions,
                   QWidget* parent = nullptr);

  MacroSaveChoice Choice() const;
  // Replaces the box that shows a refusal (tests collect the texts).
  void SetMessageHandler(std::function<void(const QString&)> handler);

  void accept() override;

 private:
  std::optional<int> ChosenKey() const;
  void Refuse(const QString& text);

  std::string recorded_;
  QPlainTextEdit* script_ = nullptr;
  QCheckBox* toButton_ = nullptr;
  QComboBox* buttons_ = nullptr;
  QLineEdit* caption_ = nullptr;
  QCheckBox* toKey_ = nullptr;
  QComboBox* keys_ = nullptr;
  QLineEdit* character_ = nullptr;
  QCheckBox* ctrl_ = nullptr;
  QCheckBox* alt_ = nullptr;
  QCheckBox* shift_ = nullptr;
  QCheckBox* toClipboard_ = nullptr;
  QCheckBox* toFile_ = nullptr;
  QCheckBox* edit_ = nullptr;
  std::function<void(const QString&)> messageHandler_;
};

}  // namespace ostrane
