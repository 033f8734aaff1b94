// Pictures of every settings page and of the VT keyboard, drawn offscreen and saved as PNG files
// into OSTRANE_SCREENS_DIR when set (else into the test's folder) for a person to look at. The
// checks here are that each page draws at a usable size with something on it.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "support/test_folder.h"
#include "ui/new_connection_dialog.h"
#include "ui/settings_sheet.h"
#include "ui/vt_keyboard_window.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

std::filesystem::path ScreensFolder() {
  if (const char* dir = std::getenv("OSTRANE_SCREENS_DIR")) {
    std::filesystem::create_directories(dir);
    return dir;
  }
  return test::FreshTestFolder();
}

// Distinct colours in the image: a blank or single-colour picture means nothing was drawn.
int Colours(const QImage& image) {
  QSet<QRgb> seen;
  for (int y = 0; y < image.height(); y += 3)
    for (int x = 0; x < image.width(); x += 3) seen.insert(image.pixel(x, y));
  return static_cast<int>(seen.size());
}

TEST(SettingsScreens, EveryPageAndTheVtKeyboard) {
  test::EnsureApplication();
  const auto folder = ScreensFolder();
  CSettingsSet settings;
  settings.SetInt(S::HostType, 0);
  settings.SetStr(S::HostName, "host.example");
  settings.SetInt(S::Port, 23);
  settings.SetStr(S::AnswerBack, "\x1b[c");
  settings.SetInt(S::TermID, 6);
  CKeyMap keys;
  CSettingsSheet sheet(settings, keys, SettingsTarget::kSession);
  sheet.resize(760, 560);
  sheet.show();
  for (int i = 0; i < sheet.Tabs()->count(); ++i) {
    sheet.Tabs()->setCurrentIndex(i);
    QTest::qWait(20);
    const QImage image = sheet.grab().toImage();
    QString name = sheet.Tabs()->tabText(i).toLower().replace(' ', '-');
    const auto path = folder / ("settings-" + name.toStdString() + ".png");
    EXPECT_TRUE(image.save(QString::fromStdString(path.string())));
    EXPECT_GT(Colours(image), 8) << name.toStdString();
    // Every control of the page fits the sheet.
    QWidget* page = sheet.Tabs()->widget(i);
    EXPECT_GE(page->width(), page->minimumSizeHint().width()) << name.toStdString();
  }
  CVtKeyboardWindow keyboard({});
  keyboard.resize(keyboard.sizeHint());
  keyboard.show();
  keyboard.Picture()->SetSelectedKey(0);
  QTest::qWait(20);
  const QImage image = keyboard.grab().toImage();
  EXPECT_TRUE(image.save(QString::fromStdString((folder / "vt-keyboard.png").string())));
  EXPECT_GE(image.width(), kVtKeyboardSize.width);
  EXPECT_GT(Colours(image), 4);
}

TEST(SettingsScreens, NewConnectionWithTheTerminalTypeList) {
  test::EnsureApplication();
  const auto folder = ScreensFolder();
  const auto home = test::FreshTestFolder();
  CProfile profile((home / "ostrane.ini").string());
  CSettingsSet settings;
  CNewConnectionDialog dialog(settings, profile, {});
  dialog.KindList()->setCurrentIndex(dialog.KindList()->findText("Local shell"));
  dialog.show();
  QTest::qWait(20);
  const QImage image = dialog.grab().toImage();
  EXPECT_TRUE(image.save(QString::fromStdString((folder / "new-connection.png").string())));
  EXPECT_EQ(dialog.TermTypeList()->currentText(), "xterm (256 colours)");
  EXPECT_GT(Colours(image), 4);
}

}  // namespace
}  // namespace ostrane
