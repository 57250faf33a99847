#include "link/Async.h"
#include "link/SerialPortUnix.h"
#include "tests/support/SimFixture.h"

#include <QSerialPort>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>

namespace {

using namespace std::chrono_literals;

class AsyncTest : public SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    ASSERT_TRUE(ComOpen("COM1", 115200, 'n', 8, 1.0f));
  }

  // Line settings of the open port, as the device holds them.
  termios Settings() const {
    termios tio{};
    EXPECT_TRUE(server_->LineSettings(tio));
    return tio;
  }

  std::string Exchange(const std::string& line, uint32_t limitMs = 500) {
    ComSendLine(line);
    std::string reply;
    ok_ = ComReceiveLine(limitMs, reply, 255);
    return reply;
  }

  // Waits until the unit has sent everything it queued (bytes are in the port's input).
  static void Settle() { std::this_thread::sleep_for(60ms); }

  bool ok_ = false;
};

TEST_F(AsyncTest, SendsPrefixedLineWithCarriageReturnAndReturnsReply) {
  EXPECT_EQ(Exchange("!0Q"), "0,VK12345");
  EXPECT_TRUE(ok_);
  EXPECT_EQ(Received(), std::vector<std::string>{"!0Q"});
}

TEST_F(AsyncTest, CrLfReplyDropsLineFeedAndTheNextSendDiscardsIt) {
  unit_.SetCrLf(true);
  EXPECT_EQ(Exchange("!0ER05"), "0,FF");
  EXPECT_TRUE(ok_);
  Settle();
  unit_.SetCrLf(false);
  EXPECT_EQ(Exchange("!0ER01"), "0,02");  // no stray line feed in front
  EXPECT_TRUE(ok_);
}

TEST_F(AsyncTest, TwoRepliesInOneReadGiveTheFirstAndLoseTheSecond) {
  server_->SendRaw("0,AA\r0,BB\r");
  Settle();
  std::string reply;
  EXPECT_TRUE(ComReceiveLine(200, reply, 255));
  EXPECT_EQ(reply, "0,AA");
  EXPECT_EQ(Exchange("!0Q"), "0,VK12345");
}

TEST_F(AsyncTest, LateLineFeedIsThrownAwayByTheNextSend) {
  server_->SendRaw("\n");
  Settle();
  EXPECT_EQ(Exchange("!0ER02"), "0,03");
}

TEST_F(AsyncTest, ReplyOver255CharactersIsCutAndNeverComplete) {
  unit_.SetReplyOverride("Q", "0," + std::string(300, 'x'));
  const std::string reply = Exchange("!0Q", 300);
  EXPECT_FALSE(ok_);
  EXPECT_EQ(reply.size(), 255u);
}

TEST_F(AsyncTest, CapacityBelow255CutsTheBuffer) {
  unit_.SetReplyOverride("Q", "0,ABCDEFGH");
  ComSendLine("!0Q");
  std::string reply;
  EXPECT_FALSE(ComReceiveLine(200, reply, 4));  // the terminator falls beyond the cut
  EXPECT_EQ(reply, "0,AB");
}

TEST_F(AsyncTest, ZeroLimitStillReturnsAReplyAlreadyWaiting) {
  server_->SendRaw("0,11\r");
  Settle();
  std::string reply;
  EXPECT_TRUE(ComReceiveLine(0, reply, 255));
  EXPECT_EQ(reply, "0,11");
}

TEST_F(AsyncTest, ZeroLimitWithNothingWaitingFails) {
  std::string reply = "stale";
  EXPECT_FALSE(ComReceiveLine(0, reply, 255));
  EXPECT_EQ(reply, "");
}

// A NUL is a byte like any other: what follows it is kept, and the reply is the exchange's to judge.
TEST_F(AsyncTest, ANulByteLosesNothingThatFollowsIt) {
  server_->SendRaw(std::string("0,A\0B\r", 6));
  Settle();
  std::string reply;
  EXPECT_TRUE(ComReceiveLine(100, reply, 255));
  EXPECT_EQ(reply, std::string("0,A\0B", 5));
}

TEST_F(AsyncTest, GarbageWithoutTerminatorTimesOutKeepingWhatArrived) {
  server_->SendRaw("\x01\xff garbage");
  std::string reply;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ComReceiveLine(150, reply, 255));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
  EXPECT_EQ(reply, "\x01\xff garbage");
}

TEST_F(AsyncTest, Line255CharactersLongLosesItsCarriageReturn) {
  ComSendLine(std::string(255, 'A'));
  ComSendLine("!0Q");  // the unit sees it glued to the unterminated line
  Settle();
  ASSERT_EQ(Received().size(), 1u);
  EXPECT_EQ(Received()[0], std::string(255, 'A') + "!0Q");
}

TEST_F(AsyncTest, Line254CharactersLongKeepsItsCarriageReturn) {
  ComSendLine(std::string(254, 'B'));
  Settle();
  ASSERT_EQ(Received().size(), 1u);
  EXPECT_EQ(Received()[0], std::string(254, 'B'));
}

TEST_F(AsyncTest, ParityLettersOfTheTable) {
  // A pseudo-terminal always clears PARENB; the kind of parity still shows in PARODD and CMSPAR.
  struct Case {
    char letter;
    tcflag_t expected;
  };
  const Case cases[] = {{'o', PARODD}, {'m', PARODD | CMSPAR}, {'s', CMSPAR}, {'e', 0}, {'n', 0}};
  for (const Case& c : cases) {
    ComClose();
    ASSERT_TRUE(ComOpen("COM1", 115200, c.letter, 8, 1.0f)) << c.letter;
    EXPECT_EQ(Settings().c_cflag & (PARODD | CMSPAR), c.expected) << c.letter;
  }
}

TEST(AsyncParityTest, OtherLettersKeepTheParityTheDeviceHas) {
  // What the device reports is what a letter outside the table keeps.
  struct Case {
    tcflag_t flags;
    QSerialPort::Parity parity;
  };
  const Case cases[] = {
      {0, QSerialPort::NoParity},
      {PARODD, QSerialPort::NoParity},
      {PARENB, QSerialPort::EvenParity},
      {PARENB | PARODD, QSerialPort::OddParity},
      {PARENB | CMSPAR, QSerialPort::SpaceParity},
      {PARENB | CMSPAR | PARODD, QSerialPort::MarkParity},
  };
  for (const Case& c : cases) EXPECT_EQ(ParityOfControlFlags(c.flags), c.parity) << c.flags;
}

TEST_F(AsyncTest, StopBitsByTheRuleAndRawEightBitsWithoutFlowControl) {
  ComClose();
  ASSERT_TRUE(ComOpen("COM1", 115200, 'n', 8, 2.0f));
  termios tio = Settings();
  EXPECT_TRUE(tio.c_cflag & CSTOPB);
  EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
  EXPECT_FALSE(tio.c_cflag & CRTSCTS);
  EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP));
  EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO));
  ComClose();
  ASSERT_TRUE(ComOpen("COM1", 115200, 'n', 8, 0.5f));
  EXPECT_FALSE(Settings().c_cflag & CSTOPB);
}

TEST_F(AsyncTest, UnusualBaudRateLeavesThePortOpenAndWorking) {
  ComClose();
  ASSERT_TRUE(ComOpen("COM1", 921000, 'n', 8, 1.0f));
  EXPECT_EQ(Exchange("!0Q"), "0,VK12345");
}

TEST_F(AsyncTest, PortHeldByTheLinkCannotBeOpenedAgain) {
  QSerialPort other;
  other.setPortName(QString::fromStdString(ComDevice()));
  EXPECT_FALSE(other.open(QIODevice::ReadWrite));
}

TEST_F(AsyncTest, DeviceThatDisappearsMidExchangeIsNoReply) {
  unit_.SetCloseOnNth(1);
  std::string reply;
  ComSendLine("!0Q");
  EXPECT_FALSE(ComReceiveLine(200, reply, 255));
  ComSendLine("!0Q");  // writing to a dead line is not detected and does no harm
  EXPECT_FALSE(ComReceiveLine(100, reply, 255));
}

// A hung-up device ends the wait at once, as a reply that did not come, instead of polling as
// readable for the whole limit.
TEST_F(AsyncTest, AHangUpEndsTheWaitAtOnce) {
  unit_.SetCloseOnNth(1);
  std::string reply;
  ComSendLine("!0Q");
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu = std::clock();
  EXPECT_FALSE(ComReceiveLine(10000, reply, 255));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);  // far from the limit
  EXPECT_LT(std::clock() - cpu, CLOCKS_PER_SEC / 2);
}

// Two of our programs never share a device, whoever runs them and whatever path leads to it.
TEST_F(AsyncTest, TheDeviceIsLockedForOurOtherPrograms) {
  const std::string link =
      std::filesystem::temp_directory_path() / ("vorka-other-" + std::to_string(::getpid()));
  std::filesystem::create_symlink(ComDevice(), link);
  QSerialPort other;
  other.setPortName(QString::fromStdString(link));
  // Another program of ours is kept out on every run: as root the port object opens the device and
  // the lock says no; as anybody else the system's exclusive mode refuses the open already.
  if (other.open(QIODevice::ReadWrite)) {
    EXPECT_FALSE(TakePortLock(other));
  } else {
    EXPECT_EQ(other.error(), QSerialPort::PermissionError) << other.errorString().toStdString();
  }
  other.close();
  std::filesystem::remove(link);
}

TEST(AsyncNoPortTest, FailedOpenSendsNothingAndReceiveWaitsOutTheLimit) {
  ::setenv("VORKA_COM2", "/nonexistent/tty", 1);
  EXPECT_FALSE(ComOpen("COM2", 115200, 'n', 8, 1.0f));
  ComSendLine("!0Q");
  std::string reply;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ComReceiveLine(120, reply, 255));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 120ms);
  ::unsetenv("VORKA_COM2");
}

}  // namespace
