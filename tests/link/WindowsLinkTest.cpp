#include "link/Async.h"
#include "link/PortNames.h"
#include "link/UniUSB.h"

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
  SetUsbErrorReporter([&](const std::string& m) { boxes.push_back(m); });
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

}  // namespace
