#pragma once
#include "link/UniUSB.h"
#include "protocol/Exchange.h"
#include "protocol/InputPoller.h"
#include "protocol/flows/LineWorker.h"
#include "protocol/flows/UnitFlows.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// What the debug page shows of the last script.
struct ExchangeLog {
  std::vector<std::string> script, sent, replies;
  std::optional<long long> microseconds;  // its time, once it ran to its end
};

// The window a unit on a line shows itself in: its view of the flows (UnitView) and what the line
// did meanwhile. Everything here is called on the window's thread.
class UnitWindow : public UnitView {
 public:
  // The state as the line's flows left it; the window's own parts (portOpen, debugMode) it keeps.
  virtual void StateIs(const UnitState& state) = 0;
  virtual void ShowLog(const ExchangeLog& log) = 0;
  // A reply did not come ("Chyba komunikace"), or a script that only asks was out of step twice:
  // the levels shown go, the operator is told.
  virtual void ExchangeFailed() = 0;
  virtual void ExchangeOutOfStep() = 0;
  // The inputs as polled, in order. A poll without a reply comes alone, its gap shown before the
  // failure is told (`tell`: the first of a silence that a reply did not end).
  virtual void Polled(const std::vector<InputPoller::Step>& steps) = 0;
  virtual void PollFailed(const InputPoller::Step& step, bool tell) = 0;
  // The inputs are polled (or not), every periodMs (zero: back to back).
  virtual void PollingIs(bool polling, int periodMs) = 0;
};

// The unit as the window's flows see it, on the line's own thread: the exchange over the window's
// link, the state the flows share, the input monitor's polls; what the flows show and ask goes to
// the window (UnitWindow) through the line's calls. Made on the window's thread; every other use
// is on the line's (LineWorker::Post, Queue).
class UnitOnLine : public UnitHost, public ExchangeHost {
 public:
  // origin: the clock of the polls' times, the window's as well.
  UnitOnLine(LineWorker& line, UnitWindow& window, BackupStore backups,
             std::chrono::steady_clock::time_point origin);
  ~UnitOnLine() override;

  // Runs a flow, then tells the window the state and the log it left.
  void Run(const std::function<void(UnitHost&)>& flow);

  // What the window sets (posted with LineWorker::Queue).
  void SetPortOpen(bool open, LinkKind kind);
  void SetDebugMode(bool on) { state_.debugMode = on; }
  void SetReplyTimeoutMs(uint32_t ms) { exchange_.SetReplyTimeoutMs(ms); }
  void SetCommandPrefix(std::string prefix) { prefix_ = std::move(prefix); }
  // What the window shows of the inputs: page "Vstupy", the timeline (polling goes on through a
  // loss), its fast sampling (back to back).
  void InputsShown(bool page, bool timeline, bool fast);
  CommandExchange& Exchange() { return exchange_; }
  // How often the monitor's timer has run: nothing is spent while nothing can be polled.
  int PollTicks() const { return pollTicks_; }

  // UnitView: the window's, waited for.
  SettingsControls& Controls() override { return controls_; }
  std::optional<UnitSettings> ChooseWrites(const UnitSettings& window, const UnitSettings& held) override;
  void UnitHolds(const UnitSettings& held, bool readIntoWindow) override;
  void Wrote(const UnitSettings& written) override;
  void ShowIdentity(const Identity& identity) override;
  void ShowNoUnit() override;
  void SetOutputControlsEnabled(bool on) override;
  void DisableMpgControls() override;
  void EnableMpgControls() override;
  void ApplyMpgUsage() override;
  bool MonitorPageShown() override;

  // UnitHost: the line's own.
  UnitState& State() override { return state_; }
  ExchangeResult RunCommandScript() override;
  ExchangeResult RunScript(const std::vector<std::string>& script) override;
  void WatchAfterScripts(bool watch) override { exchange_.SetWatchAfterScript(watch); }
  std::string ReplyLine(std::size_t n) override { return exchange_.Reply(n); }
  const BackupStore& Backups() override { return backups_; }
  void SetIdentifying(bool running) override { identifying_ = running; }
  bool IdentifyingAfterUsbFailure() override { return identifyingAfterUsbFailure_; }
  void PauseMonitor() override;
  void ResumeMonitor() override;

  // ExchangeHost
  std::string CommandPrefix() override { return prefix_; }
  LinkKind CurrentLinkKind() override { return kind_; }
  void LogsCleared() override {}
  void ScriptShown(const std::vector<std::string>& script) override { log_.script = script; }
  void LogsWritten(const std::vector<std::string>& sent, const std::vector<std::string>& replies) override;
  void ExchangeTimed(long long microseconds) override { log_.microseconds = microseconds; }
  void LogsToEnd() override {}
  void IdentifyAfterUsbFailure() override;
  void ReportFailure() override;
  void ReportOutOfStep() override;

 private:
  // The window's controls, each read and set on the window's thread.
  class ControlsOnWindow : public SettingsControls {
   public:
    ControlsOnWindow(LineWorker& line, UnitWindow& window) : line_(line), window_(window) {}
    int ItemIndex(const std::string& control) override;
    void SelectItem(const std::string& control, int item) override;
    std::string Text(const std::string& control) override;
    void SetText(const std::string& control, const std::string& text) override;
    bool Checked(const std::string& radioButton) override;
    void SetChecked(const std::string& radioButton, bool checked) override;
    std::string Cell(int column, int row) override;
    void SetCell(int column, int row, const std::string& text) override;
    int32_t AcceptedBreakDelay() override;
    void StartNumSelected() override;
    std::string InputName(int row) override;
    void SetInputName(int row, const std::string& name) override;
    std::string FieldText(const std::string& field) override;
    void SetFieldText(const std::string& field, const std::string& text) override;

   private:
    template <class F>
    auto Call(F f) {
      return line_.WindowCall([&] { return f(window_.Controls()); });
    }
    LineWorker& line_;
    UnitWindow& window_;
  };

  // Tells the window what changed since it was last told: the state, the debug page's log, the
  // polls shown. Before every call to the window, so that it sees them first.
  void TellWindow();
  // A script of a flow: a line that went away is opened again first, and the monitor's held word
  // is dropped (another script came between two polls).
  ExchangeResult RunForFlow(const std::function<ExchangeResult()>& run);
  // The monitor.
  bool MonitorWanted() const { return pageShown_ || timelineShown_; }
  void SetPolling(bool on);
  // Tells the window whether it polls, and how often, when that changed.
  void TellPolling();
  void FollowPace();
  // The converter's latency timer at its smallest while the timeline samples fast over USB.
  void KeepUsbFast();
  void SchedulePoll(std::chrono::microseconds after);
  void Poll();
  InputPoller::Us NowUs() const;

  LineWorker& line_;
  UnitWindow& window_;
  BackupStore backups_;
  const std::chrono::steady_clock::time_point origin_;
  UnitState state_, told_;
  bool toldOnce_ = false;
  std::string prefix_ = kUnitPrefix;
  LinkKind kind_ = LinkKind::Serial;
  SerialTransport serial_;
  UsbTransport usb_;
  CommandExchange exchange_;
  ControlsOnWindow controls_;
  ExchangeLog log_;
  bool logChanged_ = false;
  bool identifying_ = false;
  bool identifyingAfterUsbFailure_ = false;

  // The input monitor.
  bool pageShown_ = false, timelineShown_ = false, fast_ = false;
  bool polling_ = false;     // the monitor polls
  bool inPoll_ = false;      // a poll's script runs
  bool pollFailed_ = false;  // and no reply came
  InputPoller poller_;
  std::optional<FastUsbReplies> fastUsb_;
  std::vector<InputPoller::Step> steps_;  // polled, not shown yet
  // What the window is to be told and has not taken yet; its taking is posted once.
  struct Untold {
    std::optional<UnitState> state;
    std::optional<ExchangeLog> log;
    std::vector<InputPoller::Step> steps;
  };
  std::mutex untoldMutex_;
  Untold untold_;
  bool untoldPosted_ = false;
  int toldPeriodMs_ = -1;
  int pollTicks_ = 0;
  bool toldPolling_ = false;
};
