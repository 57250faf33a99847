#include "protocol/SettingsFile.h"
#include "protocol/SettingsModel.h"
#include "protocol/UnitFlows.h"

#include <gtest/gtest.h>

namespace {

TEST(SettingsFileTest, NamesFollowTheRegisterTableAndAreUnique) {
  const auto defs = SettingDefs();
  ASSERT_EQ(defs.size(), 4u + 1 + 5 + 2 + 16 + 10 + 10 + 1 + 10);
  EXPECT_EQ(defs[0].name, "OUT1");
  EXPECT_EQ(defs[4].name, "BreakDelay");
  EXPECT_EQ(defs[5].name, "XAxisPolarity");
  EXPECT_EQ(defs[9].name, "ClockPolarity");
  EXPECT_EQ(defs[28].name, "Povoleno.0");
  EXPECT_EQ(defs[37].name, "Povoleno.15");
  EXPECT_EQ(defs[48].name, "AxisLink");
  EXPECT_EQ(defs.back().name, "Jmeno.15");
  for (const SettingDef& def : defs) EXPECT_EQ(FindSetting(def.name), &def) << def.name;
}

TEST(SettingsFileTest, FactorySettingsAsTextAndBack) {
  SettingsModel controls;
  ApplyFactorySettings(controls);
  const UnitSettings settings = SettingsOf(controls, true);
  const std::string text =
      WriteSettingsText(settings, {"VK1", "TK20MPG v2.4", "2026-12-07 10:00", "vorka_config 1.3"});
  EXPECT_NE(text.find("# Jednotka: VK1, TK20MPG v2.4\n"), std::string::npos);
  for (const char* line : {"\nOUT1 = Chlazení\n", "\nOUT3 = Brzda\n", "\nBreakDelay = 10\n",
                           "\nClockPolarity = Normální\n", "\nGearX = 1.000000\n", "\nTimeOver = 100\n",
                           "\nAxisLink = A => A\n", "\nPovoleno.14 = 0\n", "\nJmeno.0 = RefX\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  const SettingsFileLoad load = ParseSettingsText(text);
  ASSERT_TRUE(load.settings) << EnglishText(load.error);
  EXPECT_EQ(load.settings->Values(), settings.Values());
  // The same controls come out of it: the write scripts are equal.
  SettingsModel again;
  again.SelectItem("OUT1", 5);
  ApplySettings(*load.settings, again);
  EXPECT_EQ(BuildWriteScript(again, true), BuildWriteScript(controls, true));
}

TEST(SettingsFileTest, BrokenFilesNameTheirLineAndGiveNothing) {
  struct Case {
    const char* text;
    SettingsFileError::Kind kind;
    int line;
  };
  using K = SettingsFileError::Kind;
  const Case cases[] = {
      {"OUT1 = Laser\nOUT9 = Laser\n", K::Unknown, 2},
      {"# a comment\n\nHiLimitX = 20000\n", K::BadValue, 3},
      {"HiLimitX = 12a\n", K::BadValue, 1},
      {"LoLimitY = 5\n", K::BadValue, 1},
      {"GearX = 0,5\n", K::BadValue, 1},
      {"GearY = 200*x\n", K::BadValue, 1},
      {"BreakDelay = 51\n", K::BadValue, 1},
      {"OUT2 = Lasser\n", K::BadValue, 1},
      {"XAxisPolarity = kladná\n", K::BadValue, 1},
      {"Povoleno.3 = 2\n", K::BadValue, 1},
      {"Jmeno.3 = a\tb\n", K::BadValue, 1},
      {"OUT1 Laser\n", K::Malformed, 1},
      {" = 5\n", K::Malformed, 1},
      {"OUT1 = Laser\r\nOUT2 = Ofuk\r\nOUT1 = Brzda\r\n", K::Duplicate, 3},
      {"OUT1 = Laser\n\xff\n", K::NotText, 2},
      {"Jmeno.3 = Dve\xc5", K::NotText, 1},  // a character cut off at the end
  };
  for (const Case& c : cases) {
    const SettingsFileLoad load = ParseSettingsText(c.text);
    EXPECT_FALSE(load.settings) << c.text;
    EXPECT_EQ(load.error.kind, c.kind) << c.text;
    EXPECT_EQ(load.error.line, c.line) << c.text;
  }
  EXPECT_EQ(CzechText({K::Unknown, 2, "OUT9", ""}), "Řádek 2: neznámé nastavení „OUT9“.");
  EXPECT_EQ(EnglishText({K::BadValue, 3, "HiLimitX", "20000"}),
            "line 3: value \"20000\" is not allowed for \"HiLimitX\"");
}

TEST(SettingsFileTest, ASubsetSetsOnlyItsNames) {
  const SettingsFileLoad load =
      ParseSettingsText("\xEF\xBB\xBF# outputs only\nOUT2 = Laser\n  OUT3=Ofuk  \n");
  ASSERT_TRUE(load.settings);
  SettingsModel controls;
  controls.SelectItem("OUT1", 4);
  controls.SetText("GearX", "7.000000");
  ApplySettings(*load.settings, controls);
  EXPECT_EQ(controls.ItemIndex("OUT1"), 4);
  EXPECT_EQ(controls.ItemIndex("OUT2"), 1);
  EXPECT_EQ(controls.ItemIndex("OUT3"), 3);
  EXPECT_EQ(controls.Text("GearX"), "7.000000");
  EXPECT_FALSE(load.settings->HasMpgSettings());
  EXPECT_TRUE(ParseSettingsText("GearX = 2\n").settings->HasMpgSettings());
}

TEST(SettingsFileTest, DifferencesListOnlyWhatDiffers) {
  UnitSettings a, b;
  a.Set("OUT1", "Laser");
  b.Set("OUT1", "Laser");
  a.Set("GearX", "640.000000");
  b.Set("GearX", "1.000000");
  b.Set("Povoleno.2", "1");
  const auto d = Differences(a, b);
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].def->caption, "Převod X [kr/mm]");
  EXPECT_EQ(d[1].def->name, "Povoleno.2");
  EXPECT_FALSE(d[1].left);
}

}  // namespace

namespace {

TEST(SettingsFileTest, NumbersAreKeptAsPlainDecimals) {
  struct Case {
    const char* line;
    const char* plain;  // the value as the file is read
  };
  const Case cases[] = {
      {"BreakDelay = $10", "16"},
      {"BreakDelay = 05", "5"},
      {"TimeOver = 0x64", "100"},
      {"HiLimitX =  +100", "100"},
      {"LoLimitY = -0015", "-15"},
      {"DefSpinSpeed = X1F", "31"},
      {"GearX = 200 * 16 / 5", "640.000000"},
      {"GearY = 2,5", "2.500000"},
      {"GearZ = 1", "1.000000"},
  };
  for (const Case& c : cases) {
    const SettingsFileLoad load = ParseSettingsText(std::string(c.line) + "\n");
    ASSERT_TRUE(load.settings) << c.line << ": " << EnglishText(load.error);
    const std::string name = std::string(c.line).substr(0, std::string(c.line).find(' '));
    EXPECT_EQ(load.settings->Get(name), c.plain) << c.line;
    // Written back, it reads as itself.
    EXPECT_NE(WriteSettingsText(*load.settings, {}).find(name + " = " + c.plain + "\n"), std::string::npos);
  }
}

TEST(SettingsFileTest, TheUnitsValuesAsHeldUncorrected) {
  std::vector<std::string> replies = {
      "0,02", "0,07",   "0,09", "0,FF",       "0,10",  "0,FE", "0,02",  "0,EE", "0,-120.5", "0,-7",
      "0,0",  "0,5000", "0,1",  "0,1.000000", "0,640", "0,1",  "0,abc", "0,1",  "0,1",      "0,100.000000",
      "0,1",  "0,1",    "0,1",  "0,1",        "0,81",  "0,7F", "0,00",  "0,80", "0,01"};
  const UnitSettings held = SettingsHeldByUnit(replies, true);
  const std::pair<const char*, const char*> expected[] = {
      {"OUT1", "Chlazení"},
      {"OUT2", "? (0,07)"},
      {"OUT3", "Signalizace přerušení"},
      {"BreakDelay", "10"},
      {"XAxisPolarity", "Záporná"},
      {"YAxisPolarity", "Kladná"},
      {"ClockPolarity", "Normální"},
      {"StartNum", "? (0,EE)"},
      {"LoLimitX", "-120.5"},
      {"LoLimitY", "-7"},
      {"HiLimitX", "5000"},
      {"GearX", "640.000000"},
      {"GearZ", "? (0,abc)"},
      {"TimeOver", "100"},
      {"Povoleno.0", "1"},
      {"Povoleno.7", "1"},
      {"Povoleno.14", "1"},
      {"Povoleno.15", "0"},
      {"Polarita.15", "1"},
      {"AxisLink", "X => A"},
  };
  for (const auto& [name, value] : expected) EXPECT_EQ(held.Get(name), value) << name;
  EXPECT_FALSE(held.Get("Jmeno.0"));
  // A polarity byte outside E0 ... FF names none of the five settings.
  replies[5] = "0,12";
  EXPECT_EQ(SettingsHeldByUnit(replies, true).Get("ClockPolarity"), "? (0,12)");
  // An unknown value is no value a file may hold.
  EXPECT_FALSE(ParseSettingsText("OUT2 = ? (0,07)\n").settings);
}

TEST(SettingsFileTest, MessagesShowFileTextEscapedAndShort) {
  using K = SettingsFileError::Kind;
  EXPECT_EQ(EnglishText({K::BadValue, 2, "OUT1", "\x1b[2J"}),
            "line 2: value \"\\x1B[2J\" is not allowed for \"OUT1\"");
  const std::string czech = CzechText({K::Unknown, 4, std::string(300, 'x'), ""});
  EXPECT_EQ(czech, "Řádek 4: neznámé nastavení „" + std::string(40, 'x') + "…“.");
  EXPECT_EQ(CzechText({K::NoSettings, 0, "", ""}), "Soubor neobsahuje žádné nastavení.");
  EXPECT_EQ(CzechText(FileFault{FileFault::Kind::System, ENOSPC}), "disk je plný");
  EXPECT_EQ(EnglishText(FileFault{FileFault::Kind::System, 12345}), "system error 12345");
}

}  // namespace
