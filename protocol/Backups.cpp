#include "protocol/Backups.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace {

constexpr const char* kSuffix = ".vorka";

// A unit identifier as a folder name: letters, digits, '-' and '_' kept, anything else '_'.
QString FolderName(const std::string& unitId) {
  QString name;
  for (const char c : unitId)
    name += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? QChar::fromLatin1(c)
                                                                              : QChar(u'_');
  return name.isEmpty() ? QStringLiteral("unknown") : name;
}

// "2026-12-07_17-23-05-120" (and "_002" for a second one within it) as "2026-12-07 17:23:05".
std::string TakenAt(const QString& baseName) {
  const QDateTime time = QDateTime::fromString(baseName.left(19), QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
  return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString() : std::string();
}

}  // namespace

QString BackupStore::DefaultFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/vorka-config/backups");
}

BackupStore::BackupStore(QString folder) : folder_(std::move(folder)) {}

QString BackupStore::FolderOf(const std::string& unitId) const { return folder_ + u'/' + FolderName(unitId); }

FileFault BackupStore::Keep(const Identity& unit, const UnitSettings& settings, std::string* path) const {
  const std::vector<Backup> kept = List(unit.id);
  if (!kept.empty() && kept.front().settings.Values() == settings.Values()) {
    if (path) *path = kept.front().path;
    return {};  // the unit holds what its newest backup holds
  }
  const QString folder = FolderOf(unit.id);
  errno = 0;
  if (!QDir().mkpath(folder)) return {FileFault::Kind::System, errno ? errno : EACCES};
  const QDateTime now = QDateTime::currentDateTime();
  // Names sort by time: milliseconds, and a counter for two within one.
  const QString stamp = now.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz"));
  QString name = folder + u'/' + stamp + QLatin1String(kSuffix);
  for (int n = 2; QFileInfo::exists(name); ++n)
    name = folder + u'/' + stamp + QStringLiteral("_%1").arg(n, 3, 10, QChar(u'0')) + QLatin1String(kSuffix);
  SettingsFileHeader header{unit.id, unit.version, now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString(),
                            "vorka-config 1.3, záloha před zápisem do jednotky"};
  if (const FileFault fault =
          SaveSettingsFile(name.toStdString(), WriteSettingsText(settings, header), FileTarget::RegularOnly))
    return fault;
  if (path) *path = name.toStdString();
  // The newest are kept; the new one is whole before any old one goes.
  const std::vector<Backup> all = List(unit.id);
  for (std::size_t i = kKeptPerUnit; i < all.size(); ++i) QFile::remove(QString::fromStdString(all[i].path));
  return {};
}

std::vector<Backup> BackupStore::List(const std::string& unitId) const {
  std::vector<Backup> backups;
  QStringList folders;
  if (!unitId.empty())
    folders << FolderOf(unitId);
  else
    for (const QString& unit : QDir(folder_).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
      folders << folder_ + u'/' + unit;
  for (const QString& folder : folders) {
    for (const QFileInfo& file : QDir(folder).entryInfoList({QStringLiteral("*.vorka")}, QDir::Files)) {
      std::string text;
      if (LoadSettingsFile(file.filePath().toStdString(), text)) continue;
      const SettingsFileLoad load = ParseSettingsText(text, SettingsReader::Unit);
      if (!load.settings) continue;  // not one of ours, or damaged: left alone
      Backup backup{file.filePath().toStdString(), {}, {}, TakenAt(file.completeBaseName()), *load.settings};
      // The unit and its firmware from the header.
      for (const QString& line : QString::fromStdString(text).split(u'\n')) {
        if (!line.startsWith(QStringLiteral("# Jednotka: "))) continue;
        const QString unit = line.mid(12);
        backup.unitId = unit.section(QStringLiteral(", "), 0, 0).toStdString();
        backup.unitVersion = unit.section(QStringLiteral(", "), 1).toStdString();
        break;
      }
      backups.push_back(std::move(backup));
    }
  }
  // Newest first: the names sort by time.
  std::sort(backups.begin(), backups.end(), [](const Backup& a, const Backup& b) {
    return a.takenAt != b.takenAt ? a.takenAt > b.takenAt : a.path > b.path;
  });
  return backups;
}

BackupOutcome KeepBackupOfReplies(const Identity& unit, const std::vector<std::string>& replies, bool mpgCapable,
                                  const BackupStore& store) {
  BackupOutcome outcome;
  outcome.read = true;
  outcome.fault = store.Keep(unit, SettingsExactlyAsHeld(replies, mpgCapable), &outcome.path);
  return outcome;
}

BackupOutcome BackUpUnit(UnitHost& host, const BackupStore& store) {
  UnitState& state = host.State();
  state.commandMode = "read";
  const ExchangeResult result = host.RunCommandScript();
  if (!result.completed) return {};  // "Chyba komunikace" has been said
  return KeepBackupOfReplies(state.identity, result.replies, state.mpgCapable, store);
}
