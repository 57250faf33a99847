#pragma once
#include "protocol/SamplingPace.h"

#include <cstdint>
#include <optional>

// The bookkeeping of polling the inputs, whoever polls: the word held back while polls run back to
// back, a silence and the asks that follow it, a pause turned into a gap, the sampling period. It
// has no clock and no line of its own: it is told each poll's outcome and says what to show and
// record, and when to ask next. Page "Vstupy", the timeline (and the wiring check it feeds) and
// vorkactl monitor all poll through it.
class InputPoller {
 public:
  using Us = int64_t;  // microseconds on the caller's steady clock

  struct Pace {
    Us periodUs = 40'000;  // between the starts of two polls; zero: back to back
    // Silent this long, the unit counts as lost and polling ends; zero ends at the first poll that
    // gets no reply; none: polling goes on for ever.
    std::optional<Us> lostAfterUs = 5'000'000;
    // A unit silent this long is asked only once per retryEveryUs.
    Us retryAfterUs = 1'000'000;
    Us retryEveryUs = 1'000'000;
  };

  struct Poll {
    Us asked = 0;
    bool answered = false;         // both replies came, in step
    bool lineBeforeFirst = false;  // a line was waiting before it: the poll before was out of step
    uint16_t word = 0;             // when answered
  };
  struct Gap {
    Us from = 0;
    GapCause cause = GapCause::NoReply;
  };
  struct Sample {
    Us asked = 0;
    uint16_t word = 0;
  };
  // What one poll gives, in this order: a gap, a sample, the period.
  struct Step {
    std::optional<Gap> gap;
    std::optional<Sample> sample;
    std::optional<double> periodMs;  // measured: when first known, and when it changed
    bool silenceBegins = false;      // the first poll of a silence: its loss is told once
    bool lost = false;               // silent for Pace::lostAfterUs: polling ends here
    Us nextAsk = 0;                  // when to ask next
  };

  InputPoller(Pace pace, Us start);

  // The pace changed (fast sampling ticked, the timeline shown): it counts from the next poll.
  void SetPace(Pace pace);
  const Pace& CurrentPace() const { return pace_; }
  Step Polled(const Poll& poll, Us now);
  // Another script ran since the last poll: a word held back is never shown in step, so it is
  // dropped.
  void Interrupted();
  // The last poll got no reply.
  bool Silent() const { return silent_; }
  // When to ask next, as the last step said.
  Us NextAsk() const { return next_; }
  std::optional<double> PeriodMs() const { return sampling_.PeriodMs(); }

 private:
  bool BackToBack() const { return pace_.periodUs == 0; }
  // The held or fresh sample as shown: a pause before it is a gap, and the period may follow.
  void Deliver(const Sample& sample, Step& step);

  Pace pace_;
  SamplingPace sampling_;
  Us next_;
  std::optional<Sample> held_;
  std::optional<Us> lastSeen_;  // the last sample shown
  bool silent_ = false;
  Us silentSince_ = 0;
};
