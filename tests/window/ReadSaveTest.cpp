#include "protocol/RegisterMap.h"
#include "tests/support/WindowFixture.h"
#include "ui_Term.h"

#include <QTimer>

namespace {

using Commands = std::vector<std::string>;

const QString kNoPort = QStringLiteral("Není otevřen žádný port");
const QString kNotVorka = QStringLiteral("Jednotka nekomunikuje nebo není VORKA");
const QString kNotSaved = QStringLiteral("Neuloženo");
const QString kSaved = QStringLiteral("Uložení proběhlo v pořádku");
const QString kFailure = QStringLiteral("Chyba komunikace");

class ReadSaveTest : public WindowFixture {
 protected:
  Commands Prefixed(const Commands& lines) {
    Commands out;
    for (const auto& l : lines) out.push_back("!0" + l);
    return out;
  }
  Commands Check() { return {"!0Q", "!0?"}; }
  Commands Join(Commands a, const Commands& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }
};

TEST_F(ReadSaveTest, RoundTripReadsAndWritesBackTheSameValues) {
  StartQuick();
  DistinctiveRegisters();
  const auto before = Registers();
  term_->ReadSettingClick();
  Settle();
  EXPECT_EQ(Received(), Join(Check(), Prefixed(BuildReadScript(true))));
  EXPECT_EQ(term_->OUT1().ItemIndex(), 8);
  EXPECT_EQ(ui().BreakDelay->text(), QStringLiteral("7"));
  EXPECT_EQ(term_->MpgUsage().ItemIndex(), 2);
  // A changed MpgUsage runs its click handler: "Mpg - bez limit" has the gears on, Hi-Limits off.
  EXPECT_TRUE(ui().GearX->isEnabled());
  EXPECT_FALSE(ui().HiLimitX->isEnabled());
  EXPECT_EQ(ui().StartNum->currentText(), QStringLiteral("INT 5"));
  EXPECT_EQ(ui().in5descp->text(), QStringLiteral("Vstup pro start referencí"));
  EXPECT_EQ(ui().LoLimitY->text(), QStringLiteral("-200"));
  EXPECT_EQ(ui().GearY->text(), QStringLiteral("200.500000"));
  EXPECT_EQ(ui().TimeOver->text(), QStringLiteral("250"));
  EXPECT_EQ(ui().StrGridVstupy->item(9, 4)->text(), QStringLiteral("1"));
  EXPECT_EQ(term_->AxisLink().ItemIndex(), 2);
  EXPECT_TRUE(ui().RadioPolarityInverze->isChecked());
  EXPECT_TRUE(messages_.all.isEmpty());

  unit_.ResetRegisters();
  unit_.ClearReceived();
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kSaved});
  // The identification, the read that the backup keeps and its confirmation, the table's write
  // commands in order, and the read that verifies them.
  const Commands sent = Received();
  ASSERT_EQ(sent.size(), 2u + 29u + 29u + 29u + 29u);
  EXPECT_EQ(Commands(sent.begin() + 2, sent.begin() + 31), Prefixed(BuildReadScript(true)));
  EXPECT_EQ(Commands(sent.begin() + 31, sent.begin() + 60), Prefixed(BuildReadScript(true)));
  for (std::size_t i = 0; i < 29; ++i)
    EXPECT_EQ(sent[i + 60].rfind(std::string("!0") + RegisterTable()[i].writePrefix, 0), 0u) << i;
  EXPECT_EQ(Commands(sent.begin() + 89, sent.end()), Prefixed(BuildReadScript(true)));
  EXPECT_EQ(Registers(), before);
}

TEST_F(ReadSaveTest, UnitWithoutMpgOnPageOutputsGetsSixCommandsAndTheValidation) {
  unit_.SetMpg(false);
  StartQuick();
  ui().HiLimitX->setText(QStringLiteral("abc"));
  ui().GearX->setText(QStringLiteral("7"));
  unit_.SetByteRegister("05", 0xE0);
  term_->ReadSettingClick();
  Settle();
  EXPECT_EQ(Received(), Join(Check(), Prefixed(BuildReadScript(false))));
  EXPECT_EQ(term_->XAxisPolarity().ItemIndex(), 1);
  EXPECT_EQ(ui().HiLimitX->text(), QStringLiteral("1"));
  EXPECT_EQ(ui().GearX->text(), QStringLiteral("7.000000"));
  unit_.ClearReceived();
  term_->BtnSend1Click();
  Settle();
  // Identification, the backup's read and its confirmation, writes, the read back.
  ASSERT_EQ(Received().size(), 2u + 6u + 6u + 6u + 6u);
  EXPECT_EQ(Received()[19], "!0EW05,E0");
}

TEST_F(ReadSaveTest, UnitWithoutMpgOnPageInputsLeavesTheTimerOffAndSkipsTheValidation) {
  unit_.SetMpg(false);
  StartQuick();
  ui().PageControl->setCurrentIndex(1);
  ui().HiLimitX->setText(QStringLiteral("abc"));
  term_->ReadSettingClick();
  Settle();
  EXPECT_FALSE(term_->Polling());
  EXPECT_EQ(ui().HiLimitX->text(), QStringLiteral("abc"));
}

// The check after a read follows the page shown, not the timeline window's polls.
TEST_F(ReadSaveTest, TheTimelineOpenChangesNothingInTheValidation) {
  unit_.SetMpg(false);
  StartQuick();
  term_->TimelineMnuClick();
  ui().HiLimitX->setText(QStringLiteral("abc"));
  term_->ReadSettingClick();
  Settle();
  EXPECT_EQ(ui().HiLimitX->text(), QStringLiteral("1"));
}

TEST_F(ReadSaveTest, MpgUnitOnPageInputsPausesTheMonitorForTheScript) {
  StartQuick();
  ui().PageControl->setCurrentIndex(1);
  unit_.ClearReceived();
  term_->ReadSettingClick();
  Settle();
  const Commands received = Received();
  ASSERT_GE(received.size(), 31u);
  EXPECT_EQ(Commands(received.begin() + 2, received.begin() + 31), Prefixed(BuildReadScript(true)));
  EXPECT_TRUE(term_->Polling());
  EXPECT_EQ(state().commandMode, "stav");
  // While a failure message of the script is open, the monitor is off.
  bool timerDuringBox = true;
  messages_.whileOpen = [&] { timerDuringBox = term_->Polling(); };
  unit_.SetSilentOnCommand("EW05,FF");
  term_->BtnSend1Click();
  Settle();
  EXPECT_FALSE(timerDuringBox);
  EXPECT_FALSE(term_->Polling());  // a save that failed does not restart it
}

TEST_F(ReadSaveTest, WithoutAPortOnlyThatIsSaid) {
  Create();
  ui().HiLimitX->setText(QStringLiteral(""));
  term_->ReadSettingClick();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kNoPort});
  EXPECT_EQ(ui().HiLimitX->text(), QString());
  messages_.all.clear();
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kNoPort});
  EXPECT_EQ(ui().HiLimitX->text(), QStringLiteral("1"));  // the pass ran first
  EXPECT_TRUE(Received().empty());
}

TEST_F(ReadSaveTest, SilentUnitIsNoVorkaAndNothingIsSaved) {
  StartQuick();
  unit_.SetSilent(true);
  term_->ReadSettingClick();
  Settle();
  EXPECT_EQ(messages_.all, (QStringList{kFailure, kNotVorka}));
  messages_.all.clear();
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all, (QStringList{kFailure, kNotVorka, kNotSaved}));
  EXPECT_EQ(Received(), (Commands{"!0Q", "!0Q"}));
}

TEST_F(ReadSaveTest, TimeOutAtTheFirstLineKeepsEveryControl) {
  StartQuick();
  unit_.SetSilentOnCommand("ER01");
  ui().GearX->setText(QStringLiteral("5.000000"));
  ui().HiLimitX->setText(QStringLiteral("abc"));
  ui().PageControl->setCurrentIndex(1);
  term_->ReadSettingClick();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kFailure});
  EXPECT_EQ(term_->OUT1().ItemIndex(), 0);
  EXPECT_EQ(ui().GearX->text(), QStringLiteral("5.000000"));
  EXPECT_EQ(ui().HiLimitX->text(), QStringLiteral("abc"));  // the flow stops before the pass
  EXPECT_FALSE(term_->Polling());
}

TEST_F(ReadSaveTest, TimeOutAtALaterLineKeepsTheControlsNotReached) {
  StartQuick();
  unit_.SetSilentOnCommand("EFR30");
  unit_.SetTextRegister("28", "4321");
  ui().GearX->setText(QStringLiteral("5.000000"));
  ui().RefSpeedZ->setText(QStringLiteral("42"));
  ui().PageControl->setCurrentIndex(1);
  term_->ReadSettingClick();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kFailure});  // no conversion box follows
  EXPECT_EQ(term_->OUT1().ItemIndex(), 2);          // decoded from the unit
  EXPECT_EQ(ui().HiLimitZ->text(), QStringLiteral("4321"));
  EXPECT_EQ(ui().GearX->text(), QStringLiteral("5.000000"));
  EXPECT_EQ(ui().RefSpeedZ->text(), QStringLiteral("42"));
  EXPECT_FALSE(term_->Polling());  // the unit was lost: no polling until it is back
}

TEST_F(ReadSaveTest, ReplyThatIsNotANumberEndsTheReadWithTheGeneralErrorBox) {
  StartQuick();
  unit_.SetReplyOverride("ERFD", "0,7q");
  unit_.SetByteRegister("01", 0x01);
  unit_.SetByteRegister("05", 0xE0);
  ui().PageControl->setCurrentIndex(1);
  ui().ReadSetting->click();
  Settle();
  EXPECT_EQ(messages_.general, QStringList{QStringLiteral("'7q' is not a valid integer value.")});
  EXPECT_EQ(term_->OUT1().ItemIndex(), 1);             // decoded before
  EXPECT_TRUE(ui().RadioPolarityNormal->isChecked());  // after: unchanged
  EXPECT_FALSE(term_->Polling());

  messages_.general.clear();
  unit_.ClearReplyOverrides();
  unit_.SetReplyOverride("ER0A", "0,");
  ui().ReadSetting->click();
  Settle();
  EXPECT_EQ(messages_.general, QStringList{QStringLiteral("'$' is not a valid integer value.")});
}

TEST_F(ReadSaveTest, RejectedGearOnSaveSendsNothing) {
  StartQuick();
  ui().GearX->setText(QStringLiteral("-3"));
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all, (QStringList{QStringLiteral("Špatné číslo: -3"), kNotSaved}));
  EXPECT_TRUE(Received().empty());
}

TEST_F(ReadSaveTest, SuccessOnlyWhenTheWholeScriptCompleted) {
  StartQuick();
  unit_.SetSilentOnCommand("EFW30,1.000000");
  term_->Button1Click();  // gears "1": the pass rewrites them to "1.000000"
  Settle();
  messages_.all.clear();
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kFailure});
  unit_.SetSilentOnCommand("");
  messages_.all.clear();
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kSaved});
  unit_.SetReplyOverride("EW01,02", "1");
  messages_.all.clear();
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Neuloženo: jednotka odmítla OUT1")});
}

TEST_F(ReadSaveTest, WritesTheUnitRefusedAreNamedByTheirCaptions) {
  StartQuick();
  term_->MpgUsage().SetItemIndex(1);
  unit_.SetReplyOverride("EFW24,1", "1");
  unit_.SetReplyOverride("EW0C,FF", "E");
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all,
            QStringList{QStringLiteral("Neuloženo: jednotka odmítla Hi-Limit Y [mm], Sdružení osy A")});
  EXPECT_EQ(Received().size(), 2u + 29u + 29u + 29u);
}

}  // namespace
