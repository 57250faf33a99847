#include "link/Async.h"
#include "link/PortNames.h"
#include "link/UniUSB.h"
#include "link/ui/Scan.h"
#include "link/ui/Setup.h"
#include "protocol/CtlArguments.h"
#include "protocol/settings/FileIo.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TermFormInternals.h"
#include "tests/support/TestBackups.h"
#include "ui_Scan.h"
#include "ui_Setup.h"
#include "ui_Term.h"
#include "window/Term.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

// The Windows link's own parts, under wine; the exchange itself is checked end to end.
namespace {

TEST(WindowsPortNamesTest, AComNameIsTheSystemsOwn) {
  EXPECT_EQ(PortNames::DeviceFor(QStringLiteral("COM3")), QStringLiteral("COM3"));
  EXPECT_EQ(PortNames::DeviceFor(QStringLiteral("com8")), QStringLiteral("COM8"));
  EXPECT_EQ(PortNames::DeviceFor(QStringLiteral("COM12")), QStringLiteral("COM12"));
  _putenv_s("VORKA_COM2", "COM7");
  EXPECT_EQ(PortNames::DeviceFor(QStringLiteral("COM2")), QStringLiteral("COM7"));
  _putenv_s("VORKA_COM2", "");
}

TEST(WindowsSerialLineTest, AMissingPortIsNoDevice) {
  EXPECT_FALSE(ComOpen("COM8", 115200, 'n', 8, 1.0f));
  const auto failure = ComOpenFailure();
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->kind, OpenFailure::Kind::NoDevice);
  EXPECT_EQ(CzechText(*failure), "Port COM8 nelze otevřít: takové zařízení není (převodník není připojen?).");
}

// check-windows runs the tests with and without the stand-in ftd2xx.dll on the library path.
TEST(WindowsD2xxTest, TheDriverIsBoundAtRunTimeOrSaidMissing) {
  const char* expected = std::getenv("VORKA_EXPECT_FTD2XX");
  if (!expected || !*expected) GTEST_SKIP() << "VORKA_EXPECT_FTD2XX tells whether ftd2xx.dll is there";
  std::vector<std::string> boxes;
  SetUsbErrorReporter([&](UsbCall, const std::string& m) { boxes.push_back(m); });
  SetUsbOpenHint([](const OpenFailure& f) { return CzechText(f); });
  const auto devices = ListFtdiDevices(FtdiListing::Reported);
  ASSERT_TRUE(devices.has_value());
  if (std::string(expected) == "1") {
    EXPECT_TRUE(D2xx().Available());
    ASSERT_EQ(devices->size(), 1u);
    EXPECT_EQ(devices->front().description, "VORKA USB");
    EXPECT_EQ(devices->front().serialNumber, "FAKE0001");
    EXPECT_TRUE(boxes.empty());
  } else {
    EXPECT_FALSE(D2xx().Available());
    EXPECT_TRUE(devices->empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes.front().rfind("Ovladač FTDI (ftd2xx.dll) není nainstalován", 0), 0u) << boxes.front();
    boxes.clear();
    EXPECT_FALSE(Open_USB("VORKA USB", 115200));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes.front().find("ftd2xx.dll"), std::string::npos);
  }
  SetUsbErrorReporter({});
  SetUsbOpenHint({});
}

// check-windows maps a virtual unit to a port beyond COM8 (VORKA_UNIT_BEYOND_COM8, "COM12"): the
// window's search finds it there, the port dialog chooses it under "Jiný port" and opens it.
TEST(WindowsSearchTest, AUnitBeyondCom8IsFoundChosenAndOpened) {
  const QString port = qEnvironmentVariable("VORKA_UNIT_BEYOND_COM8");
  if (port.isEmpty()) GTEST_SKIP() << "VORKA_UNIT_BEYOND_COM8 names the port of a unit beyond COM8";
  RecordingMessages messages;
  TTermForm term({QStringLiteral("vorka_config")}, TestBackups());
  TFormSetup setup(&term, &term);
  term.SetForms(&setup, nullptr);
  TFormScan& scan = *setup.Scan();
  QStringList rows;
  QTimer::singleShot(0, [&] {
    for (int i = 0; i < 1000 && scan.Scanning(); ++i) QTest::qWait(10);
    for (int i = 0; i < scan.ui->ListUnits->topLevelItemCount(); ++i) {
      QTreeWidgetItem* row = scan.ui->ListUnits->topLevelItem(i);
      rows << row->text(0) + QLatin1Char(' ') + row->text(2);
      if (row->text(0) == port) {
        row->setSelected(true);
        QTest::mouseClick(scan.ui->BtnChoose, Qt::LeftButton);
        break;
      }
    }
    if (scan.isVisible()) scan.reject();
  });
  setup.BtnScanClick();
  EXPECT_TRUE(rows.contains(port + QStringLiteral(" VK12345"))) << rows.join(QLatin1Char('|')).toStdString();
  EXPECT_TRUE(setup.ui->RBtnOther->isChecked());
  EXPECT_EQ(setup.ChosenPortName(), port);
  setup.BtnOpenClick();
  // At the speed the search found it at (the virtual unit answers at any).
  EXPECT_EQ(term.windowTitle().toStdString(), QStringLiteral("VORKA config v" VORKA_VERSION " - port %1 - %2")
                                                  .arg(port)
                                                  .arg(setup.ChosenBaudRate())
                                                  .toStdString());
  EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join(QLatin1Char('|')).toStdString();
  setup.BtnCloseClick();
}

// A TORVEL file whose path the ANSI code page cannot spell (check-windows runs the tests on an
// English one, 1252, which has no "ř") is imported by the window.
// A path with the long-path prefix names the same file: vorkactl writes and reads there.
TEST(WindowsPathTest, ALongPathPrefixNamesTheSameFile) {
  struct Case {
    const char* given;
    const char* path;
  };
  for (const Case& c : {Case{R"(\\?\C:\Stroje\stroj3.vorka)", R"(C:\Stroje\stroj3.vorka)"},
                        Case{R"(\\?\UNC\dilna\stroje\a.vorka)", R"(\\dilna\stroje\a.vorka)"},
                        Case{R"(\\?\unc\dilna\b.vorka)", R"(\\dilna\b.vorka)"},
                        Case{R"(C:\Stroje\c.vorka)", R"(C:\Stroje\c.vorka)"},
                        Case{R"(\\dilna\stroje\d.vorka)", R"(\\dilna\stroje\d.vorka)"}})
    EXPECT_EQ(PathArgument(QString::fromUtf8(c.given)), c.path) << c.given;
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString prefixed =
      QStringLiteral("\\\\?\\") + QDir::toNativeSeparators(folder.path()) + QStringLiteral("\\stroj3.vorka");
  const std::string path = PathArgument(prefixed);
  EXPECT_EQ(SaveSettingsFile(path, "OUT1 = Laser\n", FileTarget::RegularOnly).kind, FileFault::Kind::None);
  std::string text;
  EXPECT_EQ(LoadSettingsFile(path, text, FileTarget::RegularOnly).kind, FileFault::Kind::None);
  EXPECT_EQ(text, "OUT1 = Laser\n");
  EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("stroj3.vorka"))));
}

TEST(WindowsImportTest, ATorvelFileOnACzechPathIsImported) {
  RecordingMessages messages;
  QTemporaryDir dir;
  ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("Uživatel Dílny/stroje"))));
  const QString path = dir.filePath(QStringLiteral("Uživatel Dílny/stroje/frézka č.1 ř.cfg"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("INTR3=1,0,Dvere\r\nKrNaMmX=200\r\n");
  file.close();
  TTermForm term({QStringLiteral("vorka_config")}, TestBackups());
  TermFormInternals::State(term).mpgCapable = true;
  term.MpgUsage().SetItemIndex(1);
  TermFormInternals::RunOpenDialog(term) = [&](QString& chosen) {
    chosen = path;
    return true;
  };
  TermFormInternals::Ui(term).ReadCFG->click();
  EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join(QLatin1Char('|')).toStdString();
  EXPECT_EQ(TermFormInternals::Ui(term).GearX->text().toStdString(), "200.000000");
  EXPECT_EQ(TermFormInternals::Ui(term).StrGridVstupy->item(4, 2)->text().toStdString(), "DVERE");
}

}  // namespace
