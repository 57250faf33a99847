#pragma once
#include "protocol/Identity.h"
#include "protocol/settings/FileIo.h"
#include "protocol/settings/UnitSettings.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A copy of the unit's settings kept before every write to it, so that a machine's tuned settings
// are never lost: one settings file per backup in one per-user folder that the window and vorkactl
// share, a folder per unit. Only files named as the store names them count as backups: a file the
// operator put into the folder is never listed, compared or pruned. Nothing else the program
// keeps between runs.

struct Backup {
  std::string path;
  std::string unitId, unitVersion;  // as the header names them, escaped
  std::string takenAt;              // local time, "2026-12-07 17:23:05": information only
  long long takenMs = 0;            // when it was taken, milliseconds since 1970 UTC
  // Its place among the unit's backups, counted by the store (0: kept by an earlier version,
  // older than any counted one). This is their order: a clock set wrong once cannot make an old
  // backup the newest for good.
  long long sequence = 0;
  // It has a backup's name but does not load: listed so, never pruned, never compared.
  bool damaged = false;
  // It lies in the folder of one unit (folderUnit) and its header names another: listed so, never
  // taken as that unit's newest, never compared, never pruned.
  bool otherUnit = false;
  std::string folderUnit;
  UnitSettings settings;
};

class BackupStore {
 public:
  static constexpr int kKeptPerUnit = 100;

  // The folder of every unit's backups: <GenericDataLocation>/vorka-config/backups.
  static QString DefaultFolder();
  // Only the programs choose the user's folder: everything else is given its store.
  explicit BackupStore(QString folder, std::function<QDateTime()> clock = SystemClock);
  static QDateTime SystemClock() { return QDateTime::currentDateTimeUtc(); }

  // Keeps the settings (exactly as the unit held them) as the newest backup of the unit, unless the
  // newest already holds the same; then keeps the newest 100, and always the one just kept. The
  // path kept, or why it could not be.
  FileFault Keep(const Identity& unit, const UnitSettings& settings, std::string* path = nullptr) const;
  // Where the time of a new backup comes from (tests set a clock that jumps).
  std::function<QDateTime()> clock;
  // The backups of one unit, newest first; of every unit when unitId is empty, unit by unit.
  std::vector<Backup> List(const std::string& unitId = {}) const;
  QString Folder() const { return folder_; }
  QString FolderOf(const std::string& unitId) const;

 private:
  // The unit's backups, newest first, the damaged ones among them.
  std::vector<Backup> Entries(const std::string& unitId) const;

  QString folder_;
};

// A backup kept before a write: false when the read failed (the operator has been told) or the
// backup could not be written (fault says why); then nothing may be written to the unit.
struct BackupOutcome {
  bool read = false;
  FileFault fault;
  std::string path;
};
BackupOutcome KeepBackupOfReplies(const Identity& unit, const std::vector<std::string>& replies,
                                  bool mpgCapable, const BackupStore& store);
