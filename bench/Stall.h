#pragma once
// How long a window goes without its events while something runs beside it.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <functional>

// The longest the calling thread's event loop went without its events from `start` on, while
// `running` held (at most limitMs): a 1 ms timer stands for the window's events, and the longest
// gap between its ticks is the longest the window was deaf (a menu clicked then opens that much
// later). The start itself counts.
inline double LongestStallMs(const std::function<void()>& start, const std::function<bool()>& running,
                             int limitMs) {
  QElapsedTimer clock;
  qint64 last = 0;
  double longest = 0;
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  tick.setInterval(1);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    longest = std::max(longest, double(now - last) * 1e-6);
    last = now;
  });
  QEventLoop loop;
  QTimer watch;
  watch.setInterval(5);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!running() || clock.elapsed() > limitMs) loop.quit();
  });
  clock.start();
  tick.start();
  watch.start();
  start();
  longest = std::max(longest, double(clock.nsecsElapsed() - last) * 1e-6);
  last = clock.nsecsElapsed();
  loop.exec();
  return longest;
}
