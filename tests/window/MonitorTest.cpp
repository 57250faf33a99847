#include "tests/support/WindowFixture.h"
#include "ui_Term.h"

#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

class MonitorTest : public WindowFixture {
 protected:
  int Count(const std::string& command) {
    const auto received = Received();
    return static_cast<int>(std::count(received.begin(), received.end(), command));
  }
  QString Stav(int row) { return ui().StrGridVstupy->item(row, 1)->text(); }
};

TEST_F(MonitorTest, InputsPagePollsAndColumnStavFollowsTheInputWord) {
  StartQuick();
  unit_.SetInputWord(0x4205);  // inputs 0, 2, 9 and 14
  ui().PageControl->setCurrentIndex(1);
  EXPECT_TRUE(WaitFor([&] { return term_->Polling(); }));
  QTest::qWait(300);
  EXPECT_EQ(state().commandMode, "stav");
  EXPECT_GE(Count("!0I1"), 3);
  EXPECT_EQ(Count("!0I1"), Count("!0I2"));
  const char* expected[] = {"1", "0", "1", "0", "0", "0", "0", "0", "1", "0"};
  for (int row = 1; row <= 10; ++row) EXPECT_EQ(Stav(row), QString::fromLatin1(expected[row - 1])) << row;

  unit_.SetInputWord(0x8080);  // input 7 and 15
  QTest::qWait(150);
  EXPECT_EQ(Stav(8), QStringLiteral("1"));
  EXPECT_EQ(Stav(10), QStringLiteral("1"));
  EXPECT_EQ(Stav(1), QStringLiteral("0"));

  ui().PageControl->setCurrentIndex(0);
  EXPECT_TRUE(WaitFor([&] { return !term_->Polling(); }));
  const int polls = Count("!0I1");
  QTest::qWait(150);
  EXPECT_EQ(Count("!0I1"), polls);
  ui().PageControl->setCurrentIndex(1);
  QTest::qWait(150);
  EXPECT_GT(Count("!0I1"), polls);
  EXPECT_TRUE(messages_.all.isEmpty());
}

TEST_F(MonitorTest, ReplyThatIsNoNumberShowsEveryInputAsZero) {
  StartQuick();
  unit_.SetInputWord(0xFFFF);
  ui().PageControl->setCurrentIndex(1);
  QTest::qWait(120);
  EXPECT_EQ(Stav(1), QStringLiteral("1"));
  unit_.SetReplyOverride("I2", "0,FF ");
  QTest::qWait(150);
  for (int row = 1; row <= 10; ++row) EXPECT_EQ(Stav(row), QStringLiteral("0")) << row;
}

TEST_F(MonitorTest, UnitWithoutMpgIsNeverPolled) {
  unit_.SetMpg(false);
  StartQuick();
  ui().PageControl->setCurrentIndex(1);
  EXPECT_FALSE(term_->Polling());
  QTest::qWait(150);
  EXPECT_EQ(Count("!0I1"), 0);
}

TEST_F(MonitorTest, NoPollWhileNoPortIsOpen) {
  StartQuick();
  ui().PageControl->setCurrentIndex(1);
  term_->SetLinkOpen(std::nullopt);  // as the dialog's "Zavřít port" leaves it
  SettleLine();
  unit_.ClearReceived();
  QTest::qWait(150);
  EXPECT_TRUE(Received().empty());
  EXPECT_TRUE(messages_.all.isEmpty());
}

TEST_F(MonitorTest, PollsGoOverTheOpenPortWhateverTheDialogShows) {
  StartQuick();
  ui().PageControl->setCurrentIndex(1);
  setup_->findChild<QRadioButton*>(QStringLiteral("RBtnUSB"))->setChecked(true);  // chosen, not opened
  unit_.ClearReceived();
  QTest::qWait(150);
  EXPECT_GT(Count("!0I1"), 0);
  EXPECT_TRUE(messages_.all.isEmpty());
}

TEST_F(MonitorTest, LostUnitGivesOneBoxAndPollingWaitsForTheOperator) {
  StartQuick({}, 100);
  ui().PageControl->setCurrentIndex(1);
  QTest::qWait(100);
  unit_.SetSilent(true);
  messages_.whileOpen = [] { QTest::qWait(150); };  // the operator reads the box a while
  QTest::qWait(700);
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});
  EXPECT_FALSE(term_->Polling());
  unit_.ClearReceived();
  QTest::qWait(150);
  EXPECT_TRUE(Received().empty());

  // Back when the operator shows the page again, or when the unit is identified.
  unit_.SetSilent(false);
  ui().PageControl->setCurrentIndex(0);
  ui().PageControl->setCurrentIndex(1);
  QTest::qWait(150);
  EXPECT_GT(Count("!0I1"), 0);
  term_->OnLine([](UnitOnLine& unit) { unit.PauseMonitor(); });
  Settle();
  EXPECT_FALSE(term_->Polling());
  term_->IdentifyUnit();
  Settle();
  EXPECT_TRUE(term_->Polling());
  EXPECT_EQ(messages_.all.size(), 1);
}

TEST_F(MonitorTest, FailingPollWhileItsMessageIsOpenStartsNoSecondExchange) {
  StartQuick({}, 150);
  int boxes = 0;
  messages_.whileOpen = [&] {
    if (++boxes == 1) QTest::qWait(300);  // the window's events keep coming while the box is open
  };
  unit_.SetSilent(true);
  ui().PageControl->setCurrentIndex(1);
  // The page alone stops at a loss.
  ASSERT_TRUE(WaitFor([&] { return boxes == 1 && !term_->Polling(); }));
  QCoreApplication::processEvents();
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(Count("!0I1"), 1);
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});
}

}  // namespace
