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
// The names the store gives: the unit's count of backups, "_", the UTC time to the millisecond and
// "Z". Names without the count (and "_002" for a second backup within a millisecond) were given by
// earlier versions, those without the "Z" in local time: still ours.
const QRegularExpression kBackupName(
    QStringLiteral(R"(^(?:(\d{6,})_)?(\d{4}-\d{2}-\d{2}_\d{2}-\d{2}-\d{2}-\d{3})(Z?)(_\d{3})?)") +
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
  QDateTime named = QDateTime::fromString(name.captured(2), kNameTime);
  if (!name.captured(3).isEmpty()) named.setTimeSpec(Qt::UTC);
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

std::vector<Backup> BackupStore::Entries(const std::string& unitId) const {
  std::vector<Backup> entries;
  const QDir folder(FolderOf(unitId));
  for (const QString& name : folder.entryList({u'*' + kSuffix}, QDir::Files)) {
    const QRegularExpressionMatch match = kBackupName.match(name);
    if (!match.hasMatch()) continue;  // the operator's own file: not ours to count or prune
    Backup backup;
    backup.path = folder.filePath(name).toStdString();
    backup.sequence = match.captured(1).toLongLong();
    std::string text;
    const SettingsFileLoad load = LoadSettingsFile(backup.path, text)
                                      ? SettingsFileLoad{}
                                      : ParseSettingsText(text, SettingsReader::Unit);
    const SettingsFileHeader header = load.settings ? ParseSettingsHeader(text) : SettingsFileHeader{};
    backup.damaged = !load.settings;
    backup.unitId = backup.damaged ? unitId : header.unitId;
    backup.folderUnit = unitId;
    // A file that names no unit is taken as the folder's.
    backup.otherUnit =
        !backup.damaged && !header.unitId.empty() && FolderName(header.unitId) != FolderName(unitId);
    backup.unitVersion = header.unitVersion;
    if (load.settings) backup.settings = *load.settings;
    if (const QDateTime taken = TakenTime(header, match); taken.isValid()) {
      backup.takenMs = taken.toMSecsSinceEpoch();
      backup.takenAt = taken.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
    }
    entries.push_back(std::move(backup));
  }
  // By the store's count; those of earlier versions, which have none, by their time.
  std::sort(entries.begin(), entries.end(), [](const Backup& a, const Backup& b) {
    if (a.sequence != b.sequence) return a.sequence > b.sequence;
    return a.takenMs != b.takenMs ? a.takenMs > b.takenMs : a.path > b.path;
  });
  return entries;
}

FileFault BackupStore::Keep(const Identity& unit, const UnitSettings& settings, std::string* path) const {
  const std::vector<Backup> before = Entries(unit.id);
  // The newest that reads and is this unit's: a damaged one, or another unit's put here, says
  // nothing about what this unit held.
  const auto newest =
      std::find_if(before.begin(), before.end(), [](const Backup& b) { return !b.damaged && !b.otherUnit; });
  if (newest != before.end() && newest->settings.Values() == settings.Values()) {
    if (path) *path = newest->path;
    return {};  // the unit holds what its newest backup holds
  }
  const QString folder = FolderOf(unit.id);
  ClearLastFileError();
  if (!QDir().mkpath(folder)) {
    const int error = LastFileError();
    return {FileFault::Kind::System, error ? error : EACCES};
  }
  const long long sequence = before.empty() ? 1 : before.front().sequence + 1;
  const QDateTime now = clock().toUTC();
  const QString stamp =
      QStringLiteral("%1_").arg(sequence, 6, 10, QChar(u'0')) + now.toString(kNameTime) + u'Z';
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
  // The newest are kept, and always the one just kept; the new one is whole before any old one
  // goes. A damaged one, or another unit's, is left for the operator to look at: never removed.
  const std::vector<Backup> all = Entries(unit.id);
  int kept = 1;
  for (const Backup& backup : all) {
    if (QString::fromStdString(backup.path) == name || backup.damaged || backup.otherUnit) continue;
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
    for (Backup& backup : Entries(unit)) backups.push_back(std::move(backup));
  return backups;
}

BackupOutcome KeepBackupOfReplies(const Identity& unit, const std::vector<std::string>& replies,
                                  bool mpgCapable, const BackupStore& store) {
  BackupOutcome outcome;
  outcome.read = true;
  outcome.fault = store.Keep(unit, SettingsAsHeld(replies, mpgCapable), &outcome.path);
  return outcome;
}
