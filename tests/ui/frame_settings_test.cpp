// The Settings command from the toolbar, the view's right-button menu, New Connection and with
// no session, and the VT Keyboard window typing into the active session.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "session/settings_templates.h"
#include "session/setup_file.h"
#include "support/test_folder.h"
#include "ui/child_frame.h"
#include "ui/main_frame.h"
#include "ui/new_connection_dialog.h"
#include "ui/qt_questions.h"
#include "ui/save_template_dialog.h"
#include "ui/settings_page.h"
#include "ui/settings_sheet.h"
#include "ui/vt_keyboard_window.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

// Runs act on the next modal dialog of type T once it is shown.
template <class T>
void WhenModal(std::function<void(T*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(dialog);
  });
  timer->start();
}

void ClickText(QWidget* page, const QString& text) {
  for (QAbstractButton* b : page->findChildren<QAbstractButton*>())
    if (b->text() == text) return b->click();
  ADD_FAILURE() << "no button " << text.toStdString();
}

class FrameSettings : public testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    dir_ = test::FreshTestFolder();
    std::error_code ec;
    std::filesystem::remove(*TemplatePath(kDefaultTemplate), ec);
    profile_ = std::make_unique<CProfile>((dir_ / "ostrane.ini").string());
    frame_ = std::make_unique<CMainFrame>(*profile_);
    frame_->Questions().SetMessageHandler([this](const MessageQuestion& q) {
      asked_.push_back(q.messageId);
      return MessageAnswer::kOk;
    });
    frame_->show();
  }
  void TearDown() override { frame_.reset(); }

  CChildFrame* OpenLocalSession() {
    const std::string path = (dir_ / "local.OSN").string();
    CVT420Doc writer;
    {
      std::lock_guard lock(writer.Terminal().Mutex());
      writer.Settings().SetInt(S::HostType, 2);
    }
    EXPECT_EQ(writer.WriteSessionFile(path), SetupFileStatus::kOk);
    CChildFrame* child = frame_->OpenSessionFile(QString::fromStdString(path));
    if (child) child->Document().SetMonitor(&sent_);
    return child;
  }
  int Setting(CChildFrame* child, int position) {
    std::lock_guard lock(child->Document().Terminal().Mutex());
    return child->Document().Settings().Int(position);
  }

  std::filesystem::path dir_;
  std::unique_ptr<CProfile> profile_;
  std::unique_ptr<CMainFrame> frame_;
  std::vector<int> asked_;
  test::CSentBytes sent_;
};

TEST_F(FrameSettings, ToolbarSettingsEditsTheActiveSession) {
  CChildFrame* child = OpenLocalSession();
  ASSERT_NE(child, nullptr);
  QAction* action = frame_->Action(Cmd::kSettings);
  ASSERT_TRUE(action->isEnabled());
  ASSERT_TRUE(frame_->MainToolBar()->actions().contains(action));
  bool hadCommunication = false;
  WhenModal<CSettingsSheet>([&](CSettingsSheet* sheet) {
    hadCommunication = sheet->Page("Communication") != nullptr;
    ClickText(sheet->Page("Terminal"), "Auto Wrap");
    sheet->accept();
  });
  action->trigger();
  EXPECT_TRUE(hadCommunication);
  EXPECT_EQ(Setting(child, S::AutoWrap), 1);
  EXPECT_TRUE(child->Document().IsModified());
}

TEST_F(FrameSettings, RightButtonMenuSettingsAndCancelChangesNothing) {
  CChildFrame* child = OpenLocalSession();
  ASSERT_NE(child, nullptr);
  bool opened = false;
  QTimer::singleShot(50, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    for (QAction* a : menu->actions()) {
      if (a->text() != "&Settings...") continue;
      WhenModal<CSettingsSheet>([&](CSettingsSheet* sheet) {
        opened = true;
        ClickText(sheet->Page("Terminal"), "132 Columns");
        sheet->reject();
      });
      a->trigger();
    }
    menu->close();
  });
  QTest::mouseClick(child->View()->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
  OSTRANE_TRY_VERIFY(opened);
  EXPECT_EQ(Setting(child, S::Columns), 80);
  EXPECT_FALSE(child->Document().IsModified());
}

TEST_F(FrameSettings, WithNoSessionTheDefaultTemplateIsEditedAndUsedByTheNextSession) {
  ASSERT_EQ(frame_->ActiveChild(), nullptr);
  bool hadCommunication = true;
  WhenModal<CSettingsSheet>([&](CSettingsSheet* sheet) {
    hadCommunication = sheet->Page("Communication") != nullptr;
    ClickText(sheet->Page("Display"), "Light Screen");
    sheet->accept();
  });
  frame_->RunCommand(Cmd::kSettings);
  EXPECT_FALSE(hadCommunication);
  CChildFrame* child = frame_->NewTelnetSession("127.0.0.1", 9);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(Setting(child, S::DarkScreen), 0);
}

TEST_F(FrameSettings, NewConnectionSettingsButtonEditsTheSessionBeingCreated) {
  WhenModal<CNewConnectionDialog>([&](CNewConnectionDialog* dialog) {
    WhenModal<CSettingsSheet>([&](CSettingsSheet* sheet) {
      EXPECT_EQ(sheet->Page("Communication"), nullptr);
      ClickText(sheet->Page("Terminal"), "Local Echo");
      sheet->accept();
    });
    ClickText(dialog, "Settings...");
    dialog->KindList()->setCurrentIndex(dialog->KindList()->findText("Local"));
    dialog->accept();
  });
  CChildFrame* child = frame_->NewSession();
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(Setting(child, S::LocalEcho), 1);
  EXPECT_EQ(Setting(child, S::HostType), 2);
}

TEST_F(FrameSettings, SaveAsTemplateSavesTheSessionUnderTheTypedName) {
  CChildFrame* child = OpenLocalSession();
  ASSERT_NE(child, nullptr);
  {
    std::lock_guard lock(child->Document().Terminal().Mutex());
    child->Document().Settings().SetStr(S::Title, "saved as template");
  }
  QStringList messages;
  WhenModal<CSaveTemplateDialog>([&](CSaveTemplateDialog* dialog) {
    dialog->SetMessageHandler([&](const QString& text) { messages << text; });
    dialog->accept();
    dialog->NameField()->setCurrentText("no/such");
    dialog->accept();
    dialog->NameField()->setCurrentText("mine");
    dialog->accept();
  });
  frame_->RunCommand(Cmd::kSaveAsTemplate);
  EXPECT_EQ(messages, (QStringList{"Please select or type a template name.",
                                   "Cannot save to this template. Check template name."}));
  CSettingsSet read;
  CKeyMap keys;
  ASSERT_EQ(ReadSetupFile(*TemplatePath("mine"), read, keys), SetupFileStatus::kOk);
  EXPECT_EQ(read.Str(S::Title), "saved as template");
}

// ---- VT Keyboard ----

void ClickKey(CKeyboardPicture* picture, int vtKey) {
  QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, picture->KeyCentre(vtKey));
}

constexpr int kA = 35, kC = 37, kCtrl = 73, kLeftShift = 74, kCapsLock = 75, kF = 40;

TEST_F(FrameSettings, VtKeyboardCommandTogglesTheWindow) {
  frame_->RunCommand(Cmd::kVtKeyboard);
  CVtKeyboardWindow* keyboard = frame_->VtKeyboard();
  ASSERT_NE(keyboard, nullptr);
  EXPECT_TRUE(keyboard->isVisible());
  EXPECT_EQ(keyboard->windowTitle(), "VT Keyboard");
  EXPECT_TRUE(frame_->Action(Cmd::kVtKeyboard)->isChecked());
  frame_->RunCommand(Cmd::kVtKeyboard);
  EXPECT_FALSE(keyboard->isVisible());
  EXPECT_FALSE(frame_->Action(Cmd::kVtKeyboard)->isChecked());
}

TEST_F(FrameSettings, VtKeyboardLatchesAndTypesIntoTheActiveSession) {
  CChildFrame* child = OpenLocalSession();
  ASSERT_NE(child, nullptr);
  frame_->RunCommand(Cmd::kVtKeyboard);
  CKeyboardPicture* picture = frame_->VtKeyboard()->Picture();
  ClickKey(picture, kLeftShift);
  EXPECT_EQ(picture->FaceColour(kLeftShift), kKeyLatched);
  ClickKey(picture, kA);
  EXPECT_EQ(sent_.Take(), "A");
  EXPECT_EQ(picture->FaceColour(kLeftShift), kKeyGrey);  // Shift released
  ClickKey(picture, kA);
  EXPECT_EQ(sent_.Take(), "a");
  ClickKey(picture, kCapsLock);
  ClickKey(picture, kLeftShift);
  ClickKey(picture, kA);
  EXPECT_EQ(sent_.Take(), "a");  // Caps Lock and Shift cancel out
  ClickKey(picture, kA);
  EXPECT_EQ(sent_.Take(), "A");  // Caps Lock stays latched
  ClickKey(picture, kCapsLock);
  ClickKey(picture, kCtrl);
  ClickKey(picture, kC);
  EXPECT_EQ(sent_.Take(), "\x03");
  // Pressed on F, moved off onto nothing, released there: F is what counts.
  QTest::mousePress(picture, Qt::LeftButton, Qt::NoModifier, picture->KeyCentre(kF));
  EXPECT_EQ(picture->FaceColour(kF), kKeyPressed);
  QMouseEvent move(QEvent::MouseMove, QPointF(picture->KeyCentre(kF) + QPoint(0, 200)), QPointF(),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(picture, &move);
  EXPECT_EQ(picture->FaceColour(kF), kKeyGrey);
  QTest::mouseRelease(picture, Qt::LeftButton, Qt::NoModifier,
                      picture->KeyCentre(kF) + QPoint(0, 200));
  EXPECT_EQ(sent_.Take(), "f");
}

TEST(VtKeyboardWindow, SendsNothingWithoutAnActiveSession) {
  test::EnsureApplication();
  test::CSentBytes sent;
  CVT420Doc doc;
  doc.SetMonitor(&sent);
  bool active = true;
  VtKeyboardHooks hooks;
  hooks.activeDocument = [&]() -> CVT420Doc* { return active ? &doc : nullptr; };
  CVtKeyboardWindow keyboard(hooks);
  keyboard.show();
  ClickKey(keyboard.Picture(), kA);
  EXPECT_EQ(sent.Take(), "a");
  active = false;
  ClickKey(keyboard.Picture(), kA);
  EXPECT_EQ(sent.Take(), "");
}

}  // namespace
}  // namespace ostrane
