#include "protocol/Backups.h"

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

TEST(BackupsTest, ABackupHoldsExactlyWhatTheUnitHeld) {
  std::vector<std::string> replies = {"0,07",     "0,03", "0,08", "0,FF",   "0,99", "0,12", "0,FF", "0,FF",
                                      "0,-120.5", "0,0",  "0,0",  "0,1",    "0,1",  "0,1",  "0,1",  "0,1",
                                      "0,1",      "0,1",  "0,1",  "0,5000", "0,1",  "0,1",  "0,1",  "0,1",
                                      "0,00",     "0,7F", "0,00", "0,80",   "0,FF"};
  const UnitSettings exact = SettingsExactlyAsHeld(replies, true);
  const std::pair<const char*, const char*> expected[] = {
      {"OUT1", "? (0,07)"},          {"OUT2", "Ofuk"},
      {"BreakDelay", "? (0,99)"},    {"XAxisPolarity", "? (0,12)"},
      {"ClockPolarity", "? (0,12)"}, {"LoLimitX", "? (0,-120.5)"},
      {"TimeOver", "? (0,5000)"},    {"GearX", "1.000000"},
      {"Povoleno.14", "? (0,7F)"},   {"Polarita.15", "1"},
      {"AxisLink", "A => A"},
  };
  for (const auto& [name, value] : expected) EXPECT_EQ(exact.Get(name), value) << name;
  // Read back by vorkactl, and put back register by register as it was.
  const std::string text = WriteSettingsText(exact, {"VK1", "v", "", ""});
  const SettingsFileLoad load = ParseSettingsText(text, SettingsReader::Unit);
  ASSERT_TRUE(load.settings) << EnglishText(load.error);
  EXPECT_EQ(load.settings->Values(), exact.Values());
  std::vector<std::string> writes;
  for (const WriteLine& line : WritesForSettings(*load.settings, std::vector<std::string>(29, "0,00"), true))
    writes.push_back(line.command);
  for (const char* write :
       {"EW01,07", "EWFD,99", "EW05,12", "EFW10,-120.5", "EUW48,5000", "EW09,7F", "EW0B,80"})
    EXPECT_NE(std::find(writes.begin(), writes.end(), write), writes.end()) << write;
  // The window shows no value of its own: it names the setting and applies nothing.
  const SettingsFileLoad window = ParseSettingsText(text);
  ASSERT_FALSE(window.settings);
  EXPECT_EQ(window.error.name, "OUT1");
  // A value of its own must fit its register.
  EXPECT_FALSE(ParseSettingsText("OUT1 = ? (0,7)\n", SettingsReader::Unit).settings);
  EXPECT_FALSE(ParseSettingsText("GearX = ? (0,abc)\n", SettingsReader::Unit).settings);
}

}  // namespace
