// IQuestions: every question the core asks the user goes through this one interface. The
// desktop program answers on its GUI thread while the asking thread waits; ostrane-cli and the
// tests answer from given values. Callers never hold the terminal lock while they ask.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ostrane {

inline constexpr char kMessageCaption[] = "Secure Ostrane";

enum class MessageButtons : uint8_t { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class MessageIcon : uint8_t { kNone, kInformation, kWarning, kQuestion, kStop };
enum class MessageAnswer : uint8_t { kOk, kCancel, kYes, kNo };

struct MessageQuestion {
  int messageId = 0;  // the string-table number; 0 for an unnumbered text
  std::string text;
  std::string caption = kMessageCaption;
  MessageButtons buttons = MessageButtons::kOk;
  MessageIcon icon = MessageIcon::kNone;
  MessageAnswer defaultAnswer = MessageAnswer::kOk;
};

struct FileQuestion {
  std::string title;
  std::string filter;  // "Text Files (*.txt)|*.txt|All Files (*.*) |*.*|"
  std::string defaultExtension;
  bool save = false;        // a file to write rather than one to read
  std::string initialName;  // the file name offered when the dialog opens; empty for none
};

// A line of text asked for (a script's input box). A browse button, when offered, fills the
// field with a chosen file name.
struct TextQuestion {
  enum class Browse : uint8_t { kNone, kSaveFile, kOpenFile };
  std::string title = "Input Box";
  std::string prompt;
  std::string initial;
  bool hidden = false;  // each typed character shown as "*"
  Browse browse = Browse::kNone;
};

class IQuestions {
 public:
  virtual ~IQuestions() = default;
  virtual MessageAnswer AskMessage(const MessageQuestion& question) = 0;
  // The chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> ChooseFile(const FileQuestion& question) = 0;
  // The confirmed text, or nothing when cancelled. Front ends without text input cancel.
  virtual std::optional<std::string> AskText(const TextQuestion& /*question*/) {
    return std::nullopt;
  }
};

}  // namespace ostrane
