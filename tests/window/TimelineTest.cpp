#include "tests/support/Sigrok.h"
#include "tests/support/WindowFixture.h"
#include "ui_Term.h"
#include "ui_Timeline.h"
#include "ui_Wiring.h"
#include "window/FileFolders.h"
#include "window/InputLanes.h"
#include "window/Timeline.h"
#include "window/Wiring.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/resource.h>

namespace {

class TimelineTest : public WindowFixture {
 protected:
  int Count(const std::string& command) {
    const auto received = Received();
    return static_cast<int>(std::count(received.begin(), received.end(), command));
  }
  // The timeline window shown, on page "Výstupy", with files chosen in a folder of the test's.
  TFormTimeline& Open() {
    StartQuick();
    unit_.SetInputWord(0x0000);
    TFormTimeline& timeline = term_->Timeline();
    timeline.ChooseSaveFile = [this](const QString&, const QString&) { return chosen_; };
    term_->TimelineMnuClick();
    QTest::qWait(120);  // the first levels
    return timeline;
  }
  // Each word held for a few polls.
  void Play(const std::vector<uint16_t>& words, int holdMs = 250) {
    for (const uint16_t word : words) {
      unit_.SetInputWord(word);
      QTest::qWait(holdMs);
    }
  }
  std::string Slurp(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void SetGrid(int row, const char* polarity, const char* enabled) {
    ui().StrGridVstupy->item(row, 3)->setText(QString::fromLatin1(polarity));
    ui().StrGridVstupy->item(row, 4)->setText(QString::fromLatin1(enabled));
  }

  QTemporaryDir dir_;
  QString chosen_;
};

TEST_F(TimelineTest, TheWindowPollsWhileItIsOpenAndTheLanesCountTheChanges) {
  TFormTimeline& timeline = Open();
  EXPECT_EQ(ui().PageControl->currentIndex(), 0);  // page "Výstupy"
  EXPECT_TRUE(term_->Polling());
  Play({0x0001, 0x0000, 0x0001, 0x0000, 0x4000});
  EXPECT_EQ(timeline.Timeline().Changes(1), 4);
  EXPECT_EQ(timeline.Timeline().Changes(9), 1);
  EXPECT_EQ(timeline.Timeline().LastChangedRow(), 9);
  EXPECT_EQ(ui().StrGridVstupy->item(9, 1)->text(), QStringLiteral("1"));  // the grid as ever
  // "Vynulovat" starts the counters again; the picture stays.
  timeline.ui->BtnClear->click();
  EXPECT_EQ(timeline.Timeline().Changes(1), 0);
  EXPECT_EQ(timeline.Timeline().Edges(1).size(), 5U);
  // Held, the picture stands while the polls go on.
  timeline.ui->BtnHold->click();
  const int64_t held = timeline.ui->LanesView->Now();
  Play({0x0001});
  timeline.Refresh();
  EXPECT_EQ(timeline.ui->LanesView->Now(), held);
  EXPECT_EQ(timeline.Timeline().Changes(1), 1);
  // Two cursors, and the time between them.
  timeline.ui->LanesView->cursorA = held - 1500;
  timeline.ui->LanesView->cursorB = held - 1180;
  emit timeline.ui->LanesView->CursorsMoved();
  EXPECT_EQ(timeline.ui->LblCursors->text(), QStringLiteral("Mezi kurzory: 320 ms"));
  // Closed, the polls stop unless page "Vstupy" is shown.
  timeline.hide();
  EXPECT_TRUE(WaitFor([&] { return !term_->Polling(); }));
  const int polls = Count("!0I1");
  QTest::qWait(150);
  EXPECT_EQ(Count("!0I1"), polls);
  EXPECT_TRUE(messages_.all.isEmpty());
}

// A unit that stops answering is a gap, told once; it is asked once a second, and when it answers
// the lanes and the same recording go on.
TEST_F(TimelineTest, ALostUnitIsAGapToldOnceAndTheRecordingGoesOn) {
  chosen_ = dir_.filePath(QStringLiteral("vstupy.csv"));
  TFormTimeline& timeline = Open();
  timeline.ui->BtnRecord->click();
  ASSERT_TRUE(timeline.Recording());
  Play({0x0001, 0x0000});
  // A busy machine may have held a poll long enough for a pause of its own: the loss's gap is the
  // one that follows.
  const std::size_t before = timeline.Timeline().Gaps().size();
  // While the box is open, the lanes already show the gap.
  std::optional<bool> gapWhileOpen;
  messages_.whileOpen = [&] {
    if (!gapWhileOpen) gapWhileOpen = timeline.Timeline().Away();
  };
  unit_.SetSilent(true);
  QTest::qWait(2800);  // the reply limit, then a retry a second
  EXPECT_TRUE(timeline.Recording());
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});
  EXPECT_EQ(gapWhileOpen, true);
  messages_.whileOpen = nullptr;
  ASSERT_EQ(timeline.Timeline().Gaps().size(), before + 1);
  const InputTimeline::Gap gap = timeline.Timeline().Gaps().back();
  EXPECT_FALSE(gap.to);
  EXPECT_FALSE(timeline.Timeline().LevelAt(1, gap.from + 1));
  unit_.SetInputWord(0x0001);
  unit_.SetSilent(false);
  QTest::qWait(1300);
  Play({0x0000});
  EXPECT_EQ(term_->PollPeriodMs(), kMonitorPeriodMs);
  const std::optional<int64_t> back = timeline.Timeline().Gaps()[before].to;
  ASSERT_TRUE(back);
  EXPECT_EQ(timeline.Timeline().LevelAt(1, *back), true);
  EXPECT_EQ(messages_.all.size(), 1);
  timeline.ui->BtnRecord->click();
  const std::string csv = Slurp(chosen_);
  const auto mark = csv.find("# Spojení s jednotkou ztraceno v ");
  ASSERT_NE(mark, std::string::npos) << csv;
  EXPECT_EQ(csv.find("záznam končí"), std::string::npos) << csv;
  // After the mark the levels are given again, and the change after the gap is there.
  const std::string after = csv.substr(mark);
  EXPECT_NE(after.find(",1,0,0,0,0,0,0,0,0,0\n"), std::string::npos) << csv;
  EXPECT_NE(after.find(",0,0,0,0,0,0,0,0,0,0\n"), std::string::npos) << csv;
}

// At 40 ms an input at 20 Hz is an alias: its lane is hatched and says why, its count is a least
// one. "Rychlé snímání" polls back to back, says the period, and counts it right.
TEST_F(TimelineTest, AFastInputIsHatchedUntilTheSamplingIsFastEnough) {
  TFormTimeline& timeline = Open();
  unit_.SetToggle(0, 20.0);
  QTest::qWait(1500);
  InputLanes& lanes = *timeline.ui->LanesView;
  const QPoint firstLane(lanes.LabelWidth() + 10, 5);
  EXPECT_TRUE(timeline.Timeline().FasterThanSampling(1)) << timeline.Timeline().Changes(1);
  EXPECT_TRUE(lanes.CountersText(1).contains(QStringLiteral("změn ≥")))
      << lanes.CountersText(1).toStdString();
  EXPECT_EQ(lanes.ToolTipAt(firstLane), QString::fromUtf8(kFasterThanSamplingTip));
  // What the 40 ms timer gives, measured (how much a busy machine adds is a benchmark's matter).
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^snímáno po [0-9]+ ms$"))
                  .match(timeline.ui->LblPeriod->text())
                  .hasMatch())
      << timeline.ui->LblPeriod->text().toStdString();

  timeline.ui->ChkFast->click();
  EXPECT_TRUE(WaitFor([&] { return term_->PollPeriodMs() == 0; }));
  timeline.ui->BtnClear->click();
  QElapsedTimer clock;
  clock.start();
  QTest::qWait(1000);
  const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
  EXPECT_FALSE(timeline.Timeline().FasterThanSampling(1));
  EXPECT_NEAR(timeline.Timeline().Changes(1), 40.0 * seconds, 4.0 * seconds);
  EXPECT_TRUE(lanes.ToolTipAt(firstLane).isEmpty());
  // Below 10 ms with a decimal comma.
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^snímáno po [0-9],[0-9] ms$"))
                  .match(timeline.ui->LblPeriod->text())
                  .hasMatch())
      << timeline.ui->LblPeriod->text().toStdString();

  timeline.ui->ChkFast->click();
  EXPECT_TRUE(WaitFor([&] { return term_->PollPeriodMs() == kMonitorPeriodMs; }));
  EXPECT_TRUE(messages_.all.isEmpty());
}

// Only the polls go unwatched while sampling fast: the operator's read is watched after its last
// reply as ever, and a late copy there makes it run again on a drained line.
TEST_F(TimelineTest, AReadWhileSamplingFastIsWatchedAsEver) {
  TFormTimeline& timeline = Open();
  timeline.ui->ChkFast->click();
  QTest::qWait(200);
  term_->OnLine([](UnitOnLine& unit) { unit.Exchange().SetQuietFloor(kSharedProcessorQuiet); });
  Settle();
  const std::string last = BuildReadScript(true).back();
  unit_.SetAnswerTwice(last, 5, 1);
  unit_.ClearReceived();
  ui().ReadSetting->click();
  Settle();
  EXPECT_EQ(Count("!0" + last), 2);
  EXPECT_TRUE(messages_.all.isEmpty()) << messages_.all.join(u'|').toStdString();
  timeline.ui->ChkFast->click();
}

// A window held still (a modal dialog under wine, a long repaint) no longer holds the polls: they
// run on the line, and the lanes get every sample of that time afterwards, without a gap. A saved
// recording starts at its first sample, not at the save.
TEST_F(TimelineTest, AHeldWindowLosesNoSamplesAndASavedRecordingStartsAtItsFirstSample) {
  chosen_ = dir_.filePath(QStringLiteral("ulozeno.csv"));
  const QDateTime opened = QDateTime::currentDateTime();
  TFormTimeline& timeline = Open();
  QTest::qWait(900);  // the period measured
  const std::size_t gaps = timeline.Timeline().Gaps().size();
  const int64_t heldFrom = term_->Timeline().Clock();
  unit_.SetInputWord(0x0001);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));  // the window thread held still
  unit_.SetInputWord(0x0000);
  QTest::qWait(300);
  EXPECT_EQ(timeline.Timeline().Gaps().size(), gaps);
  // The change made while the window was held is in the lanes, at its time.
  EXPECT_EQ(timeline.Timeline().LevelAt(1, heldFrom + 350), true);
  QTest::qWait(1500);
  timeline.ui->BtnSaveRecording->click();
  const std::string csv = Slurp(chosen_);
  const auto at = csv.find("# Začátek: ");
  ASSERT_NE(at, std::string::npos) << csv;
  const QDateTime started =
      QDateTime::fromString(QString::fromStdString(csv.substr(at + std::string("# Začátek: ").size(), 19)),
                            QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  ASSERT_TRUE(started.isValid()) << csv;
  EXPECT_LE(std::llabs(opened.secsTo(started)), 1) << csv;
  EXPECT_NE(csv.find("# Snímáno po "), std::string::npos) << csv;
}

TEST(TimelineFileNameTest, ANameWithoutExtensionGetsTheChosenFormats) {
  const QString csv = QStringLiteral("CSV (*.csv)"),
                vcd = QStringLiteral("VCD – logické analyzátory (*.vcd)");
  const struct {
    QString path, filter, result;
  } cases[] = {
      {QStringLiteral("/tmp/zaznam"), csv, QStringLiteral("/tmp/zaznam.csv")},
      {QStringLiteral("/tmp/zaznam"), vcd, QStringLiteral("/tmp/zaznam.vcd")},
      {QStringLiteral("/tmp/zaznam.txt"), vcd, QStringLiteral("/tmp/zaznam.txt")},  // typed: kept
      {QStringLiteral("/tmp/v1.2/zaznam"), csv, QStringLiteral("/tmp/v1.2/zaznam.csv")},
      {QString(), csv, QString()},  // cancelled
  };
  for (const auto& c : cases)
    EXPECT_EQ(WithFilterExtension(c.path, c.filter), c.result) << c.path.toStdString();
}

TEST_F(TimelineTest, SigrokReadsTheWindowsRecordingsWithTheirEdges) {
  chosen_ = dir_.filePath(QStringLiteral("nahravka.vcd"));
  TFormTimeline& timeline = Open();
  timeline.ui->BtnRecord->click();
  ASSERT_TRUE(timeline.Recording());
  QTest::qWait(120);  // the levels at rest first
  Play({0x0001, 0x0000, 0x4001, 0x0000});
  // Stopped once the window has polled the last word: a busy machine may poll it late.
  ASSERT_TRUE(WaitFor([&] { return timeline.Timeline().Changes(1) == 4; }));
  timeline.ui->BtnRecord->click();  // "Zastavit záznam"
  EXPECT_FALSE(timeline.Recording());
  const std::map<std::string, int> running = SigrokEdges(chosen_);
  ASSERT_EQ(running.size(), 11U) << Slurp(chosen_);
  EXPECT_EQ(running.at("in0_RefX"), 4) << Slurp(chosen_);
  EXPECT_EQ(running.at("in14_Tl_Sens"), 2);
  // What the window holds, saved afterwards: the same edges, from the window's first poll.
  chosen_ = dir_.filePath(QStringLiteral("ulozeno.vcd"));
  timeline.ui->BtnSaveRecording->click();
  const std::map<std::string, int> saved = SigrokEdges(chosen_);
  ASSERT_EQ(saved.size(), 11U) << Slurp(chosen_);
  EXPECT_EQ(saved.at("in0_RefX"), 4);
  EXPECT_EQ(saved.at("in1_RefY"), 0);
  EXPECT_TRUE(messages_.all.isEmpty());
}

TEST_F(TimelineTest, AFullDiskStopsTheRecordingWithItsReasonAndWholeRows) {
  chosen_ = dir_.filePath(QStringLiteral("vstupy.csv"));
  TFormTimeline& timeline = Open();
  // The disk fills for this process while it records (the limit taken back after).
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit before{};
  ::getrlimit(RLIMIT_FSIZE, &before);
  const rlimit limit{450, before.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  timeline.ui->BtnRecord->click();
  Play({0x0001, 0x0000, 0x0001, 0x0000, 0x0001, 0x0000, 0x0001, 0x0000}, 120);
  ::setrlimit(RLIMIT_FSIZE, &before);
  EXPECT_FALSE(timeline.Recording());
  ASSERT_EQ(messages_.plain.size(), 1);
  EXPECT_EQ(messages_.plain.front(),
            QStringLiteral("Záznam do souboru „%1“ se zastavil: soubor je příliš velký. Co bylo zapsáno, "
                           "zůstává čitelné.")
                .arg(chosen_));
  const std::string csv = Slurp(chosen_);
  EXPECT_LE(csv.size(), 450U);
  EXPECT_EQ(csv.back(), '\n');
}

// A converter unplugged and plugged back under the same name: the timeline's polls find the line
// gone, ask once a second, open it again by its name and go on, the gap marked; nobody opens the
// port dialog.
TEST_F(TimelineTest, AUnitPulledAwayAndPluggedBackGoesOnByItself) {
  const std::string port = LinkCom1(dir_.path().toStdString());
  TFormTimeline& timeline = Open();
  Play({0x0001, 0x0000});
  const std::size_t before = timeline.Timeline().Gaps().size();
  Unplug(port);
  ASSERT_TRUE(WaitFor([&] { return timeline.Timeline().Gaps().size() > before; }));
  QTest::qWait(1200);  // away a while: asked for again and not found
  PlugBack(port);
  unit_.SetInputWord(0x0001);
  ASSERT_TRUE(WaitFor(
      [&] {
        const auto& gaps = timeline.Timeline().Gaps();
        return gaps.size() > before && gaps.back().to &&
               timeline.Timeline().LevelAt(1, *gaps.back().to) == true;
      },
      10'000));
  EXPECT_TRUE(term_->Polling());
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});  // the loss, told once
}

TEST_F(TimelineTest, TheWiringCheckNamesGoodSwappedAndWrongPolarity) {
  TFormTimeline& timeline = Open();
  SetGrid(1, "0", "1");  // input 0: pressed and let go
  SetGrid(2, "0", "1");  // input 1: its neighbour moves instead
  SetGrid(3, "1", "1");  // input 2: Polarita 1, but at rest 0
  SetGrid(4, "0", "0");  // input 3: not checked
  for (int row = 5; row <= 10; ++row) SetGrid(row, "0", "0");
  timeline.ui->BtnWiring->click();
  TFormWiring& wiring = timeline.Wiring();
  ASSERT_TRUE(wiring.isVisible());
  EXPECT_EQ(wiring.ui->LblAsk->text(), QStringLiteral("Sepněte a uvolněte vstup 0 – RefX."));
  Play({0x0000, 0x0001, 0x0000});
  QTest::qWait(400);  // let go, and at rest a moment
  EXPECT_EQ(wiring.ui->LblAsk->text(), QStringLiteral("Sepněte a uvolněte vstup 1 – RefY."));
  Play({0x0000, 0x0008, 0x0000});  // input 3 moves, not 1
  // Which input moved is shown live, checked or not.
  EXPECT_TRUE(wiring.ui->LblMoved->text().startsWith(QStringLiteral("Naposledy se změnil: vstup 3")))
      << wiring.ui->LblMoved->text().toStdString();
  wiring.ui->BtnSkip->click();
  // Away from the rest its polarity says, it is judged where it settles.
  Play({0x0000, 0x0004, 0x0000});
  QTest::qWait(1700);
  EXPECT_EQ(wiring.ui->LblAsk->text(), QStringLiteral("Kontrola je hotová."));
  ASSERT_EQ(wiring.ui->LstResults->count(), 3);
  EXPECT_EQ(wiring.ui->LstResults->item(0)->text(), QStringLiteral("vstup 0 – RefX: v pořádku"));
  const QString swapped = wiring.ui->LstResults->item(1)->text();
  EXPECT_TRUE(swapped.startsWith(QStringLiteral("vstup 1 – RefY: nezměnil se, změnil se vstup 3")) &&
              swapped.endsWith(QStringLiteral(" – možná prohozené vodiče")))
      << swapped.toStdString();
  EXPECT_EQ(wiring.ui->LstResults->item(2)->text(),
            QStringLiteral("vstup 2 – RefZ: v klidu je 0, Polarita je 1 – zkontrolujte polaritu"));
  chosen_ = dir_.filePath(QStringLiteral("kontrola.txt"));
  wiring.ui->BtnSaveResult->click();
  const std::string text = Slurp(chosen_);
  EXPECT_TRUE(text.starts_with("Kontrola zapojení jednotky VK12345 (TK20MPG v2.4), ")) << text;
  EXPECT_NE(text.find("\nvstup 2 – RefZ: v klidu je 0, Polarita je 1 – zkontrolujte polaritu\n"),
            std::string::npos);
}

// The lanes at the widest zoom look the same whether older edges are kept as they came or only
// as stretches: a fast input, a slow one, bursts, a gap, at widths up to a column a stretch.
TEST(InputLanesTest, TheWidestZoomDrawsTheSameFromStretchesAsFromEdges) {
  InputTimeline edges(1'000'000), stretches(8);
  constexpr int64_t kTenMinutes = 600'000;
  const auto word = [](int64_t ms) {
    uint16_t w = (ms / 10) % 2 ? 0x0001 : 0;              // input 0 at 50 Hz
    if ((ms / 3000) % 2) w |= 0x0002;                     // input 1 every 3 s
    if (ms % 20'000 < 1000 && (ms / 4) % 2) w |= 0x0004;  // input 2 in bursts
    if (ms % 97'000 < 300) w |= 0x4000;                   // input 14 now and then
    return w;
  };
  for (InputTimeline* timeline : {&edges, &stretches}) {
    for (int64_t ms = 0; ms <= kTenMinutes; ms += 2) {
      if (ms == 300'000) timeline->Lost(ms);
      if (ms < 300'000 || ms >= 302'000) timeline->Sample(ms, word(ms));
    }
  }
  ASSERT_FALSE(stretches.Stretches(1).empty());
  ASSERT_TRUE(edges.Stretches(1).empty());
  for (const int width : {1000, 1600, 2600}) {
    std::array<QImage, 2> images;
    for (std::size_t n = 0; n < images.size(); ++n) {
      InputLanes lanes;
      lanes.resize(width, 440);
      lanes.SetTimeline(n == 0 ? &edges : &stretches);
      lanes.SetSpanMs(kTenMinutes);
      lanes.SetNow(kTenMinutes);
      lanes.SetLive(kTenMinutes);
      ASSERT_GE((kTenMinutes / (width - lanes.LabelWidth())), InputTimeline::kStretchMs);
      images[n] = QImage(lanes.size(), QImage::Format_ARGB32_Premultiplied);
      lanes.render(&images[n]);
    }
    EXPECT_TRUE(images[0] == images[1]) << width << " px";
  }
}

}  // namespace
