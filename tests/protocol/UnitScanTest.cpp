#include "link/Async.h"
#include "protocol/UnitScan.h"

#include "link/D2xx.h"
#include "sim/FakeD2xx.h"

#include <filesystem>
#include "tests/support/ScanPorts.h"

#include <QSerialPort>
#include <QThread>

#include <chrono>

namespace {

class UnitScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_.devices.clear();  // no FTDI device unless a test plugs one in
    SetD2xx(&fake_);
  }
  void TearDown() override { SetD2xx(nullptr); }

  // Waits for the search; the bound only keeps a hung search from hanging the suite.
  static void Wait(UnitScan& scan) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!scan.Finished() && std::chrono::steady_clock::now() < giveUp) QThread::msleep(2);
    ASSERT_TRUE(scan.Finished());
  }

  VirtualUnit usbUnit_{{"VK00003", " v3.0", true, 300}};
  FakeD2xx fake_{usbUnit_};
  ScanPorts ports_;
};

TEST(ScanSpeedsTest, TheChosenSpeedFirstThenTheOthersInTheDialogsOrder) {
  EXPECT_EQ(ScanSpeeds(57600), (std::vector<int32_t>{57600, 19200, 38400, 115200, 230400, 460800, 921000}));
  EXPECT_EQ(ScanSpeeds(921000), (std::vector<int32_t>{921000, 19200, 38400, 57600, 115200, 230400, 460800}));
  EXPECT_EQ(ScanSpeeds(12345), (std::vector<int32_t>{19200, 38400, 57600, 115200, 230400, 460800, 921000}));
}

TEST_F(UnitScanTest, FindsExactlyTheTwoUnitsAndLeavesTheSilentPort) {
  const std::vector<ScanTarget> targets = ScanTargets({});
  ASSERT_EQ(targets.size(), 3u);
  EXPECT_EQ(targets[0].port, "COM2");
  EXPECT_EQ(targets[1].port, "COM3");
  EXPECT_EQ(targets[2].port, "COM5");

  UnitScan scan(targets, 115200);
  // Seven speeds of a silent port, one after another, stay well inside a second and a half.
  EXPECT_LE(scan.WorstCaseMs(), 1000);
  scan.Start();
  Wait(scan);
  const std::vector<ScanFound> found = scan.Found();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].target.port, "COM2");
  EXPECT_EQ(found[0].baud, 115200);
  EXPECT_EQ(found[0].identity.id, "VK00001");
  EXPECT_EQ(found[0].identity.version, "TK20MPG v2.4");
  EXPECT_EQ(found[1].target.port, "COM5");
  EXPECT_EQ(found[1].identity.id, "VK00002");
  EXPECT_EQ(found[1].identity.version, "TK20 v1.9");
  // Asked the identification once, and "Q" again to make sure the answer was no late one.
  EXPECT_EQ(ports_.first.Received(), (std::vector<std::string>{"!0Q", "!0?", "!0Q"}));
}

TEST_F(UnitScanTest, AUnitAtAnotherSpeedIsFoundAtItsOwn) {
  ports_.first.SetLineSpeed(57600);
  ports_.second.SetLineSpeed(19200);
  const std::vector<ScanFound> found = ScanForUnits(ScanTargets({}), 115200);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].baud, 57600);
  EXPECT_EQ(found[1].baud, 19200);
  EXPECT_EQ(found[0].identity.id, "VK00001");
}

TEST_F(UnitScanTest, TheOpenPortIsReportedAndNotAsked) {
  OpenPort open;
  open.open = true;
  open.device = ports_.firstServer->SlavePath();
  open.baud = 57600;
  UnitScan scan(ScanTargets(open), 115200);
  scan.Start();
  Wait(scan);
  // Listed apart, never counted as a unit found.
  ASSERT_EQ(scan.OpenInProgram().size(), 1u);
  EXPECT_EQ(scan.OpenInProgram()[0].port, "COM2");
  EXPECT_EQ(scan.OpenInProgram()[0].openBaud, 57600);
  EXPECT_TRUE(ports_.first.Received().empty());
  ASSERT_EQ(scan.Found().size(), 1u);
  EXPECT_EQ(scan.Found()[0].target.port, "COM5");
}

TEST_F(UnitScanTest, FtdiDevicesAreAskedByTheirSerialNumbers) {
  fake_.devices = {"VORKA USB"};
  fake_.serials = {"FTX1"};
  const std::vector<ScanTarget> targets = ScanTargets({});
  ASSERT_EQ(targets.size(), 4u);
  EXPECT_EQ(targets[3].kind, ScanTarget::Kind::Usb);
  EXPECT_EQ(targets[3].device, "FTX1");
  const std::vector<ScanFound> found = ScanForUnits(targets, 460800);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[2].target.port, "VORKA USB");
  EXPECT_EQ(found[2].baud, 460800);
  EXPECT_EQ(found[2].identity.id, "VK00003");
  EXPECT_FALSE(fake_.open);  // given back
  // The device the program opened is reported, not asked.
  OpenPort open;
  open.open = open.usb = true;
  open.device = "VORKA USB";
  const std::vector<ScanTarget> again = ScanTargets(open);
  ASSERT_EQ(again.size(), 4u);
  EXPECT_TRUE(again[3].openInProgram);
}

// What the program's link would refuse, the search does not find: a unit that answers after the
// search's limit answers the previous speed's question, and a reply longer than a line.
TEST_F(UnitScanTest, NoFindFromALateOrOverlongReply) {
  ports_.first.SetDelayMs(150);
  ports_.second.SetReplyOverride("Q", "0," + std::string(300, 'V'));
  for (int search = 0; search < 5; ++search)
    EXPECT_TRUE(ScanForUnits(ScanTargets({}), 115200).empty()) << "search " << search;
}

// A unit whose every reply comes twice, or whose identifier is the other question's reply, is
// not found with an identity that is another reply's.
TEST_F(UnitScanTest, NoFindFromRepliesOutOfStep) {
  ports_.first.SetAnswerTwice("Q", 0, -1);
  ports_.second.SetReplyOverride("Q", "0,TK20MPG v2.4");
  EXPECT_TRUE(ScanForUnits(ScanTargets({}), 115200).empty());
  ports_.first.ClearReplyOverrides();
  const std::vector<ScanFound> found = ScanForUnits(ScanTargets({}), 115200);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].identity.id, "TK20MPG");
}

TEST_F(UnitScanTest, APortOurProgramHoldsIsInUseEvenForRoot) {
  // The window holds COM2's device through another path, and has not told the search.
  const std::string link =
      std::filesystem::temp_directory_path() / ("vorka-com4-" + std::to_string(::getpid()));
  std::filesystem::create_symlink(ports_.firstServer->SlavePath(), link);
  ::setenv("VORKA_COM4", link.c_str(), 1);
  ASSERT_TRUE(ComOpen("COM4", 115200, 'n', 8, 1.0f));
  std::vector<OpenFailure> unopened;
  const std::vector<ScanFound> found = ScanForUnits(ScanTargets({}), 115200, &unopened);
  ComClose();
  std::filesystem::remove(link);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].target.port, "COM5");
  ASSERT_EQ(unopened.size(), 1u);
  EXPECT_EQ(unopened[0].port, "COM2");
  EXPECT_EQ(unopened[0].kind, OpenFailure::Kind::InUse);
}

TEST_F(UnitScanTest, ACancelledSearchStopsWithoutWaitingOutItsLimits) {
  ports_.first.SetSilent(true);
  ports_.second.SetSilent(true);
  UnitScan scan(ScanTargets({}), 115200);
  scan.Start();
  scan.Cancel();
  Wait(scan);
  EXPECT_TRUE(scan.Found().empty());
  // Cancelled before the second speed: no port heard more than one question.
  EXPECT_LE(ports_.first.Received().size(), 1u);
}

TEST_F(UnitScanTest, APortHeldByAnotherProgramIsToldNotPassedOver) {
  QSerialPort other;
  other.setPortName(QString::fromStdString(ports_.silentPath));
  ASSERT_TRUE(other.open(QIODevice::ReadWrite));
  std::vector<OpenFailure> unopened;
  EXPECT_EQ(ScanForUnits(ScanTargets({}), 115200, &unopened).size(), 2u);
  ASSERT_EQ(unopened.size(), 1u);
  EXPECT_EQ(unopened[0].port, "COM3");
  EXPECT_EQ(unopened[0].kind, OpenFailure::Kind::InUse);
  EXPECT_EQ(CzechReason(unopened[0]), "používá ho jiný program");
}

}  // namespace

namespace {

// A converter that a COM name already reaches is asked once, under that name; the others by their
// serial numbers, and one without a serial number not at all.
TEST(ScanTargetsTest, AConverterReachedByACOMNameIsNotAskedAgain) {
  PortIdentity com3;
  com3.name = QStringLiteral("COM3");
  com3.device = QStringLiteral("/nonexistent/ttyUSB0");
  com3.present = true;
  com3.hasUsbId = true;
  com3.vendorId = kFtdiVendorId;
  com3.serialNumber = QStringLiteral("A1");
  PortIdentity com4 = com3;  // another maker's adapter with the same serial number
  com4.name = QStringLiteral("COM4");
  com4.device = QStringLiteral("/nonexistent/ttyACM0");
  com4.vendorId = 0x2341;
  com4.serialNumber = QStringLiteral("B2");
  const std::vector<FtdiDevice> devices = {{"VORKA USB", "A1"}, {"Other", "B2"}, {"Nameless", ""}};
  std::vector<std::string> targets;
  for (const ScanTarget& t : ScanTargetsAmong({com3, com4}, devices, OpenPort{}))
    targets.push_back((t.kind == ScanTarget::Kind::Serial ? "serial " : "usb ") + t.port);
  EXPECT_EQ(targets, (std::vector<std::string>{"serial COM3", "serial COM4", "usb Other"}));
}

}  // namespace
