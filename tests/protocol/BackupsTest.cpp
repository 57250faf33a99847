#include "protocol/settings/Backups.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const Identity kUnit{true, true, "VK12345", "TK20MPG v2.4"};

UnitSettings WithTimeOver(int value) {
  UnitSettings settings;
  settings.Set("OUT1", "Laser");
  settings.Set("TimeOver", std::to_string(value));
  return settings;
}

TEST(BackupsTest, TheNewestHundredAreKeptAndAnUnchangedUnitIsNotKeptTwice) {
  QTemporaryDir dir;
  const BackupStore store(dir.path());
  std::string first;
  ASSERT_FALSE(store.Keep(kUnit, WithTimeOver(1), &first));
  std::string again;
  ASSERT_FALSE(store.Keep(kUnit, WithTimeOver(1), &again));
  EXPECT_EQ(again, first);  // the same settings: no second copy
  ASSERT_EQ(store.List("VK12345").size(), 1u);

  for (int n = 2; n <= 101; ++n) ASSERT_FALSE(store.Keep(kUnit, WithTimeOver(n)));
  const std::vector<Backup> kept = store.List("VK12345");
  ASSERT_EQ(kept.size(), 100u);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(first)));  // the oldest went
  EXPECT_EQ(kept.front().settings.Get("TimeOver"), "101");     // newest first
  EXPECT_EQ(kept.back().settings.Get("TimeOver"), "2");
  EXPECT_EQ(kept.front().unitId, "VK12345");
  EXPECT_EQ(kept.front().unitVersion, "TK20MPG v2.4");
  EXPECT_EQ(kept.front().takenAt.size(), std::string("2026-12-07 17:23:05").size());
  // Another unit's backups are its own; --all lists both.
  ASSERT_FALSE(store.Keep({true, false, "VK9/9", "TK20 v1.0"}, WithTimeOver(5)));
  EXPECT_EQ(store.List("VK9/9").size(), 1u);
  EXPECT_EQ(store.List().size(), 101u);
}

// A backup kept while the clock was a year ahead is the newest only until the next one: the store
// counts its backups, and the time is information. A file with a backup's name that does not load
// is listed as damaged, never taken for the newest and never pruned.
TEST(BackupsTest, TheOrderIsTheStoresCountNotTheClock) {
  QTemporaryDir dir;
  QDateTime now = QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
  BackupStore store(dir.path(), [&] { return now; });
  now = now.addDays(400);
  ASSERT_FALSE(store.Keep(kUnit, WithTimeOver(1)));
  now = now.addDays(-400);
  std::string today;
  ASSERT_FALSE(store.Keep(kUnit, WithTimeOver(2), &today));
  std::vector<Backup> kept = store.List("VK12345");
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept.front().path, today);
  EXPECT_EQ(kept.front().settings.Get("TimeOver"), "2");
  // Unchanged is judged against the newest by count: the unit holding 2 again keeps nothing new.
  std::string again;
  ASSERT_FALSE(store.Keep(kUnit, WithTimeOver(2), &again));
  EXPECT_EQ(again, today);

  const QString damaged =
      store.FolderOf("VK12345") + QStringLiteral("/999999_2026-12-09_00-00-00-000Z.vorka");
  QFile file(damaged);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("OUT1 = nic takoveho\n");
  file.close();
  ASSERT_FALSE(store.Keep(kUnit, WithTimeOver(3)));
  kept = store.List("VK12345");
  ASSERT_EQ(kept.size(), 4u);
  EXPECT_FALSE(kept[0].damaged);  // counted after the damaged one
  EXPECT_EQ(kept[0].settings.Get("TimeOver"), "3");
  EXPECT_TRUE(kept[1].damaged);
  for (int n = 4; n <= 120; ++n) ASSERT_FALSE(store.Keep(kUnit, WithTimeOver(n)));
  EXPECT_TRUE(QFile::exists(damaged));
  EXPECT_EQ(store.List("VK12345").size(), 101u);  // a hundred, and the damaged one beside them
}

// A backup of another unit put into a unit's folder (copied by hand, a folder renamed) is listed as
// such, never taken as that unit's newest, never used to decide "unchanged", never pruned.
TEST(BackupsTest, AnotherUnitsBackupInAUnitsFolderIsNeverItsOwn) {
  QTemporaryDir dir;
  const BackupStore store(dir.path());
  std::string foreign;
  ASSERT_FALSE(store.Keep({true, true, "VK22222", "TK20MPG v2.4"}, WithTimeOver(7), &foreign));
  ASSERT_TRUE(QDir().mkpath(store.FolderOf("VK12345")));
  const QString moved =
      store.FolderOf("VK12345") + u'/' + QFileInfo(QString::fromStdString(foreign)).fileName();
  ASSERT_TRUE(QFile::rename(QString::fromStdString(foreign), moved));
  std::vector<Backup> listed = store.List("VK12345");
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_TRUE(listed[0].otherUnit);
  EXPECT_EQ(listed[0].unitId, "VK22222");
  EXPECT_EQ(listed[0].folderUnit, "VK12345");
  // VK12345 holding exactly what it holds: a backup of its own is kept all the same.
  std::string own;
  ASSERT_FALSE(store.Keep(kUnit, WithTimeOver(7), &own));
  EXPECT_NE(own, moved.toStdString());
  for (int n = 8; n <= 120; ++n) ASSERT_FALSE(store.Keep(kUnit, WithTimeOver(n)));
  EXPECT_TRUE(QFile::exists(moved));
  listed = store.List("VK12345");
  EXPECT_EQ(listed.size(), 101u);
  EXPECT_EQ(std::count_if(listed.begin(), listed.end(), [](const Backup& b) { return b.otherUnit; }), 1);
}

}  // namespace
