#pragma once
#include "protocol/Exchange.h"
#include "protocol/Identity.h"
#include "protocol/RegisterMap.h"
#include "protocol/SamplingPace.h"
#include "protocol/UnitProtocol.h"
#include "protocol/settings/Backups.h"
#include "protocol/settings/Settings.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// The flows that talk to the unit: identification, reading and saving all settings, the reset and
// the factory settings. Plain code over the program around them (UnitHost): the window runs them
// from its buttons, the command-line tool from its commands.

// The state the flows share with the program.
struct UnitState {
  bool portOpen = false;
  bool unitPresent = false;
  bool mpgCapable = false;
  bool debugMode = false;
  ModeWord commandMode;
  Identity identity;           // of the last identification that ran
  std::string lastBackupPath;  // the backup the last save kept; empty when it kept none
  bool operator==(const UnitState& other) const {
    return portOpen == other.portOpen && unitPresent == other.unitPresent && mpgCapable == other.mpgCapable &&
           debugMode == other.debugMode && commandMode.Same(other.commandMode) &&
           identity == other.identity && lastBackupPath == other.lastBackupPath;
  }
};
// The script of a mode word: "read" and "write" from the register table, else the short ones.
// Throws std::logic_error when no word was set.
std::vector<std::string> ScriptFor(ModeWord mode, SettingsControls& controls, bool mpgCapable);

// What the flows show the operator and ask of them: the window's side of the program (its controls,
// its questions), or nothing at all (ConsoleUnit).
class UnitView {
 public:
  virtual ~UnitView() = default;
  virtual SettingsControls& Controls() = 0;
  // The save's choice, once it has read what the unit holds: which of the window's unit settings go
  // into it (any setting left out keeps the unit's value), or nothing when the operator cancelled.
  virtual std::optional<UnitSettings> ChooseWrites(const UnitSettings& window, const UnitSettings& held) = 0;
  // The unit holds `held`: read into the controls (readIntoWindow), or read back after a save.
  virtual void UnitHolds(const UnitSettings& held, bool readIntoWindow) = 0;
  // A save wrote these settings, and the unit acknowledged every write (whether it kept them, the
  // read back says).
  virtual void Wrote(const UnitSettings& written) = 0;

  // What the identification shows and enables.
  virtual void ShowIdentity(const Identity& identity) = 0;
  virtual void ShowNoUnit() = 0;
  virtual void SetOutputControlsEnabled(bool on) = 0;
  virtual void DisableMpgControls() = 0;
  virtual void EnableMpgControls() = 0;
  virtual void ApplyMpgUsage() = 0;
  // The input monitor's page "Vstupy" is shown.
  virtual bool MonitorPageShown() = 0;
};

// The program around the flows: what they show (UnitView), and the line they talk over.
class UnitHost : public UnitView {
 public:
  virtual UnitState& State() = 0;
  // Runs the script of State().commandMode; the write script comes from Controls().
  virtual ExchangeResult RunCommandScript() = 0;
  // Runs a given script (the save names the lines the unit refused by their registers).
  virtual ExchangeResult RunScript(const std::vector<std::string>& script) = 0;
  // Whether the line is watched after each script's last reply (see CommandExchange).
  virtual void WatchAfterScripts(bool watch) = 0;
  virtual std::string ReplyLine(std::size_t n) = 0;
  // Where the backup before every save goes.
  virtual const BackupStore& Backups() = 0;
  // An identification runs (a failure inside it starts no other one); an identification that
  // follows a failed USB reply does not restart the monitor.
  virtual void SetIdentifying(bool running) = 0;
  virtual bool IdentifyingAfterUsbFailure() = 0;
  // The input monitor, which runs only on the page "Vstupy" (and beside it, the timeline).
  virtual void PauseMonitor() = 0;
  virtual void ResumeMonitor() = 0;
  // A reading came out of step (two readings that should agree did not): nothing of it may be
  // used; the operator is told, and the unit no longer counts as present.
  virtual void ReportOutOfStep() = 0;
};

// The identification; what its exchange gave.
struct Identification {
  bool outOfStep = false;  // the replies came out of step (told): junk, not the absence of a unit
};
Identification IdentifyUnit(UnitHost& host);
// "Načíst z VORKA": every register into the controls, then the validation pass. True when every
// register was read and decoded.
bool ReadSettings(UnitHost& host);
// "Uložit do VORKA": the validation pass, then the window's settings into the unit, through the
// one plan every write goes by. A setting no register can carry (a list without an item, a grid
// cell other than "0" or "1") stops it before the first write, named. What the unit holds is read
// first, for the backup and for the host's choice of what to write.
void SaveSettings(UnitHost& host);
// Why a setting cannot be saved, in the operator's language ("„Povoleno – vstup 2“ musí být 0 nebo 1").
QString UnwritableText(const SettingDef& def);
// Every register's reply, from one run of the read script; nothing when the exchange failed (the
// host has been told), and then outOfStep says whether its replies came out of step.
std::optional<std::vector<std::string>> ReadAllRegisters(UnitHost& host, bool* outOfStep = nullptr);
// Every register's reply from a reading confirmed in step: two reads that agree, or two of three
// (`first`, when given, is the first). One fault on the line is caught by the exchange; two in one
// read (a late copy and a lost reply, which shift every value between them) cannot agree with
// another read. A backup, a plan of writes and a failed verification are taken only from such a
// reading. Nothing when a read failed, or three disagreed (out of step, told).
std::optional<std::vector<std::string>> ReadConfirmed(UnitHost& host, bool* outOfStep = nullptr,
                                                      std::optional<std::vector<std::string>> first = {});
// Every register of the unit as settings, the controls untouched: nothing when no unit answered
// the whole read (the operator has been told). The values are those the unit holds, uncorrected;
// one the window cannot show is a value of its own.
std::optional<UnitSettings> ReadUnitSettings(UnitHost& host);
// "Reset VORKA": the unit restarts.
void ResetUnit(UnitHost& host);
// The reset command to an identified unit. A restarting unit need not answer; one that answers
// other than "0…" refused it.
struct ResetReport {
  bool refused = false;
  std::string reply;  // the refusal
};
ResetReport SendReset(UnitHost& host);

// How the inputs are polled, and how long a silent unit is waited for.
struct PollPace {
  // Between the starts of two polls; zero polls back to back, as fast as the link allows.
  std::chrono::milliseconds period{kMonitorPeriodMs};
  std::chrono::milliseconds lostAfter{std::chrono::seconds(5)};
  // A unit silent this long is asked only once per retryEvery.
  std::chrono::milliseconds retryAfter{std::chrono::seconds(1)};
  std::chrono::milliseconds retryEvery{std::chrono::seconds(1)};
};
struct PollEvents {
  // A poll's word, with when it was asked.
  std::function<void(std::chrono::steady_clock::time_point asked, uint16_t word)> seen;
  // A gap begins at `from` (when the poll that got no reply was asked; the last poll before a
  // pause): told once per gap.
  std::function<void(std::chrono::steady_clock::time_point from, GapCause cause)> gap;
  // The sampling period measured, when it is first known and when it changed.
  std::function<void(double periodMs)> paced;
  // Before each ask: a line that went away (an adapter unplugged, a hang-up) is opened again.
  std::function<void()> reopen;
};
// Reads the inputs at the pace until `stopped` says so (Stopped) or the unit stays silent for
// pace.lostAfter (UnitLost; Stopped when it was stopped meanwhile). A gap is not the end: polling
// goes on, once a second after a second of silence.
enum class PollEnd { Stopped, UnitLost };
PollEnd PollInputs(UnitHost& host, const PollPace& pace, const std::function<bool()>& stopped,
                   const PollEvents& events);
// "Defaultní nastavení": the factory settings into the controls, then an identification.
void LoadFactorySettings(UnitHost& host);

// The controls the factory settings set, in the order they are set, and how: a list control's
// item, a radio button's check, or an edit's text.
struct FactorySetting {
  enum class Set { Item, Check, Text };
  const char* control;
  Set set;
};
std::span<const FactorySetting> FactorySettings();
void ApplyFactorySettings(SettingsControls& controls);
// The settings a unit keeps as "Defaultní nastavení" leaves them on a unit with MPG firmware (its
// identification applies the MPG usage), checked as a save would: vorkactl defaults.
UnitSettings FactoryUnitSettings();

// The validation pass over the controls, rejected gears reported in error boxes.
bool ValidateNumericFields(SettingsControls& controls);
