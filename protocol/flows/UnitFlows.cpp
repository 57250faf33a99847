#include "protocol/flows/UnitFlows.h"

#include "protocol/SamplingPace.h"

#include "protocol/InputPoller.h"
#include "protocol/InputWord.h"
#include "protocol/MessageSeam.h"
#include "protocol/SettingsModel.h"
#include "protocol/UnitProtocol.h"

#include <QDir>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using Set = FactorySetting::Set;
// "Defaultní nastavení" sets these controls in this order; their values are the unit's factory
// values (the register table's).
constexpr FactorySetting kFactorySettings[] = {
    {"OUT1", Set::Item},
    {"XAxisPolarity", Set::Item},
    {"OUT2", Set::Item},
    {"YAxisPolarity", Set::Item},
    {"OUT3", Set::Item},
    {"ZAxisPolarity", Set::Item},
    {"PWM", Set::Item},
    {"AAxisPolarity", Set::Item},
    {"AxisLink", Set::Item},
    {"BreakDelay", Set::Text},
    {"RadioPolarityInverze", Set::Check},
    {"RadioPolarityNormal", Set::Check},
    {"MpgUsage", Set::Item},
    {"LoLimitX", Set::Text},
    {"LoLimitY", Set::Text},
    {"LoLimitZ", Set::Text},
    {"HiLimitX", Set::Text},
    {"HiLimitY", Set::Text},
    {"HiLimitZ", Set::Text},
    {"GearX", Set::Text},
    {"GearY", Set::Text},
    {"GearZ", Set::Text},
    {"RefSpeedX", Set::Text},
    {"RefSpeedY", Set::Text},
    {"RefSpeedZ", Set::Text},
    {"MpgMaxSpeed", Set::Text},
    {"MpgAcc", Set::Text},
    {"TimeOver", Set::Text},
    {"DefSpinSpeed", Set::Text},
};

enum class Reach { Unit, NoPort, NoUnit };

// A port is open and a VORKA unit answered the identification; otherwise the operator has been
// told which of the two is missing.
Reach ReachUnit(UnitHost& host) {
  if (!host.State().portOpen) {
    Tell(Said::NoPortOpen);
    return Reach::NoPort;
  }
  const Identification identification = IdentifyUnit(host);
  if (!host.State().unitPresent) {
    // Replies out of step have been told as such: what came was noise, not the want of a unit.
    if (!identification.outOfStep) Tell(Said::NotVorka);
    return Reach::NoUnit;
  }
  return Reach::Unit;
}

// A save whose replies came out of step stopped there: what the unit holds now is read again
// and said, as a failed check would be, with the backup that holds the unit's settings before.
void ReportSaveOutOfStep(UnitHost& host, const std::vector<WriteLine>& lines, const std::string& backupPath) {
  const auto after = ReadAllRegisters(host);
  if (!after) return;  // out of step again, or silent: said
  std::string differing;
  for (const Register* reg : UnverifiedRegisters(lines, *after, *after, host.State().mpgCapable))
    differing += (differing.empty() ? "" : ", ") + ShownCaption(*reg);
  QString text = Worded(Said::OutOfStep) + u'\n' + Worded(Said::WriteStopped) + u' ' +
                 (differing.empty() ? Worded(Said::UnitHoldsWindowsValues)
                                    : Worded(Said::UnitHoldsOtherValues, {{"settings", differing}}));
  if (!backupPath.empty())
    text += u'\n' +
            Worded(Said::BackupBefore,
                   {{"path", QDir::toNativeSeparators(QString::fromStdString(backupPath)).toStdString()}});
  Tell(Said::NotSavedBecause, {{"why", text.toStdString()}});
  host.ResumeMonitor();
}

// The settings as a read of these replies shows them in the window: "200*16/5" as 640.000000.
UnitSettings AsReadIntoWindow(const std::vector<std::string>& replies, bool mpg) {
  SettingsModel model;
  DecodeReadReplies(replies, model, mpg);
  ValidateNumericFields(static_cast<FieldTexts&>(model), {});
  return SettingsOf(model, mpg);
}

// The unit read back after a save's writes: "Uložení proběhlo v pořádku" only when it holds what was
// written; otherwise the settings it did not keep, with their values in the unit, and the backup.
// The settings the review left out show what the unit kept, as after a read, so that the next save
// does not write them unasked; the marks follow what the unit holds.
void VerifySave(UnitHost& host, const std::vector<WriteLine>& writes, const std::vector<std::string>& before,
                const UnitSettings& wanted, const std::vector<std::string>& declined,
                const std::string& backupPath) {
  const bool mpg = host.State().mpgCapable;
  const QString backup =
      backupPath.empty()
          ? QString()
          : u'\n' + Worded(Said::BackupBefore,
                           {{"path",
                             QDir::toNativeSeparators(QString::fromStdString(backupPath)).toStdString()}});
  auto after = ReadAllRegisters(host);
  // What does not hold as written is confirmed by another reading before it is said: noise may have
  // shifted the first. (One that holds is no coincidence: values shifted onto others that equal them
  // are those values.)
  if (after && !UnverifiedRegisters(writes, before, *after, mpg).empty())
    after = ReadConfirmed(host, nullptr, std::move(after));
  if (!after) {  // out of step, or silent: said; a lost unit is not polled
    Messages().Message(Worded(Said::SaveNotVerified) + backup);
    return;
  }
  const UnitSettings held = SettingsAsHeld(*after, mpg);
  const UnitSettings asRead = AsReadIntoWindow(*after, mpg);
  UnitSettings unitsOwn;
  for (const std::string& name : declined)
    if (const std::optional<std::string> value = asRead.Get(name)) unitsOwn.Set(name, *value);
  ApplySettings(unitsOwn, host.Controls());
  host.UnitHolds(held, false);
  std::string kept;
  for (const Register* reg : UnverifiedRegisters(writes, before, *after, mpg)) {
    std::string named;
    for (const SettingDef* def : SettingsOfRegister(*reg)) {
      const std::optional<std::string> value = held.Get(def->name), asked = wanted.Get(def->name);
      if (value && asked && SameSettingValue(*def, *asked, *value)) continue;
      named += (named.empty() ? "" : ", ") +
               Worded(Said::HeldInUnit,
                      {{"setting", ShownCaption(*def)}, {"value", ShownValue(*def, value.value_or("?"))}})
                   .toStdString();
    }
    if (named.empty()) named = ShownCaption(*reg);
    kept += (kept.empty() ? "" : ", ") + named;
  }
  if (kept.empty()) {
    Tell(Said::Saved);
  } else {
    Tell(Said::NotSavedBecause,
         {{"why", (Worded(Said::UnitDidNotKeep, {{"settings", kept}}) + backup).toStdString()}});
  }
  host.ResumeMonitor();
}

// Why a plan cannot be sent as it stands, for the operator; empty when it can.
QString PlanRefusal(const WritePlan& plan) {
  if (plan.tooLong) return Worded(Said::TooLongForLine, {{"setting", ShownCaption(*plan.tooLong)}});
  // Only part of a shared register chosen, and the unit's other bits unreadable.
  if (!plan.untouched.empty())
    return Worded(Said::NotInParts, {{"setting", ShownCaption(*plan.untouched.front())}});
  if (plan.writes.empty()) return Worded(Said::NothingChosen);
  return {};
}

// What the registers of the read script's first `lines` lines hold, by the replies.
UnitSettings HeldOfLines(const std::vector<std::string>& replies, std::size_t lines, bool mpgCapable) {
  UnitSettings held;
  const UnitSettings all = SettingsAsHeld(replies, mpgCapable);
  for (const auto& [name, value] : all.Values())
    if (LineOfRegister(*FindSetting(name)->reg) < std::min(lines, replies.size())) held.Set(name, value);
  return held;
}

}  // namespace

std::vector<std::string> ScriptFor(ModeWord mode, SettingsControls& controls, bool mpgCapable) {
  if (mode == "") throw std::logic_error("the exchange was run before a mode word was set");
  if (mode == "read") return BuildReadScript(mpgCapable);
  if (mode == "write") return BuildWriteScript(controls, mpgCapable);
  return ShortScript(mode);
}

Identification IdentifyUnit(UnitHost& host) {
  Identification identification;
  UnitState& state = host.State();
  bool identified = false;
  bool answered = false;
  Identity identity;
  if (state.portOpen) {
    state.commandMode = "check";
    host.SetIdentifying(true);
    const ExchangeResult result = host.RunCommandScript();
    host.SetIdentifying(false);
    answered = result.completed;
    identification.outOfStep = result.outOfStep;
    identified = true;
    // Replies out of step name no unit: the identifier may be another reply's.
    if (!result.outOfStep) identity = IdentityFromReplies(host.ReplyLine(0), host.ReplyLine(1));
    state.identity = identity;
    if (identity.present) {
      state.unitPresent = true;
      if (identity.mpg) {
        state.mpgCapable = true;
      } else {
        host.DisableMpgControls();
        state.mpgCapable = false;
      }
    } else {
      state.unitPresent = state.mpgCapable = false;
    }
  }
  if (state.unitPresent) {
    host.SetOutputControlsEnabled(true);
    if (state.mpgCapable) {
      host.EnableMpgControls();
      host.ApplyMpgUsage();
    }
    // Without a port the log holds whatever ran last, not the identification: keep the fields.
    if (identified) host.ShowIdentity(identity);
    // The unit answers again: a monitor stopped by a lost unit polls again.
    if (answered && !host.IdentifyingAfterUsbFailure()) host.ResumeMonitor();
  } else {
    host.ShowNoUnit();
    host.SetOutputControlsEnabled(false);
    host.DisableMpgControls();
  }
  return identification;
}

bool ReadSettings(UnitHost& host) {
  if (ReachUnit(host) != Reach::Unit) return false;
  UnitState& state = host.State();
  host.PauseMonitor();
  state.commandMode = "read";
  const ExchangeResult result = host.RunCommandScript();
  if (result.outOfStep) return false;  // said; no reply may be taken for another register's
  // Only the replies that arrived are decoded: after a failed exchange the controls not reached
  // keep the operator's values.
  bool whole = false;
  try {
    whole = DecodeReadReplies(result.replies, host.Controls(), state.mpgCapable);
  } catch (const ConversionError& error) {
    // The controls decoded before the reply that is no number show the unit's values: the window
    // knows them as the unit's, not as the operator's changes, before the failure is told.
    host.UnitHolds(HeldOfLines(result.replies, error.line, state.mpgCapable), true);
    throw;
  }
  if (!whole) return false;  // no first reply, or an empty one: the outputs are all there is
  // A lost unit is not polled again; the timeline window polls as the page does.
  if (state.mpgCapable && result.completed) host.ResumeMonitor();
  if (!host.MonitorPageShown() || state.mpgCapable) ValidateNumericFields(host.Controls());
  // What the registers that answered hold, as the window now knows it.
  host.UnitHolds(HeldOfLines(result.replies, result.replies.size(), state.mpgCapable), true);
  return result.completed;
}

void SaveSettings(UnitHost& host) {
  // A gear ratio the pass rejected is not written to the unit.
  if (!ValidateNumericFields(host.Controls())) {
    Tell(Said::NotSaved);
    return;
  }
  const Reach reach = ReachUnit(host);
  if (reach == Reach::NoUnit) Tell(Said::NotSaved);
  if (reach != Reach::Unit) return;
  UnitState& state = host.State();
  // Every setting goes into its register as the window shows it, or nothing is sent.
  if (const SettingDef* def = FirstUnwritableSetting(host.Controls(), state.mpgCapable, false)) {
    Tell(Said::NotSavedBecause, {{"why", UnwritableText(*def).toStdString()}});
    return;
  }
  host.PauseMonitor();
  const bool mpg = state.mpgCapable;
  // The backup and the plan of the writes come from a reading confirmed in step.
  const auto before = ReadConfirmed(host);
  if (!before) return;  // "Chyba komunikace" has been said; a lost unit is not polled
  const UnitSettings window = WithoutInputNames(SettingsOf(host.Controls(), mpg));
  const std::optional<UnitSettings> chosen = host.ChooseWrites(window, SettingsAsHeld(*before, mpg));
  if (!chosen) {
    Tell(Said::NotSaved);
    host.ResumeMonitor();
    return;
  }
  const WritePlan plan = PlanWrites(*chosen, *before, mpg);
  if (const QString refusal = PlanRefusal(plan); !refusal.isEmpty()) {
    Tell(Said::NotSavedBecause, {{"why", refusal.toStdString()}});
    host.ResumeMonitor();
    return;
  }
  // What the unit holds now is kept before anything is written over it; no save goes without it.
  const BackupOutcome backup = KeepBackupOfReplies(state.identity, *before, mpg, host.Backups());
  // No backup (a full disk, a read-only home) is the operator's call, not a dead end.
  if (backup.fault &&
      !Asked(Said::SaveWithoutBackup, {{"reason", TextIn(backup.fault, Messages().Speaks())}})) {
    host.ResumeMonitor();
    return;
  }
  state.commandMode = "write";
  const ExchangeResult result = host.RunScript(CommandsOf(plan.writes));
  if (result.outOfStep) {
    ReportSaveOutOfStep(host, plan.writes, backup.path);
    return;
  }
  if (!result.completed) return;  // "Chyba komunikace" has been said; a lost unit is not polled
  // Saved only when the unit accepted every write,
  const std::vector<const Register*> refused = RefusedWrites(plan.writes, result.replies);
  if (!refused.empty()) {
    std::string captions;
    for (const Register* reg : refused) captions += (captions.empty() ? "" : ", ") + ShownCaption(*reg);
    Tell(Said::NotSavedBecause,
         {{"why", Worded(Said::UnitRefusedSave, {{"settings", captions}}).toStdString()}});
    host.ResumeMonitor();
    return;
  }
  state.lastBackupPath = backup.path;
  host.Wrote(SettingsAsHeld(RepliesAfter(plan.writes, *before), mpg));
  // and keeps what it acknowledged: a unit may take a write and hold its old value.
  std::vector<std::string> declined;
  for (const auto& [name, value] : window.Values())
    if (!chosen->Get(name)) declined.push_back(name);
  VerifySave(host, plan.writes, *before, *chosen, declined, backup.path);
}

std::optional<std::vector<std::string>> ReadConfirmed(UnitHost& host, bool* outOfStep,
                                                      std::optional<std::vector<std::string>> first) {
  if (!first) first = ReadAllRegisters(host, outOfStep);
  if (!first) return std::nullopt;
  auto second = ReadAllRegisters(host, outOfStep);
  if (!second) return std::nullopt;
  if (*second == *first) return second;
  auto third = ReadAllRegisters(host, outOfStep);
  if (!third) return std::nullopt;
  if (*third == *first || *third == *second) return third;
  if (outOfStep) *outOfStep = true;
  host.ReportOutOfStep();
  return std::nullopt;
}

std::optional<std::vector<std::string>> ReadAllRegisters(UnitHost& host, bool* outOfStep) {
  host.State().commandMode = "read";
  ExchangeResult result = host.RunCommandScript();
  if (outOfStep) *outOfStep = result.outOfStep;
  if (!result.completed) return std::nullopt;
  return std::move(result.replies);
}

std::optional<UnitSettings> ReadUnitSettings(UnitHost& host) {
  if (ReachUnit(host) != Reach::Unit) return std::nullopt;
  host.PauseMonitor();
  const auto replies = ReadAllRegisters(host);
  if (!replies) return std::nullopt;  // "Chyba komunikace" has been said
  host.ResumeMonitor();
  return SettingsAsHeld(*replies, host.State().mpgCapable);
}

QString UnwritableText(const SettingDef& def) {
  const Said why = [&] {
    switch (def.kind) {
      case SettingKind::Bit: return Said::MustBeBit;
      case SettingKind::InputName: return Said::NameNotAllowed;
      case SettingKind::Number:
      case SettingKind::BreakDelay: return Said::NoValidValue;
      default: return Said::NoItemChosen;
    }
  }();
  return Worded(why, {{"setting", ShownCaption(def)}});
}

void ResetUnit(UnitHost& host) {
  UnitState& state = host.State();
  if (!state.portOpen) {
    Tell(Said::NoPortOpen);
    return;
  }
  IdentifyUnit(host);
  if (!state.unitPresent) return;
  host.PauseMonitor();
  // A restarting unit does not answer "j"; polling resumes all the same, and a unit still away
  // is told once by the monitor, whose levels then stay empty.
  SendReset(host);
  host.ResumeMonitor();
}

ResetReport SendReset(UnitHost& host) {
  host.State().commandMode = "reset";
  const ExchangeResult result = host.RunCommandScript();
  if (result.completed && !result.replies.front().starts_with("0")) return {true, result.replies.front()};
  return {};
}

PollEnd PollInputs(UnitHost& host, const PollPace& pace, const std::function<bool()>& stopped,
                   const PollEvents& events) {
  using Clock = std::chrono::steady_clock;
  const auto origin = Clock::now();
  const auto us = [&](Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::microseconds>(t - origin).count();
  };
  const auto at = [&](InputPoller::Us u) { return origin + std::chrono::microseconds(u); };
  // Waits until `until`, looking every 50 ms whether it was stopped meanwhile.
  const auto waitUntil = [&](Clock::time_point until) {
    while (!stopped() && Clock::now() < until)
      std::this_thread::sleep_until(std::min(until, Clock::now() + std::chrono::milliseconds(50)));
  };
  // Back to back, no poll waits for a late line after its last reply: the next poll's first
  // command finds it, and the poller holds each word until then.
  const bool backToBack = pace.period == std::chrono::milliseconds(0);
  struct Watching {
    UnitHost& host;
    bool off;
    ~Watching() {
      if (off) host.WatchAfterScripts(true);
    }
  } watching{host, backToBack};
  if (backToBack) host.WatchAfterScripts(false);
  InputPoller poller(
      InputPoller::Pace{std::chrono::duration_cast<std::chrono::microseconds>(pace.period).count(),
                        std::chrono::duration_cast<std::chrono::microseconds>(pace.lostAfter).count(),
                        std::chrono::duration_cast<std::chrono::microseconds>(pace.retryAfter).count(),
                        std::chrono::duration_cast<std::chrono::microseconds>(pace.retryEvery).count()},
      0);
  while (!stopped()) {
    // A line that went away (an adapter unplugged) is opened again by its name before each ask.
    if (events.reopen) events.reopen();
    const Clock::time_point asked = Clock::now();
    host.State().commandMode = "stav";
    const ExchangeResult result = host.RunCommandScript();
    if (stopped()) break;  // Ctrl-C while a reply was awaited
    const InputPoller::Step step = poller.Polled(
        {us(asked), result.completed, result.lineBeforeFirst,
         result.completed ? InputWordFromReplies(host.ReplyLine(0), host.ReplyLine(1)) : uint16_t{0}},
        us(Clock::now()));
    if (step.gap) events.gap(at(step.gap->from), step.gap->cause);
    if (step.sample) events.seen(at(step.sample->asked), step.sample->word);
    if (step.periodMs && events.paced) events.paced(*step.periodMs);
    if (step.lost) return PollEnd::UnitLost;
    waitUntil(at(step.nextAsk));
  }
  return PollEnd::Stopped;
}

std::span<const FactorySetting> FactorySettings() { return kFactorySettings; }

void ApplyFactorySettings(SettingsControls& controls) {
  // The factory values as a read of the unit would show them.
  SettingsModel factory;
  for (const Register& reg : RegisterTable()) DecodeRegister(reg, "0," + FactoryValue(reg), factory);
  for (const FactorySetting& setting : kFactorySettings) {
    const std::string name = setting.control;
    switch (setting.set) {
      case Set::Item: controls.SelectItem(name, factory.ItemIndex(name)); break;
      case Set::Check: controls.SetChecked(name, factory.Checked(name)); break;
      case Set::Text: controls.SetText(name, factory.Text(name)); break;
    }
  }
}

UnitSettings FactoryUnitSettings() {
  SettingsModel model;
  ApplyFactorySettings(model);
  StartNumFollowsMpgUsage(model);
  ValidateNumericFields(static_cast<FieldTexts&>(model), {});
  return WithoutInputNames(SettingsOf(model, true));
}

void LoadFactorySettings(UnitHost& host) {
  ApplyFactorySettings(host.Controls());
  IdentifyUnit(host);
}

bool ValidateNumericFields(SettingsControls& controls) {
  return ValidateNumericFields(static_cast<FieldTexts&>(controls), [](const std::string& rejected) {
    Messages().ErrorBox(QString::fromStdString(BadNumberText(rejected, Messages().Speaks())));
  });
}
