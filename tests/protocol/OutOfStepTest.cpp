#include "link/Async.h"
#include "protocol/Exchange.h"
#include "protocol/RegisterMap.h"
#include "protocol/ReplyForm.h"
#include "tests/support/SimFixture.h"

#include <chrono>
#include <functional>
#include <thread>

namespace {

class CountingHost : public ExchangeHost {
 public:
  int failures = 0, outOfStep = 0;
  std::string CommandPrefix() override { return "!0"; }
  LinkKind CurrentLinkKind() override { return LinkKind::Serial; }
  void LogsCleared() override {}
  void ScriptShown(const std::vector<std::string>&) override {}
  void LogsWritten(const std::vector<std::string>&, const std::vector<std::string>&) override {}
  void ExchangeTimed(long long) override {}
  void LogsToEnd() override {}
  void IdentifyAfterUsbFailure() override {}
  void ReportFailure() override { ++failures; }
  void ReportOutOfStep() override { ++outOfStep; }
};

// A unit whose every register is told apart from its neighbours, on a line with one fault.
class OutOfStepTest : public SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    ASSERT_TRUE(ComOpen("COM1", 115200, 'n', 8, 1.0f));
    exchange_.SetReplyTimeoutMs(300);
    exchange_.SetQuietFloor(kSharedProcessorQuiet);
    DistinctiveRegisters();
    unit_.SetTextRegister("24", "240");
    script_ = BuildReadScript(true);
    unit_.SetCrLf(false);
    truth_ = exchange_.Run(script_).replies;
    ASSERT_EQ(truth_.size(), script_.size());
    unit_.ClearReceived();
  }
  std::size_t Sent(const std::string& command) const {
    const auto all = Received();
    return static_cast<std::size_t>(std::count(all.begin(), all.end(), "!0" + command));
  }

  CountingHost host_;
  SerialTransport serial_;
  CommandExchange exchange_{host_, serial_};
  std::vector<std::string> script_, truth_;
};

// Every fault of the line a read can meet: one that happens once ends in the unit's own values
// after one more run; one that stays ends named, with no value at all.
TEST_F(OutOfStepTest, AReadIsTheUnitsOwnOrNothing) {
  struct Case {
    const char* name;
    std::function<void(VirtualUnit&)> fault;
    bool once;
  };
  const Case cases[] = {
      {"a reply twice, together", [](VirtualUnit& u) { u.SetAnswerTwice("EFR20", 0, 1); }, true},
      {"a reply twice, the copy late", [](VirtualUnit& u) { u.SetAnswerTwice("ER02", 2, 1); }, true},
      // A unit slow to answer: the copy comes before the last command's own reply.
      {"a reply twice, the copy in the last place",
       [](VirtualUnit& u) {
         u.SetDelayMs(6);
         u.SetAnswerTwice("ER0B", 1, 1);
       },
       true},
      {"a stray CR in a number", [](VirtualUnit& u) { u.SetStrayCr("EFR30", 4, 1); }, true},
      {"a stray CR at the start", [](VirtualUnit& u) { u.SetStrayCr("ER01", 0, 1); }, true},
      {"a stray CR in the last reply", [](VirtualUnit& u) { u.SetStrayCr("ER0C", 3, 1); }, true},
      {"a write's acknowledgement for a read", [](VirtualUnit& u) { u.SetReplyOverride("ER04", "0"); },
       false},
      {"a number in a byte register", [](VirtualUnit& u) { u.SetReplyOverride("ER08", "0,640"); }, false},
      {"a byte in a number register", [](VirtualUnit& u) { u.SetReplyOverride("EFR24", "0,FF"); }, false},
      {"every time twice", [](VirtualUnit& u) { u.SetAnswerTwice("EFR20", 0, -1); }, false},
      {"every time a stray CR", [](VirtualUnit& u) { u.SetStrayCr("EFR30", 4, -1); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    unit_.ClearReplyOverrides();
    unit_.SetDelayMs(0);
    c.fault(unit_);
    host_.outOfStep = host_.failures = 0;
    const ExchangeResult result = exchange_.Run(script_);
    EXPECT_EQ(host_.failures, 0);
    if (c.once) {
      EXPECT_TRUE(result.completed);
      EXPECT_EQ(result.replies, truth_);
      EXPECT_EQ(host_.outOfStep, 0);
    } else {
      EXPECT_FALSE(result.completed);
      EXPECT_TRUE(result.outOfStep);
      EXPECT_TRUE(result.replies.empty());
      EXPECT_EQ(host_.outOfStep, 1);
    }
    // The next script finds a quiet line.
    unit_.ClearReplyOverrides();
    unit_.SetDelayMs(0);
    EXPECT_EQ(exchange_.Run(script_).replies, truth_);
  }
}

// A late reply that missed its limit is waiting when the next script starts: that script runs
// again on a drained line instead of taking it for its first reply.
TEST_F(OutOfStepTest, AReplyAfterItsLimitAnswersNoLaterCommand) {
  unit_.SetLateOnCommand("ER03", 400);
  EXPECT_FALSE(exchange_.Run(script_).completed);
  EXPECT_EQ(host_.failures, 1);
  unit_.SetLateOnCommand("ER03", 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));  // the late reply arrives meanwhile
  const ExchangeResult again = exchange_.Run(script_);
  EXPECT_TRUE(again.completed);
  EXPECT_EQ(again.replies, truth_);
  EXPECT_EQ(host_.outOfStep, 0);
}

// Polls back to back are not watched after their last reply: a copy that comes after it is found
// by the next poll's first command, which says so, so that the poll before is not used either.
TEST_F(OutOfStepTest, AnUnwatchedScriptIsFoundOutByTheNextOne) {
  const std::vector<std::string> poll = {"I1", "I2"};
  for (const bool watched : {true, false}) {
    SCOPED_TRACE(watched ? "watched" : "not watched");
    exchange_.SetWatchAfterScript(watched);
    unit_.SetAnswerTwice("I2", 5, 1);  // the copy 5 ms after the reply
    const ExchangeResult first = exchange_.Run(poll);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const ExchangeResult second = exchange_.Run(poll);
    // Watched, the first poll runs again on a drained line itself; not watched, it completes and
    // the second one tells.
    EXPECT_TRUE(first.completed);
    EXPECT_EQ(first.lineBeforeFirst, false);
    EXPECT_TRUE(second.completed);
    EXPECT_EQ(second.lineBeforeFirst, !watched);
    EXPECT_EQ(host_.outOfStep, 0);
  }
  exchange_.SetWatchAfterScript(true);
}

// A line feed is how a unit may end its lines, never news.
TEST_F(OutOfStepTest, LineFeedsAreNoSurplus) {
  unit_.SetCrLf(true);
  const ExchangeResult result = exchange_.Run(script_);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.replies, truth_);
  EXPECT_EQ(Sent("ER01"), 1u);  // not run again
}

// A script that changes the unit is never sent twice: out of step, it stops where it was.
TEST_F(OutOfStepTest, AWriteScriptOutOfStepStopsAndIsNotRepeated) {
  const std::vector<std::string> writes = {"EFW20,500", "EFW24,500", "EFW28,500"};
  struct Case {
    const char* name;
    std::function<void(VirtualUnit&)> fault;
  };
  const Case cases[] = {
      {"acknowledged twice", [](VirtualUnit& u) { u.SetAnswerTwice("EFW20,500", 0, 1); }},
      {"a stray CR in an acknowledgement", [](VirtualUnit& u) { u.SetReplyOverride("EFW20,500", "0\r"); }},
      {"a NUL before an acknowledgement",
       [](VirtualUnit& u) { u.SetNoise("EFW20,500", std::string(1, '\0'), 1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    unit_.ClearReplyOverrides();
    unit_.ClearReceived();
    c.fault(unit_);
    host_.outOfStep = 0;
    const ExchangeResult result = exchange_.Run(writes);
    EXPECT_TRUE(result.outOfStep);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(host_.outOfStep, 0);  // the caller says what the unit holds
    EXPECT_EQ(Sent("EFW20,500"), 1u);
    EXPECT_EQ(Sent("EFW28,500"), 0u);
  }
}

TEST(ReplyFormTest, ARepliesFormBelongsToItsCommand) {
  struct Case {
    const char* command;
    const char* reply;
    bool fits;
  };
  const Case cases[] = {
      {"ER01", "0,02", true},
      {"ER01", "0", false},
      {"ER01", "0,640", false},
      {"ER01", "0,TK20MPG", false},
      {"ER01", "0,\x7fZ?", true},  // garbled: decoded as specified
      {"EFR24", "0,240", true},
      {"EFR24", "0,FF", false},
      {"EFR24", "0,nan", true},
      {"EFW24,500", "0", true},
      {"EFW24,500", "0,240", true},  // any reply beginning "0" acknowledges a write
      {"EFW24,500", "0,OK", true},
      {"I1", "0,5", true},  // the input words take one hexadecimal digit or more
      {"I1", "0,05", true},
      {"I2", "0,ABCDEF01", true},
      {"I1", "0,640.000000", false},
      {"I1", "0", false},
      {"Q", "0,TK20MPG v2.4", false},
      {"Q", "0", false},
      {"?", "0,VK12345", true},
      {"j", "0,FF", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReplyFitsCommand(c.command, c.reply), c.fits) << c.command << " " << c.reply;
  EXPECT_TRUE(OnlyAsks(BuildReadScript(true)));
  EXPECT_FALSE(OnlyAsks(std::vector<std::string>{"ER01", "EW01,02"}));
  EXPECT_FALSE(OnlyAsks(std::vector<std::string>{"j"}));
}

}  // namespace
