// Window benchmarks: processor time of the program while the input monitor polls the virtual unit.
#include "link/Async.h"
#include "link/Help.h"
#include "link/Setup.h"
#include "sim/PtyServer.h"
#include "sim/VirtualUnit.h"
#include "ui_Term.h"
#include "protocol/MessageSeam.h"
#include "window/Term.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "Summary.h"

#include <benchmark/benchmark.h>

#include <time.h>

namespace {

double ThreadCpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

class SilentMessages : public MessageSeam {
 public:
  void Message(const QString&) override {}
  void ErrorBox(const QString&) override {}
  void GeneralError(const QString&) override {}
};

// One second of polling on page "Vstupy" of an MPG unit; reports the window thread's processor
// time as a share of one core.
void BM_InputPollingCpuPerSecond(benchmark::State& state) {
  VirtualUnit unit;
  unit.SetReplyOverride("j", "0");
  PtyServer server(unit);
  server.Start();
  qputenv("VORKA_COM1", server.SlavePath().c_str());
  SilentMessages silent;
  SetMessages(&silent);
  TTermForm term({QStringLiteral("vorka_config")});
  TFormSetup setup(&term);
  term.SetForms(&setup, nullptr);
  term.FormShow();
  term.ui->PageControl->setCurrentIndex(1);
  double cpu = 0, wall = 0;
  std::size_t polls = 0;
  for (auto _ : state) {
    unit.ClearReceived();
    QElapsedTimer clock;
    clock.start();
    const double before = ThreadCpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    cpu += ThreadCpuSeconds() - before;
    wall += double(clock.nsecsElapsed()) * 1e-9;
    polls += unit.Received().size() / 2;
  }
  state.counters["cpu_share_of_core"] = cpu / wall;
  state.counters["polls_per_s"] = double(polls) / wall;
  RecordFigure("CPU per second of input polling (share of a core)", cpu / wall, "", "< 0.05");
  term.Tim()->stop();
  ComClose();
  SetMessages(nullptr);
}
BENCHMARK(BM_InputPollingCpuPerSecond)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
