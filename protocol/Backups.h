#pragma once
#include "protocol/SettingsFile.h"
#include "protocol/UnitFlows.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

// A copy of the unit's settings kept before every write to it, so that a machine's tuned settings
// are never lost: one settings file per backup in one per-user folder that the window and vorkactl
// share, a folder per unit, named by date and time. Nothing else the program keeps between runs.

struct Backup {
  std::string path;
  std::string unitId, unitVersion;
  std::string takenAt;  // "2026-12-07 17:23:05", from the name
  UnitSettings settings;
};

class BackupStore {
 public:
  static constexpr int kKeptPerUnit = 100;

  // The folder of every unit's backups: <GenericDataLocation>/vorka-config/backups.
  static QString DefaultFolder();
  explicit BackupStore(QString folder = DefaultFolder());

  // Keeps the settings (exactly as the unit held them) as the newest backup of the unit, unless the
  // newest already holds the same; then keeps the newest 100. The path kept, or why it could not be.
  FileFault Keep(const Identity& unit, const UnitSettings& settings, std::string* path = nullptr) const;
  // The backups of one unit (every unit when unitId is empty), newest first.
  std::vector<Backup> List(const std::string& unitId = {}) const;
  QString FolderOf(const std::string& unitId) const;

 private:
  QStringList Files(const std::string& unitId) const;
  std::optional<Backup> Read(const QString& path) const;

  QString folder_;
};

// Reads every register of the identified unit, the controls untouched, and keeps the values as a
// backup. False when the read failed (the operator has been told) or the backup could not be
// written (fault says why): then nothing may be written to the unit.
struct BackupOutcome {
  bool read = false;
  FileFault fault;
  std::string path;
};
BackupOutcome BackUpUnit(UnitHost& host, const BackupStore& store);
BackupOutcome KeepBackupOfReplies(const Identity& unit, const std::vector<std::string>& replies,
                                  bool mpgCapable, const BackupStore& store);
