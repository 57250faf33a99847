#pragma once
#include "entry/CfgReader.h"
#include "link/PortHost.h"
#include "protocol/Exchange.h"
#include "protocol/RegisterMap.h"
#include "protocol/flows/LineWorker.h"
#include "protocol/flows/UnitFlows.h"
#include "protocol/flows/UnitOnLine.h"
#include "protocol/settings/Review.h"
#include "window/ControlTable.h"
#include "window/InputLanes.h"
#include "window/RadioGroup.h"
#include "window/SettingsFiles.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPalette>
#include <QStringList>

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

namespace Ui {
class TTermForm;
}
class TFormSetup;
class TFormHelp;
class TFormTimeline;
class TFormSeries;
class TFormRecordFields;
class QTimer;
class QFileDialog;
class QPlainTextEdit;
class TFormReview;

// The main window: every setting control of the unit, the identification fields, the buttons
// beside the pages, the debug page with the raw exchange. It never waits on the line: the flows
// and the polls run on the line's own thread (UnitOnLine), and the window starts them and shows
// what they did.
class TTermForm : public QMainWindow,
                  public SettingsControls,
                  public UnitWindow,
                  public FilesWindow,
                  public PortHost {
  Q_OBJECT

 public:
  // The window title while no port is open, and after the automatic open of COM1 at start-up.
  static QString TitleNoPort();
  static const QString kTitleStartup;

  // args: the program's command line, the program name first; backups: where the backup before
  // every save goes.
  TTermForm(QStringList args, BackupStore backups, QWidget* parent = nullptr);
  ~TTermForm() override;

  // The other two windows, created after this one.
  void SetForms(TFormSetup* setup, TFormHelp* help);

  uint32_t ReplyTimeoutMs() const override { return replyTimeoutMs_; }
  void SetReplyTimeoutMs(uint32_t ms) override;
  LinkKind CurrentLinkKind();

  // Runs a flow on the line; `done` follows on the window's thread. Meanwhile the buttons and
  // menu entries that would start another are disabled, the settings take no input, and what the
  // flow changes counts as the program's doing. Flows run in the order they were started.
  void RunFlow(std::function<void(UnitHost& unit)> flow, std::function<void()> done = {});
  // Flows started whose end the window has not shown yet.
  int FlowsRunning() const { return flowsRunning_; }
  // Runs something on the line's own thread with its exchange (tests: the debug page's logs).
  void OnLine(std::function<void(UnitOnLine& unit)> work);

  // Handlers.
  void FormCreate();
  void FormShow();
  void FormClose();
  void btexitClick();
  void PortMnuClick();
  void HelpMnuClick();
  // "Vstupy" → "Průběh vstupů…": the inputs over time, polled while the window is open.
  void TimelineMnuClick();
  TFormTimeline& Timeline();
  // "Soubor" → "Protokol o nastavení…": the unit read once more and its record saved, in the
  // format of the filter chosen.
  void RecordMnuClick();
  // The record's fields asked for (false: cancelled), and its file dialog with a name proposed:
  // the path with the chosen filter's extension, empty when cancelled. Tests put their own in
  // their place.
  std::function<bool(TFormRecordFields& dialog)> RunRecordFieldsDialog;
  std::function<QString(const QString& title, const QString& filter, const QString& proposedName)>
      ChooseRecordFile;
  // "Soubor" → "Sériové nastavení…": a settings file and a folder for the records chosen, then one
  // unit after another on the open link (TFormSeries).
  void SeriesMnuClick();
  // The series' settings file and the folder of its records (empty: cancelled), and the series'
  // window; tests put their own in their place.
  std::function<QString()> ChooseSeriesFile;
  std::function<QString()> ChooseSeriesFolder;
  std::function<void(TFormSeries& dialog)> RunSeriesDialog;
  void posuvnikScroll(int newPosition);

  // Unit identification and enabling (a flow: see RunFlow).
  void IdentifyUnit();
  void DisableMpgControls() override;
  void EnableMpgControls() override;
  void ApplyMpgUsage() override;
  void MpgUsageClick();
  // The controls the MPG usage enables, and the start input following it.
  void ApplyMpgMode();
  void StartNumChange();
  void UpdateStartInputLabels();

  // Input monitor: the line polls while page "Vstupy" or the timeline window is shown.
  void PageControlChange();
  // The "Stav" column emptied: no level is shown while none is polled.
  void ClearInputLevels();
  // The line polls the inputs, every PollPeriodMs (zero: back to back), as it last said.
  bool Polling() const { return polling_; }
  int PollPeriodMs() const { return pollPeriodMs_; }

  // Factory defaults and unit reset.
  void Button1Click();
  void resetClick();

  // Reading and saving settings.
  void ReadSettingClick();
  void BtnSend1Click();

  // Import from a TORVEL configuration file.
  void ReadCFGClick();
  void ReadCfgFile(const QString& path);

  // Value entry: the check-and-clamp pass (false when a gear field was rejected) and the
  // brake-release delay.
  bool ValidateNumericFields() { return ::ValidateNumericFields(static_cast<SettingsControls&>(*this)); }
  void BreakDelayChange();

  // A radio group by its control name ("OUT1", "MpgUsage", …).
  RadioGroup& Group(std::string_view name) const { return controls_->Group(name); }
  RadioGroup& OUT1() const { return Group("OUT1"); }
  RadioGroup& AxisLink() const { return Group("AxisLink"); }
  RadioGroup& MpgUsage() const { return Group("MpgUsage"); }
  RadioGroup& XAxisPolarity() const { return Group("XAxisPolarity"); }
  QColor GridTextColor() const;

  // The menu "Soubor": settings files and the comparison with the unit.
  SettingsFiles& Files() { return *files_; }

  // "Kontrola zápisu do jednotky", shown by a save before it writes a value nobody chose or over
  // a change made in the unit behind the window's back, and on every save with the menu's
  // "Vždy zkontrolovat změny před zápisem". Tests put a runner of their own in place of its exec:
  // true for "Zapsat".
  std::function<bool(TFormReview& dialog)> RunReviewDialog;
  TFormReview& ReviewDialog();
  // Who chose each setting's value, and what the unit held at the last read.
  const SettingSources& Sources() const { return sources_; }
  // A change the program makes to the settings (a read, a load, a consequence of an identification):
  // what the operator changed before it counts as edited, what it changes as the program's.
  void ProgramChanges(const std::function<void()>& change);

  // PortHost: the port dialog opens and closes the link.
  bool PortOpen() const override { return state_.portOpen; }
  void SetLinkOpen(const std::optional<QString>& link) override;
  void WithLink(const std::function<void()>& work) override { line_->RunAndWait(work); }

  // FilesWindow
  SettingsControls& Controls() override { return *this; }
  const UnitState& State() override { return state_; }
  const BackupStore& Backups() override { return backups_; }
  void ReadUnit(std::function<void(std::optional<UnitSettings>)> read) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The tests see the window's inside as the handlers do.
  friend struct TermFormInternals;

  // UnitWindow: what the line did, the debug page's logs and the failure path.
  void StateIs(const UnitState& state) override;
  void ShowLog(const ExchangeLog& log) override;
  void ExchangeFailed() override;
  void ExchangeOutOfStep() override;
  void Polled(const std::vector<InputPoller::Step>& steps) override;
  void PollFailed(const InputPoller::Step& step, bool tell) override;
  void PollingIs(bool polling, int periodMs) override;

  // SettingsControls: the register map reads and writes the controls by name.
  int ItemIndex(const std::string& control) override;
  void SelectItem(const std::string& control, int item) override;
  std::string Text(const std::string& control) override;
  void SetText(const std::string& control, const std::string& text) override;
  bool Checked(const std::string& radioButton) override;
  void SetChecked(const std::string& radioButton, bool checked) override;
  std::string Cell(int column, int row) override;
  void SetCell(int column, int row, const std::string& text) override;
  int32_t AcceptedBreakDelay() override { return breakDelayValue_; }
  void StartNumSelected() override { UpdateStartInputLabels(); }
  std::string InputName(int row) override;
  void SetInputName(int row, const std::string& name) override;
  std::string FieldText(const std::string& field) override;
  void SetFieldText(const std::string& field, const std::string& text) override;

  // UnitView: the flows' view of the window.
  void ShowIdentity(const Identity& identity) override;
  void ShowNoUnit() override;
  void SetOutputControlsEnabled(bool on) override;
  bool MonitorPageShown() override { return InputsPageShown(); }
  std::optional<UnitSettings> ChooseWrites(const UnitSettings& window, const UnitSettings& held) override;
  void UnitHolds(const UnitSettings& held, bool readIntoWindow) override;
  void Wrote(const UnitSettings& written) override;

  // The unit settings the controls show, of a unit with MPG firmware (all of them).
  UnitSettings ShownSettings();
  // Marks each control whose value differs from what the unit held at the last read, with the
  // unit's value in its tooltip.
  void MarkChanges();
  void WatchSettingChanges();

  void StartUp();
  // The record of what the unit holds, saved where the operator chooses.
  void SaveRecordOf(const UnitSettings& held);
  // The flows' changes count as the program's from the first flow started to the last one ended.
  void BeginProgramChange();
  void EndProgramChange();
  // While flows run: the controls that start another are disabled, the settings take no input.
  void ShowBusy(bool busy);
  bool eventFilter(QObject* watched, QEvent* event) override;
  void ImportCfg();
  void SetUpControls();
  void SetUpLanguageMenu();
  void SetUpInputGrid();
  void ConnectHandlers();
  void SetGridTextColor(const QColor& color);
  void CloseLink();
  bool InputsPageShown() const;
  bool TimelineShown() const;
  // Tells the line what of the inputs is shown: it polls while page "Vstupy" or the timeline is.
  void TellInputsShown();
  // The polls' time, in microseconds on the line's clock, and in milliseconds.
  int64_t PollClockUs() const;
  std::array<LaneInfo, kInputRows> GridLanes() const;

  std::unique_ptr<Ui::TTermForm> ui;
  std::unique_ptr<ControlTable> controls_;
  BackupStore backups_;
  // Program-wide state, shared with the flows.
  UnitState state_;
  int32_t breakDelayValue_ = 0;
  CfgTables cfgImport_;                      // input names and flags gathered by the imports
  std::vector<std::string> importedFields_;  // the fields the last import set
  QFileDialog* openDialog_ = nullptr;
  // Runs openDialog_; true with the chosen path. Tests put a chooser of their own in its place.
  std::function<bool(QString& path)> runOpenDialog_;

  SettingSources sources_;
  int programChanges_ = 0;
  bool marking_ = false;
  QTimer* marks_ = nullptr;  // marks after the operator's changes, once they are all made
  // A marked control's own tooltip and palette, given back when its mark clears.
  struct Unmarked {
    QString toolTip;
    QPalette palette;
    bool autoFill = false;
  };
  std::map<QWidget*, Unmarked> unmarked_;
  std::unique_ptr<TFormReview> review_;
  // What each log memo shows, as lines.
  void ShowLog(QPlainTextEdit* memo, const std::vector<std::string>& lines);
  struct ShownLog {
    std::vector<std::string> lines;
    int revision = -1;
  };
  std::map<QPlainTextEdit*, ShownLog> shownLogs_;
  bool logsChanged_ = false;              // since they were last scrolled to their ends
  std::vector<std::string> timedScript_;  // the script whose time the debug page shows, and when
  QElapsedTimer timedClock_;

  QStringList args_;
  TFormSetup* setup_ = nullptr;
  TFormHelp* help_ = nullptr;
  uint32_t replyTimeoutMs_ = 0;
  LinkKind openedKind_ = LinkKind::Serial;  // of the link opened last
  std::vector<std::string> shownScript_;    // the script the debug page shows
  std::unique_ptr<SettingsFiles> files_;
  std::unique_ptr<TFormTimeline> timeline_;
  // What the last save wrote (every write acknowledged), into which unit and when.
  struct LastSave {
    std::string unitId;
    UnitSettings written;
    std::string when;
  };
  std::optional<LastSave> lastSave_;
  // The polls' clock, shared with the line.
  const std::chrono::steady_clock::time_point pollOrigin_ = std::chrono::steady_clock::now();
  // A poll's levels to the timeline and the page's grid.
  void ShowLevels(uint16_t word);
  std::optional<uint16_t> lastShownWord_;
  bool polling_ = false;
  int pollPeriodMs_ = kMonitorPeriodMs;
  int posuvnikMemory_ = 0;
  bool shown_ = false;
  bool exiting_ = false;
  int flowsRunning_ = 0;
  // The unit on the line, and the line's thread; the line ends first.
  std::unique_ptr<UnitOnLine> unit_;
  std::unique_ptr<LineWorker> line_;
};
