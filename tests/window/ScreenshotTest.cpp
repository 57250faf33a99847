#include "link/UniUSB.h"
#include "look/Language.h"
#include "sim/FakeD2xx.h"
#include "tests/support/WindowFixture.h"
#include "ui_Term.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <utility>

namespace {

// Renders every page and both dialogs to PNG files, into VORKA_SCREENSHOT_DIR for a look by eye
// or else a temporary folder, and checks what a test can: each was drawn, at its window's size,
// and is more than one colour.
class ScreenshotTest : public WindowFixture {
 protected:
  void Render(QWidget& window, const QString& path) {
    const QPixmap shot = window.grab();
    EXPECT_EQ(shot.size(), window.size()) << path.toStdString();
    ASSERT_TRUE(shot.save(path)) << path.toStdString();
    const QImage saved(path);
    EXPECT_EQ(saved.size(), window.size()) << path.toStdString();
    bool drawn = false;
    const QRgb first = saved.pixel(0, 0);
    for (int y = 0; y < saved.height() && !drawn; y += 3)
      for (int x = 0; x < saved.width() && !drawn; x += 3) drawn = saved.pixel(x, y) != first;
    EXPECT_TRUE(drawn) << path.toStdString() << " is one colour";
  }
};

// In each language, into a folder of its own ("cs", "en").
TEST_F(ScreenshotTest, RendersEveryPage) {
  QTemporaryDir temporary;
  QString top = qEnvironmentVariable("VORKA_SCREENSHOT_DIR");
  if (top.isEmpty()) top = temporary.path();
  for (const auto& [language, folder] :
       {std::pair{Language::Czech, "cs"}, std::pair{Language::English, "en"}}) {
    SCOPED_TRACE(folder);
    ASSERT_TRUE(InstallLanguage(language));
    const QString dir = top + QLatin1Char('/') + QLatin1String(folder);
    QDir().mkpath(dir);
    Start({"debug"});
    term_->show();
    // The fixed size the window is made with, menu bar included.
    EXPECT_EQ(term_->size().width(), 857);
    for (int page = 0; page < 4; ++page) {
      ui().PageControl->setCurrentIndex(page);
      QApplication::processEvents();
      Render(*term_, QStringLiteral("%1/page%2.png").arg(dir).arg(page));
    }
    VirtualUnit usbUnit;
    FakeD2xx usb(usbUnit);
    usb.devices = {"FT232R USB UART", "VORKA USB"};
    SetD2xx(&usb);
    setup_->BtnFindClick();
    SetD2xx(nullptr);
    setup_->show();
    QApplication::processEvents();
    Render(*setup_, dir + QStringLiteral("/setup.png"));
    help_->show();
    QApplication::processEvents();
    Render(*help_, dir + QStringLiteral("/help.png"));
    Destroy();
  }
  InstallLanguage(Language::Czech);
}

}  // namespace
