#include "link/Async.h"
#include "protocol/Exchange.h"
#include "protocol/SettingsModel.h"
#include "protocol/flows/UnitFlows.h"
#include "tests/support/SimFixture.h"

namespace {

// Records what the exchange tells its window.
class RecordingHost : public ExchangeHost {
 public:
  std::string prefix = "!0";
  LinkKind kind = LinkKind::Serial;
  std::vector<std::string> memoSend, memoRec, memoScript;
  int cleared = 0, failures = 0, outOfStep = 0, identifications = 0, timed = 0, toEnd = 0;
  std::function<void()> onIdentify;

  std::string CommandPrefix() override { return prefix; }
  LinkKind CurrentLinkKind() override { return kind; }
  void LogsCleared() override {
    ++cleared;
    memoSend.clear();
    memoRec.clear();
    memoScript.clear();
  }
  void ScriptShown(const std::vector<std::string>& s) override { memoScript = s; }
  void LogsWritten(const std::vector<std::string>& sent, const std::vector<std::string>& replies) override {
    memoSend = sent;
    memoRec = replies;
  }
  void ExchangeTimed(long long) override { ++timed; }
  void LogsToEnd() override { ++toEnd; }
  void IdentifyAfterUsbFailure() override {
    ++identifications;
    if (onIdentify) onIdentify();
  }
  void ReportFailure() override { ++failures; }
  void ReportOutOfStep() override { ++outOfStep; }
};

// A USB link that hands over to a scripted answer list; nothing when the list runs out.
class ScriptedTransport : public Transport {
 public:
  std::vector<std::string> sent;
  std::vector<std::string> answers;
  void Send(const std::string& framed) override { sent.push_back(framed); }
  bool Receive(uint32_t, std::string& reply, const std::atomic<bool>*) override {
    if (answers.empty()) return false;
    reply = answers.front();
    answers.erase(answers.begin());
    return true;
  }
  std::string TakeWaiting(std::chrono::microseconds) override { return {}; }
};

class ExchangeTest : public SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    ASSERT_TRUE(ComOpen("COM1", 115200, 'n', 8, 1.0f));
    exchange_.SetReplyTimeoutMs(300);
  }
  RecordingHost host_;
  SerialTransport serial_;
  CommandExchange exchange_{host_, serial_};
};

TEST(ShortScriptTest, ModeWordsSelectTheirScripts) {
  EXPECT_EQ(ShortScript("check"), (std::vector<std::string>{"Q", "?"}));
  EXPECT_EQ(ShortScript("stav"), (std::vector<std::string>{"I1", "I2"}));
  EXPECT_EQ(ShortScript("reset"), (std::vector<std::string>{"j"}));
  for (const ModeWord other : {ModeWord("read"), ModeWord("write"), ModeWord()})
    EXPECT_TRUE(ShortScript(other).empty());
  // No word set is a fault of the program, never an empty exchange that passes for one.
  SettingsModel model;
  EXPECT_THROW(ScriptFor(ModeWord(), model, true), std::logic_error);
  EXPECT_EQ(ScriptFor("check", model, true), (std::vector<std::string>{"Q", "?"}));
}

TEST_F(ExchangeTest, CheckScriptLogsOneReplyPerLine) {
  EXPECT_TRUE(exchange_.Run(ShortScript("check")).completed);
  EXPECT_EQ(Received(), (std::vector<std::string>{"!0Q", "!0?"}));
  EXPECT_EQ(host_.memoSend, (std::vector<std::string>{"Q", "?"}));
  EXPECT_EQ(host_.memoRec, (std::vector<std::string>{"0,VK12345", "0,TK20MPG v2.4"}));
  EXPECT_EQ(exchange_.Reply(1), "0,TK20MPG v2.4");
  EXPECT_EQ(exchange_.Reply(2), "");
  EXPECT_EQ(host_.timed, 1);
  EXPECT_EQ(host_.toEnd, 1);
  EXPECT_EQ(host_.failures, 0);
}

TEST_F(ExchangeTest, EmptyScriptClearsTheLogsAndSendsNothing) {
  exchange_.Run(ShortScript("check"));
  EXPECT_TRUE(exchange_.Run({}).completed);
  EXPECT_TRUE(Received().size() == 2);
  EXPECT_TRUE(host_.memoRec.empty() && host_.memoSend.empty() && host_.memoScript.empty());
  EXPECT_EQ(host_.timed, 1);  // the label keeps the earlier time
}

TEST_F(ExchangeTest, PrefixIsReadForEveryLine) {
  host_.prefix = "!7";
  exchange_.Run({"ER01"});
  EXPECT_EQ(Received(), (std::vector<std::string>{"!7ER01"}));
}

TEST_F(ExchangeTest, TimeOutOnTheFirstLineLeavesOnlyTheSentCommand) {
  unit_.SetSilent(true);
  EXPECT_FALSE(exchange_.Run(ShortScript("check")).completed);
  EXPECT_EQ(host_.memoSend, (std::vector<std::string>{"Q"}));
  EXPECT_TRUE(host_.memoRec.empty());
  EXPECT_EQ(exchange_.Reply(0), "");
  EXPECT_EQ(host_.failures, 1);
  EXPECT_EQ(host_.timed, 0);
  EXPECT_EQ(host_.identifications, 0);
}

TEST_F(ExchangeTest, TimeOutOnLineFiveKeepsTheFiveRepliesBeforeIt) {
  const std::vector<std::string> script = {"ER01", "ER02", "ER03", "ER04", "ERFD",
                                           "ER05", "ER06", "ER07", "EFR10"};
  unit_.SetSilentOnNth(6);
  EXPECT_FALSE(exchange_.Run(script).completed);
  EXPECT_EQ(host_.memoRec.size(), 5u);
  EXPECT_EQ(host_.memoSend.size(), 6u);
  EXPECT_EQ(host_.failures, 1);
  EXPECT_EQ(Received().size(), 6u);  // nothing after the failed line
}

TEST_F(ExchangeTest, FramedCommandIsCutTo255Characters) {
  exchange_.Run({std::string(252, 'Z')});  // 254 with the prefix: the CR still fits
  ASSERT_EQ(Received().size(), 1u);
  EXPECT_EQ(Received()[0], "!0" + std::string(252, 'Z'));
  EXPECT_EQ(exchange_.Reply(0), "1");
}

TEST_F(ExchangeTest, GarbledReplyIsLoggedAsItCame) {
  unit_.SetReplyOverride("Q", "#?!");
  EXPECT_TRUE(exchange_.Run(ShortScript("check")).completed);
  EXPECT_EQ(exchange_.Reply(0), "#?!");
}

// A byte that is no printable text is noise, never part of a value: the reply is out of step, and
// the log keeps it as it came.
TEST_F(ExchangeTest, AReplyWithAByteThatIsNoTextIsOutOfStep) {
  for (const std::string& noise :
       {std::string("\x7f"), std::string("\xff"), std::string(1, '\0'), std::string("\x1b")}) {
    unit_.SetReplyOverride("Q", "0,VK" + noise + "12345");
    const ExchangeResult result = exchange_.Run(ShortScript("check"));
    EXPECT_TRUE(result.outOfStep) << int(static_cast<unsigned char>(noise[0]));
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(exchange_.Reply(0), "0,VK" + noise + "12345");
  }
}

TEST_F(ExchangeTest, UsbLinkGetsTheCarriageReturnFromTheExchangeAndItIsNotLogged) {
  ScriptedTransport usb;
  usb.answers = {"0,VK00001\r", "0,TK20MPG\r"};
  exchange_.SetUsbTransport(&usb);
  host_.kind = LinkKind::Usb;
  EXPECT_TRUE(exchange_.Run(ShortScript("check")).completed);
  EXPECT_EQ(usb.sent, (std::vector<std::string>{"!0Q", "!0?"}));
  EXPECT_EQ(host_.memoRec, (std::vector<std::string>{"0,VK00001", "0,TK20MPG"}));
  EXPECT_TRUE(Received().empty());
}

TEST_F(ExchangeTest, UsbFailureIdentifiesOnceEvenWhenTheIdentificationFailsToo) {
  ScriptedTransport usb;
  exchange_.SetUsbTransport(&usb);
  host_.kind = LinkKind::Usb;
  host_.onIdentify = [this] { exchange_.Run(ShortScript("check")); };
  EXPECT_FALSE(exchange_.Run({"ER01", "ER02"}).completed);
  EXPECT_EQ(host_.identifications, 1);
  EXPECT_EQ(host_.failures, 1);  // one loss of the unit, one box: the script's own
  EXPECT_EQ(host_.memoSend, (std::vector<std::string>{"Q"}));
}

TEST_F(ExchangeTest, UsbFailureLeavesTheIdentificationsRepliesInTheLog) {
  ScriptedTransport usb;
  usb.answers = {"0,01\r"};
  exchange_.SetUsbTransport(&usb);
  host_.kind = LinkKind::Usb;
  host_.onIdentify = [&] {
    usb.answers = {"0,VK00002\r", "0,TK20MPG\r"};
    exchange_.Run(ShortScript("check"));
  };
  const ExchangeResult result = exchange_.Run({"ER01", "ER02"});
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.replies, (std::vector<std::string>{"0,01"}));  // the script's own, apart
  EXPECT_EQ(exchange_.Replies(), (std::vector<std::string>{"0,VK00002", "0,TK20MPG"}));
  EXPECT_EQ(host_.failures, 1);
  EXPECT_FALSE(exchange_.Busy());
}

}  // namespace
