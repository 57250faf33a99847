#include "support/WindowFixture.h"
#include "ui_Term.h"

#include <QTest>
#include <QTimer>

namespace {

using Commands = std::vector<std::string>;

class DefaultsResetTest : public WindowFixture {
 protected:
  // Moves every control of the factory table away from its factory value.
  void Scramble() {
    for (const char* g : {"OUT1", "OUT2", "OUT3", "XAxisPolarity", "YAxisPolarity", "ZAxisPolarity",
                          "AAxisPolarity", "PWM", "AxisLink"})
      term_->Group(QString::fromLatin1(g))->SetItemIndex(1);
    ui().RadioPolarityInverze->setChecked(true);
    term_->MpgUsage().SetItemIndex(1);
    for (QLineEdit* e : {ui().LoLimitX, ui().HiLimitY, ui().GearZ, ui().RefSpeedX, ui().MpgMaxSpeed,
                         ui().MpgAcc, ui().TimeOver, ui().DefSpinSpeed})
      e->setText(QStringLiteral("77"));
    ui().StrGridVstupy->item(4, 2)->setText(QStringLiteral("Dvere"));
  }

  void ExpectFactorySettings() {
    struct G {
      const char* name;
      int item;
    };
    for (const G& g :
         {G{"OUT1", 2}, G{"OUT2", 3}, G{"OUT3", 7}, G{"XAxisPolarity", 0}, G{"YAxisPolarity", 0},
          G{"ZAxisPolarity", 0}, G{"AAxisPolarity", 0}, G{"PWM", 0}, G{"AxisLink", 0}, G{"MpgUsage", 0}})
      EXPECT_EQ(term_->Group(QString::fromLatin1(g.name))->ItemIndex(), g.item) << g.name;
    EXPECT_TRUE(ui().RadioPolarityNormal->isChecked());
    EXPECT_FALSE(ui().RadioPolarityInverze->isChecked());
    EXPECT_EQ(ui().BreakDelay->text(), QStringLiteral("10"));
    struct T {
      QLineEdit* edit;
      const char* text;
    };
    for (const T& t :
         {T{ui().LoLimitX, "0"}, T{ui().HiLimitY, "1"}, T{ui().GearZ, "1"}, T{ui().RefSpeedX, "1"},
          T{ui().MpgMaxSpeed, "1"}, T{ui().MpgAcc, "1"}, T{ui().TimeOver, "100"}, T{ui().DefSpinSpeed, "1"}})
      EXPECT_EQ(t.edit->text(), QString::fromLatin1(t.text)) << t.edit->objectName().toStdString();
    EXPECT_EQ(ui().StartNum->currentText(), QStringLiteral("nepoužito"));
    EXPECT_EQ(ui().StrGridVstupy->item(4, 2)->text(), QStringLiteral("Dvere"));
  }
};

TEST_F(DefaultsResetTest, FactorySettingsWithoutAPortSendNothing) {
  Create();
  Scramble();
  term_->Button1Click();
  ExpectFactorySettings();
  EXPECT_TRUE(Received().empty());
  EXPECT_TRUE(messages_.all.isEmpty());
}

TEST_F(DefaultsResetTest, FactorySettingsWithAPortIdentifyTheUnitAgain) {
  StartQuick();
  Scramble();
  EXPECT_TRUE(ui().GearX->isEnabled());
  term_->Button1Click();
  ExpectFactorySettings();
  EXPECT_EQ(Received(), (Commands{"!0Q", "!0?"}));
  EXPECT_FALSE(ui().GearX->isEnabled());  // item 0: the MPG mode edits are off
  EXPECT_FALSE(ui().StartNum->isEnabled());
}

TEST_F(DefaultsResetTest, ResetWithoutAPortOnlySaysSo) {
  Create();
  term_->resetClick();
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Není otevřen žádný port")});
  EXPECT_TRUE(Received().empty());
}

TEST_F(DefaultsResetTest, ResetPausesTheMonitorAndResumesItAfterTheFailure) {
  StartQuick();
  ui().PageControl->setCurrentIndex(1);
  QTest::qWait(100);
  unit_.ClearReceived();
  bool timerWhileBoxOpen = true;
  messages_.whileOpen = [&] { timerWhileBoxOpen = term_->Tim()->isActive(); };
  term_->resetClick();
  // No poll between the identification and the end of the reset exchange.
  EXPECT_EQ(Received(), (Commands{"!0Q", "!0?", "!0j"}));
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});
  EXPECT_FALSE(timerWhileBoxOpen);
  EXPECT_TRUE(term_->Tim()->isActive());
  EXPECT_EQ(term_->CommandMode, "stav");
}

TEST_F(DefaultsResetTest, ResetOnAnotherPageLeavesTheMonitorOff) {
  StartQuick();
  term_->resetClick();
  EXPECT_EQ(Received(), (Commands{"!0Q", "!0?", "!0j"}));
  EXPECT_FALSE(term_->Tim()->isActive());
}

TEST_F(DefaultsResetTest, ResetOfAnAbsentUnitSendsNoResetCommand) {
  StartQuick();
  unit_.SetReplyOverride("?", "0,XY99");
  term_->resetClick();
  EXPECT_EQ(Received(), (Commands{"!0Q", "!0?"}));
  EXPECT_TRUE(messages_.all.isEmpty());
  EXPECT_EQ(ui().EditVerIp->text(), QStringLiteral("Jednotka nenalezena"));
}

}  // namespace
