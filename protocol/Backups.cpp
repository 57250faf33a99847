#include "protocol/Backups.h"

#include "protocol/Version.h"

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

QStringList BackupStore::Files(const std::string& unitId) const {
  QStringList files;
  const QDir folder(FolderOf(unitId));
  // The names sort by time: newest first.
  for (const QString& name :
       folder.entryList({QStringLiteral("*.vorka")}, QDir::Files, QDir::Name | QDir::Reversed))
    files << folder.filePath(name);
  return files;
}

std::optional<Backup> BackupStore::Read(const QString& path) const {
  std::string text;
  if (LoadSettingsFile(path.toStdString(), text)) return std::nullopt;
  const SettingsFileLoad load = ParseSettingsText(text, SettingsReader::Unit);
  if (!load.settings) return std::nullopt;  // not one of ours, or damaged: left alone
  Backup backup{path.toStdString(), {}, {}, TakenAt(QFileInfo(path).completeBaseName()), *load.settings};
  // The unit and its firmware from the header.
  for (const QString& line : QString::fromStdString(text).split(u'\n')) {
    if (!line.startsWith(QStringLiteral("# Jednotka: "))) continue;
    backup.unitId = line.mid(12).section(QStringLiteral(", "), 0, 0).toStdString();
    backup.unitVersion = line.mid(12).section(QStringLiteral(", "), 1).toStdString();
    break;
  }
  return backup;
}

FileFault BackupStore::Keep(const Identity& unit, const UnitSettings& settings, std::string* path) const {
  const QStringList files = Files(unit.id);
  if (!files.isEmpty())
    if (const auto newest = Read(files.front()); newest && newest->settings.Values() == settings.Values()) {
      if (path) *path = newest->path;
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
  const SettingsFileHeader header{
      unit.id, unit.version, now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString(),
      std::string("vorka-config ") + kProgramVersion + ", záloha před zápisem do jednotky"};
  if (const FileFault fault =
          SaveSettingsFile(name.toStdString(), WriteSettingsText(settings, header), FileTarget::RegularOnly))
    return fault;
  if (path) *path = name.toStdString();
  // The newest are kept; the new one is whole before any old one goes.
  const QStringList all = Files(unit.id);
  for (qsizetype i = kKeptPerUnit; i < all.size(); ++i) QFile::remove(all[i]);
  return {};
}

std::vector<Backup> BackupStore::List(const std::string& unitId) const {
  std::vector<std::string> units{unitId};
  if (unitId.empty()) {
    units.clear();
    for (const QString& unit : QDir(folder_).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
      units.push_back(unit.toStdString());
  }
  std::vector<Backup> backups;
  for (const std::string& unit : units)
    for (const QString& file : Files(unit))
      if (auto backup = Read(file)) backups.push_back(std::move(*backup));
  std::stable_sort(backups.begin(), backups.end(),
                   [](const Backup& a, const Backup& b) { return a.takenAt > b.takenAt; });
  return backups;
}

BackupOutcome KeepBackupOfReplies(const Identity& unit, const std::vector<std::string>& replies,
                                  bool mpgCapable, const BackupStore& store) {
  BackupOutcome outcome;
  outcome.read = true;
  outcome.fault = store.Keep(unit, SettingsExactlyAsHeld(replies, mpgCapable), &outcome.path);
  return outcome;
}

BackupOutcome BackUpUnit(UnitHost& host, const BackupStore& store) {
  const auto replies = ReadAllRegisters(host);
  if (!replies) return {};  // "Chyba komunikace" has been said
  const UnitState& state = host.State();
  return KeepBackupOfReplies(state.identity, *replies, state.mpgCapable, store);
}
