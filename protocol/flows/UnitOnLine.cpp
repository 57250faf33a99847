#include "protocol/flows/UnitOnLine.h"

#include "link/Async.h"
#include "protocol/InputWord.h"
#include "protocol/UnitProtocol.h"

#include <algorithm>

namespace {

constexpr InputPoller::Us kPeriodUs = InputPoller::Us{kMonitorPeriodMs} * 1000;

}  // namespace

UnitOnLine::UnitOnLine(LineWorker& line, UnitWindow& window, BackupStore backups,
                       std::chrono::steady_clock::time_point origin)
    : line_(line),
      window_(window),
      backups_(std::move(backups)),
      origin_(origin),
      exchange_(*this, serial_),
      controls_(line, window),
      poller_(InputPoller::Pace{kPeriodUs, 0, 1'000'000, 1'000'000}, 0) {
  exchange_.SetUsbTransport(&usb_);
  exchange_.SetAbandon(&line_.Closing());
  line_.BeforeWindowCalls([this] { TellWindow(); });
}

UnitOnLine::~UnitOnLine() = default;

InputPoller::Us UnitOnLine::NowUs() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - origin_)
      .count();
}

void UnitOnLine::Run(const std::function<void(UnitHost&)>& flow) {
  // Told also when the flow ends by an error: the window's box and its copy of the state follow.
  struct Told {
    UnitOnLine& unit;
    ~Told() { unit.TellWindow(); }
  } told{*this};
  flow(*this);
}

void UnitOnLine::TellWindow() {
  const bool stateChanged = !toldOnce_ || state_ != told_;
  if (!stateChanged && !logChanged_ && steps_.empty()) return;
  toldOnce_ = true;
  bool post = false;
  {
    // Into what the window has not taken yet: polls back to back are shown as the window's pace
    // allows, not one wake-up each.
    const std::lock_guard lock(untoldMutex_);
    if (stateChanged) untold_.state = told_ = state_;
    if (logChanged_) untold_.log = log_;
    untold_.steps.insert(untold_.steps.end(), steps_.begin(), steps_.end());
    post = !std::exchange(untoldPosted_, true);
  }
  logChanged_ = false;
  steps_.clear();
  if (!post) return;
  line_.WindowPost([this] {
    Untold update;
    {
      const std::lock_guard lock(untoldMutex_);
      update = std::exchange(untold_, {});
      untoldPosted_ = false;
    }
    if (update.state) window_.StateIs(*update.state);
    if (update.log) window_.ShowLog(*update.log);
    if (!update.steps.empty()) window_.Polled(update.steps);
  });
}

void UnitOnLine::LogsWritten(const std::vector<std::string>& sent, const std::vector<std::string>& replies) {
  log_.sent = sent;
  log_.replies = replies;
  log_.microseconds.reset();  // ExchangeTimed follows when the script ran to its end
  logChanged_ = true;
}

// ---- The view, on the window's thread ----

std::optional<UnitSettings> UnitOnLine::ChooseWrites(const UnitSettings& window, const UnitSettings& held) {
  return line_.WindowCall([&] { return window_.ChooseWrites(window, held); });
}
void UnitOnLine::UnitHolds(const UnitSettings& held, bool readIntoWindow) {
  line_.WindowCall([&] { window_.UnitHolds(held, readIntoWindow); });
}
void UnitOnLine::Wrote(const UnitSettings& written) {
  line_.WindowCall([&] { window_.Wrote(written); });
}
void UnitOnLine::ShowIdentity(const Identity& identity) {
  line_.WindowCall([&] { window_.ShowIdentity(identity); });
}
void UnitOnLine::ShowNoUnit() {
  line_.WindowCall([&] { window_.ShowNoUnit(); });
}
void UnitOnLine::SetOutputControlsEnabled(bool on) {
  line_.WindowCall([&] { window_.SetOutputControlsEnabled(on); });
}
void UnitOnLine::DisableMpgControls() {
  line_.WindowCall([&] { window_.DisableMpgControls(); });
}
void UnitOnLine::EnableMpgControls() {
  line_.WindowCall([&] { window_.EnableMpgControls(); });
}
void UnitOnLine::ApplyMpgUsage() {
  line_.WindowCall([&] { window_.ApplyMpgUsage(); });
}
bool UnitOnLine::MonitorPageShown() {
  return line_.WindowCall([&] { return window_.MonitorPageShown(); });
}

int UnitOnLine::ControlsOnWindow::ItemIndex(const std::string& control) {
  return Call([&](SettingsControls& c) { return c.ItemIndex(control); });
}
void UnitOnLine::ControlsOnWindow::SelectItem(const std::string& control, int item) {
  Call([&](SettingsControls& c) { c.SelectItem(control, item); });
}
std::string UnitOnLine::ControlsOnWindow::Text(const std::string& control) {
  return Call([&](SettingsControls& c) { return c.Text(control); });
}
void UnitOnLine::ControlsOnWindow::SetText(const std::string& control, const std::string& text) {
  Call([&](SettingsControls& c) { c.SetText(control, text); });
}
bool UnitOnLine::ControlsOnWindow::Checked(const std::string& radioButton) {
  return Call([&](SettingsControls& c) { return c.Checked(radioButton); });
}
void UnitOnLine::ControlsOnWindow::SetChecked(const std::string& radioButton, bool checked) {
  Call([&](SettingsControls& c) { c.SetChecked(radioButton, checked); });
}
std::string UnitOnLine::ControlsOnWindow::Cell(int column, int row) {
  return Call([&](SettingsControls& c) { return c.Cell(column, row); });
}
void UnitOnLine::ControlsOnWindow::SetCell(int column, int row, const std::string& text) {
  Call([&](SettingsControls& c) { c.SetCell(column, row, text); });
}
int32_t UnitOnLine::ControlsOnWindow::AcceptedBreakDelay() {
  return Call([&](SettingsControls& c) { return c.AcceptedBreakDelay(); });
}
void UnitOnLine::ControlsOnWindow::StartNumSelected() {
  Call([&](SettingsControls& c) { c.StartNumSelected(); });
}
std::string UnitOnLine::ControlsOnWindow::InputName(int row) {
  return Call([&](SettingsControls& c) { return c.InputName(row); });
}
void UnitOnLine::ControlsOnWindow::SetInputName(int row, const std::string& name) {
  Call([&](SettingsControls& c) { c.SetInputName(row, name); });
}
std::string UnitOnLine::ControlsOnWindow::FieldText(const std::string& field) {
  return Call([&](SettingsControls& c) { return c.FieldText(field); });
}
void UnitOnLine::ControlsOnWindow::SetFieldText(const std::string& field, const std::string& text) {
  Call([&](SettingsControls& c) { c.SetFieldText(field, text); });
}

// ---- The line ----

ExchangeResult UnitOnLine::RunForFlow(const std::function<ExchangeResult()>& run) {
  // Another script between two polls: a word the monitor held back is never shown in step.
  poller_.Interrupted();
  // A converter unplugged and plugged back is the same port to the operator.
  if (exchange_.LineGone()) exchange_.ReopenLine();
  return run();
}

ExchangeResult UnitOnLine::RunCommandScript() {
  return RunForFlow(
      [this] { return exchange_.Run(ScriptFor(state_.commandMode, controls_, state_.mpgCapable)); });
}

ExchangeResult UnitOnLine::RunScript(const std::vector<std::string>& script) {
  return RunForFlow([&] { return exchange_.Run(script); });
}

void UnitOnLine::IdentifyAfterUsbFailure() {
  if (identifying_) return;  // the identification itself failed: it is not run twice
  identifyingAfterUsbFailure_ = true;
  try {
    ::IdentifyUnit(*this);
  } catch (...) {
    identifyingAfterUsbFailure_ = false;
    throw;
  }
  identifyingAfterUsbFailure_ = false;
}

void UnitOnLine::ReportFailure() {
  // A poll's failure is told once its gap is known (Poll).
  if (inPoll_) {
    pollFailed_ = true;
  } else {
    line_.WindowCall([&] { window_.ExchangeFailed(); });
  }
  state_.unitPresent = false;
}

void UnitOnLine::ReportOutOfStep() {
  line_.WindowCall([&] { window_.ExchangeOutOfStep(); });
  state_.unitPresent = false;
}

void UnitOnLine::SetPortOpen(bool open, LinkKind kind) {
  state_.portOpen = open;
  if (kind != kind_) fastUsb_.reset();
  kind_ = kind;
  if (!open) {
    fastUsb_.reset();
    line_.SetAlarm(std::nullopt);
  }
  FollowPace();
}

// ---- The input monitor ----

void UnitOnLine::InputsShown(bool page, bool timeline, bool fast) {
  const bool pageBefore = pageShown_, timelineBefore = timelineShown_;
  pageShown_ = page;
  timelineShown_ = timeline;
  fast_ = fast;
  FollowPace();
  if (!MonitorWanted()) {
    SetPolling(false);
  } else if ((page && !pageBefore && state_.mpgCapable) ||
             (timeline && !timelineBefore && state_.mpgCapable && state_.portOpen)) {
    SetPolling(true);
  }
  TellPolling();
  TellWindow();  // the mode word the monitor set
}

void UnitOnLine::PauseMonitor() {
  poller_.Interrupted();
  if (MonitorWanted()) SetPolling(false);
}

void UnitOnLine::ResumeMonitor() {
  if (MonitorWanted() && state_.mpgCapable) SetPolling(true);
}

void UnitOnLine::FollowPace() {
  const bool backToBack = timelineShown_ && fast_;
  InputPoller::Pace pace = poller_.CurrentPace();
  pace.periodUs = backToBack ? 0 : kPeriodUs;
  // The timeline goes on through a loss, asking once a second; the page alone stops at one.
  pace.lostAfterUs = timelineShown_ ? std::nullopt : std::optional<InputPoller::Us>(0);
  poller_.SetPace(pace);
  KeepUsbFast();
}

void UnitOnLine::KeepUsbFast() {
  // Over USB a fast poll waits for no latency timer; the converter is put back after. One set on a
  // converter the link no longer holds does nothing for the one it holds now.
  const bool fastUsb = timelineShown_ && fast_ && state_.portOpen && kind_ == LinkKind::Usb;
  if (fastUsb && (!fastUsb_ || fastUsb_->Stale())) {
    fastUsb_.reset();
    fastUsb_.emplace();
  } else if (!fastUsb) {
    fastUsb_.reset();
  }
}

void UnitOnLine::SetPolling(bool on) {
  polling_ = on;
  if (on) {
    state_.commandMode = "stav";
    // The first poll a period after, as a timer started then.
    SchedulePoll(std::chrono::microseconds(poller_.CurrentPace().periodUs));
  } else {
    line_.SetAlarm(std::nullopt);
  }
  TellPolling();
}

void UnitOnLine::TellPolling() {
  const int periodMs = static_cast<int>(poller_.CurrentPace().periodUs / 1000);
  if (polling_ == toldPolling_ && periodMs == toldPeriodMs_) return;
  toldPolling_ = polling_;
  toldPeriodMs_ = periodMs;
  line_.WindowPost([this, on = polling_, periodMs] { window_.PollingIs(on, periodMs); });
}

void UnitOnLine::SchedulePoll(std::chrono::microseconds after) {
  line_.SetAlarm(LineWorker::Clock::now() + std::max(after, std::chrono::microseconds(0)),
                 [this] { Poll(); });
}

void UnitOnLine::Poll() {
  ++pollTicks_;
  // Nothing is asked, and no timer runs, without a port or a unit with the MPG firmware: the next
  // identification or open starts polling again.
  if (!polling_ || line_.Closed() || !state_.portOpen || !state_.mpgCapable) return;
  const InputPoller::Us asked = NowUs();
  const bool backToBack = poller_.CurrentPace().periodUs == 0;
  ExchangeResult result;
  pollFailed_ = false;
  // A line that went away is opened again by its name; while it is not back nothing is sent.
  if (!exchange_.LineGone() || exchange_.ReopenLine()) {
    KeepUsbFast();  // a converter opened again, or opened since the box was checked
    // Also when the poll ends by an error (the line closing in its box).
    struct InPoll {
      UnitOnLine& unit;
      explicit InPoll(UnitOnLine& u) : unit(u) { unit.inPoll_ = true; }
      ~InPoll() {
        unit.inPoll_ = false;
        unit.exchange_.SetWatchAfterScript(true);
      }
    } inPoll(*this);
    state_.commandMode = "stav";
    // Back to back, the next poll finds a late line: no watch after each.
    exchange_.SetWatchAfterScript(!backToBack);
    result = exchange_.Run(ShortScript("stav"));
  }
  if (result.interrupted) return;  // the line is closing
  const uint16_t word =
      result.completed ? InputWordFromReplies(exchange_.Reply(0), exchange_.Reply(1)) : uint16_t{0};
  const InputPoller::Step step =
      poller_.Polled({asked, result.completed, result.lineBeforeFirst, word}, NowUs());
  if (result.completed) {
    if (step.gap || step.sample || step.periodMs) steps_.push_back(step);
    TellWindow();
  } else {
    // Its gap is shown before the failure is told, once a silence.
    const bool tell = pollFailed_ && step.silenceBegins;
    line_.WindowCall([&] { window_.PollFailed(step, tell); });
  }
  if (step.lost) {
    SetPolling(false);
    return;
  }
  SchedulePoll(std::chrono::microseconds(step.nextAsk - NowUs()));
}
