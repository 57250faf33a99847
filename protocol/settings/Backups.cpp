#include "protocol/settings/Backups.h"

#include "common/Version.h"
#include "link/SystemErrors.h"
#include "protocol/settings/Codec.h"
#include "protocol/settings/TextFormat.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace {

const QString kSuffix = u'.' + QLatin1String(kSettingsFileSuffix);
// The names the store gives: the UTC time to the millisecond, "Z", and "_002" for a second backup
// within it. Names without the "Z" are the local times of earlier versions, still ours.
const QRegularExpression kBackupName(
    QStringLiteral(R"(^(\d{4}-\d{2}-\d{2}_\d{2}-\d{2}-\d{2}-\d{3})(Z?)(_\d{3})?)") +
    QRegularExpression::escape(kSuffix) + u'$');
const QString kNameTime = QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz");

// A unit identifier as a folder name: letters, digits, '-' and '_' kept, anything else '_'.
QString FolderName(const std::string& unitId) {
  QString name;
  for (const char c : unitId)
    name += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? QChar::fromLatin1(c)
                                                                                : QChar(u'_');
  return name.isEmpty() ? QStringLiteral("unknown") : name;
}

// When a backup was taken: the time its header records, else the one its name gives.
QDateTime TakenTime(const SettingsFileHeader& header, const QRegularExpressionMatch& name) {
  QDateTime recorded = QDateTime::fromString(QString::fromStdString(header.takenUtc), Qt::ISODateWithMs);
  if (recorded.isValid()) return recorded.toUTC();
  QDateTime named = QDateTime::fromString(name.captured(1), kNameTime);
  if (!name.captured(2).isEmpty()) named.setTimeSpec(Qt::UTC);
  return named;
}

}  // namespace

QString BackupStore::DefaultFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/vorka-config/backups");
}

BackupStore::BackupStore(QString folder, std::function<QDateTime()> clock)
    : clock(std::move(clock)), folder_(std::move(folder)) {}

QString BackupStore::FolderOf(const std::string& unitId) const { return folder_ + u'/' + FolderName(unitId); }

std::vector<Backup> BackupStore::Entries(const std::string& unitId, bool withSettings) const {
  std::vector<Backup> entries;
  const QDir folder(FolderOf(unitId));
  for (const QString& name : folder.entryList({u'*' + kSuffix}, QDir::Files)) {
    const QRegularExpressionMatch match = kBackupName.match(name);
    if (!match.hasMatch()) continue;  // the operator's own file: not ours to count or prune
    const QString path = folder.filePath(name);
    std::string text;
    if (LoadSettingsFile(path.toStdString(), text)) continue;
    Backup backup;
    backup.path = path.toStdString();
    const SettingsFileHeader header = ParseSettingsHeader(text);
    backup.unitId = header.unitId;
    backup.unitVersion = header.unitVersion;
    const QDateTime taken = TakenTime(header, match);
    if (!taken.isValid()) continue;
    backup.takenMs = taken.toMSecsSinceEpoch();
    backup.takenAt = taken.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
    if (withSettings) {
      const SettingsFileLoad load = ParseSettingsText(text, SettingsReader::Unit);
      if (!load.settings) continue;  // damaged: left alone
      backup.settings = *load.settings;
    }
    entries.push_back(std::move(backup));
  }
  std::sort(entries.begin(), entries.end(), [](const Backup& a, const Backup& b) {
    return a.takenMs != b.takenMs ? a.takenMs > b.takenMs : a.path > b.path;
  });
  return entries;
}

FileFault BackupStore::Keep(const Identity& unit, const UnitSettings& settings, std::string* path) const {
  const std::vector<Backup> before = Entries(unit.id, false);
  for (const Backup& newest : before) {
    // The newest that reads: a damaged one says nothing about what the unit held.
    std::string text;
    if (LoadSettingsFile(newest.path, text)) continue;
    const SettingsFileLoad load = ParseSettingsText(text, SettingsReader::Unit);
    if (!load.settings) continue;
    if (load.settings->Values() == settings.Values()) {
      if (path) *path = newest.path;
      return {};  // the unit holds what its newest backup holds
    }
    break;
  }
  const QString folder = FolderOf(unit.id);
  ClearLastFileError();
  if (!QDir().mkpath(folder)) {
    const int error = LastFileError();
    return {FileFault::Kind::System, error ? error : EACCES};
  }
  const QDateTime now = clock().toUTC();
  const QString stamp = now.toString(kNameTime) + u'Z';
  QString name = folder + u'/' + stamp + kSuffix;
  for (int n = 2; QFileInfo::exists(name); ++n)
    name = folder + u'/' + stamp + QStringLiteral("_%1").arg(n, 3, 10, QChar(u'0')) + kSuffix;
  SettingsFileHeader header{
      unit.id, unit.version, now.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString(),
      std::string("vorka-config ") + kProgramVersion + ", záloha před zápisem do jednotky"};
  header.takenUtc = now.toString(Qt::ISODateWithMs).toStdString();
  if (const FileFault fault =
          SaveSettingsFile(name.toStdString(), WriteSettingsText(settings, header), FileTarget::RegularOnly))
    return fault;
  if (path) *path = name.toStdString();
  // The newest are kept, and always the one just kept, whatever the clock said before; the new
  // one is whole before any old one goes.
  const std::vector<Backup> all = Entries(unit.id, false);
  int kept = 1;
  for (const Backup& backup : all) {
    if (QString::fromStdString(backup.path) == name) continue;
    if (kept < kKeptPerUnit)
      ++kept;
    else
      QFile::remove(QString::fromStdString(backup.path));
  }
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
    for (Backup& backup : Entries(unit, true)) backups.push_back(std::move(backup));
  std::stable_sort(backups.begin(), backups.end(),
                   [](const Backup& a, const Backup& b) { return a.takenMs > b.takenMs; });
  return backups;
}

BackupOutcome KeepBackupOfReplies(const Identity& unit, const std::vector<std::string>& replies,
                                  bool mpgCapable, const BackupStore& store) {
  BackupOutcome outcome;
  outcome.read = true;
  outcome.fault = store.Keep(unit, SettingsAsHeld(replies, mpgCapable), &outcome.path);
  return outcome;
}
