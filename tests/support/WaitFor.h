#pragma once
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

// Runs the calling thread's events until `done` holds: waits for what a test waits for, never for
// a time. False when it did not come within limitMs (the test then fails, it does not hang).
template <class Done>
bool WaitFor(Done done, int limitMs = 60'000) {
  QElapsedTimer clock;
  clock.start();
  // Wakes the wait now and then, so that the limit is looked at while nothing comes.
  QTimer wake;
  wake.start(50);
  while (!done()) {
    if (clock.elapsed() > limitMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}
