#include "protocol/settings/Backups.h"

#include <gtest/gtest.h>

#include <QDir>
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

}  // namespace
