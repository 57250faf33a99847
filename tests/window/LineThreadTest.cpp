// The window beside its line: it answers while the line waits on a silent unit, spends nothing
// while no port is open, and closing it gives up a reply it waits for and closes the port.
#include "link/Async.h"
#include "tests/support/WindowFixture.h"
#include "ui_Series.h"
#include "ui_Term.h"
#include "ui_Timeline.h"
#include "window/Series.h"
#include "window/SettingsFiles.h"
#include "window/Timeline.h"

#include <QElapsedTimer>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <functional>

namespace {

class LineThreadTest : public WindowFixture {
 protected:
  bool ReceivedAny(const std::string& command) {
    const auto received = Received();
    return std::find(received.begin(), received.end(), command) != received.end();
  }
  // The menu "Soubor" opens and is shown while `waiting` still holds.
  void MenuOpensWhile(const std::function<bool()>& waiting) {
    QMenu* menu = ui().FileMnu;
    menu->popup(term_->mapToGlobal(QPoint(10, 10)));
    EXPECT_TRUE(WaitFor([&] { return menu->isVisible(); }, 10'000));
    EXPECT_TRUE(waiting()) << "the line was done before the menu opened: nothing was shown beside it";
    menu->hide();
  }
  QTemporaryDir dir_;
};

// The reply limit is long: what the window does must happen while the line waits it out.
TEST_F(LineThreadTest, TheWindowAnswersWhileTheLineWaitsOnASilentUnit) {
  struct Case {
    const char* name;
    std::function<void()> start;
    const char* unanswered;  // the command the unit leaves unanswered
  };
  const Case cases[] = {
      {"a read", [this] { term_->ReadSettingClick(); }, "!0EFR20"},
      {"a save", [this] { term_->BtnSend1Click(); }, "!0EFR20"},  // its read for the backup
      {"the timeline's polls",
       [this] {
         unit_.SetSilentOnCommand("I1");
         term_->TimelineMnuClick();
       },
       "!0I1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartQuick({}, 3000);
    unit_.SetSilentOnCommand(std::string(c.unanswered).substr(2));
    unit_.ClearReceived();
    c.start();
    ASSERT_TRUE(WaitFor([&] { return ReceivedAny(c.unanswered); }, 10'000));
    QElapsedTimer waited;
    waited.start();
    MenuOpensWhile([&] { return waited.elapsed() < 3000 && ReceivedAny(c.unanswered); });
    // A box of the flow, too, is shown while the window goes on.
    unit_.SetSilentOnCommand("");
    if (term_->Timeline().isVisible()) term_->Timeline().hide();
    Settle();
  }
}

// The series waits for the next unit on the line; its window answers meanwhile, and "Ukončit"
// ends it once the try under way is over, never in the middle of a unit.
TEST_F(LineThreadTest, TheSeriesWaitingForAUnitAnswersAndEnds) {
  StartQuick({}, 3000);
  const QString file = dir_.filePath(QStringLiteral("line.vorka"));
  { std::ofstream(file.toStdString()) << "HiLimitX = 500\n"; }
  ChooseSeries(file, dir_.path());
  unit_.SetSilent(true);  // no unit attached yet
  bool shownWhileTrying = false, endedAfterTry = false;
  term_->RunSeriesDialog = [&](TFormSeries& series) {
    series.start->click();
    ASSERT_TRUE(WaitFor([&] { return ReceivedAny("!0Q"); }, 10'000));
    series.show();
    shownWhileTrying = WaitFor([&] { return series.isVisible(); }, 10'000) && series.Trying();
    series.end->click();
    EXPECT_TRUE(series.isVisible());  // the try under way goes to its end first
    EXPECT_FALSE(series.end->isEnabled());
    endedAfterTry = WaitFor([&] { return !series.isVisible(); }, 10'000) && !series.Trying();
  };
  term_->SeriesMnuClick();
  Settle();
  EXPECT_TRUE(shownWhileTrying);
  EXPECT_TRUE(endedAfterTry);
}

// "Rychlé snímání" checked and the port closed: nothing polls, no timer runs.
TEST_F(LineThreadTest, AClosedPortWithFastSamplingSpendsNoTimerTicks) {
  StartQuick();
  TFormTimeline& timeline = term_->Timeline();
  term_->TimelineMnuClick();
  timeline.ui->ChkFast->click();
  ASSERT_TRUE(WaitFor([&] { return term_->PollPeriodMs() == 0; }));
  term_->SetLinkOpen(std::nullopt);
  ui().PageControl->setCurrentIndex(1);  // page "Vstupy" shown as well
  SettleLine();
  int ticks = 0;
  const auto countTicks = [&] {
    term_->OnLine([&ticks](UnitOnLine& unit) { ticks = unit.PollTicks(); });
    Settle();
    return ticks;
  };
  const int before = countTicks();
  QTest::qWait(300);
  EXPECT_EQ(countTicks(), before);
  timeline.hide();
}

// Closed while a read waits on a silent unit: the wait is given up at once and the port closed;
// the reply limit is not sat out.
TEST_F(LineThreadTest, ClosingTheWindowDuringAReadOfASilentUnitClosesThePortAtOnce) {
  StartQuick({}, 5000);
  unit_.SetSilent(true);
  term_->ReadSettingClick();
  ASSERT_TRUE(WaitFor([&] { return ReceivedAny("!0Q"); }));
  ASSERT_FALSE(ComDevice().empty());
  QElapsedTimer closing;
  closing.start();
  term_->close();
  // Far inside the reply limit: the wait was given up, not waited out (its own time is the stall
  // benchmark's).
  EXPECT_LT(closing.elapsed(), 2500);
  EXPECT_TRUE(ComDevice().empty());
  EXPECT_TRUE(messages_.all.isEmpty()) << messages_.all.join(u'|').toStdString();
}

}  // namespace
