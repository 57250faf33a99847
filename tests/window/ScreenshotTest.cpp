#include "link/UniUSB.h"
#include "sim/FakeD2xx.h"
#include "support/WindowFixture.h"
#include "ui_Term.h"

#include <QApplication>
#include <QDir>

namespace {

// Renders every page and both dialogs to PNG files for a look by eye; runs only when
// VORKA_SCREENSHOT_DIR names a folder.
class ScreenshotTest : public WindowFixture {};

TEST_F(ScreenshotTest, RendersEveryPage) {
  const QString dir = qEnvironmentVariable("VORKA_SCREENSHOT_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "set VORKA_SCREENSHOT_DIR to render the windows";
  QDir().mkpath(dir);
  Start({"debug"});
  term_->show();
  for (int page = 0; page < 4; ++page) {
    ui().PageControl->setCurrentIndex(page);
    QApplication::processEvents();
    EXPECT_TRUE(term_->grab().save(QStringLiteral("%1/page%2.png").arg(dir).arg(page)));
  }
  VirtualUnit usbUnit;
  FakeD2xx usb(usbUnit);
  usb.devices = {"FT232R USB UART", "VORKA USB"};
  SetD2xx(&usb);
  setup_->BtnFindClick();
  SetD2xx(nullptr);
  setup_->show();
  QApplication::processEvents();
  EXPECT_TRUE(setup_->grab().save(dir + QStringLiteral("/setup.png")));
  help_->show();
  QApplication::processEvents();
  EXPECT_TRUE(help_->grab().save(dir + QStringLiteral("/help.png")));
}

}  // namespace
