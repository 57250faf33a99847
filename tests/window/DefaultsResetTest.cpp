#include "tests/support/WindowFixture.h"
#include "ui_Term.h"

#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

using Commands = std::vector<std::string>;

class DefaultsResetTest : public WindowFixture {
 protected:
  // The factory settings, written out here apart from the program's own table.
  struct Group {
    const char* name;
    int item;
  };
  struct Edit {
    const char* name;
    const char* text;
  };
  static constexpr Group kGroups[] = {{"OUT1", 2},          {"XAxisPolarity", 0}, {"OUT2", 3},
                                      {"YAxisPolarity", 0}, {"OUT3", 7},          {"ZAxisPolarity", 0},
                                      {"PWM", 0},           {"AAxisPolarity", 0}, {"AxisLink", 0},
                                      {"MpgUsage", 0}};
  static constexpr Edit kEdits[] = {
      {"BreakDelay", "10"}, {"LoLimitX", "0"},    {"LoLimitY", "0"},  {"LoLimitZ", "0"},    {"HiLimitX", "1"},
      {"HiLimitY", "1"},    {"HiLimitZ", "1"},    {"GearX", "1"},     {"GearY", "1"},       {"GearZ", "1"},
      {"RefSpeedX", "1"},   {"RefSpeedY", "1"},   {"RefSpeedZ", "1"}, {"MpgMaxSpeed", "1"}, {"MpgAcc", "1"},
      {"TimeOver", "100"},  {"DefSpinSpeed", "1"}};

  QLineEdit* EditNamed(const char* name) { return term_->findChild<QLineEdit*>(QString::fromLatin1(name)); }

  // Moves every control of the factory table away from its factory value.
  void Scramble() {
    for (const Group& g : kGroups) term_->Group(g.name).SetItemIndex(g.item == 1 ? 2 : 1);
    ui().RadioPolarityInverze->setChecked(true);
    for (const Edit& e : kEdits) EditNamed(e.name)->setText(QStringLiteral("7"));
    ui().StrGridVstupy->item(4, 2)->setText(QStringLiteral("Dvere"));
  }

  void ExpectFactorySettings() {
    for (const Group& g : kGroups) EXPECT_EQ(term_->Group(g.name).ItemIndex(), g.item) << g.name;
    EXPECT_TRUE(ui().RadioPolarityNormal->isChecked());
    EXPECT_FALSE(ui().RadioPolarityInverze->isChecked());
    for (const Edit& e : kEdits) EXPECT_EQ(EditNamed(e.name)->text(), QString::fromLatin1(e.text)) << e.name;
    EXPECT_EQ(breakDelayValue(), 10);
    EXPECT_EQ(ui().StartNum->currentText(), QStringLiteral("nepoužito"));
    EXPECT_EQ(ui().StrGridVstupy->item(4, 2)->text(), QStringLiteral("Dvere"));
  }
};

TEST_F(DefaultsResetTest, FactorySettingsWithoutAPortSendNothing) {
  Create();
  Scramble();
  term_->Button1Click();
  Settle();
  ExpectFactorySettings();
  EXPECT_TRUE(Received().empty());
  EXPECT_TRUE(messages_.all.isEmpty());
}

TEST_F(DefaultsResetTest, FactorySettingsWithAPortIdentifyTheUnitAgain) {
  StartQuick();
  Scramble();
  EXPECT_TRUE(ui().GearX->isEnabled());
  term_->Button1Click();
  Settle();
  ExpectFactorySettings();
  EXPECT_EQ(Received(), (Commands{"!0Q", "!0?"}));
  EXPECT_FALSE(ui().GearX->isEnabled());  // item 0: the MPG mode edits are off
  EXPECT_FALSE(ui().StartNum->isEnabled());
}

TEST_F(DefaultsResetTest, ResetWithoutAPortOnlySaysSo) {
  Create();
  term_->resetClick();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Není otevřen žádný port")});
  EXPECT_TRUE(Received().empty());
}

TEST_F(DefaultsResetTest, ResetPausesTheMonitorAndResumesItWhileAnAbsentUnitShowsNoLevels) {
  StartQuick();
  ui().PageControl->setCurrentIndex(1);
  QTest::qWait(100);
  unit_.ClearReceived();
  bool timerWhileBoxOpen = true;
  messages_.whileOpen = [&] { timerWhileBoxOpen = term_->Polling(); };
  term_->resetClick();
  Settle();
  // No poll between the identification and the end of the reset exchange (polls run before it,
  // and after it once the monitor resumed).
  const Commands received = Received();
  const auto q = std::find(received.begin(), received.end(), "!0Q");
  ASSERT_GE(received.end() - q, 3);
  EXPECT_EQ(Commands(q, q + 3), (Commands{"!0Q", "!0?", "!0j"}));
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});
  EXPECT_FALSE(timerWhileBoxOpen);
  const auto levels = [&] {
    QStringList column;
    for (int row = 1; row <= kInputRows; ++row) column << ui().StrGridVstupy->item(row, 1)->text();
    return column.join(QString());
  };
  // While the unit did not answer no level is shown; polling resumes and finds it back.
  EXPECT_EQ(levels(), QString());
  EXPECT_TRUE(term_->Polling());
  EXPECT_EQ(state().commandMode, "stav");
  unit_.SetInputWord(0x8001);
  QTest::qWait(200);
  EXPECT_EQ(levels(), QStringLiteral("1000000001"));
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});

  // A unit that stays away after the reset is told once more by the monitor, which stops, empty.
  unit_.SetReplyOverride("j", "0");
  // Counted from the reset on: no poll of the monitor may be under way as the count starts.
  term_->OnLine([](UnitOnLine& unit) { unit.PauseMonitor(); });
  Settle();
  unit_.SetSilentOnNth(4);  // identification and reset answered, the first poll not
  messages_.all.clear();
  term_->resetClick();
  Settle();
  QTest::qWait(1300);
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});
  EXPECT_FALSE(term_->Polling());
  EXPECT_EQ(levels(), QString());
}

TEST_F(DefaultsResetTest, ResetOnAnotherPageLeavesTheMonitorOff) {
  StartQuick();
  term_->resetClick();
  Settle();
  EXPECT_EQ(Received(), (Commands{"!0Q", "!0?", "!0j"}));
  EXPECT_FALSE(term_->Polling());
}

TEST_F(DefaultsResetTest, ResetOfAnAbsentUnitSendsNoResetCommand) {
  StartQuick();
  unit_.SetReplyOverride("?", "0,XY99");
  term_->resetClick();
  Settle();
  EXPECT_EQ(Received(), (Commands{"!0Q", "!0?"}));
  EXPECT_TRUE(messages_.all.isEmpty());
  EXPECT_EQ(ui().EditVerIp->text(), QStringLiteral("Jednotka nenalezena"));
}

}  // namespace
