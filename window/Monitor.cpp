// The main window: the live input monitor of page "Vstupy".
#include "window/Term.h"

#include "protocol/InputWord.h"
#include "ui_Term.h"
#include "window/TermShared.h"
#include "window/Timeline.h"

#include <QTimer>

#include <utility>

using namespace term;

namespace {
// How often a unit that stopped answering the timeline's polls is asked again.
constexpr int kInputsRetryMs = 1000;
}  // namespace

// ---- Input monitor ----

bool TTermForm::InputsPageShown() const { return ui->PageControl->currentIndex() == kInputsPage; }

bool TTermForm::TimelineShown() const { return timeline_ && timeline_->isVisible(); }

bool TTermForm::MonitorWanted() const { return InputsPageShown() || TimelineShown(); }

void TTermForm::PageControlChange() {
  if (!state_.mpgCapable) return;
  if (InputsPageShown()) {
    tim_->start();
    state_.commandMode = "stav";
  } else if (!TimelineShown()) {
    tim_->stop();
  }
}

TFormTimeline& TTermForm::Timeline() {
  if (!timeline_) {
    timeline_ = std::make_unique<TFormTimeline>(this);
    timeline_->Lanes = [this] { return GridLanes(); };
    timeline_->Unit = [this] { return state_.identity; };
    timeline_->Clock = [this] { return clock_.elapsed(); };
    timeline_->ShownChanged = [this](bool shown) { TimelineShownChanged(shown); };
    timeline_->FastChanged = [this](bool) { FollowPollPace(); };
  }
  return *timeline_;
}

void TTermForm::TimelineMnuClick() {
  TFormTimeline& timeline = Timeline();
  timeline.show();
  timeline.raise();
  timeline.activateWindow();
}

// The timeline polls as the page does, with the same gates: an MPG unit, a port, no exchange.
void TTermForm::TimelineShownChanged(bool shown) {
  if (shown && state_.mpgCapable && state_.portOpen && !tim_->isActive()) {
    state_.commandMode = "stav";
    tim_->start();
  } else if (!shown && !InputsPageShown()) {
    tim_->stop();
  }
  if (!shown) inputsAway_ = false;
  FollowPollPace();
}

int TTermForm::PollIntervalMs() const {
  if (inputsAway_) return kInputsRetryMs;
  return TimelineShown() && timeline_->Fast() ? 0 : kMonitorPeriodMs;
}

void TTermForm::FollowPollPace() {
  tim_->setInterval(PollIntervalMs());
  // Over USB a fast poll waits for no latency timer; the converter is put back after.
  const bool fast = tim_->interval() == 0;
  if (!fast) heldPoll_.reset();
  if (fast && !fastUsb_)
    fastUsb_.emplace();
  else if (!fast)
    fastUsb_.reset();
}

std::array<LaneInfo, kInputRows> TTermForm::GridLanes() const {
  std::array<LaneInfo, kInputRows> lanes;
  const auto* grid = ui->StrGridVstupy;
  for (int row = 1; row <= kInputRows; ++row)
    lanes[static_cast<std::size_t>(row - 1)] = {kInputOfRow[row - 1], grid->item(row, 2)->text(),
                                                grid->item(row, 3)->text() == QStringLiteral("1"),
                                                grid->item(row, 4)->text() == QStringLiteral("1")};
  return lanes;
}

void TTermForm::TimTimer() {
  if (!state_.mpgCapable) return;
  // The failure box of an exchange lets ticks through while it is open; no tick may start an
  // exchange of its own then. Nor while no port is open: that would only repeat the failure.
  if (exchange_.Busy() || !state_.portOpen) return;
  const int64_t polledAtUs = clock_.nsecsElapsed() / 1000;
  // While the timeline's unit is away it is asked quietly: its loss was told once.
  quietFailure_ = inputsAway_;
  pollAskedUs_ = polledAtUs;
  state_.commandMode = "stav";
  // Back to back, the next poll finds a late line: no watch after each (and only after polls).
  const bool backToBack = tim_->interval() == 0;
  exchange_.SetWatchAfterScript(!backToBack);
  const ExchangeResult result = RunCommandScript();
  exchange_.SetWatchAfterScript(true);
  pollAskedUs_.reset();
  quietFailure_ = false;
  // The poll before came out of step after all (back to back, it was not watched): unused.
  if (result.lineBeforeFirst) heldPoll_.reset();
  if (!result.completed) {
    heldPoll_.reset();
    // The timeline goes on through a loss: a gap, then once a second until the unit answers.
    if (TimelineShown()) {
      if (!inputsAway_) timeline_->Lost(polledAtUs);  // the failure told it already, as a rule
      inputsAway_ = true;
      FollowPollPace();
      return;
    }
    // The page alone: a lost unit is reported once (the next tick would wait out the reply limit
    // and report it again, for ever); polling starts again when the operator shows the page. Its
    // levels are gone with it (the failure emptied them).
    tim_->stop();
    return;
  }
  if (inputsAway_) {
    inputsAway_ = false;
    FollowPollPace();
  }
  const HeldPoll poll{polledAtUs, InputWordFromReplies(ReplyLine(0), ReplyLine(1))};
  // Back to back a poll is used once the next one has shown it in step.
  if (backToBack) {
    if (heldPoll_) ShowPoll(*heldPoll_);
    heldPoll_ = poll;
  } else {
    ShowPoll(poll);
  }
}

void TTermForm::ShowPoll(const HeldPoll& poll) {
  if (TimelineShown()) timeline_->Sample(poll.askedUs, poll.word);
  // The page's levels, when they change (a fast poll would otherwise redraw the grid each time).
  if (lastShownWord_ == poll.word) return;
  const std::optional<uint16_t> before = std::exchange(lastShownWord_, poll.word);
  for (int row = 1; row <= kInputRows; ++row) {
    const int bit = kInputOfRow[row - 1];
    if (before && ((*before ^ poll.word) >> bit & 1) == 0) continue;  // only the cells that changed
    ui->StrGridVstupy->item(row, 1)->setText((poll.word >> bit) & 1 ? QStringLiteral("1")
                                                                    : QStringLiteral("0"));
  }
}

void TTermForm::ClearInputLevels() {
  lastShownWord_.reset();
  for (int row = 1; row <= kInputRows; ++row) ui->StrGridVstupy->item(row, 1)->setText(QString());
}

void TTermForm::PauseMonitor() {
  // Another script follows the last poll: that poll is never shown in step, so it is not shown.
  heldPoll_.reset();
  if (MonitorWanted()) tim_->stop();
}

void TTermForm::ResumeMonitor() {
  if (MonitorWanted() && state_.mpgCapable) {
    state_.commandMode = "stav";
    tim_->start();
  }
}
