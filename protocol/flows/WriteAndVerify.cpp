#include "protocol/flows/WriteAndVerify.h"

#include "common/Wording.h"
#include "protocol/settings/Messages.h"

std::optional<HeldRead> ReadAsHeld(UnitHost& host) {
  auto replies = ReadAllRegisters(host);
  if (!replies) return std::nullopt;
  HeldRead read{std::move(*replies), {}, {}};
  read.held = SettingsAsHeld(read.replies, host.State().mpgCapable);
  for (const auto& [name, value] : read.held.Values())
    if (const SettingDef* def = FindSetting(name);
        UnknownReply(value) && (read.ownValues.empty() || read.ownValues.back() != def->reg))
      read.ownValues.push_back(def->reg);
  return read;
}

std::vector<const SettingDef*> SettingsNamed(const std::vector<const Register*>& registers,
                                             const UnitSettings& file) {
  std::vector<const SettingDef*> named;
  for (const Register* reg : registers) {
    std::vector<const SettingDef*> inFile, all = SettingsOfRegister(*reg);
    for (const SettingDef* def : all)
      if (file.Get(def->name)) inFile.push_back(def);
    for (const SettingDef* def : inFile.empty() ? all : inFile) named.push_back(def);
  }
  return named;
}

WriteReport WriteAndVerify(UnitHost& host, const WriteRequest& request) {
  using Outcome = WriteReport::Outcome;
  WriteReport report;
  const UnitSettings& file = request.settings;
  const bool mpg = host.State().mpgCapable;
  const auto interrupted = [&] { return request.interrupted && request.interrupted->load(); };
  const auto ended = [&](Outcome outcome, std::vector<const SettingDef*> settings = {}) {
    report.outcome = outcome;
    report.settings = std::move(settings);
    return report;
  };
  if (!mpg && file.HasMpgSettings()) return ended(Outcome::NoMpgFirmware);
  // Every register as the unit holds it, in step; nothing when it was not (the host has been told).
  // `confirmed`: from two readings that agree (see ReadConfirmed).
  const auto readAll = [&](bool confirmed, std::optional<std::vector<std::string>> first = {}) {
    bool outOfStep = false;
    auto replies =
        confirmed ? ReadConfirmed(host, &outOfStep, std::move(first)) : ReadAllRegisters(host, &outOfStep);
    report.outOfStep = report.outOfStep || outOfStep;
    return replies;
  };
  // The backup and the plan come from a reading confirmed in step.
  const auto before = readAll(true);
  if (!before) return ended(interrupted() ? Outcome::NotStarted : Outcome::ReadFailed);
  const WritePlan plan = PlanWrites(file, *before, mpg);
  if (plan.tooLong) return ended(Outcome::TooLong, SettingsNamed({plan.tooLong}, file));
  report.planned = plan.writes.size();
  report.changes = Changes(file, SettingsAsHeld(*before, mpg));
  if (request.planned) request.planned(report.changes);
  if (request.dryRun) return ended(Outcome::DryRun);
  // What the unit holds now is kept before anything is written over it.
  if (request.backups) {
    const BackupOutcome backup = KeepBackupOfReplies(host.State().identity, *before, mpg, *request.backups);
    report.backupFault = backup.fault;
    if (backup.fault) return ended(Outcome::BackupFailed);
    report.backupPath = backup.path;
  }
  if (interrupted()) return ended(Outcome::NotStarted);
  // One register at a time, so that an interruption stops between two of them.
  std::vector<std::string> replies;
  bool completed = true;
  for (const WriteLine& line : plan.writes) {
    if (interrupted()) break;
    const ExchangeResult result = host.RunScript({line.command});
    report.outOfStep = result.outOfStep;
    if (!result.completed) {
      completed = false;
      break;
    }
    replies.push_back(result.replies.front());
  }
  const std::vector<const Register*> refused = RefusedWrites(plan.writes, replies);
  report.answered = replies.size();
  report.acknowledged = replies.size() - refused.size();
  // No reply of that exchange can be trusted, and no write is repeated blindly: what the unit holds
  // now is what counts.
  if (report.outOfStep) {
    const auto now = readAll(true);
    if (!now) return ended(Outcome::ReadBackFailed);
    return ended(Outcome::OutOfStep,
                 SettingsNamed(UnverifiedRegisters(plan.writes, *before, *now, mpg), file));
  }
  if (completed && replies.size() < plan.writes.size()) return ended(Outcome::Interrupted);
  if (!completed) return ended(Outcome::UnitStopped);
  if (!refused.empty()) return ended(Outcome::Refused, SettingsNamed(refused, file));
  auto after = readAll(false);
  // What does not hold as written is confirmed by another reading before it is said.
  if (after && !UnverifiedRegisters(plan.writes, *before, *after, mpg).empty() && !interrupted())
    after = readAll(true, std::move(after));
  if (!after) return ended(interrupted() ? Outcome::NotChecked : Outcome::ReadBackFailed);
  const std::vector<const Register*> unverified = UnverifiedRegisters(plan.writes, *before, *after, mpg);
  if (!unverified.empty()) return ended(Outcome::NotVerified, SettingsNamed(unverified, file));
  // Registers left as they were: fine where the file asks for exactly what the unit holds.
  const UnitSettings held = SettingsAsHeld(*after, mpg);
  std::vector<const Register*> notWritten;
  for (const Register* reg : plan.untouched)
    for (const SettingDef* def : SettingsNamed({reg}, file))
      if (!SameSettingValue(*def, *file.Get(def->name), held.Get(def->name).value_or("")) &&
          (notWritten.empty() || notWritten.back() != reg))
        notWritten.push_back(reg);
  if (!notWritten.empty()) return ended(Outcome::NotWritten, SettingsNamed(notWritten, file));
  // A value of its own that the unit still holds, to the letter: as the file asks, but not written.
  report.leftAsHeld = SettingsNamed(plan.untouched, file);
  return ended(Outcome::Verified);
}

namespace {

Said SaidOf(const WriteReport& report) {
  using Outcome = WriteReport::Outcome;
  switch (report.outcome) {
    case Outcome::Verified: return Said::WriteVerified;
    case Outcome::DryRun: return Said::WriteDryRun;
    case Outcome::NoMpgFirmware: return Said::WriteNoMpgFirmware;
    case Outcome::ReadFailed: return report.outOfStep ? Said::WriteReadOutOfStep : Said::WriteReadFailed;
    case Outcome::TooLong: return Said::WriteTooLong;
    case Outcome::BackupFailed: return Said::WriteBackupFailed;
    case Outcome::NotStarted: return Said::WriteNotStarted;
    case Outcome::Interrupted: return Said::WriteInterrupted;
    case Outcome::UnitStopped: return Said::WriteUnitStopped;
    case Outcome::Refused: return Said::WriteRefused;
    case Outcome::ReadBackFailed:
      return report.outOfStep ? Said::WriteReadBackOutOfStep : Said::WriteReadBackFailed;
    case Outcome::NotVerified: return Said::WriteNotVerified;
    case Outcome::NotWritten: return Said::WriteNotWritten;
    case Outcome::NotChecked: return Said::WriteNotChecked;
    case Outcome::OutOfStep: return Said::WriteOutOfStep;
  }
  return Said::WriteDryRun;
}

}  // namespace

bool NothingSent(const WriteReport& report) {
  using Outcome = WriteReport::Outcome;
  switch (report.outcome) {
    case Outcome::DryRun:
    case Outcome::NoMpgFirmware:
    case Outcome::ReadFailed:
    case Outcome::TooLong:
    case Outcome::BackupFailed:
    case Outcome::NotStarted: return true;
    default: return false;
  }
}

std::string WriteReportText(const WriteReport& report, const WriteWords& words) {
  const Language language = words.language;
  const std::string settings = words.named(report.settings);
  const bool verified = report.outcome == WriteReport::Outcome::Verified;
  const std::string backup =
      words.backup.empty()
          ? std::string()
          : Words(verified ? Said::BackupKept : Said::SettingsBeforeIn, language, {{"path", words.backup}});
  const std::string left = report.leftAsHeld.empty() ? std::string()
                                                     : Words(Said::LeftAsHeld, language,
                                                             {{"settings", words.named(report.leftAsHeld)}});
  const std::string held = settings.empty()
                               ? Words(Said::HoldsFileSettings, language)
                               : Words(Said::HoldsOtherValuesFor, language, {{"settings", settings}});
  return Words(SaidOf(report), language,
               {{"settings", settings},
                {"registers", words.registers},
                {"backup", backup},
                {"left", left},
                {"held", held},
                {"count", std::to_string(report.planned)},
                {"answered", std::to_string(report.answered)},
                {"acknowledged", std::to_string(report.acknowledged)},
                {"next", std::to_string(report.answered + 1)},
                {"max", std::to_string(CommandExchange::kMaxLine)},
                {"reason", TextIn(report.backupFault, language)},
                {"outOfStep", Words(Said::RepliesOutOfStep, language)}});
}
