#include "ui/settings_sheet.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>
#include <filesystem>
#include <mutex>

#include "session/settings_edit.h"
#include "session/settings_templates.h"
#include "session/setup_file.h"
#include "session/vt420_doc.h"
#include "ui/key_map_page.h"
#include "ui/qt_questions.h"
#include "ui/settings_pages.h"

namespace ostrane {

CSettingsSheet::CSettingsSheet(const CSettingsSet& settings, const CKeyMap& keyMap,
                               SettingsTarget target, QWidget* parent, const CProfile* profile)
    : QDialog(parent),
      target_(target),
      profile_(profile),
      snapshotKeys_(keyMap),
      workingKeys_(keyMap) {
  setWindowTitle("Ostrane Settings");
  snapshot_.CopyFrom(settings);
  working_.CopyFrom(settings);
  tabs_ = new QTabWidget(this);
  tabs_->setUsesScrollButtons(true);
  AddPage(new CPageGeneral(*this));
  AddPage(new CPageIntl(*this));
  AddPage(new CPageTerminal(*this));
  AddPage(new CPageDisplay(*this));
  AddPage(new CPageKeyboard(*this));
  AddPage(new CPageKeymap(*this));
  AddPage(new CPagePrint(*this));
  AddPage(new CPageColorMap(*this));
  AddPage(new CPagePalette(*this));
  // The connection of a session being created or of the template is chosen elsewhere.
  if (target_ == SettingsTarget::kSession) AddPage(new CPageTrans(*this));
  AddPage(new CPageButtons(*this));
  AddPage(new CPageXfer(*this));
  ReloadPages();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CSettingsSheet::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CSettingsSheet::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addWidget(buttons);
}

CSettingsSheet::~CSettingsSheet() = default;

void CSettingsSheet::AddPage(CSettingsPage* page) {
  pages_.push_back(page);
  tabs_->addTab(page, page->Caption());
}

CSettingsPage* CSettingsSheet::Page(const QString& caption) const {
  for (CSettingsPage* page : pages_)
    if (page->Caption() == caption) return page;
  return nullptr;
}

void CSettingsSheet::ReloadPages() {
  for (CSettingsPage* page : pages_) page->Load(working_, workingKeys_);
}

bool CSettingsSheet::UseTemplate(const std::string& name, bool keyMapOnly) {
  CSettingsSet settings;
  CKeyMap keys;
  const auto path = TemplatePath(name);
  if (!path || ReadSetupFile(*path, settings, keys) != SetupFileStatus::kOk) {
    Message(QString::fromUtf8(kTextCannotLoadTemplate.data(),
                              static_cast<qsizetype>(kTextCannotLoadTemplate.size())));
    return false;
  }
  if (keyMapOnly) {
    workingKeys_ = keys;
    if (auto* page = static_cast<CPageKeymap*>(Page("Key Map"))) page->Load(working_, keys);
    return true;
  }
  working_.CopyFrom(settings);
  workingKeys_ = keys;
  ReloadPages();
  return true;
}

void CSettingsSheet::Message(const QString& text) {
  if (messageHandler_)
    messageHandler_(text);
  else
    ShowMessage(this, text);
}

void CSettingsSheet::accept() {
  // Pages store into a scratch copy, so a refused value leaves the working copy whole.
  CSettingsSet scratch;
  scratch.CopyFrom(working_);
  CKeyMap keys = workingKeys_;
  for (CSettingsPage* page : pages_) {
    if (!page->Store(scratch, keys)) {
      tabs_->setCurrentWidget(page);
      return;
    }
  }
  working_.CopyFrom(scratch);
  workingKeys_ = keys;
  QDialog::accept();
}

bool ApplySheetToSession(const CSettingsSheet& sheet, CVT420Doc& doc) {
  CSettingsChange change;
  bool changed;
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    changed = ApplyEditedSettings(sheet.Snapshot(), sheet.Working(), doc.Settings(), change);
    changed =
        ApplyEditedKeyMap(sheet.SnapshotKeyMap(), sheet.WorkingKeyMap(), doc.Terminal().KeyMap()) ||
        changed;
  }
  if (!changed) return false;
  doc.SetModified(true);
  doc.ApplyChanges(change);
  return true;
}

void ApplySheetToNewSession(const CSettingsSheet& sheet, CSettingsSet& settings, CKeyMap& keyMap) {
  settings.CopyFrom(sheet.Working());
  keyMap = sheet.WorkingKeyMap();
}

bool SaveSheetAsDefault(const CSettingsSheet& sheet) {
  const auto path = TemplatePath(kDefaultTemplate);
  if (!path) return false;
  CSettingsSet settings;
  settings.CopyFrom(sheet.Working());
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(*path).parent_path(), ec);
  return WriteSetupFile(*path, settings, sheet.WorkingKeyMap()) == SetupFileStatus::kOk;
}

}  // namespace ostrane
