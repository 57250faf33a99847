#include "link/Async.h"
#include "link/Speeds.h"
#include "link/UniUSB.h"
#include "link/ui/Scan.h"
#include "sim/FakeD2xx.h"
#include "tests/support/ScanPorts.h"
#include "tests/support/WindowFixture.h"
#include "ui_Scan.h"
#include "ui_Setup.h"
#include "ui_Term.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace {

using Commands = std::vector<std::string>;

class SetupTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    SetD2xx(&fake_);
    ::setenv("VORKA_COM3", server_->SlavePath().c_str(), 1);
  }
  void TearDown() override {
    SetD2xx(nullptr);
    ::unsetenv("VORKA_COM3");
    WindowFixture::TearDown();
  }
  Ui::TFormSetup& dlg() { return *setup_->ui; }
  void ExpectChoosing(bool choosing) {
    EXPECT_EQ(dlg().GrBoxPort->isEnabled(), choosing);
    EXPECT_EQ(dlg().GrBoxBaud->isEnabled(), choosing);
    EXPECT_EQ(dlg().GrBoxUSB->isEnabled(), choosing);
    EXPECT_EQ(dlg().BtnOpen->isEnabled(), choosing);
    EXPECT_EQ(dlg().BtnClose->isEnabled(), !choosing);
  }
  void ChooseUsbRow(int row) {
    dlg().RBtnUSB->setChecked(true);
    setup_->RBtnUSBClick();
    dlg().ListView1->topLevelItem(row)->setSelected(true);
    setup_->ListView1Click();
  }

  // Runs the dialog's search to its end; the rows it listed ("COM2 VK00001": port and identifier
  // or state), and the row at choose (if any) chosen.
  QStringList SearchFromTheDialog(int choose = -1) {
    TFormScan& scan = *setup_->Scan();
    QStringList rows;
    QTimer::singleShot(0, [&] {
      for (int i = 0; i < 500 && scan.Scanning(); ++i) QTest::qWait(10);
      for (int i = 0; i < scan.ui->ListUnits->topLevelItemCount(); ++i)
        rows << scan.ui->ListUnits->topLevelItem(i)->text(0) + " " +
                    scan.ui->ListUnits->topLevelItem(i)->text(2);
      if (choose >= 0 && choose < scan.ui->ListUnits->topLevelItemCount()) {
        scan.ui->ListUnits->topLevelItem(choose)->setSelected(true);
        QTest::mouseClick(scan.ui->BtnChoose, Qt::LeftButton);
      }
      if (scan.isVisible()) scan.reject();
    });
    setup_->BtnScanClick();
    return rows;
  }

  FakeD2xx fake_{unit_};
};

TEST_F(SetupTest, FirstShowingAfterTheAutomaticOpen) {
  StartQuick();
  setup_->FormShow();
  EXPECT_FALSE(dlg().BtnOpen->isEnabled());
  EXPECT_TRUE(dlg().BtnClose->isEnabled());
  EXPECT_TRUE(dlg().GrBoxPort->isEnabled());
  EXPECT_TRUE(dlg().RBtnCom1->isChecked());
  EXPECT_TRUE(dlg().RBtn115200->isChecked());
  EXPECT_EQ(setup_->windowTitle(), QStringLiteral("Nastavení sériového portu"));
}

TEST_F(SetupTest, CloseThenOpenCom3At57600) {
  StartQuick();
  setup_->BtnCloseClick();
  EXPECT_TRUE(ComDevice().empty());
  EXPECT_FALSE(state().portOpen);
  EXPECT_EQ(term_->windowTitle(), QStringLiteral("VORKA config v1.3 - Žádný port"));
  ExpectChoosing(true);
  dlg().RBtnCom3->setChecked(true);
  dlg().RBtn57600->setChecked(true);
  term_->SetReplyTimeoutMs(5);
  setup_->BtnOpenClick();
  EXPECT_EQ(term_->ReplyTimeoutMs(), 1000u);
  EXPECT_TRUE(state().portOpen);
  EXPECT_EQ(term_->windowTitle(), QStringLiteral("VORKA config v1.3 - port COM3 - 57600"));
  EXPECT_EQ(ComDevice(), server_->SlavePath());
  ExpectChoosing(false);
}

TEST_F(SetupTest, InitialChoiceOpensCom1At921000) {
  Create();
  setup_->BtnOpenClick();
  EXPECT_TRUE(state().portOpen);
  EXPECT_EQ(term_->windowTitle(), QStringLiteral("VORKA config v1.3 - port COM1 - 921000"));
}

TEST_F(SetupTest, FailedOpenAndTheNextShowing) {
  Create();
  dlg().RBtnCom2->setChecked(true);
  ::setenv("VORKA_COM2", "/nonexistent/tty", 1);
  setup_->BtnOpenClick();
  ::unsetenv("VORKA_COM2");
  EXPECT_FALSE(state().portOpen);
  EXPECT_EQ(term_->windowTitle(), QStringLiteral("VORKA config v1.3 - Žádný port"));
  ExpectChoosing(false);
  // The operator learns why.
  EXPECT_EQ(messages_.all,
            QStringList{QStringLiteral(
                "Port COM2 (/nonexistent/tty) nelze otevřít: takové zařízení není (převodník není "
                "připojen?).")});
  setup_->FormShow();  // the same choice can be tried again
  EXPECT_TRUE(dlg().BtnOpen->isEnabled());
  EXPECT_FALSE(dlg().BtnClose->isEnabled());
  EXPECT_FALSE(dlg().GrBoxPort->isEnabled());
  setup_->BtnCloseClick();  // closes nothing
  ExpectChoosing(true);
}

TEST_F(SetupTest, UsbWithoutAChosenDeviceOpensNothingAndSaysNothing) {
  Create();
  dlg().RBtnUSB->setChecked(true);
  setup_->BtnOpenClick();
  EXPECT_FALSE(state().portOpen);
  EXPECT_EQ(term_->windowTitle(), QStringLiteral("VORKA config v1.3 - Žádný port"));
  EXPECT_TRUE(messages_.all.isEmpty());
  ExpectChoosing(false);
}

TEST_F(SetupTest, SearchListsTheDevicesAndOpensTheChosenOne) {
  Create();
  fake_.devices = {"FT232R USB UART", "VORKA USB"};
  ChooseUsbRow(1);
  ASSERT_EQ(dlg().ListView1->topLevelItemCount(), 2);
  EXPECT_EQ(dlg().ListView1->topLevelItem(0)->text(0), QStringLiteral("Device 1"));
  EXPECT_EQ(dlg().ListView1->topLevelItem(1)->text(0), QStringLiteral("Device 2"));
  EXPECT_EQ(dlg().ListView1->topLevelItem(1)->text(1), QStringLiteral("VORKA USB"));
  EXPECT_EQ(setup_->SelectedDescription, "VORKA USB");
  dlg().RBtn460800->setChecked(true);
  setup_->BtnOpenClick();
  EXPECT_EQ(fake_.openedDescription, "VORKA USB");
  EXPECT_EQ(fake_.baudRate, 460800u);
  EXPECT_EQ(fake_.purges, (std::vector<uint32_t>{FT_PURGE_RX, FT_PURGE_TX}));
  EXPECT_EQ(fake_.readTimeout, 1000u);
  EXPECT_EQ(fake_.writeTimeout, 1000u);
  EXPECT_TRUE(state().portOpen);
  EXPECT_EQ(term_->windowTitle(), QStringLiteral("VORKA config v1.3 - port USB, řadič FTDI, D2XX - 460800"));
  EXPECT_EQ(term_->CurrentLinkKind(), LinkKind::Usb);

  // The window now talks over USB.
  term_->IdentifyUnit();
  Settle();
  EXPECT_EQ(unit_.Received(), (Commands{"!0Q", "!0?"}));
  EXPECT_TRUE(state().mpgCapable);
}

TEST_F(SetupTest, SecondSearchRebuildsTheListAndKeepsTheChoice) {
  Create();
  fake_.devices = {"A", "B"};
  ChooseUsbRow(0);
  fake_.devices = {};
  setup_->BtnFindClick();
  EXPECT_EQ(dlg().ListView1->topLevelItemCount(), 0);
  EXPECT_EQ(setup_->SelectedDescription, "A");
  setup_->ListView1Click();  // nothing selected: nothing changes
  EXPECT_EQ(setup_->SelectedDescription, "A");
}

TEST_F(SetupTest, FailingSearchStillAddsRowsForTheCount) {
  Create();
  fake_.devices = {"A", "B"};
  fake_.inject["FT_ListDevices"] = {FT_OK, FT_OK, FT_IO_ERROR};
  setup_->BtnFindClick();
  ASSERT_EQ(dlg().ListView1->topLevelItemCount(), 2);
  EXPECT_EQ(dlg().ListView1->topLevelItem(1)->text(1), QStringLiteral("A"));  // the one read before
  EXPECT_EQ(messages_.errors, QStringList{QStringLiteral("GetFTDeviceDescription - General IO Error...")});
}

TEST_F(SetupTest, ResetPurgeAndTimeoutFailuresDoNotStopTheOpen) {
  Create();
  ChooseUsbRow(0);
  fake_.inject["FT_ResetDevice"] = {FT_IO_ERROR};
  fake_.inject["FT_Purge"] = {FT_IO_ERROR, FT_IO_ERROR};
  setup_->BtnOpenClick();
  EXPECT_TRUE(state().portOpen);
  EXPECT_EQ(messages_.errors.size(), 3);
}

TEST_F(SetupTest, ClosingUsesTheTransportThatWasOpened) {
  StartQuick();
  dlg().RBtnUSB->setChecked(true);  // changed while COM1 is open
  setup_->BtnCloseClick();
  EXPECT_TRUE(ComDevice().empty());
  EXPECT_TRUE(std::find(fake_.calls.begin(), fake_.calls.end(), "FT_Close") == fake_.calls.end());

  ChooseUsbRow(0);
  setup_->BtnOpenClick();
  dlg().RBtnUSB->setChecked(false);
  dlg().RBtnCom1->setChecked(true);
  term_->btexitClick();
  EXPECT_FALSE(fake_.open);
}

TEST_F(SetupTest, FailedReplyDuringReadOverUsbIdentifiesOnceThenReports) {
  Create();
  ChooseUsbRow(0);
  setup_->BtnOpenClick();
  term_->SetReplyTimeoutMs(100);
  term_->IdentifyUnit();
  Settle();
  unit_.ClearReceived();
  unit_.SetSilentOnCommand("EFR30");
  ui().GearX->setText(QStringLiteral("5.000000"));
  term_->ReadSettingClick();
  Settle();
  const Commands received = unit_.Received();
  ASSERT_GE(received.size(), 4u);
  EXPECT_EQ(received.back(), "!0?");
  EXPECT_EQ(received[received.size() - 2], "!0Q");
  EXPECT_EQ(received[received.size() - 3], "!0EFR30");
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});
  EXPECT_FALSE(state().unitPresent);
  EXPECT_EQ(ui().GearX->text(), QStringLiteral("5.000000"));
  EXPECT_EQ(ReplyLine(1), "0,TK20MPG v2.4");  // the identification's replies in the log
}

TEST_F(SetupTest, ExchangesUseTheOpenTransportNotTheChoice) {
  StartQuick();
  dlg().RBtnUSB->setChecked(true);  // chosen for the next open, nothing opened
  term_->IdentifyUnit();
  Settle();
  EXPECT_EQ(unit_.Received(), (Commands{"!0Q", "!0?"}));
  EXPECT_TRUE(state().unitPresent);
  EXPECT_TRUE(messages_.all.isEmpty());
  EXPECT_TRUE(std::find(fake_.calls.begin(), fake_.calls.end(), "FT_Write") == fake_.calls.end());
}

TEST_F(SetupTest, FailingIdentificationOverUsbRunsOnceAndSaysSoOnce) {
  Create();
  ChooseUsbRow(0);
  setup_->BtnOpenClick();
  term_->SetReplyTimeoutMs(100);
  unit_.SetSilent(true);
  term_->IdentifyUnit();
  Settle();
  EXPECT_EQ(unit_.Received(), (Commands{"!0Q"}));
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});
  EXPECT_EQ(ui().EditVerIp->text(), QStringLiteral("Jednotka nenalezena"));
}

TEST_F(SetupTest, StaleInputOverUsbIsDiscardedBeforeEachCommand) {
  Create();
  ChooseUsbRow(0);
  setup_->BtnOpenClick();
  fake_.Arrive("0,LATE\r");  // a reply that came after its limit
  term_->IdentifyUnit();
  Settle();
  EXPECT_EQ(ReplyLine(0), "0,VK12345");
  EXPECT_EQ(ui().EditIpID->text(), QStringLiteral("VK12345"));
  EXPECT_TRUE(state().mpgCapable);
}

TEST_F(SetupTest, RowWithoutADescriptionIsChosenAllTheSame) {
  Create();
  fake_.devices = {"A", ""};
  ChooseUsbRow(0);
  dlg().ListView1->setCurrentItem(dlg().ListView1->topLevelItem(1));
  setup_->ListView1Click();
  EXPECT_EQ(setup_->SelectedDescription, "");
  setup_->BtnOpenClick();  // an empty description opens nothing, silently
  EXPECT_FALSE(state().portOpen);
  EXPECT_TRUE(messages_.all.isEmpty());
}

TEST_F(SetupTest, RealClicksReachEveryHandler) {
  Create();
  fake_.devices = {"FT232R USB UART", "VORKA USB"};
  setup_->show();
  QTest::mouseClick(dlg().RBtnUSB, Qt::LeftButton);
  ASSERT_EQ(dlg().ListView1->topLevelItemCount(), 2);
  QTreeWidgetItem* row = dlg().ListView1->topLevelItem(1);
  QTest::mouseClick(dlg().ListView1->viewport(), Qt::LeftButton, {},
                    dlg().ListView1->visualItemRect(row).center());
  EXPECT_EQ(setup_->SelectedDescription, "VORKA USB");
  QTest::mouseClick(dlg().BtnOpen, Qt::LeftButton);
  EXPECT_TRUE(state().portOpen);
  EXPECT_EQ(fake_.openedDescription, "VORKA USB");
  QTest::mouseClick(dlg().BtnClose, Qt::LeftButton);
  EXPECT_FALSE(state().portOpen);
  fake_.calls.clear();
  QTest::mouseClick(dlg().BtnFind, Qt::LeftButton);
  EXPECT_EQ(fake_.calls.front(), "FT_ListDevices");
  QTest::mouseClick(dlg().BitBtnOK, Qt::LeftButton);
  EXPECT_FALSE(setup_->isVisible());
  EXPECT_EQ(setup_->result(), QDialog::Accepted);
}

TEST_F(SetupTest, EnterIsOkWhicheverButtonHadFocus) {
  Create();
  setup_->show();
  QTest::mouseClick(dlg().BtnFind, Qt::LeftButton);  // the search button now has focus
  fake_.calls.clear();
  QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : setup_.get(), Qt::Key_Return);
  EXPECT_TRUE(fake_.calls.empty());
  EXPECT_FALSE(setup_->isVisible());
  EXPECT_EQ(setup_->result(), QDialog::Accepted);
}

TEST_F(SetupTest, DialogAndHelpOpenCentredOnTheScreen) {
  Create();
  term_->show();
  term_->move(0, 0);
  const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
  for (QWidget* window : {static_cast<QWidget*>(setup_.get()), static_cast<QWidget*>(help_.get())}) {
    window->show();
    QApplication::processEvents();
    const QPoint offset = window->frameGeometry().center() - centre;
    EXPECT_LE(offset.manhattanLength(), 12) << window->objectName().toStdString();
    window->hide();
  }
}

TEST_F(SetupTest, EverySpeedAndEveryComNameReachesThePort) {
  struct Speed {
    QRadioButton* Ui::TFormSetup::*button;
    int32_t baud;
    speed_t code;
  };
  const Speed speeds[] = {
      {&Ui::TFormSetup::RBtn19200, 19200, B19200},    {&Ui::TFormSetup::RBtn38400, 38400, B38400},
      {&Ui::TFormSetup::RBtn57600, 57600, B57600},    {&Ui::TFormSetup::RBtn115200, 115200, B115200},
      {&Ui::TFormSetup::RBtn230400, 230400, B230400}, {&Ui::TFormSetup::RBtn460800, 460800, B460800},
  };
  Create();
  for (int n = 4; n <= 8; ++n) {
    const std::string variable = "VORKA_COM" + std::to_string(n);
    ::setenv(variable.c_str(), server_->SlavePath().c_str(), 1);
    setup_->findChild<QRadioButton*>(QStringLiteral("RBtnCom%1").arg(n))->setChecked(true);
    for (const Speed& s : speeds) {
      setup_->BtnCloseClick();
      (dlg().*(s.button))->setChecked(true);
      setup_->BtnOpenClick();
      ASSERT_TRUE(state().portOpen) << n << ' ' << s.baud;
      EXPECT_EQ(term_->windowTitle(),
                QStringLiteral("VORKA config v1.3 - port COM%1 - %2").arg(n).arg(s.baud));
      termios tio{};
      ASSERT_TRUE(server_->LineSettings(tio));
      EXPECT_EQ(cfgetospeed(&tio), s.code) << n << ' ' << s.baud;
      EXPECT_EQ(cfgetispeed(&tio), s.code) << n << ' ' << s.baud;
    }
    ::unsetenv(variable.c_str());
  }
}

QLabel* ComLabel(TFormSetup& setup, int n) {
  return setup.findChild<QLabel*>(QStringLiteral("LblCom%1").arg(n));
}

TEST_F(SetupTest, ComItemsShowWhatIsBehindThemAndTheListsFollowHotPlugging) {
  const std::string later =
      std::filesystem::temp_directory_path() / ("vorka-plug-" + std::to_string(::getpid()));
  ::setenv("VORKA_COM4", later.c_str(), 1);
  Create();
  setup_->show();
  EXPECT_TRUE(ComLabel(*setup_, 3)->toolTip().startsWith(QString::fromStdString(server_->SlavePath())));
  EXPECT_TRUE(dlg().RBtnCom3->isEnabled());
  EXPECT_EQ(ComLabel(*setup_, 4)->toolTip(),
            QStringLiteral("žádné zařízení (%1)").arg(QString::fromStdString(later)));
  EXPECT_FALSE(dlg().RBtnCom4->isEnabled());

  // An adapter and an FTDI converter plugged in while the dialog is open.
  std::filesystem::create_symlink(server_->SlavePath(), later);
  fake_.devices = {"VORKA USB", "NEW CONVERTER"};
  fake_.serials = {"FT1", "A9Z"};
  const auto listed = [this] {
    return dlg().ListView1->topLevelItemCount() == 2 &&
           dlg().ListView1->topLevelItem(1)->text(1) == "NEW CONVERTER";
  };
  for (int i = 0; i < 300 && !(dlg().RBtnCom4->isEnabled() && listed()); ++i) QTest::qWait(10);
  EXPECT_TRUE(dlg().RBtnCom4->isEnabled());
  EXPECT_TRUE(ComLabel(*setup_, 4)->toolTip().startsWith(QString::fromStdString(later)));
  ASSERT_TRUE(listed());
  EXPECT_EQ(dlg().ListView1->topLevelItem(1)->text(0), QStringLiteral("Device 2"));
  EXPECT_EQ(dlg().ListView1->topLevelItem(1)->text(2), QStringLiteral("A9Z"));
  EXPECT_TRUE(messages_.all.isEmpty());  // quietly
  setup_->hide();
  std::filesystem::remove(later);
  ::unsetenv("VORKA_COM4");
}

TEST_F(SetupTest, SearchListsTheUnitsAndTheChosenOneOpens) {
  ScanPorts ports(1);  // COM1 is the fixture's unit, which the program has open
  fake_.devices.clear();
  ports.second.SetLineSpeed(57600);
  StartQuick();
  TFormScan& scan = *setup_->Scan();
  QStringList rows;
  QTimer::singleShot(0, [&] {
    for (int i = 0; i < 500 && scan.Scanning(); ++i) QTest::qWait(10);
    for (int i = 0; i < scan.ui->ListUnits->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* row = scan.ui->ListUnits->topLevelItem(i);
      rows << row->text(0) + " " + row->text(1) + " " + row->text(2) + " " + row->text(3);
    }
    if (scan.ui->ListUnits->topLevelItemCount() == 3) {
      scan.ui->ListUnits->topLevelItem(1)->setSelected(true);
      QTest::mouseClick(scan.ui->BtnChoose, Qt::LeftButton);
    }
    if (scan.isVisible()) scan.reject();
  });
  setup_->BtnScanClick();
  // The open port is listed apart, after the units found, and not counted as one.
  EXPECT_EQ(rows, (QStringList{"COM2 115200 Bd VK00001 TK20MPG v2.4", "COM5 57600 Bd VK00002 TK20 v1.9",
                               "COM1 115200 Bd otevřený port "}));
  EXPECT_EQ(scan.ui->LblScanState->text(),
            QStringLiteral("Nalezeno jednotek: 2. Vyberte jednu a otevřete port."));
  EXPECT_TRUE(Received().empty());  // the open port was not asked behind the program's back
  EXPECT_TRUE(dlg().RBtnCom5->isChecked());
  EXPECT_TRUE(dlg().RBtn57600->isChecked());

  // With COM1 open, choosing the unit on COM5 leaves the operator on COM5, not on COM1.
  EXPECT_EQ(term_->windowTitle(), QStringLiteral("VORKA config v1.3 - port COM5 - 57600"));
  EXPECT_TRUE(state().portOpen);
  EXPECT_EQ(dlg().LblPortState->text(), QString());
  setup_->hide();
  term_->IdentifyUnit();  // as the menu "Port" does when the dialog closes
  Settle();
  EXPECT_EQ(ui().EditIpID->text(), QStringLiteral("VK00002"));
}

// A port beyond COM1 … COM8 (COM12 on Windows) is in the list of "Jiný port", is asked by the
// search, and the unit found there is chosen and opened like any other.
TEST_F(SetupTest, APortBeyondTheComNamesIsSearchedChosenAndOpened) {
  ScanPorts ports(1);
  ports.first.SetSilent(true);
  ports.second.SetSilent(true);
  fake_.devices.clear();
  VirtualUnit beyondUnit{{"VK00012", " v2.4", true, 300}};
  PtyServer beyondServer(beyondUnit);
  ASSERT_TRUE(beyondServer.Start());
  StartQuick();
  setup_->show();
  // The group is greyed while COM1 is open: the button's own state is what counts.
  const auto otherEnabled = [this] { return dlg().RBtnOther->isEnabledTo(dlg().GrBoxPort); };
  EXPECT_FALSE(otherEnabled());  // nothing beyond COM8 yet
  const QString beyond = QString::fromStdString(ports.AddDevice("ttyUSB0", beyondServer.SlavePath()));
  for (int i = 0; i < 300 && !otherEnabled(); ++i) QTest::qWait(10);  // plugged in
  ASSERT_TRUE(otherEnabled());
  ASSERT_EQ(dlg().CmbOtherPort->count(), 1);
  EXPECT_EQ(dlg().CmbOtherPort->itemData(0).toString(), beyond);

  EXPECT_EQ(SearchFromTheDialog(0), (QStringList{beyond + " VK00012", QStringLiteral("COM1 otevřený port")}));
  EXPECT_TRUE(dlg().RBtnOther->isChecked());
  EXPECT_EQ(term_->windowTitle(), QStringLiteral("VORKA config v1.3 - port %1 - 115200").arg(beyond));
  setup_->hide();
  term_->IdentifyUnit();
  Settle();
  EXPECT_EQ(ui().EditIpID->text(), QStringLiteral("VK00012"));

  // Chosen by hand from the list, after another port: the same.
  setup_->BtnCloseClick();
  dlg().RBtnCom1->setChecked(true);
  setup_->BtnOpenClick();
  setup_->BtnCloseClick();
  dlg().CmbOtherPort->setCurrentIndex(0);
  emit dlg().CmbOtherPort->activated(0);
  EXPECT_TRUE(dlg().RBtnOther->isChecked());
  setup_->BtnOpenClick();
  EXPECT_EQ(term_->windowTitle(), QStringLiteral("VORKA config v1.3 - port %1 - 115200").arg(beyond));
  beyondServer.Stop();
}

TEST_F(SetupTest, WithNoUnitAnsweringTheOpenPortIsNoFind) {
  ScanPorts ports(1);
  ports.first.SetSilent(true);
  ports.second.SetSilent(true);
  fake_.devices.clear();
  StartQuick();
  unit_.SetSilent(true);  // nothing behind the open COM1 either
  EXPECT_EQ(SearchFromTheDialog(), QStringList{QStringLiteral("COM1 otevřený port")});
  EXPECT_EQ(setup_->Scan()->ui->LblScanState->text(), QStringLiteral("Žádná jednotka neodpověděla."));
}

TEST_F(SetupTest, AFailedOpenAtStartUpIsToldByTheDialog) {
  ::setenv("VORKA_COM1", "/nonexistent/vorka-start", 1);
  Start();
  setup_->FormShow();
  EXPECT_EQ(dlg().LblPortState->text(),
            QStringLiteral(
                "Port COM1 (/nonexistent/vorka-start) nelze otevřít: takové zařízení není (převodník není "
                "připojen?)."));
  ::setenv("VORKA_COM1", server_->SlavePath().c_str(), 1);
  setup_->BtnOpenClick();
  setup_->FormShow();
  EXPECT_TRUE(dlg().LblPortState->text().isEmpty());
}

TEST_F(SetupTest, AConverterThisUserMayNotOpenSaysSoEverywhere) {
  Create();
  fake_.devices = {"VORKA USB"};
  fake_.unreadable = {0};
  ChooseUsbRow(0);
  EXPECT_EQ(dlg().ListView1->topLevelItem(0)->text(1), QStringLiteral("(přístup odepřen (skupina plugdev))"));
  setup_->BtnOpenClick();
  EXPECT_FALSE(state().portOpen);
  ASSERT_EQ(messages_.errors.size(), 1);
  EXPECT_TRUE(
      messages_.errors[0].startsWith(QStringLiteral("Open_USB - Device Not Opened...\nPřístup k převodníku")))
      << messages_.errors[0].toStdString();
  // The search lists it as refused rather than dropping it.
  ScanPorts ports;
  std::vector<OpenFailure> unopened;
  ScanForUnits(ScanTargets({}), 115200, &unopened);
  ASSERT_EQ(unopened.size(), 1u);
  EXPECT_TRUE(unopened[0].usb);
  EXPECT_EQ(unopened[0].kind, OpenFailure::Kind::PermissionDenied);
}

// A reply that comes just after its limit must not answer the identification that follows the
// failure: "Q" would get it, "?" would get Q's reply, and the unit would count as absent.
TEST_F(SetupTest, ALateReplyOverUsbDoesNotAnswerTheIdentificationAfterIt) {
  Create();
  ChooseUsbRow(0);
  setup_->BtnOpenClick();
  term_->SetReplyTimeoutMs(200);
  term_->IdentifyUnit();
  Settle();
  unit_.SetLateOnCommand("EFR30", 300);  // 100 ms after the limit
  term_->ReadSettingClick();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});
  EXPECT_EQ(ReplyLine(0), "0,VK12345");
  EXPECT_EQ(ReplyLine(1), "0,TK20MPG v2.4");
  EXPECT_EQ(ui().EditIpID->text(), QStringLiteral("VK12345"));
}

TEST_F(SetupTest, FtdiOpenFailuresSayWhyOnASecondLine) {
  struct Case {
    FT_STATUS status;
    int error;
    QString second;
  };
  const Case cases[] = {
      {FT_DEVICE_NOT_FOUND, 0, QStringLiteral("Převodník FTDI \"VORKA USB\" není připojen.")},
      {FT_DEVICE_NOT_OPENED, EACCES,
       QStringLiteral(
           "Přístup k převodníku FTDI odepřen: je třeba pravidlo udev 99-vorka-ftdi.rules (instaluje ho "
           "balíček) a členství ve skupině plugdev:\n    sudo usermod -aG plugdev $USER\npak se přihlaste "
           "znovu.")},
      {FT_DEVICE_NOT_OPENED, EBUSY, QStringLiteral("Převodník FTDI používá jiný program.")},
      {FT_IO_ERROR, EIO, QStringLiteral("Převodník FTDI nelze otevřít: Input/output error")},
  };
  Create();
  ChooseUsbRow(0);
  for (const Case& c : cases) {
    messages_.errors.clear();
    fake_.inject["FT_OpenEx"] = {c.status};
    fake_.openError = c.error;
    setup_->BtnCloseClick();
    setup_->BtnOpenClick();
    EXPECT_FALSE(state().portOpen);
    EXPECT_EQ(messages_.errors,
              QStringList{QString::fromStdString(UsbErrorText("Open_USB", c.status)) + "\n" + c.second});
  }
}

TEST_F(SetupTest, OfTwoConvertersWithOneDescriptionTheChosenOneOpens) {
  Create();
  fake_.devices = {"FT232R USB UART", "FT232R USB UART", "VORKA USB"};
  fake_.serials = {"A1", "B2", "C3"};
  ChooseUsbRow(1);
  EXPECT_EQ(dlg().ListView1->topLevelItem(1)->text(2), QStringLiteral("B2"));
  setup_->BtnOpenClick();
  EXPECT_TRUE(state().portOpen);
  EXPECT_EQ(fake_.openedDescription, "B2");  // by its serial number: the description names both
  setup_->BtnCloseClick();
  ChooseUsbRow(2);
  setup_->BtnOpenClick();
  EXPECT_EQ(fake_.openedDescription, "VORKA USB");  // a description of its own: by that
}

}  // namespace

namespace {

// "Zrušit" stops a running search and keeps the dialog with what it found; "Zavřít" then closes it.
TEST_F(SetupTest, CancellingTheSearchFromTheWindow) {
  ScanPorts ports(1);
  ports.first.SetSilent(true);  // every speed waits out its limit: the search runs long
  ports.second.SetSilent(true);
  fake_.devices.clear();
  StartQuick();
  TFormScan& scan = *setup_->Scan();
  bool runningBeforeTheClick = false, shownAfterTheCancel = false;
  QString state, button;
  QTimer::singleShot(0, [&] {
    QTest::qWait(50);
    runningBeforeTheClick = scan.Scanning();
    QTest::mouseClick(scan.ui->BtnStop, Qt::LeftButton);
    for (int i = 0; i < 500 && scan.Scanning(); ++i) QTest::qWait(10);
    QTest::qWait(300);  // the dialog's timer shows the end
    shownAfterTheCancel = scan.isVisible();
    state = scan.ui->LblScanState->text();
    button = scan.ui->BtnStop->text();
    QTest::mouseClick(scan.ui->BtnStop, Qt::LeftButton);
  });
  setup_->BtnScanClick();
  EXPECT_TRUE(runningBeforeTheClick);
  EXPECT_TRUE(shownAfterTheCancel);
  EXPECT_TRUE(state.startsWith(QStringLiteral("Hledání zrušeno."))) << state.toStdString();
  EXPECT_EQ(button, QStringLiteral("Zavřít"));
  EXPECT_FALSE(scan.isVisible());
  EXPECT_FALSE(scan.Scanning());
  // Stopped, not run to its end: the silent port was not asked at every speed.
  EXPECT_LT(ports.first.Received().size(), std::size(kLinkSpeeds));
}

}  // namespace
