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
#include "ui_Term.h"  // generated for this target, for the header above
#include "ui_Timeline.h"
#include "window/Term.h"
#include "window/Timeline.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include "bench/Gaps.h"
#include "bench/RawLine.h"
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
  }
  ~WindowOnUnit() { SetMessages(nullptr); }
  void Prepare() {
    unit.SetReplyOverride("j", "0");
    server.Start();
    qputenv("VORKA_COM1", server.SlavePath().c_str());
    SetMessages(&silent);
  }
};

// The window thread's processor time and the wall time of a second of its event loop.
struct LoopSecond {
  double cpu, wall;
};
LoopSecond RunEventsForASecond() {
  QElapsedTimer clock;
  clock.start();
  const double before = ThreadCpuSeconds();
  QEventLoop loop;
  QTimer::singleShot(1000, &loop, &QEventLoop::quit);
  loop.exec();
  return {ThreadCpuSeconds() - before, double(clock.nsecsElapsed()) * 1e-9};
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
  const auto share = [] {
    const LoopSecond second = RunEventsForASecond();
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
  ComClose();
}
BENCHMARK(BM_TimelineCpuBesideTheMonitor)->Iterations(2)->Unit(benchmark::kMillisecond);

// The timeline window sampling fast at 115200 Bd while it draws ten lanes, every input toggling
// (5 to 50 Hz): the window thread's processor time as a share of one core, and the period.
void BM_FastTimelineCpu(benchmark::State& state) {
  WindowOnUnit w({QStringLiteral("vorka_config")});
  w.unit.SetBaud(115200);
  for (int row = 1; row <= kInputRows; ++row) w.unit.SetToggle(kInputOfRow[row - 1], 5.0 * row);
  TTermForm& term = w.term;
  term.TimelineMnuClick();
  TFormTimeline& timeline = term.Timeline();
  timeline.ui->ChkFast->click();
  RunEventsForASecond();  // the period measured, the lanes filled
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const LoopSecond second = RunEventsForASecond();
    cpu += second.cpu;
    wall += second.wall;
  }
  state.counters["cpu_share_of_core"] = cpu / wall;
  state.counters["period_ms"] = timeline.PeriodMs().value_or(0);
  RecordFigure("CPU of the timeline sampling fast, 10 lanes drawn (share of a core)", cpu / wall, "",
               "<= 0.15");
  RecordFigure("  its sampling period at 115200 Bd, ms", timeline.PeriodMs().value_or(0), "",
               "(1.74 on the wire)");
  timeline.ui->ChkFast->click();
  timeline.hide();
  ComClose();
}
BENCHMARK(BM_FastTimelineCpu)->Iterations(3)->Unit(benchmark::kMillisecond);

// One second of polling on page "Vstupy" of an MPG unit; reports the window thread's processor
// time as a share of one core.
void BM_InputPollingCpuPerSecond(benchmark::State& state) {
  WindowOnUnit w({QStringLiteral("vorka_config")});
  VirtualUnit& unit = w.unit;
  TTermForm& term = w.term;
  TermFormInternals::Ui(term).PageControl->setCurrentIndex(1);
  double cpu = 0, wall = 0;
  std::size_t polls = 0;
  for (auto _ : state) {
    unit.ClearReceived();
    const LoopSecond second = RunEventsForASecond();
    cpu += second.cpu;
    wall += second.wall;
    polls += unit.Received().size() / 2;
  }
  state.counters["cpu_share_of_core"] = cpu / wall;
  state.counters["polls_per_s"] = double(polls) / wall;
  RecordFigure("CPU per second of input polling (share of a core)", cpu / wall, "", "< 0.05");
  ComClose();
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
    window += MedianGapSeconds(unit.Received(), unit.ReceivedTimes(), first, script.size());
    ComClose();  // the raw loop takes the line alone
    const int fd = OpenRaw(server.SlavePath());
    unit.ClearReceived();
    for (const auto& line : script) RawExchange(fd, kUnitPrefix + line);
    raw += MedianGapSeconds(unit.Received(), unit.ReceivedTimes(), first, script.size());
    ::close(fd);
    ComOpen("COM1", 115200, 'n', 8, 1.0f);
  }
  const double n = double(state.iterations());
  state.counters["window_gap_us"] = 1e6 * window / n;
  state.counters["raw_gap_us"] = 1e6 * raw / n;
  state.counters["ratio_to_raw"] = window / raw;
  RecordFigure("window read, gap per command : raw loop", window / raw, "", "<= 1.2");
  ComClose();
}
BENCHMARK(BM_WindowReadAgainstRawLoop)->Iterations(30)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// "Uložit do VORKA" with the backup it now keeps, beside the save alone (the identification and
// the 29 writes), on a unit paced at 115200 Bd: the backup costs one read more.
void BM_WindowSaveWithBackup(benchmark::State& state) {
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  WindowOnUnit w({QStringLiteral("vorka_config")});
  w.unit.SetBaud(115200);
  // Read first: a save of values nobody chose asks before it writes (and a review is never waited on).
  w.term.ReadSettingClick();
  w.term.RunReviewDialog = [](auto&) { return true; };
  double withBackup = 0, alone = 0;
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    w.term.BtnSend1Click();
    WaitFor([&] { return w.term.FlowsRunning() == 0; });
    withBackup += double(clock.nsecsElapsed()) * 1e-9;
    clock.restart();
    w.term.OnLine([](UnitOnLine& unit) {
      IdentifyUnit(unit);
      unit.RunScript(BuildWriteScript(unit.Controls(), unit.State().mpgCapable));
    });
    WaitFor([&] { return w.term.FlowsRunning() == 0; });
    alone += double(clock.nsecsElapsed()) * 1e-9;
  }
  const double n = double(state.iterations());
  state.counters["with_backup_ms"] = 1e3 * withBackup / n;
  state.counters["alone_ms"] = 1e3 * alone / n;
  RecordFigure("window save with its backup : the save alone", withBackup / alone, "", "<= 2.2");
  ComClose();
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
