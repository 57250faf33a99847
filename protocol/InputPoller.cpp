#include "protocol/InputPoller.h"

#include <algorithm>

InputPoller::InputPoller(Pace pace, Us start) : pace_(pace), next_(start) {}

void InputPoller::SetPace(Pace pace) {
  // Back to back a word waits for the next poll; at a period it never does.
  if (pace.periodUs != 0) held_.reset();
  // A pace asked anew is measured anew: its period is told once known, not after the wait that
  // keeps a wobble from being told.
  if (pace.periodUs != pace_.periodUs) sampling_ = SamplingPace();
  pace_ = pace;
}

void InputPoller::Interrupted() { held_.reset(); }

void InputPoller::Deliver(const Sample& sample, Step& step) {
  const SamplingPace::Step pace = sampling_.Sample(sample.asked);
  if (pace.afterPause && lastSeen_) step.gap = Gap{*lastSeen_, GapCause::Pause};
  lastSeen_ = sample.asked;
  step.sample = sample;
  step.periodMs = pace.periodMs;
}

InputPoller::Step InputPoller::Polled(const Poll& poll, Us now) {
  Step step;
  // The poll before came out of step after all (back to back it was not watched): unused.
  if (poll.lineBeforeFirst) held_.reset();
  if (!poll.answered) {
    held_.reset();
    if (!silent_) {
      silent_ = true;
      silentSince_ = poll.asked;
      sampling_.Lost();
      step.silenceBegins = true;
      step.gap = Gap{poll.asked, GapCause::NoReply};
    }
    const Us silence = now - silentSince_;
    if (pace_.lostAfterUs && silence >= *pace_.lostAfterUs) {
      step.lost = true;
      step.nextAsk = next_ = now;
      return step;
    }
    // Asked again a period after the last ask (at least a millisecond), and only once a second
    // after a second of silence: a line that hung up fails at once, and is not asked in a busy loop.
    const Us wait = silence >= pace_.retryAfterUs ? pace_.retryEveryUs : std::max<Us>(pace_.periodUs, 1'000);
    next_ = poll.asked + wait;
    if (pace_.lostAfterUs) next_ = std::min(next_, silentSince_ + *pace_.lostAfterUs);
    step.nextAsk = next_ = std::max(next_, now);
    return step;
  }
  silent_ = false;
  const Sample sample{poll.asked, poll.word};
  if (BackToBack()) {
    // Back to back, a poll is shown once the next one has shown it in step.
    if (held_) Deliver(*held_, step);
    held_ = sample;
  } else {
    Deliver(sample, step);
  }
  // A late poll does not bring a burst after it.
  next_ = std::max(next_ + pace_.periodUs, now);
  step.nextAsk = next_;
  return step;
}
