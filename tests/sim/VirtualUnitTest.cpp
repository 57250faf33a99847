#include "sim/VirtualUnit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

namespace {

TEST(VirtualUnitTest, AnswersTheVocabulary) {
  VirtualUnit unit;
  unit.SetInputWord(0xC105);
  struct Case {
    const char* line;
    const char* reply;
  };
  const Case cases[] = {
      {"!0Q", "0,VK12345"},
      {"!0?", "0,TK20MPG v2.4"},
      {"!0I1", "0,05"},
      {"!0I2", "0,C1"},
      {"!0ER01", "0,02"},
      {"!0ER02", "0,03"},
      {"!0ER03", "0,08"},
      {"!0ER04", "0,FF"},
      {"!0ERFD", "0,10"},
      {"!0ER05", "0,FF"},
      {"!0ER0C", "0,FF"},
      {"!0EFR30", "0,1"},
      {"!0EUR48", "0,100"},
      {"!0EW02,08", "0"},
      {"!0ER02", "0,08"},
      {"!0EFW30,640.000000", "0"},
      {"!0EFR30", "0,640.000000"},
      {"!0EUW48,250", "0"},
      {"!0EUR48", "0,250"},
      {"!0ER0D", "1"},
      {"!0EFR48", "1"},
      {"!0EUR10", "1"},
      {"!0EW02,8", "1"},
      {"!0EW02,GG", "1"},
      {"!0EUW48,-1", "1"},
      {"!0EFW30,abc", "1"},
      {"!0X", "1"},
      {"!0", "1"},
  };
  for (const Case& c : cases) {
    auto reply = unit.Respond(c.line);
    ASSERT_TRUE(reply.has_value()) << c.line;
    EXPECT_EQ(*reply, c.reply) << c.line;
  }
}

TEST(VirtualUnitTest, AWordForTheNextPollIsTakenWhenThePollBegins) {
  VirtualUnit unit;
  unit.SetInputWord(0x0102);
  unit.SetInputWordAtNextPoll(0x4003);
  const std::pair<const char*, const char*> polls[] = {
      {"!0I2", "0,01"}, {"!0I1", "0,03"}, {"!0I2", "0,40"}, {"!0I1", "0,03"}};
  for (const auto& [line, reply] : polls) EXPECT_EQ(unit.Respond(line), reply) << line;
}

TEST(VirtualUnitTest, AToggledInputRunsAtItsFrequencyAndAPollCanGoUnanswered) {
  VirtualUnit unit;
  unit.SetToggle(2, 50);  // 100 changes a second
  unit.SetSilentOnPoll(3);
  int changes = 0, unanswered = 0;
  std::optional<std::string> last;
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(500)) {
    const auto reply = unit.Respond("!0I1");
    if (!reply) {
      ++unanswered;
      continue;
    }
    changes += last && *last != *reply;
    last = reply;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  EXPECT_EQ(unanswered, 1);
  EXPECT_NEAR(changes, 50, 6);
}

TEST(VirtualUnitTest, WithoutPrefixOrAfterResetItStaysSilent) {
  VirtualUnit unit;
  EXPECT_FALSE(unit.Respond("Q"));
  EXPECT_FALSE(unit.Respond("!1Q"));
  EXPECT_FALSE(unit.Respond("!0j"));
  EXPECT_TRUE(unit.TakeRestartRequest());
  EXPECT_FALSE(unit.TakeRestartRequest());
  EXPECT_EQ(unit.Received(), (std::vector<std::string>{"Q", "!1Q", "!0j"}));
}

TEST(VirtualUnitTest, WithoutMpgTheVersionLacksTheMark) {
  VirtualUnit unit;
  unit.SetMpg(false);
  EXPECT_EQ(*unit.Respond("!0?"), "0,TK20 v2.4");
}

TEST(VirtualUnitTest, FaultsHitTheChosenCommand) {
  VirtualUnit unit;
  unit.SetSilentOnNth(2);
  EXPECT_TRUE(unit.Respond("!0Q"));
  EXPECT_FALSE(unit.Respond("!0Q"));
  EXPECT_TRUE(unit.Respond("!0Q"));
  unit.SetSilentOnCommand("ER05");
  EXPECT_FALSE(unit.Respond("!0ER05"));
  EXPECT_TRUE(unit.Respond("!0ER04"));
  unit.SetReplyOverride("ER04", "0,ZZ");
  EXPECT_EQ(*unit.Respond("!0ER04"), "0,ZZ");
  unit.SetCloseOnNth(1);
  EXPECT_FALSE(unit.Respond("!0Q"));
  EXPECT_TRUE(unit.TakeCloseRequest());
}

}  // namespace
