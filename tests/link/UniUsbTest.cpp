#include "link/UniUSB.h"
#include "protocol/flows/ConsoleUnit.h"
#include "protocol/flows/UnitFlows.h"
#include "sim/FakeD2xx.h"
#include "tests/support/TestBackups.h"

#include <gtest/gtest.h>

namespace {

class UniUsbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetD2xx(&fake_);
    SetUsbErrorReporter([this](UsbCall, const std::string& m) { boxes_.push_back(m); });
  }
  void TearDown() override {
    SetD2xx(nullptr);
    SetUsbErrorReporter({});
    FTDeviceCount = 0;
    FTDeviceDescription.clear();
  }
  bool Open() { return Open_USB("VORKA USB", 115200); }

  VirtualUnit unit_;
  FakeD2xx fake_{unit_};
  std::vector<std::string> boxes_;
};

TEST(UsbErrorTextTest, TextsOfTheStatuses) {
  EXPECT_EQ(UsbErrorText("Open_USB", 0), "");
  EXPECT_EQ(UsbErrorText("X", 1), "X - Invalid Handle...");
  EXPECT_EQ(UsbErrorText("Open_USB", 2), "Open_USB - Device Not Found....");
  EXPECT_EQ(UsbErrorText("X", 3), "X - Device Not Opened...");
  EXPECT_EQ(UsbErrorText("X", 4), "X - General IO Error...");
  EXPECT_EQ(UsbErrorText("X", 5), "X - Insufficient Resources...");
  EXPECT_EQ(UsbErrorText("X", 6), "X - Invalid Parameter ...");
  EXPECT_EQ(UsbErrorText("SetBaudRate", 7), "SetBaudRate");
  EXPECT_EQ(UsbErrorText("SetBaudRate", 0xFFFFFFFF), "SetBaudRate");
}

TEST_F(UniUsbTest, ListingZeroOneAndTwoDevices) {
  for (const std::vector<std::string>& devices :
       {std::vector<std::string>{}, {"A"}, {"FT232R USB UART", "VORKA USB"}}) {
    fake_.devices = devices;
    EXPECT_EQ(GetFTDeviceCount(), FT_OK);
    ASSERT_EQ(FTDeviceCount, devices.size());
    for (uint32_t i = 0; i < FTDeviceCount; ++i) {
      EXPECT_EQ(GetFTDeviceDescription(i), FT_OK);
      EXPECT_EQ(FTDeviceDescription, devices[i]);
    }
  }
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(UniUsbTest, DescriptionIsKeptTo49Characters) {
  fake_.devices = {std::string(60, 'D')};
  GetFTDeviceDescription(0);
  EXPECT_EQ(FTDeviceDescription, std::string(49, 'D'));
  fake_.devices = {std::string(49, 'D')};  // the device answers to the 49 characters
  EXPECT_TRUE(Open_USB(std::string(60, 'D'), 115200));
  EXPECT_EQ(fake_.openedDescription, std::string(49, 'D'));
}

TEST_F(UniUsbTest, FailedListingKeepsWhatWasThere) {
  FTDeviceCount = 3;
  FTDeviceDescription = "old";
  fake_.inject["FT_ListDevices"] = {FT_IO_ERROR, FT_DEVICE_NOT_FOUND};
  EXPECT_EQ(GetFTDeviceCount(), FT_IO_ERROR);
  EXPECT_EQ(GetFTDeviceDescription(0), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(FTDeviceCount, 3u);
  EXPECT_EQ(FTDeviceDescription, "old");
  EXPECT_EQ(boxes_, (std::vector<std::string>{"GetFTDeviceCount - General IO Error...",
                                              "GetFTDeviceDescription - Device Not Found...."}));
}

TEST_F(UniUsbTest, OpenSetsEightNoneOneWithoutFlowControlAndTheRate) {
  EXPECT_TRUE(Open_USB("VORKA USB", 460800));
  EXPECT_EQ(fake_.calls, (std::vector<std::string>{"FT_OpenEx", "FT_SetDataCharacteristics",
                                                   "FT_SetFlowControl", "FT_SetBaudRate"}));
  EXPECT_EQ(fake_.baudRate, 460800u);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(UniUsbTest, OpenWithoutADescriptionCallsNothing) {
  EXPECT_FALSE(Open_USB("", 115200));
  EXPECT_TRUE(fake_.calls.empty());
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(UniUsbTest, EveryFailingStepOfTheOpenHasItsBoxAndClosesTheDevice) {
  struct Case {
    const char* call;
    FT_STATUS status;
    const char* box;
  };
  const Case cases[] = {
      {"FT_OpenEx", 2, "Open_USB - Device Not Found...."},
      {"FT_SetDataCharacteristics", 4, "SetDataCharacteristics - General IO Error..."},
      {"FT_SetFlowControl", 1, "SetFlowControl - Invalid Handle..."},
      {"FT_SetBaudRate", 7, "SetBaudRate"},
  };
  for (const Case& c : cases) {
    boxes_.clear();
    fake_.calls.clear();
    fake_.inject[c.call] = {c.status};
    EXPECT_FALSE(Open());
    EXPECT_EQ(boxes_, std::vector<std::string>{c.box});
    EXPECT_FALSE(fake_.open) << c.call;
  }
}

TEST_F(UniUsbTest, ResetPurgeTimeoutsAndClose) {
  ASSERT_TRUE(Open());
  Reset_USB();
  Purge_USB();
  SetTimeouts_USB(1000, 1000);
  EXPECT_EQ(fake_.purges, (std::vector<uint32_t>{FT_PURGE_RX, FT_PURGE_TX}));
  EXPECT_EQ(fake_.readTimeout, 1000u);
  EXPECT_EQ(fake_.writeTimeout, 1000u);
  EXPECT_TRUE(boxes_.empty());
  fake_.inject["FT_Purge"] = {FT_IO_ERROR, FT_INSUFFICIENT_RESOURCES};
  fake_.inject["FT_ResetDevice"] = {FT_DEVICE_NOT_OPENED};
  fake_.inject["FT_SetTimeouts"] = {FT_INVALID_PARAMETER};
  fake_.inject["FT_Close"] = {FT_IO_ERROR};
  Reset_USB();
  Purge_USB();
  SetTimeouts_USB(1000, 1000);
  Close_USB();
  EXPECT_EQ(boxes_, (std::vector<std::string>{
                        "Reset_USB - Device Not Opened...", "Purge_USB - General IO Error...",
                        "Purge_USB - Insufficient Resources...", "SetTimeouts_USB - Invalid Parameter ...",
                        "Close_USB - General IO Error..."}));
}

// Fast sampling puts the converter's latency timer at its smallest and back as it was; a
// converter that refuses 1 ms gets 2, one that refuses both goes on at its own pace, and one closed
// meanwhile is put back before it closes, and nothing reaches its closed handle.
TEST_F(UniUsbTest, FastRepliesSetTheLatencyTimerForTheirTimeOnly) {
  struct Case {
    const char* name;
    std::vector<FT_STATUS> refusals;  // what the first settings answer
    int during;
    bool closeMeanwhile = false;
  };
  const Case cases[] = {
      {"takes 1 ms", {}, 1},
      {"an older converter: 2 ms", {FT_INVALID_PARAMETER}, 2},
      {"refuses both", {FT_INVALID_PARAMETER, FT_IO_ERROR}, 16},
      {"closed meanwhile", {}, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Open());
    fake_.latencyTimer = 16;
    fake_.inject["FT_SetLatencyTimer"] = {c.refusals.begin(), c.refusals.end()};
    {
      const FastUsbReplies fast;
      EXPECT_EQ(fake_.latencyTimer, c.during);
      if (c.closeMeanwhile) Close_USB();
    }
    EXPECT_EQ(fake_.latencyTimer, 16);
    EXPECT_TRUE(fake_.callsOnClosed.empty());
    EXPECT_TRUE(boxes_.empty());
    if (!c.closeMeanwhile) Close_USB();
  }
  // Closed and opened again: the old one does nothing for the converter now open, a new one does.
  ASSERT_TRUE(Open());
  {
    const FastUsbReplies fast;
    Close_USB();
    ASSERT_TRUE(Open());
    EXPECT_TRUE(fast.Stale());
    EXPECT_EQ(fake_.latencyTimer, 16);
    const FastUsbReplies again;
    EXPECT_FALSE(again.Stale());
    EXPECT_EQ(fake_.latencyTimer, 1);
  }
  EXPECT_EQ(fake_.latencyTimer, 16);
  EXPECT_TRUE(fake_.callsOnClosed.empty());
  Close_USB();
  // No USB link open: the timer is not touched.
  fake_.calls.clear();
  { const FastUsbReplies none; }
  EXPECT_EQ(std::count(fake_.calls.begin(), fake_.calls.end(), "FT_SetLatencyTimer"), 0);
}

TEST_F(UniUsbTest, ReplyKeepsItsCarriageReturn) {
  ASSERT_TRUE(Open());
  EXPECT_TRUE(Write_USB("!0ER05\r"));
  std::string reply;
  EXPECT_TRUE(Read_USB(200, reply, 255));
  EXPECT_EQ(reply, "0,FF\r");
  EXPECT_EQ(unit_.Received(), std::vector<std::string>{"!0ER05"});
}

TEST_F(UniUsbTest, CrLfInOnePassRunsIntoTheLimit) {
  ASSERT_TRUE(Open());
  unit_.SetCrLf(true);
  Write_USB("!0ER05\r");
  std::string reply;
  EXPECT_FALSE(Read_USB(100, reply, 255));
  EXPECT_EQ(reply, "0,FF\r\n");
}

TEST_F(UniUsbTest, LineFeedInALaterPassStartsTheNextReply) {
  ASSERT_TRUE(Open());
  unit_.SetCrLf(true);
  fake_.lineFeedLater = true;
  Write_USB("!0ER05\r");
  std::string reply;
  EXPECT_TRUE(Read_USB(100, reply, 255));
  EXPECT_EQ(reply, "0,FF\r");
  unit_.SetCrLf(false);
  Write_USB("!0ER01\r");
  EXPECT_TRUE(Read_USB(100, reply, 255));
  EXPECT_EQ(reply, "\n0,02\r");
}

TEST_F(UniUsbTest, TwoRepliesTogetherAreOneText) {
  ASSERT_TRUE(Open());
  fake_.Arrive("0,01\r0,02\r");
  std::string reply;
  EXPECT_TRUE(Read_USB(100, reply, 255));
  EXPECT_EQ(reply, "0,01\r0,02\r");
}

TEST_F(UniUsbTest, FailingQueueOrReadEndsAtOnceAndWritesReportShortWrites) {
  ASSERT_TRUE(Open());
  fake_.Arrive("0,01\r");
  fake_.inject["FT_GetQueueStatus"] = {FT_IO_ERROR};
  std::string reply;
  EXPECT_FALSE(Read_USB(10000, reply, 255));
  fake_.inject["FT_Read"] = {FT_IO_ERROR};
  EXPECT_FALSE(Read_USB(10000, reply, 255));
  fake_.inject["FT_Write"] = {FT_IO_ERROR};
  EXPECT_FALSE(Write_USB("!0Q\r"));
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(UniUsbTest, LongReplyIsCutAndANulLosesNothingThatFollowsIt) {
  ASSERT_TRUE(Open());
  fake_.Arrive(std::string(300, 'x') + "\r");
  std::string reply;
  EXPECT_FALSE(Read_USB(50, reply, 255));
  EXPECT_EQ(reply.size(), 255u);
  fake_.Arrive(std::string("0,A\0B\r", 6));
  EXPECT_TRUE(Read_USB(50, reply, 255));
  EXPECT_EQ(reply, std::string("0,A\0B\r", 6));
}

TEST(RealLibftdiTest, WithoutAnFtdiDeviceNothingIsListedAndOpenSaysNotFound) {
  std::vector<std::string> boxes;
  if (!D2xx().Available()) GTEST_SKIP() << "FTDI's library is not installed here";
  SetUsbErrorReporter([&](UsbCall, const std::string& m) { boxes.push_back(m); });
  ASSERT_EQ(GetFTDeviceCount(), FT_OK);
  if (FTDeviceCount > 0) GTEST_SKIP() << "an FTDI device is attached";
  EXPECT_FALSE(Open_USB("VORKA USB", 115200));
  EXPECT_EQ(boxes, std::vector<std::string>{"Open_USB - Device Not Found...."});
  SetUsbErrorReporter({});
}

}  // namespace

namespace {

// vorkactl's --port usb takes the first converter the library lists, usb:DESC the one so named; the
// unit behind it answers the identification either way.
TEST_F(UniUsbTest, ConsolePortUsbOpensTheFirstOrTheNamedConverter) {
  const struct {
    const char* port;
    std::vector<std::string> devices;
    const char* opened;  // nullptr: nothing opens
  } cases[] = {
      {"usb", {"VORKA USB", "FT232R USB UART"}, "VORKA USB"},
      {"usb", {"FT232R USB UART", "VORKA USB"}, "FT232R USB UART"},
      {"usb:VORKA USB", {"FT232R USB UART", "VORKA USB"}, "VORKA USB"},
      {"usb:Other", {"FT232R USB UART"}, nullptr},
      {"usb", {}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.port);
    fake_.devices = c.devices;
    fake_.openedDescription.clear();
    ConsoleUnit console{TestBackups()};
    std::string reason;
    const bool opened = console.Open(c.port, 115200, 300, reason);
    EXPECT_EQ(opened, c.opened != nullptr) << reason;
    if (c.opened) {
      EXPECT_EQ(fake_.openedDescription, c.opened);
      IdentifyUnit(console);
      EXPECT_TRUE(console.State().unitPresent);
    } else {
      EXPECT_FALSE(reason.empty());
    }
    console.Close();
  }
}

}  // namespace

namespace {

// Without FTDI's library (Windows without its driver) every way to the USB link says so once, in
// the operator's language, and none of them counts devices or opens one.
TEST_F(UniUsbTest, AMissingLibraryIsSaidInsteadOfAFailedCall) {
  fake_.available = false;
  SetUsbOpenHint([](const OpenFailure& f) { return CzechText(f); });
  const std::string czech =
      "Ovladač FTDI (ftd2xx.dll) není nainstalován, převodník USB nelze použít.\n"
      "Sériové porty COM fungují i bez něj; ovladač D2XX nabízí výrobce převodníku (FTDI).";

  EXPECT_EQ(ListFtdiDevices(FtdiListing::Reported), std::vector<FtdiDevice>{});
  EXPECT_EQ(boxes_, std::vector<std::string>{czech});
  boxes_.clear();
  EXPECT_EQ(ListFtdiDevices(FtdiListing::Quiet), std::nullopt);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_FALSE(Open_USB("VORKA USB", 115200));
  EXPECT_EQ(boxes_, std::vector<std::string>{"Open_USB\n" + czech});

  for (const char* port : {"usb", "usb:VORKA USB"}) {
    ConsoleUnit console{TestBackups()};
    std::string reason;
    EXPECT_FALSE(console.Open(port, 115200, 300, reason));
    EXPECT_EQ(reason,
              "the FTDI driver (ftd2xx.dll) is not installed, so no USB converter can be used; "
              "the COM ports work without it");
  }
  SetUsbOpenHint({});
}

// The window's series between two units: a converter that went away with the last one (a failed
// call) is opened again, quietly, before the next unit is asked; one that stayed is left open.
TEST_F(UniUsbTest, TheWindowsSeriesOpensAConverterThatWentAwayAgain) {
  ASSERT_TRUE(OpenPrepared_USB("VORKA USB", 115200, 300, "FT1", ""));  // as the port dialog opens it
  ConsoleUnit series(TestBackups(), ConsoleUnit::Line::Window);
  series.UseOpenLink(LinkKind::Usb, 300);
  series.onFailure = nullptr;
  IdentifyUnit(series);
  ASSERT_TRUE(series.State().unitPresent);
  fake_.calls.clear();
  series.ReopenForNextUnit();
  EXPECT_EQ(std::count(fake_.calls.begin(), fake_.calls.end(), "FT_OpenEx"), 0);

  fake_.inject["FT_Write"] = {FT_IO_ERROR};  // pulled out
  IdentifyUnit(series);
  EXPECT_FALSE(series.State().unitPresent);
  ASSERT_TRUE(Gone_USB());
  boxes_.clear();
  series.ReopenForNextUnit();
  EXPECT_EQ(std::count(fake_.calls.begin(), fake_.calls.end(), "FT_OpenEx"), 1);
  EXPECT_FALSE(Gone_USB());
  EXPECT_TRUE(boxes_.empty());
  IdentifyUnit(series);
  EXPECT_TRUE(series.State().unitPresent);
  Close_USB();
}

}  // namespace
