#pragma once
#include "common/Language.h"
#include "protocol/flows/UnitFlows.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The unit as the settings files, the comparison, the verification of a write and the backups
// read it: every register's reply, and the settings as the unit holds them, uncorrected. A
// register the window cannot show is a value of its own, named here once, never a reason to
// refuse the rest: a unit with one bad register must stay repairable.
struct HeldRead {
  std::vector<std::string> replies;
  UnitSettings held;
  std::vector<const Register*> ownValues;  // the registers holding a value of their own
};
// Nothing when the unit did not answer the whole read.
std::optional<HeldRead> ReadAsHeld(UnitHost& host);

// The settings of a file that a register carries, or all of the register's when the file has none.
std::vector<const SettingDef*> SettingsNamed(const std::vector<const Register*>& registers,
                                             const UnitSettings& file);

// Writes a file's settings into the identified unit: only the registers that hold them, one at a
// time, then reads them back. Every other register, and every other bit of a shared one, keeps
// what the unit held. Verified means exactly the file's settings are in the unit, as read back.
struct WriteRequest {
  UnitSettings settings;  // as the file holds them, without input names
  // Where the unit's settings are kept before anything is written over them; nullptr: nowhere.
  const BackupStore* backups = nullptr;
  // Set from outside (Ctrl-C): the write stops between two registers, a read between two lines.
  const std::atomic<bool>* interrupted = nullptr;
  // Told once the writes are planned, before the backup and the first write: the settings they
  // change (left: as the unit holds them, right: as written).
  std::function<void(const std::vector<SettingDifference>& changes)> planned;
  // Stop once planned (DryRun): nothing kept, nothing sent.
  bool dryRun = false;
};
struct WriteReport {
  enum class Outcome {
    Verified,
    DryRun,          // planned as asked, nothing kept or sent (changes)
    NoMpgFirmware,   // the file holds MPG settings, the unit has no MPG firmware: nothing sent
    ReadFailed,      // the unit did not answer the read before: nothing sent
    TooLong,         // a value does not fit one line to the unit: nothing sent (settings)
    BackupFailed,    // the backup could not be kept (backupFault): nothing sent
    NotStarted,      // interrupted before the first write: nothing sent
    Interrupted,     // interrupted between two writes (answered of planned)
    UnitStopped,     // the unit stopped answering (acknowledged of planned)
    Refused,         // the unit refused writes (settings)
    ReadBackFailed,  // the unit did not answer the read-back
    NotVerified,     // the unit holds other values (settings)
    NotWritten,      // left as held though the file asks otherwise: the unit's value cannot be read
    NotChecked,      // interrupted in the read after the writes: all acknowledged, none verified
    OutOfStep,       // a write's reply came out of step: stopped there (answered of planned) and
                     // read again; settings: what the unit does not hold as the file asks
  };
  Outcome outcome = Outcome::Verified;
  std::size_t planned = 0, answered = 0, acknowledged = 0;
  std::vector<const SettingDef*> settings;    // the settings the outcome names
  std::vector<const SettingDef*> leftAsHeld;  // Verified: left as the unit holds them, as asked
  std::vector<SettingDifference> changes;     // what the writes change, once planned
  std::string backupPath;                     // empty without a backup
  FileFault backupFault;
  // A read out of step twice running (ReadFailed, ReadBackFailed), or OutOfStep: noise on the line.
  bool outOfStep = false;
};
WriteReport WriteAndVerify(UnitHost& host, const WriteRequest& request);
// Stopped before its first write: the unit holds what it held before.
bool NothingSent(const WriteReport& report);

// A write's outcome in words, from the catalogue. The reader's own forms come from the caller:
// the settings named as the reader knows them (vorkactl as files name them, a record as the
// window does), the register count as the language counts, the backup's path as shown.
struct WriteWords {
  Language language;
  std::function<std::string(const std::vector<const SettingDef*>&)> named;
  std::string registers;
  std::string backup;  // empty without one
};
std::string WriteReportText(const WriteReport& report, const WriteWords& words);
