// The settings sheet: each page's controls and the settings they store, the checks, and OK and
// Cancel on an open session, a session being created and the "default" template.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/paths.h"
#include "session/screen_json.h"
#include "session/settings_templates.h"
#include "session/setup_file.h"
#include "session/vt420_doc.h"
#include "settings/message_texts.h"
#include "ui/key_map_page.h"
#include "ui/settings_pages.h"
#include "ui/settings_sheet.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

namespace fs = std::filesystem;

// Records the messages a session asks to show.
class CRecordedQuestions : public IQuestions {
 public:
  MessageAnswer AskMessage(const MessageQuestion& q) override {
    std::lock_guard lock(mutex);
    ids.push_back(q.messageId);
    return MessageAnswer::kOk;
  }
  std::optional<std::string> ChooseFile(const FileQuestion&) override { return std::nullopt; }
  std::vector<int> Ids() {
    std::lock_guard lock(mutex);
    return ids;
  }
  std::mutex mutex;
  std::vector<int> ids;
};

template <class T>
T* Find(QWidget* page, const QString& text) {
  for (T* w : page->findChildren<T*>())
    if (w->text() == text) return w;
  return nullptr;
}

void Type(QLineEdit* field, const QString& text) {
  field->selectAll();
  field->del();
  QTest::keyClicks(field, text);
}

void Choose(QComboBox* box, const QString& text) {
  box->setCurrentIndex(box->findText(text));
}

class SettingsSheet : public testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    std::error_code ec;
    fs::remove(platform::DataFolder() + "/default.OSN", ec);
    settings_.SetInt(S::HostType, 2);  // a session over the local loop
  }
  // A sheet as the Settings command opens it for a session with these settings.
  std::unique_ptr<CSettingsSheet> Open(SettingsTarget target = SettingsTarget::kSession) {
    auto sheet = std::make_unique<CSettingsSheet>(settings_, keys_, target);
    sheet->SetMessageHandler([this](const QString& text) { messages_ << text; });
    return sheet;
  }
  QWidget* Page(CSettingsSheet& sheet, const char* caption) {
    QWidget* page = sheet.Page(caption);
    EXPECT_NE(page, nullptr) << caption;
    return page;
  }
  void Click(QWidget* page, const QString& text) {
    QAbstractButton* b = Find<QAbstractButton>(page, text);
    ASSERT_NE(b, nullptr) << text.toStdString();
    b->click();
  }

  CSettingsSet settings_;
  CKeyMap keys_;
  QStringList messages_;
};

TEST_F(SettingsSheet, PagesInTabOrderAndCommunicationOnlyForASession) {
  auto sheet = Open();
  QStringList tabs;
  for (int i = 0; i < sheet->Tabs()->count(); ++i) tabs << sheet->Tabs()->tabText(i);
  EXPECT_EQ(tabs, (QStringList{"General", "International", "Terminal", "Display", "Keyboard",
                               "Key Map", "Print", "Color Map", "Palette", "Communication",
                               "Buttons", "File Transfer"}));
  EXPECT_EQ(sheet->windowTitle(), "Ostrane Settings");
  EXPECT_EQ(Open(SettingsTarget::kNewConnection)->Page("Communication"), nullptr);
  EXPECT_EQ(Open(SettingsTarget::kDefaults)->Page("Communication"), nullptr);
}

TEST_F(SettingsSheet, GeneralAndInternationalStoreTheirControls) {
  auto sheet = Open();
  auto* general = static_cast<CPageGeneral*>(Page(*sheet, "General"));
  EXPECT_FALSE(general->LoginFields()->isEnabled());
  Click(general, "Run Login Script When Connected");
  EXPECT_TRUE(general->LoginFields()->isEnabled());
  Click(general, "Maximize Window When Opened");  // on by default
  Click(general, "Exit When the Last Window Closes");
  Click(general, "Copy Trailing Spaces");
  auto* intl = Page(*sheet, "International");
  auto lists = intl->findChildren<QComboBox*>();
  ASSERT_EQ(lists.size(), 4);
  Choose(lists[0], "KOI8-r (Russian); CP878");
  Choose(lists[2], "DEC Swedish");
  Click(intl, "Force ASCII for Typed Characters");
  sheet->accept();
  const CSettingsSet& w = sheet->Working();
  EXPECT_EQ(w.Int(S::LoginScript), 1);
  EXPECT_EQ(w.Int(S::Maximize), 0);
  EXPECT_EQ(w.Int(S::AutoExit), 1);
  EXPECT_EQ(w.Int(S::CopySpace), 1);
  EXPECT_EQ(w.Int(S::PrimarySet), 12);
  EXPECT_EQ(w.Int(S::NRC), 12);
  EXPECT_EQ(w.Int(S::ForceASCII), 1);
  EXPECT_EQ(sheet->result(), QDialog::Accepted);
}

TEST_F(SettingsSheet, StoredValuesNoListHoldsAreKeptAsTheyAre) {
  settings_.SetInt(S::PrimarySet, 2);  // DEC Graphic: not offered
  settings_.SetInt(S::MouseSupport, 9);
  settings_.SetInt(S::Pages, 0);
  auto sheet = Open();
  auto lists = Page(*sheet, "International")->findChildren<QComboBox*>();
  EXPECT_EQ(lists[0]->currentIndex(), -1);
  sheet->accept();
  EXPECT_EQ(sheet->Working().Int(S::PrimarySet), 2);
  EXPECT_EQ(sheet->Working().Int(S::MouseSupport), 9);
  EXPECT_EQ(sheet->Working().Int(S::Pages), 0);
}

TEST_F(SettingsSheet, TerminalPageMappings) {
  settings_.SetInt(S::TermID, 0);
  auto sheet = Open();
  auto* terminal = static_cast<CPageTerminal*>(Page(*sheet, "Terminal"));
  EXPECT_EQ(terminal->TermIdList()->currentText(), "VT420 ID");
  EXPECT_EQ(terminal->PageArrangementList()->currentText(), "24 Lines, 6 Pages");
  Click(terminal, "Display");
  Click(terminal, "132 Columns");
  Click(terminal, "Auto Wrap");
  Choose(terminal->PageArrangementList(), "36 Lines, 4 Pages");
  Choose(terminal->TermIdList(), "VT100 ID");
  Type(terminal->AnswerBackField(), "<ESC>[c");
  sheet->accept();
  const CSettingsSet& w = sheet->Working();
  EXPECT_EQ(w.Int(S::Interpret), 0);
  EXPECT_EQ(w.Int(S::Columns), 132);
  EXPECT_EQ(w.Int(S::AutoWrap), 1);
  EXPECT_EQ(w.Int(S::Pages), 4);
  EXPECT_EQ(w.Int(S::Lines), 36);
  EXPECT_EQ(w.Int(S::TermID), 5);
  EXPECT_EQ(w.Str(S::AnswerBack), "\x1b[c");
  // Shown again, the answerback reads as it was typed.
  settings_.CopyFrom(w);
  auto again = Open();
  EXPECT_EQ(static_cast<CPageTerminal*>(again->Page("Terminal"))->AnswerBackField()->text(),
            "<ESC>[c");
  // The xterm type is offered after the VT entries and shown again when stored.
  auto* terminalAgain = static_cast<CPageTerminal*>(again->Page("Terminal"));
  Choose(terminalAgain->TermIdList(), "xterm (256 colours)");
  again->accept();
  EXPECT_EQ(again->Working().Int(S::TermID), 6);
  settings_.CopyFrom(again->Working());
  auto xterm = Open();
  EXPECT_EQ(static_cast<CPageTerminal*>(xterm->Page("Terminal"))->TermIdList()->currentText(),
            "xterm (256 colours)");
}

TEST_F(SettingsSheet, HiddenAnswerbackOfAsterisksIsKeptAndUnhidingEmptiesIt) {
  settings_.SetStr(S::AnswerBack, "***");
  settings_.SetInt(S::HideABM, 1);
  auto sheet = Open();
  auto* terminal = static_cast<CPageTerminal*>(sheet->Page("Terminal"));
  EXPECT_EQ(terminal->AnswerBackField()->echoMode(), QLineEdit::Password);
  sheet->accept();
  EXPECT_EQ(sheet->Working().Str(S::AnswerBack), "***");
  auto other = Open();
  auto* page = static_cast<CPageTerminal*>(other->Page("Terminal"));
  page->HideCheck()->click();
  EXPECT_EQ(page->AnswerBackField()->text(), "");
  EXPECT_EQ(page->AnswerBackField()->echoMode(), QLineEdit::Normal);
}

TEST_F(SettingsSheet, NumbersOutOfRangeOrUnparsedTextAreRefusedAndNothingIsStored) {
  auto sheet = Open();
  auto* terminal = Page(*sheet, "Terminal");
  Click(terminal, "Auto Wrap");
  QLineEdit* saveLines = terminal->findChildren<QLineEdit*>()[1];
  Type(saveLines, "99999999999");
  sheet->accept();
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains("0 to 200000")) << messages_[0].toStdString();
  EXPECT_NE(sheet->result(), QDialog::Accepted);
  EXPECT_EQ(sheet->Tabs()->currentWidget(), terminal);
  EXPECT_EQ(sheet->Working().Int(S::AutoWrap), 0);  // the refused OK stored nothing
  Type(saveLines, "12x");
  sheet->accept();
  EXPECT_EQ(messages_.size(), 2);
  Type(saveLines, "5000");
  auto* display = Page(*sheet, "Display");
  Type(display->findChildren<QLineEdit*>().at(1), "99");  // a font size
  sheet->accept();
  EXPECT_EQ(messages_.size(), 3);
  EXPECT_TRUE(messages_[2].contains("6 to 32")) << messages_[2].toStdString();
  Type(display->findChildren<QLineEdit*>().at(1), "14");
  auto* xfer = Page(*sheet, "File Transfer");
  Type(xfer->findChildren<QLineEdit*>().at(1), "\\xZZ");  // the receive command
  sheet->accept();
  EXPECT_EQ(messages_.back(), "Invalid format in sequence.");
  Type(xfer->findChildren<QLineEdit*>().at(1), "rz -e^M");
  sheet->accept();
  EXPECT_EQ(sheet->result(), QDialog::Accepted);
  EXPECT_EQ(sheet->Working().Int(S::SaveLines), 5000);
  EXPECT_EQ(sheet->Working().Int(S::FontSize), 14);
  EXPECT_EQ(sheet->Working().Str(S::ZModemInit), "rz -e\r");
}

TEST_F(SettingsSheet, DisplayKeyboardAndPrintRadiosListsAndChecks) {
  auto sheet = Open();
  auto* display = Page(*sheet, "Display");
  Click(display, "Light Screen");
  Click(display, "Underline Cursor");
  Click(display, "Steady Cursor");
  Click(display, "Status Line");
  auto* keyboard = static_cast<CPageKeyboard*>(Page(*sheet, "Keyboard"));
  Click(keyboard, "Application Keypad");
  Click(keyboard, "Application Cursor");
  Click(keyboard, "Back Space");
  Click(keyboard, "No New Line");
  Click(keyboard, "Margin Bell");
  Click(keyboard, "Num Lock Switches the Keypad");
  keyboard->FunctionKeyList()->setCurrentIndex(2);
  keyboard->FunctionModeList()->activated(2);  // F3: Do Nothing
  keyboard->FunctionKeyList()->setCurrentIndex(4);
  keyboard->FunctionModeList()->activated(1);  // F5: Send Sequence
  keyboard->FunctionKeyList()->setCurrentIndex(2);
  EXPECT_EQ(keyboard->FunctionModeList()->currentText(), "Do Nothing");
  auto* print = static_cast<CPagePrint*>(Page(*sheet, "Print"));
  EXPECT_EQ(print->PrinterField()->currentText(), "Default Printer");
  print->PrinterField()->setCurrentText("Office Laser");
  Click(print, "Direct to Port");
  Click(print, "Form Feed at the End of a Job");
  sheet->accept();
  const CSettingsSet& w = sheet->Working();
  EXPECT_EQ(w.Int(S::DarkScreen), 0);
  EXPECT_EQ(w.Int(S::CursorType), 1);
  EXPECT_EQ(w.Int(S::CursorBlink), 0);
  EXPECT_EQ(w.Int(S::StatusLine), 1);
  EXPECT_EQ(w.Int(S::NumericKeypad), 0);
  EXPECT_EQ(w.Int(S::CursorKeys), 0);
  EXPECT_EQ(w.Int(S::BackArrow), 0);
  EXPECT_EQ(w.Int(S::NewLine), 0);
  EXPECT_EQ(w.Int(S::MarginBell), 1);
  EXPECT_EQ(w.Int(S::NumLock), 1);
  EXPECT_EQ(w.IntElement(S::FKeys, 2), 2);
  EXPECT_EQ(w.IntElement(S::FKeys, 4), 1);
  EXPECT_EQ(w.IntElement(S::FKeys, 0), 0);
  EXPECT_EQ(w.Int(S::DefaultPrinter), 0);
  EXPECT_EQ(w.Str(S::PrinterName), "Office Laser");
  EXPECT_EQ(w.Int(S::PrintTo), 2);
  EXPECT_EQ(w.Int(S::FFNeeded), 1);
}

TEST_F(SettingsSheet, ColourMapNeedsAnAttributeAndPaletteStoresColours) {
  auto sheet = Open();
  auto* map = static_cast<CPageColorMap*>(Page(*sheet, "Color Map"));
  map->MappedCheck()->click();
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_EQ(messages_[0], "Please select an attribute in attributes list.");
  EXPECT_FALSE(map->MappedCheck()->isChecked());
  map->AttributeList()->setCurrentRow(1);  // Bold
  map->MappedCheck()->click();
  map->ForeList()->setCurrentIndex(3);
  map->ForeList()->activated(3);
  map->BackList()->setCurrentIndex(4);
  map->BackList()->activated(4);
  auto* palette = static_cast<CPagePalette*>(Page(*sheet, "Palette"));
  palette->SetColour(5, 0x123456);
  sheet->accept();
  const ColourMapEntry bold = sheet->Working().LookUpColourMap(0x0701);
  EXPECT_TRUE(bold.mapped);
  EXPECT_EQ(bold.foreground, 3);
  EXPECT_EQ(bold.background, 4);
  EXPECT_FALSE(sheet->Working().LookUpColourMap(0x0700).mapped);
  EXPECT_EQ(sheet->Working().PaletteColour(5), 0x123456u);
  EXPECT_EQ(sheet->Working().PaletteColour(4), settings_.PaletteColour(4));
}

TEST_F(SettingsSheet, CommunicationStoresWhatTheChosenKindUses) {
  settings_.SetInt(S::HostType, 2);
  auto sheet = Open();
  auto* trans = static_cast<CPageTrans*>(Page(*sheet, "Communication"));
  EXPECT_EQ(trans->KindList()->currentText(), "Local");
  Choose(trans->KindList(), "Serial");
  trans->CommPortField()->setCurrentText("COM0");
  trans->BaudRateField()->setCurrentText("19200");
  Choose(trans->ParityList(), "Odd");
  Choose(trans->DataLengthList(), "7");
  sheet->accept();
  const CSettingsSet& w = sheet->Working();
  EXPECT_EQ(w.Int(S::HostType), 1);
  EXPECT_EQ(w.Int(S::Port), 0);
  EXPECT_EQ(w.Int(S::Speed), 19200);
  EXPECT_EQ(w.Int(S::Parity), 1);
  EXPECT_EQ(w.Int(S::DataLength), 7);
  settings_.CopyFrom(w);
  auto again = Open();
  auto* shown = static_cast<CPageTrans*>(again->Page("Communication"));
  EXPECT_EQ(shown->CommPortField()->currentText(), "COM1");
  Choose(shown->KindList(), "Telnet Proxy");
  Type(shown->HostField(), "inside.example");
  shown->PortField()->setCurrentText("Telnet");
  again->accept();
  EXPECT_EQ(messages_, QStringList{"Please specify address of both host and proxy."});
  Type(shown->ProxyHostField(), "gate.example");
  Type(shown->ProxyPortField(), "8023");
  again->accept();
  EXPECT_EQ(again->Working().Int(S::HostType), 0);
  EXPECT_EQ(again->Working().Str(S::Proxy), "gate.example");
  EXPECT_EQ(again->Working().Int(S::Speed), 8023);
  EXPECT_EQ(again->Working().Int(S::Port), 23);
  settings_.CopyFrom(again->Working());
  settings_.SetStr(S::SshPassword, "kept");
  auto ssh = Open();
  auto* sshPage = static_cast<CPageTrans*>(ssh->Page("Communication"));
  Choose(sshPage->KindList(), "SSH");
  sshPage->PortField()->setCurrentText("22");
  Type(sshPage->SshUserField(), "ann");
  sshPage->SavePasswordCheck()->setChecked(false);
  ssh->accept();
  EXPECT_EQ(ssh->Working().Int(S::HostType), 5);
  EXPECT_EQ(ssh->Working().Str(S::SshUser), "ann");
  EXPECT_EQ(ssh->Working().Str(S::SshPassword), "");
}

TEST_F(SettingsSheet, ButtonsKeepEachButtonAndRefuseBadStrings) {
  auto sheet = Open();
  auto* buttons = static_cast<CPageButtons*>(Page(*sheet, "Buttons"));
  Type(buttons->CaptionField(), "List");
  Type(buttons->StringField(), "ls -l^M");
  buttons->ButtonList()->setCurrentRow(9);
  Type(buttons->CaptionField(), "Bad");
  Type(buttons->StringField(), "\\x");
  buttons->ButtonList()->setCurrentRow(3);
  EXPECT_EQ(messages_, QStringList{"Invalid format in sequence."});
  EXPECT_EQ(buttons->ButtonList()->currentRow(), 9);
  Choose(buttons->ActionList(), "Execute Script");  // script text is not a sequence
  sheet->accept();
  const CSettingsSet& w = sheet->Working();
  EXPECT_EQ(w.ButtonCaption(0), "List");
  EXPECT_EQ(w.ButtonString(0), "ls -l^M");
  EXPECT_EQ(w.ButtonCaption(9), "Bad");
  EXPECT_EQ(w.ButtonAction(9), 1);
  EXPECT_EQ(buttons->ButtonList()->item(0)->text(), "Button #01 List");
}

TEST_F(SettingsSheet, KeyMapAssignsAndChecksMappings) {
  auto sheet = Open();
  auto* page = static_cast<CPageKeymap*>(Page(*sheet, "Key Map"));
  QTest::mouseClick(page->PcPicture(), Qt::LeftButton, Qt::NoModifier,
                    page->PcPicture()->KeyCentre(PcKey::kF1 + 5));  // F6
  ASSERT_EQ(page->SelectedKey(), PcKey::kF1 + 5);
  page->ModifierCheck(1)->setChecked(true);  // Ctrl
  Choose(page->MappingList(), "Map to VT Key");
  EXPECT_FALSE(page->Assign());
  EXPECT_EQ(messages_.back(), "Please select one VT key click left mouse button.");
  QTest::mouseClick(page->VtPicture(), Qt::LeftButton, Qt::NoModifier,
                    page->VtPicture()->KeyCentre(81));  // Find
  EXPECT_TRUE(page->Assign());
  Choose(page->MappingList(), "Send Sequence");
  page->ModifierCheck(1)->setChecked(false);
  Choose(page->MappingList(), "Send Sequence");
  Type(page->TextField(), "\\xG");
  EXPECT_FALSE(page->Assign());
  EXPECT_EQ(messages_.back(), "Invalid format in sequence.");
  Type(page->TextField(), "<ESC>Ox");
  EXPECT_TRUE(page->Assign());
  page->SelectKey(PcKey::kF1 + 6);
  Choose(page->MappingList(), "Map to Menu Item");
  page->MenuList()->setCurrentIndex(-1);
  EXPECT_FALSE(page->Assign());
  EXPECT_EQ(messages_.back(), "Please select a menu item.");
  Choose(page->MenuList(), "View: VT Keyboard");
  EXPECT_TRUE(page->Assign());
  sheet->accept();
  const CKeyMap& k = sheet->WorkingKeyMap();
  EXPECT_EQ(k.Lookup(PcKey::kF1 + 5, KeyMod::kCtrl).action, 81);
  EXPECT_EQ(k.Lookup(PcKey::kF1 + 5, 0).text, "\x1bOx");
  EXPECT_EQ(k.Lookup(PcKey::kF1 + 6, 0).text, "View: VT Keyboard");
}

TEST_F(SettingsSheet, KeyMapTemplatesAndALayoutOutsideTheTable) {
  settings_.SetInt(S::KBLayout, 7);
  auto sheet = Open();
  auto* page = static_cast<CPageKeymap*>(Page(*sheet, "Key Map"));
  EXPECT_EQ(page->LayoutList()->currentIndex(), -1);
  // The built-in picture is shown, and clicking it works.
  QTest::mouseClick(page->PcPicture(), Qt::LeftButton, Qt::NoModifier,
                    page->PcPicture()->KeyCentre(PcKey::kEsc));
  EXPECT_EQ(page->SelectedKey(), PcKey::kEsc);
  page->TemplateList()->activated(2);  // "Linux Console Keyboard"
  sheet->accept();
  CKeyMap linux;
  linux.ApplyTemplate(2);
  EXPECT_EQ(sheet->WorkingKeyMap(), linux);
  EXPECT_EQ(sheet->Working().Int(S::KBLayout), 7);
}

TEST_F(SettingsSheet, TemplatesReplaceTheWorkingCopyOrSayTheyCannotBeLoaded) {
  {
    CVT420Emulator t;
    t.Settings().SetInt(S::AutoWrap, 1);
    t.Settings().SetStr(S::Title, "From template");
    t.KeyMap().ApplyTemplate(1);
    ASSERT_TRUE(SaveTemplate(t, "work"));
  }
  auto sheet = Open();
  auto* general = static_cast<CPageGeneral*>(Page(*sheet, "General"));
  general->TemplateField()->setCurrentText("missing");
  general->ApplyTemplate();
  EXPECT_EQ(messages_, QStringList{"Cannot load settings from template."});
  general->TemplateField()->setCurrentText("work");
  general->ApplyTemplate();
  auto* title = Find<QLineEdit>(general, "From template");
  EXPECT_NE(title, nullptr);  // the page shows the template's values
  sheet->accept();
  EXPECT_EQ(sheet->Working().Int(S::AutoWrap), 1);
  CKeyMap sco;
  sco.ApplyTemplate(1);
  EXPECT_EQ(sheet->WorkingKeyMap(), sco);
}

// ---- Applying the sheet ----

class SettingsOnSession : public SettingsSheet {
 protected:
  void StartLocal() {
    doc_.SetQuestions(&questions_);
    {
      std::lock_guard lock(doc_.Terminal().Mutex());
      doc_.Settings().SetInt(S::HostType, 2);
    }
    ASSERT_TRUE(doc_.StartNewSession());
    ASSERT_TRUE(
        test::WaitUntil([&] { return doc_.ConnectionState() == TransportState::kConnected; }));
  }
  std::unique_ptr<CSettingsSheet> OpenForDoc() {
    std::lock_guard lock(doc_.Terminal().Mutex());
    auto sheet = std::make_unique<CSettingsSheet>(doc_.Settings(), doc_.Terminal().KeyMap(),
                                                  SettingsTarget::kSession);
    sheet->SetMessageHandler([this](const QString& text) { messages_ << text; });
    return sheet;
  }
  void Feed(std::string_view bytes) {
    std::lock_guard lock(doc_.Terminal().Mutex());
    doc_.Terminal().ReceiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  int Setting(int position) {
    std::lock_guard lock(doc_.Terminal().Mutex());
    return doc_.Settings().Int(position);
  }

  CRecordedQuestions questions_;
  CVT420Doc doc_;
};

TEST_F(SettingsOnSession, ColumnsResizeTheScreenAndTheSessionIsModified) {
  StartLocal();
  Feed("old text");
  auto sheet = OpenForDoc();
  Click(sheet->Page("Terminal"), "132 Columns");
  sheet->accept();
  EXPECT_TRUE(ApplySheetToSession(*sheet, doc_));
  EXPECT_TRUE(doc_.IsModified());
  std::lock_guard lock(doc_.Terminal().Mutex());
  const std::string json = ScreenToJson(doc_.Terminal(), "");
  EXPECT_NE(json.find("\"columns\":132"), std::string::npos) << json.substr(0, 80);
  EXPECT_EQ(json.find("old text"), std::string::npos);  // a new geometry starts cleared
}

TEST_F(SettingsOnSession, ConnectionChangeIsToldAndTheOpenConnectionGoesOn) {
  StartLocal();
  CTransport* before = doc_.Transport();
  auto sheet = OpenForDoc();
  auto* trans = static_cast<CPageTrans*>(sheet->Page("Communication"));
  Choose(trans->KindList(), "Telnet");
  Type(trans->HostField(), "elsewhere.example");
  sheet->accept();
  ASSERT_EQ(sheet->result(), QDialog::Accepted);
  ApplySheetToSession(*sheet, doc_);
  EXPECT_EQ(questions_.Ids(), std::vector<int>{Msg::kRestartNeeded});
  EXPECT_EQ(doc_.Transport(), before);
  EXPECT_EQ(doc_.ConnectionState(), TransportState::kConnected);
  EXPECT_EQ(Setting(S::HostType), 0);
}

TEST_F(SettingsOnSession, ModesTheHostSetWhileTheSheetWasOpenSurviveOk) {
  StartLocal();
  auto sheet = OpenForDoc();
  Feed("\x1b[?3h\x1b[?1h");  // 132 columns, application cursor keys
  ASSERT_EQ(Setting(S::Columns), 132);
  Click(sheet->Page("Terminal"), "Auto Wrap");
  sheet->accept();
  EXPECT_TRUE(ApplySheetToSession(*sheet, doc_));
  EXPECT_EQ(Setting(S::Columns), 132);
  EXPECT_EQ(Setting(S::CursorKeys), 0);
  EXPECT_EQ(Setting(S::AutoWrap), 1);
}

TEST_F(SettingsOnSession, CancelAndAnUnchangedOkChangeNothing) {
  StartLocal();
  auto sheet = OpenForDoc();
  Click(sheet->Page("Terminal"), "132 Columns");
  sheet->reject();
  EXPECT_EQ(Setting(S::Columns), 80);
  auto unchanged = OpenForDoc();
  unchanged->accept();
  EXPECT_FALSE(ApplySheetToSession(*unchanged, doc_));
  EXPECT_FALSE(doc_.IsModified());
  EXPECT_TRUE(questions_.Ids().empty());
}

TEST_F(SettingsSheet, DefaultTemplateIsWrittenAndTheNextSessionStartsFromIt) {
  auto sheet = Open(SettingsTarget::kDefaults);
  Click(sheet->Page("Terminal"), "Auto Wrap");
  Click(sheet->Page("Display"), "Light Screen");
  sheet->accept();
  ASSERT_TRUE(SaveSheetAsDefault(*sheet));
  CVT420Doc next;
  next.PrepareNewSession();
  std::lock_guard lock(next.Terminal().Mutex());
  EXPECT_EQ(next.Settings().Int(S::AutoWrap), 1);
  EXPECT_EQ(next.Settings().Int(S::DarkScreen), 0);
}

TEST_F(SettingsSheet, AFailedSaveOfTheDefaultTemplateKeepsTheOldFile) {
  auto first = Open(SettingsTarget::kDefaults);
  Click(first->Page("Terminal"), "Auto Wrap");
  first->accept();
  ASSERT_TRUE(SaveSheetAsDefault(*first));
  const std::string path = *TemplatePath(kDefaultTemplate);
  const auto size = fs::file_size(path);
  fs::create_directory(path + ".new");  // the temporary file cannot be made
  auto second = Open(SettingsTarget::kDefaults);
  second->accept();
  EXPECT_FALSE(SaveSheetAsDefault(*second));
  fs::remove(path + ".new");
  EXPECT_EQ(fs::file_size(path), size);
  CSettingsSet read;
  CKeyMap keys;
  ASSERT_EQ(ReadSetupFile(path, read, keys), SetupFileStatus::kOk);
  EXPECT_EQ(read.Int(S::AutoWrap), 1);
}

TEST_F(SettingsSheet, NewConnectionSheetReplacesTheNewSessionsSettings) {
  auto sheet = Open(SettingsTarget::kNewConnection);
  Click(sheet->Page("Terminal"), "Local Echo");
  sheet->accept();
  CSettingsSet target;
  CKeyMap keys;
  ApplySheetToNewSession(*sheet, target, keys);
  EXPECT_EQ(target.Int(S::LocalEcho), 1);
}

}  // namespace
}  // namespace ostrane
