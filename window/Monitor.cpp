// The main window: the live input monitor of page "Vstupy".
#include "window/Term.h"

#include "protocol/InputWord.h"
#include "protocol/MessageSeam.h"
#include "ui_Term.h"
#include "window/TermShared.h"
#include "window/Timeline.h"

#include <utility>

using namespace term;

// ---- Input monitor ----

bool TTermForm::InputsPageShown() const { return ui->PageControl->currentIndex() == kInputsPage; }

bool TTermForm::TimelineShown() const { return timeline_ && timeline_->isVisible(); }

void TTermForm::PageControlChange() { TellInputsShown(); }

void TTermForm::TellInputsShown() {
  line_->Queue([this, page = InputsPageShown(), timeline = TimelineShown(),
                fast = TimelineShown() && timeline_->Fast()] { unit_->InputsShown(page, timeline, fast); });
}

int64_t TTermForm::PollClockUs() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - pollOrigin_)
      .count();
}

TFormTimeline& TTermForm::Timeline() {
  if (!timeline_) {
    timeline_ = std::make_unique<TFormTimeline>(this);
    timeline_->Lanes = [this] { return GridLanes(); };
    timeline_->Unit = [this] { return state_.identity; };
    timeline_->Clock = [this] { return PollClockUs() / 1000; };
    timeline_->ShownChanged = [this](bool) { TellInputsShown(); };
    timeline_->FastChanged = [this](bool) { TellInputsShown(); };
  }
  return *timeline_;
}

void TTermForm::TimelineMnuClick() {
  TFormTimeline& timeline = Timeline();
  timeline.show();
  timeline.raise();
  timeline.activateWindow();
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

void TTermForm::Polled(const std::vector<InputPoller::Step>& steps) {
  const bool timeline = TimelineShown();
  for (const InputPoller::Step& step : steps) {
    if (timeline) timeline_->Polled(step);
    if (step.sample) ShowLevels(step.sample->word);
  }
}

void TTermForm::PollFailed(const InputPoller::Step& step, bool tell) {
  // Levels of a unit that no longer answers would look live.
  ClearInputLevels();
  // The timeline shows the gap while the box is open, not only after it.
  if (TimelineShown()) {
    timeline_->Polled(step);
    timeline_->Refresh();
  }
  if (tell) Messages().Message(tr("Chyba komunikace"));
}

void TTermForm::PollingIs(bool polling, int periodMs) {
  polling_ = polling;
  pollPeriodMs_ = periodMs;
}

void TTermForm::ShowLevels(uint16_t word) {
  // The page's levels, when they change (a fast poll would otherwise redraw the grid each time).
  if (lastShownWord_ == word) return;
  const std::optional<uint16_t> before = std::exchange(lastShownWord_, word);
  for (int row = 1; row <= kInputRows; ++row) {
    const int bit = kInputOfRow[row - 1];
    if (before && ((*before ^ word) >> bit & 1) == 0) continue;  // only the cells that changed
    ui->StrGridVstupy->item(row, 1)->setText((word >> bit) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
  }
}

void TTermForm::ClearInputLevels() {
  lastShownWord_.reset();
  for (int row = 1; row <= kInputRows; ++row) ui->StrGridVstupy->item(row, 1)->setText(QString());
}
