// CSettingsSheet: the "Ostrane Settings" dialog. Its pages edit one working copy of a settings
// set and of a key map; OK stores every page into the copy, and the caller then applies the copy
// to what the sheet was opened for: an open session (only what the user changed, so modes the
// host set meanwhile stay), the session New Connection is creating, or the "default" template.
#pragma once

#include <QDialog>
#include <QTabWidget>
#include <functional>
#include <string>
#include <vector>

#include "keyboard/key_map.h"
#include "settings/settings_set.h"

namespace ostrane {

class CProfile;
class CSettingsPage;
class CVT420Doc;

// kDefaults: the default template, edited with no session open.
enum class SettingsTarget { kSession, kNewConnection, kDefaults };

class CSettingsSheet : public QDialog {
  Q_OBJECT

 public:
  // settings and keyMap are copied; the sheet never writes them. profile, when given, names the
  // modems the Communication page offers; it must outlive the sheet.
  CSettingsSheet(const CSettingsSet& settings, const CKeyMap& keyMap, SettingsTarget target,
                 QWidget* parent = nullptr, const CProfile* profile = nullptr);
  ~CSettingsSheet() override;

  SettingsTarget Target() const { return target_; }
  const CProfile* Profile() const { return profile_; }
  const CSettingsSet& Working() const { return working_; }
  const CKeyMap& WorkingKeyMap() const { return workingKeys_; }
  // What the sheet started from, to tell the user's changes from the host's.
  const CSettingsSet& Snapshot() const { return snapshot_; }
  const CKeyMap& SnapshotKeyMap() const { return snapshotKeys_; }

  QTabWidget* Tabs() const { return tabs_; }
  // The page with the caption; nullptr when the sheet has none.
  CSettingsPage* Page(const QString& caption) const;

  // Loads the template into the working copies and every page; false (and the message "Cannot
  // load settings from template.") when it cannot be read, with nothing changed. With
  // keyMapOnly only the key map is taken from it.
  bool UseTemplate(const std::string& name, bool keyMapOnly);
  // The working key map after the Key Map page replaced it.
  void SetWorkingKeyMap(const CKeyMap& keyMap) { workingKeys_ = keyMap; }

  // Where messages go; by default a message box.
  void SetMessageHandler(std::function<void(const QString&)> handler) {
    messageHandler_ = std::move(handler);
  }
  void Message(const QString& text);

 public slots:
  // Stores every page; a page that refuses a value keeps the sheet open on that page.
  void accept() override;

 private:
  void AddPage(CSettingsPage* page);
  void ReloadPages();

  SettingsTarget target_;
  const CProfile* profile_;
  CSettingsSet snapshot_;
  CKeyMap snapshotKeys_;
  CSettingsSet working_;
  CKeyMap workingKeys_;
  QTabWidget* tabs_ = nullptr;
  std::vector<CSettingsPage*> pages_;
  std::function<void(const QString&)> messageHandler_;
};

// After OK on a session's sheet: what the user changed goes into the session, which is marked
// modified and applies it (a changed connection tells the user it takes effect on the next
// connection and leaves the open one alone). False when nothing changed.
bool ApplySheetToSession(const CSettingsSheet& sheet, CVT420Doc& doc);
// After OK on the sheet of a session being created: the working copies replace its settings.
void ApplySheetToNewSession(const CSettingsSheet& sheet, CSettingsSet& settings, CKeyMap& keyMap);
// After OK with no session: the working copies become the "default" template; false when it
// could not be written (the old file stays).
bool SaveSheetAsDefault(const CSettingsSheet& sheet);

}  // namespace ostrane
