#include "protocol/SettingsModel.h"
#include "protocol/flows/UnitFlows.h"
#include "protocol/settings/Settings.h"
#include "sim/VirtualUnit.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

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

// The factory settings as vorkactl defaults writes them, and as a unit fresh from the factory
// holds them (the virtual unit starts from the same table): read back, they are all already there.
TEST(SettingsFileTest, AFreshUnitHoldsTheFactorySettings) {
  VirtualUnit unit;
  std::vector<std::string> replies;
  for (const std::string& command : BuildReadScript(true))
    replies.push_back(unit.Respond(kUnitPrefix + command).value_or(""));
  const WritePlan plan = PlanWrites(FactoryUnitSettings(), replies, true);
  EXPECT_TRUE(plan.untouched.empty());
  EXPECT_EQ(plan.writes.size(), kRegistersWithMpg);
  for (const WriteLine& line : plan.writes) {
    const std::string written = line.command.substr(std::strlen(line.reg->writePrefix));
    const std::string held = ReplyOfRegister(*line.reg, replies).substr(2);
    EXPECT_TRUE(SameRegisterValue(*line.reg, written, held))
        << line.command << " where the unit holds " << held;
  }
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

// The one reading of a unit: every kind of content a register can hold, as a file, a comparison
// and a backup see it, and the writes that put it back.
TEST(SettingsFileTest, TheUnitAsItHoldsItsSettingsAndBackAgain) {
  std::vector<std::string> replies = {
      "0,02", "0,07",   "0,09",  "FF",  "0,99",         "0,FE",  "0,02",  "0,EE", "0,-7", "0,-120.5",
      "0,0",  "0,5000", "0,1",   "0,1", "0,1.23456789", "0,640", "0,abc", "0,1",  "0,1",  "0,100.000000",
      "0,1",  "",       "0,nan", "0,1", "0,81",         "0,7F",  "0,00",  "0,80", "0,01"};
  const UnitSettings held = SettingsAsHeld(replies, true);
  const std::pair<const char*, const char*> expected[] = {
      {"OUT1", "Chlazení"},
      {"OUT2", "? (0,07)"},
      {"OUT3", "Signalizace přerušení"},
      {"PWM", "? (FF)"},
      {"BreakDelay", "? (0,99)"},
      {"XAxisPolarity", "Záporná"},
      {"YAxisPolarity", "Kladná"},
      {"ClockPolarity", "Normální"},
      {"StartNum", "? (0,EE)"},
      {"LoLimitX", "-7"},
      {"LoLimitY", "? (0,-120.5)"},
      {"HiLimitX", "5000"},
      {"GearX", "1.23456789"},
      {"GearY", "640"},
      {"GearZ", "? (0,abc)"},
      {"TimeOver", "100.000000"},
      {"RefSpeedX", "? ()"},
      {"RefSpeedY", "? (0,nan)"},
      {"Povoleno.0", "1"},
      {"Povoleno.7", "1"},
      {"Povoleno.14", "? (0,7F)"},
      {"Povoleno.15", "? (0,7F)"},
      {"Polarita.15", "1"},
      {"AxisLink", "X => A"},
  };
  for (const auto& [name, value] : expected) EXPECT_EQ(held.Get(name), value) << name;
  EXPECT_FALSE(held.Get("Jmeno.0"));
  // A polarity byte outside E0 ... FF names none of the five settings.
  replies[5] = "0,12";
  EXPECT_EQ(SettingsAsHeld(replies, true).Get("ClockPolarity"), "? (0,12)");

  // A backup of it reads back as the same settings, and the window refuses it by the first name.
  const UnitSettings exact = SettingsAsHeld(replies, true);
  const std::string text = WriteSettingsText(exact, {"VK1", "v", "", ""});
  const SettingsFileLoad load = ParseSettingsText(text, SettingsReader::Unit);
  ASSERT_TRUE(load.settings) << EnglishText(load.error);
  EXPECT_EQ(load.settings->Values(), exact.Values());
  EXPECT_TRUE(Differences(exact, *load.settings).empty());
  EXPECT_EQ(ParseSettingsText(text).error.name, "OUT2");

  // Put back into a unit that holds something else everywhere: every register that parsed gets
  // its text back to the letter; the three that did not are left alone and named.
  const std::vector<std::string> other(29, "0,00");
  const WritePlan plan = PlanWrites(*load.settings, other, true);
  EXPECT_EQ(plan.tooLong, nullptr);
  std::vector<std::string> after = other;
  for (const WriteLine& line : plan.writes) {
    const auto n = static_cast<std::size_t>(line.reg - RegisterTable().data());
    after[n] = "0," + line.command.substr(std::strlen(line.reg->writePrefix));
  }
  std::vector<std::string> untouched;
  for (const Register* reg : plan.untouched) untouched.emplace_back(reg->read);
  EXPECT_EQ(untouched, (std::vector<std::string>{"ER04", "EFR38", "EFR50", "EFR54"}));
  for (std::size_t n = 0; n < replies.size(); ++n) {
    if (std::find(untouched.begin(), untouched.end(), RegisterTable()[n].read) == untouched.end()) {
      EXPECT_EQ(after[n], replies[n]) << RegisterTable()[n].read;
    }
  }
  EXPECT_TRUE(UnverifiedRegisters(plan.writes, other, after, true).empty());
  // The same value spelt otherwise is the same; another value is not, however close.
  EXPECT_TRUE(SameSettingValue(*FindSetting("TimeOver"), "100", "100.000000"));
  EXPECT_FALSE(SameSettingValue(*FindSetting("GearX"), "1.23456789", "1.234568"));
  EXPECT_TRUE(SameSettingValue(*FindSetting("GearX"), "0.5", "5e-1"));
}

// A line the link would cut is refused before anything is sent.
TEST(SettingsFileTest, AWriteThatWouldNotFitOneLineIsNamed) {
  UnitSettings settings;
  settings.Set("OUT1", "Laser");
  const std::string longNumber = "1." + std::string(246, '0');
  settings.Set("GearX", longNumber);
  const std::vector<std::string> replies(29, "0,1");
  const WritePlan plan = PlanWrites(settings, replies, true);
  ASSERT_NE(plan.tooLong, nullptr);
  EXPECT_STREQ(plan.tooLong->read, "EFR30");
  settings.Set("GearX", "1." + std::string(245, '0'));  // "!0EFW30," and 247 characters: 255
  EXPECT_EQ(PlanWrites(settings, replies, true).tooLong, nullptr);
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

namespace {

// Each reason a file cannot be read or written is named, on Windows as on Linux (where Qt's files
// set no errno there, the system's own error is translated).
TEST(SettingsFileFaultTest, EachReasonIsNamedOnEverySystem) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string folder = dir.path().toStdString();
  const std::string readOnly = folder + "/read-only.vorka";
  ASSERT_FALSE(SaveSettingsFile(readOnly, "x\n", FileTarget::RegularOnly));
  QFile::setPermissions(QString::fromStdString(readOnly), QFileDevice::ReadOwner | QFileDevice::ReadOther);
  const bool permissionsHold = !QFileInfo(QString::fromStdString(readOnly)).isWritable();  // not for root
  std::string text;
  struct Case {
    const char* what;
    FileFault fault;
    std::string english;
  };
  const Case cases[] = {
      {"load of a missing file", LoadSettingsFile(folder + "/none.vorka", text, FileTarget::RegularOnly),
       "no such file or folder"},
      {"load from a missing folder",
       LoadSettingsFile(folder + "/none/x.vorka", text, FileTarget::RegularOnly), "no such file or folder"},
      {"save into a missing folder",
       SaveSettingsFile(folder + "/none/x.vorka", "x\n", FileTarget::RegularOnly), "no such file or folder"},
      {"save over a read-only file", SaveSettingsFile(readOnly, "y\n", FileTarget::RegularOnly),
       permissionsHold ? "permission denied" : ""},
  };
  for (const Case& c : cases) {
    if (c.english.empty()) continue;  // root writes whatever the permissions say
    EXPECT_EQ(EnglishText(c.fault), c.english) << c.what;
    EXPECT_NE(CzechText(c.fault), "chyba vstupu/výstupu") << c.what;
  }
  QFile::setPermissions(QString::fromStdString(readOnly), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

}  // namespace
