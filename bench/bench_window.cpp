// Window benchmarks: processor time of the program while the input monitor polls the virtual unit.
#include "link/Async.h"
#include "link/ui/Help.h"
#include "link/ui/Setup.h"
#include "protocol/MessageSeam.h"
#include "protocol/RegisterMap.h"
#include "protocol/SettingsModel.h"
#include "protocol/UnitProtocol.h"
#include "protocol/settings/Backups.h"
#include "sim/PtyServer.h"
#include "sim/VirtualUnit.h"
#include "tests/support/TermFormInternals.h"
#include "tests/support/TestBackups.h"
#include "tests/support/WaitFor.h"
#include "ui_Series.h"
#include "ui_Term.h"  // generated for this target, for the header above
#include "ui_Timeline.h"
#include "window/Series.h"
#include "window/SettingsFiles.h"
#include "window/Term.h"
#include "window/Timeline.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "bench/Gaps.h"
#include "bench/RawLine.h"
#include "bench/Stall.h"
#include "bench/Summary.h"

#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace {

double ThreadCpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

class SilentMessages : public MessageSeam {
 public:
  bool Question(const QString&) override { return false; }
  void Message(const QString&) override {}
  void ErrorBox(const QString&) override {}
  void GeneralError(const QString&) override {}
};

// The main window started on a virtual unit that answers the start-up reset, messages silenced.
struct WindowOnUnit {
  VirtualUnit unit;
  PtyServer server{unit};
  SilentMessages silent;
  TTermForm term;
  TFormSetup setup{&term};
  explicit WindowOnUnit(const QStringList& args) : term((Prepare(), args), TestBackups()) {
    term.SetForms(&setup, nullptr);
    term.show();
    term.FormShow();
    Settle();
  }
  // Until every flow the window started has ended.
  void Settle() {
    WaitFor([this] { return term.FlowsRunning() == 0; });
  }
  ~WindowOnUnit() { SetMessages(nullptr); }
  void Prepare() {
    unit.SetReplyOverride("j", "0");
    server.Start();
    qputenv("VORKA_COM1", server.SlavePath().c_str());
    SetMessages(&silent);
  }
};

// The processor time of the line's thread, read there.
double LineCpuSeconds(WindowOnUnit& w) {
  auto seconds = std::make_shared<double>(0);
  w.term.OnLine([seconds](UnitOnLine&) { *seconds = ThreadCpuSeconds(); });
  w.Settle();
  return *seconds;
}

// The processor time of the window's and the line's threads (the virtual unit's own is not the
// program's), and the wall time of a second of the window's event loop.
struct LoopSecond {
  double cpu, wall;
};
LoopSecond RunEventsForASecond(WindowOnUnit& w) {
  const double lineBefore = LineCpuSeconds(w);
  QElapsedTimer clock;
  clock.start();
  const double before = ThreadCpuSeconds();
  QEventLoop loop;
  QTimer::singleShot(1000, &loop, &QEventLoop::quit);
  loop.exec();
  const double window = ThreadCpuSeconds() - before, wall = double(clock.nsecsElapsed()) * 1e-9;
  return {window + LineCpuSeconds(w) - lineBefore, wall};
}

// The timeline window's own share: a second of polling with page "Vstupy" shown, then a second
// with the timeline window shown instead, every input toggling every 100 ms.
void BM_TimelineCpuBesideTheMonitor(benchmark::State& state) {
  WindowOnUnit w({QStringLiteral("vorka_config")});
  TTermForm& term = w.term;
  uint16_t word = 0;
  QTimer toggler;
  QObject::connect(&toggler, &QTimer::timeout,
                   [&] { w.unit.SetInputWord(word = static_cast<uint16_t>(~word)); });
  toggler.start(100);
  const auto share = [&w] {
    const LoopSecond second = RunEventsForASecond(w);
    return second.cpu / second.wall;
  };
  double monitor = 0, timeline = 0;
  for (auto _ : state) {
    TermFormInternals::Ui(term).PageControl->setCurrentIndex(1);
    monitor += share();
    TermFormInternals::Ui(term).PageControl->setCurrentIndex(0);
    term.TimelineMnuClick();
    timeline += share();
    term.Timeline().hide();
  }
  const double n = double(state.iterations());
  state.counters["monitor_share"] = monitor / n;
  state.counters["timeline_share"] = timeline / n;
  RecordFigure("CPU of the timeline window beside the monitor (share of a core)", (timeline - monitor) / n,
               "", "<= 0.05");
}
BENCHMARK(BM_TimelineCpuBesideTheMonitor)->Iterations(2)->Unit(benchmark::kMillisecond);

// The timeline window sampling fast at 115200 Bd while it draws ten lanes, every input toggling
// (5 to 50 Hz): the processor time of the window and its line as a share of one core, and the
// period against the wire time of a poll.
void BM_FastTimelineCpu(benchmark::State& state) {
  WindowOnUnit w({QStringLiteral("vorka_config")});
  w.unit.SetBaud(115200);
  for (int row = 1; row <= kInputRows; ++row) w.unit.SetToggle(kInputOfRow[row - 1], 5.0 * row);
  TTermForm& term = w.term;
  term.TimelineMnuClick();
  TFormTimeline& timeline = term.Timeline();
  timeline.ui->ChkFast->click();
  RunEventsForASecond(w);  // the period measured, the lanes filled
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const LoopSecond second = RunEventsForASecond(w);
    cpu += second.cpu;
    wall += second.wall;
  }
  state.counters["cpu_share_of_core"] = cpu / wall;
  state.counters["period_ms"] = timeline.PeriodMs().value_or(0);
  RecordFigure("CPU of the timeline sampling fast, 10 lanes drawn (share of a core)", cpu / wall, "",
               "<= 0.15");
  RecordFigure("  its sampling period at 115200 Bd : wire time of one poll",
               timeline.PeriodMs().value_or(0) / PollWireMs(115200), "", "<= 1.3");
  timeline.ui->ChkFast->click();
  timeline.hide();
}
BENCHMARK(BM_FastTimelineCpu)->Iterations(3)->Unit(benchmark::kMillisecond);

// One second of polling on page "Vstupy" of an MPG unit; reports the processor time of the window
// and its line as a share of one core.
void BM_InputPollingCpuPerSecond(benchmark::State& state) {
  WindowOnUnit w({QStringLiteral("vorka_config")});
  VirtualUnit& unit = w.unit;
  TTermForm& term = w.term;
  TermFormInternals::Ui(term).PageControl->setCurrentIndex(1);
  double cpu = 0, wall = 0;
  std::size_t polls = 0;
  for (auto _ : state) {
    unit.ClearReceived();
    const LoopSecond second = RunEventsForASecond(w);
    cpu += second.cpu;
    wall += second.wall;
    polls += unit.Received().size() / 2;
  }
  state.counters["cpu_share_of_core"] = cpu / wall;
  state.counters["polls_per_s"] = double(polls) / wall;
  RecordFigure("CPU per second of input polling (share of a core)", cpu / wall, "", "< 0.05");
}
BENCHMARK(BM_InputPollingCpuPerSecond)->Iterations(2)->Unit(benchmark::kMillisecond);

// A read through the real window (button handler, exchange, logs, decoding) beside the raw loop
// on the same virtual unit, in one run: the gap per command at the unit.
void BM_WindowReadAgainstRawLoop(benchmark::State& state) {
  WindowOnUnit w({QStringLiteral("vorka_config"), QStringLiteral("debug")});
  VirtualUnit& unit = w.unit;
  TTermForm& term = w.term;
  PtyServer& server = w.server;
  TermFormInternals::Ui(term).PageControl->setCurrentIndex(
      3);  // the debug page with the logs, the worst case
  const auto script = BuildReadScript(true);
  const std::string first = kUnitPrefix + script.front();
  double window = 0, raw = 0;
  for (auto _ : state) {
    unit.ClearReceived();
    term.ReadSettingClick();
    w.Settle();
    window += MedianGapSeconds(unit.Received(), unit.ReceivedTimes(), first, script.size());
    term.WithLink([] { ComClose(); });  // the raw loop takes the line alone
    const int fd = OpenRaw(server.SlavePath());
    unit.ClearReceived();
    for (const auto& line : script) RawExchange(fd, kUnitPrefix + line);
    raw += MedianGapSeconds(unit.Received(), unit.ReceivedTimes(), first, script.size());
    ::close(fd);
    term.WithLink([] { ComOpen("COM1", 115200, 'n', 8, 1.0f); });
  }
  const double n = double(state.iterations());
  state.counters["window_gap_us"] = 1e6 * window / n;
  state.counters["raw_gap_us"] = 1e6 * raw / n;
  state.counters["ratio_to_raw"] = window / raw;
  RecordFigure("window read, gap per command : raw loop", window / raw, "", "<= 1.2");
}
BENCHMARK(BM_WindowReadAgainstRawLoop)->Iterations(30)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The window beside a unit that does not answer (each reply awaited 1000 ms): a read, a save,
// page "Vstupy", the timeline sampling fast, and a series waiting for its next unit. The line
// waits; the window must not.
void BM_WindowLongestStallBesideASilentUnit(benchmark::State& state) {
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  const QString file = data.filePath(QStringLiteral("series.vorka"));
  {
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write("HiLimitX = 500\n") < 0) state.SkipWithError("no file");
  }
  struct Scenario {
    const char* name;
    std::function<double(WindowOnUnit& w)> measure;
  };
  constexpr int kWhileMs = 2500;  // two reply limits and more
  const auto flowRuns = [](WindowOnUnit& w) { return [&w] { return w.term.FlowsRunning() > 0; }; };
  const Scenario scenarios[] = {
      {"a read",
       [&](WindowOnUnit& w) {
         w.unit.SetSilent(true);
         return LongestStallMs([&] { w.term.ReadSettingClick(); }, flowRuns(w), kWhileMs);
       }},
      {"a save",
       [&](WindowOnUnit& w) {
         w.unit.SetSilent(true);
         return LongestStallMs([&] { w.term.BtnSend1Click(); }, flowRuns(w), kWhileMs);
       }},
      {"page \"Vstupy\"",
       [&](WindowOnUnit& w) {
         TermFormInternals::Ui(w.term).PageControl->setCurrentIndex(1);
         WaitFor([&] { return w.term.Polling(); });
         return LongestStallMs([&] { w.unit.SetSilent(true); }, [] { return true; }, kWhileMs);
       }},
      {"the timeline sampling fast",
       [&](WindowOnUnit& w) {
         w.term.TimelineMnuClick();
         w.term.Timeline().ui->ChkFast->click();
         WaitFor([&] { return w.term.Polling() && w.term.PollPeriodMs() == 0; });
         const double longest =
             LongestStallMs([&] { w.unit.SetSilent(true); }, [] { return true; }, kWhileMs);
         w.term.Timeline().hide();
         return longest;
       }},
      {"a series waiting for its unit",
       [&](WindowOnUnit& w) {
         double longest = 0;
         w.term.Files().ChooseFileToLoad = [&](QString& path) {
           path = file;
           return true;
         };
         w.term.ChooseSeriesFolder = [&] { return data.path(); };
         w.term.RunSeriesDialog = [&](TFormSeries& series) {
           longest = LongestStallMs([] {}, [] { return true; }, kWhileMs);
           series.end->click();
           WaitFor([&] { return !series.Trying(); });
         };
         w.unit.SetSilent(true);
         w.term.SeriesMnuClick();
         w.Settle();
         return longest;
       }},
  };
  std::vector<double> longest(std::size(scenarios), 0.0);
  for (auto _ : state)
    for (std::size_t i = 0; i < std::size(scenarios); ++i) {
      WindowOnUnit w({QStringLiteral("vorka_config")});
      w.term.RunReviewDialog = [](auto&) { return true; };
      longest[i] = std::max(longest[i], scenarios[i].measure(w));
      w.unit.SetSilent(false);
      w.Settle();
    }
  for (std::size_t i = 0; i < std::size(scenarios); ++i)
    RecordFigure(std::string("longest stall of the window beside a silent unit: ") + scenarios[i].name,
                 longest[i], "ms", "<= 50");
}
BENCHMARK(BM_WindowLongestStallBesideASilentUnit)->Iterations(2)->Unit(benchmark::kMillisecond);

// "Uložit do VORKA" with the backup it keeps, beside the save alone (the identification and the 29
// writes), on a unit paced at 115200 Bd: the backup's reading confirmed by a second and the read
// back after the writes cost three reads more.
void BM_WindowSaveWithBackup(benchmark::State& state) {
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  WindowOnUnit w({QStringLiteral("vorka_config")});
  w.unit.SetBaud(115200);
  // Read first: a save of values nobody chose asks before it writes (and a review is never waited on).
  w.term.ReadSettingClick();
  w.Settle();
  w.term.RunReviewDialog = [](auto&) { return true; };
  double withBackup = 0, alone = 0;
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    w.term.BtnSend1Click();
    w.Settle();
    withBackup += double(clock.nsecsElapsed()) * 1e-9;
    clock.restart();
    w.term.OnLine([](UnitOnLine& unit) {
      IdentifyUnit(unit);
      unit.RunScript(BuildWriteScript(unit.Controls(), unit.State().mpgCapable));
    });
    w.Settle();
    alone += double(clock.nsecsElapsed()) * 1e-9;
  }
  const double n = double(state.iterations());
  state.counters["with_backup_ms"] = 1e3 * withBackup / n;
  state.counters["alone_ms"] = 1e3 * alone / n;
  RecordFigure("window save with its confirmed backup and its read back : the save alone", withBackup / alone,
               "", "<= 4");
}
BENCHMARK(BM_WindowSaveWithBackup)->Iterations(5)->Unit(benchmark::kMillisecond);

// Writing one backup file: the newest read for comparison, the file written and flushed, the
// folder kept to its hundred.
void BM_BackupFile(benchmark::State& state) {
  QTemporaryDir dir;
  const BackupStore store(dir.path());
  const Identity unit{true, true, "VK12345", "TK20MPG v2.4"};
  SettingsModel model;
  ApplyFactorySettings(model);
  UnitSettings settings = SettingsOf(model, true);
  int n = 0;
  double seconds = 0;
  for (auto _ : state) {
    settings.Set("TimeOver", std::to_string(1 + n++ % 2000));  // a new backup every time
    QElapsedTimer clock;
    clock.start();
    if (store.Keep(unit, settings)) state.SkipWithError("the backup was not written");
    seconds += double(clock.nsecsElapsed()) * 1e-9;
  }
  RecordFigure("writing a backup file", 1e3 * seconds / double(state.iterations()), "ms", "< 5");
}
BENCHMARK(BM_BackupFile)->Iterations(150)->Unit(benchmark::kMillisecond);

}  // namespace
