#include "look/Language.h"
#include "tests/support/FilesFixture.h"
#include "ui_Compare.h"
#include "ui_Term.h"
#include "window/SettingsFiles.h"

#include <QMenu>
#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <utility>

namespace {

using Commands = std::vector<std::string>;

class SettingsFilesTest : public FilesFixture {
 protected:
  // The writes a save sends, without the identification and the backup's read before them.
  Commands Save() {
    unit_.ClearReceived();
    term_->BtnSend1Click();
    Settle();
    // The writes between the identification with the read the backup keeps and the read back.
    Commands writes = Received();
    writes.erase(writes.begin(), writes.begin() + std::min<std::ptrdiff_t>(2 + 29, std::ssize(writes)));
    writes.resize(std::min<std::size_t>(writes.size(), 29));
    return writes;
  }
  std::vector<QStringList> Rows() {
    const auto& grid = *term_->Files().CompareDialog().ui->GridDiff;
    std::vector<QStringList> rows;
    for (int r = 0; r < grid.rowCount(); ++r)
      rows.push_back({grid.item(r, 0)->text(), grid.item(r, 1)->text(), grid.item(r, 2)->text()});
    return rows;
  }
};

TEST_F(SettingsFilesTest, MenuSouborStandsBeforePort) {
  Create();
  const auto actions = ui().MainMenu1->actions();
  ASSERT_GE(actions.size(), 3);
  EXPECT_EQ(actions[0]->text(), QStringLiteral("Soubor"));
  EXPECT_EQ(actions[1]->text(), QStringLiteral("Port"));
  QStringList items;
  for (QAction* a : actions[0]->menu()->actions()) items << a->text();
  EXPECT_EQ(items,
            (QStringList{QStringLiteral("Uložit nastavení do souboru…"),
                         QStringLiteral("Načíst nastavení ze souboru…"),
                         QStringLiteral("Porovnat s jednotkou…"), QStringLiteral("Zálohy jednotky…"),
                         QStringLiteral("Protokol o nastavení…"), QStringLiteral("Sériové nastavení…")}));
}

TEST_F(SettingsFilesTest, FileFromAReadWindowSavedFromAFreshWindowSendsTheSameWrites) {
  StartQuick();
  DistinctiveRegisters();
  term_->ReadSettingClick();
  Settle();
  ui().StrGridVstupy->item(4, 2)->setText(QStringLiteral("Dveře"));
  Choose(path_);
  ui().SaveToFileMnu->trigger();
  const Commands before = Save();
  ASSERT_EQ(before.size(), 29u);

  StartQuick();  // a fresh window, the unit back at its factory settings
  unit_.ResetRegisters();
  Choose(path_);
  ui().LoadFromFileMnu->trigger();
  EXPECT_TRUE(Received().empty());  // nothing is sent before the operator saves
  EXPECT_EQ(ui().StrGridVstupy->item(4, 2)->text(), QStringLiteral("Dveře"));
  EXPECT_EQ(Save(), before);
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Uložení proběhlo v pořádku")});
}

TEST_F(SettingsFilesTest, BrokenFileAppliesNothingAndNamesItsLine) {
  StartQuick();
  std::ofstream(path_.toStdString()) << "OUT1 = Laser\nGearX = 2\nHiLimitY = 99999\n";
  Choose(path_);
  term_->Files().LoadFromFileClick();
  EXPECT_EQ(messages_.all,
            QStringList{QStringLiteral(
                "Řádek 3: hodnota „99999“ nepatří k nastavení „HiLimitY“.\nNic nebylo načteno.")});
  EXPECT_EQ(term_->OUT1().ItemIndex(), 0);
  EXPECT_EQ(ui().GearX->text(), QStringLiteral("1.000000"));
}

TEST_F(SettingsFilesTest, LoadedGearsGoThroughTheValidationPass) {
  StartQuick();
  std::ofstream(path_.toStdString()) << "GearX = 200 * 16 / 5\nBreakDelay = 5\n";
  Choose(path_);
  term_->Files().LoadFromFileClick();
  EXPECT_EQ(ui().GearX->text(), QStringLiteral("640.000000"));
  EXPECT_EQ(breakDelayValue(), 5);
  EXPECT_TRUE(messages_.all.isEmpty());
}

TEST_F(SettingsFilesTest, ComparisonListsExactlyTheChangedSettingsAndWritesNothing) {
  StartQuick();
  term_->ReadSettingClick();
  Settle();
  unit_.SetByteRegister("01", 0x01);    // OUT1: Laser
  unit_.SetTextRegister("24", "2500");  // Hi-Limit Y
  unit_.SetByteRegister("08", 0x05);    // inputs 0 and 2 enabled
  unit_.SetByteRegister("05", 0xEF);    // clock inverted
  unit_.ClearReceived();
  int shown = 0;
  term_->Files().RunCompareDialog = [&](TFormCompare&) { ++shown; };
  ui().CompareMnu->trigger();
  Settle();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(
      Rows(),
      (std::vector<QStringList>{
          {QStringLiteral("OUT1"), QStringLiteral("Chlazení"), QStringLiteral("Laser")},
          {QStringLiteral("Polarita signálu (CLK)"), QStringLiteral("Normální"), QStringLiteral("Inverzní")},
          {QStringLiteral("Hi-Limit Y [mm]"), QStringLiteral("1"), QStringLiteral("2500")},
          {QStringLiteral("Povoleno – vstup 0"), QStringLiteral("0"), QStringLiteral("1")},
          {QStringLiteral("Povoleno – vstup 2"), QStringLiteral("0"), QStringLiteral("1")},
      }));
  EXPECT_EQ(term_->OUT1().ItemIndex(), 2);       // the window is untouched
  for (const std::string& command : Received())  // reads only
    for (const char* write : {"!0EW", "!0EFW", "!0EUW"}) EXPECT_NE(command.rfind(write, 0), 0u) << command;
  EXPECT_TRUE(messages_.all.isEmpty());
}

// The file holds the same words whichever language the window speaks, and one saved in either
// loads in the other as it was; only what the window shows follows the language.
TEST_F(SettingsFilesTest, AFileSavedInOneLanguageLoadsInTheOtherAsItWas) {
  const auto settingLines = [](const QString& path) {
    std::ifstream in(path.toStdString());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
      if (!line.starts_with('#')) lines.push_back(line);  // the comments say when it was saved
    return lines;
  };
  const QString czechFile = path_ + QStringLiteral(".cs");
  const QString englishFile = path_ + QStringLiteral(".en");
  DistinctiveRegisters();
  unit_.SetByteRegister("05", 0xEF);  // the clock inverted: a word of its own in the file
  for (const auto& [language, file] :
       {std::pair{Language::Czech, czechFile}, std::pair{Language::English, englishFile}}) {
    ASSERT_TRUE(InstallLanguage(language));
    StartQuick();
    term_->ReadSettingClick();
    Settle();
    Choose(file);
    ui().SaveToFileMnu->trigger();
  }
  const std::vector<std::string> lines = settingLines(czechFile);
  EXPECT_EQ(settingLines(englishFile), lines);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "OUT1 = Signalizace přerušení"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "ClockPolarity = Inverzní"), lines.end());

  // The English file into a Czech window, the Czech one into an English window: the same writes.
  std::vector<Commands> writes;
  for (const auto& [language, file] :
       {std::pair{Language::Czech, englishFile}, std::pair{Language::English, czechFile}}) {
    ASSERT_TRUE(InstallLanguage(language));
    StartQuick();
    unit_.ResetRegisters();
    Choose(file);
    ui().LoadFromFileMnu->trigger();
    writes.push_back(Save());
  }
  InstallLanguage(Language::Czech);
  ASSERT_EQ(writes[0].size(), 29u);
  EXPECT_EQ(writes[1], writes[0]);
}

// The comparison in English: the settings' captions and words translated, numbers as they are.
TEST_F(SettingsFilesTest, TheComparisonInEnglishNamesTheSettingsInEnglish) {
  ASSERT_TRUE(InstallLanguage(Language::English));
  StartQuick();
  term_->ReadSettingClick();
  Settle();
  unit_.SetByteRegister("01", 0x01);
  unit_.SetByteRegister("08", 0x01);
  unit_.SetByteRegister("05", 0xEF);
  term_->Files().RunCompareDialog = [](TFormCompare&) {};
  ui().CompareMnu->trigger();
  Settle();
  InstallLanguage(Language::Czech);
  EXPECT_EQ(
      Rows(),
      (std::vector<QStringList>{
          {QStringLiteral("OUT1"), QStringLiteral("Coolant"), QStringLiteral("Laser")},
          {QStringLiteral("Signal polarity (CLK)"), QStringLiteral("Normal"), QStringLiteral("Inverted")},
          {QStringLiteral("Enabled – input 0"), QStringLiteral("0"), QStringLiteral("1")},
      }));
}

// A file's fault is told in the windows' language, its reason too.
TEST_F(SettingsFilesTest, AFileThatCannotBeReadIsToldInTheWindowsLanguage) {
  ASSERT_TRUE(InstallLanguage(Language::English));
  Create();
  Choose(path_ + QStringLiteral(".missing"));
  ui().LoadFromFileMnu->trigger();
  InstallLanguage(Language::Czech);
  ASSERT_EQ(messages_.all.size(), 1);
  const QString told = messages_.all.front();
  EXPECT_TRUE(told.startsWith(QStringLiteral("The file cannot be read: "))) << told.toStdString();
  EXPECT_TRUE(std::all_of(told.begin(), told.end(), [](QChar c) { return c.unicode() < 0x80; }))
      << told.toStdString();
}

TEST_F(SettingsFilesTest, ComparisonWithoutDifferencesOrWithoutAUnitShowsNoDialog) {
  StartQuick();
  term_->ReadSettingClick();
  Settle();
  int shown = 0;
  term_->Files().RunCompareDialog = [&](TFormCompare&) { ++shown; };
  term_->Files().CompareWithUnitClick();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Nastavení v okně a v jednotce se shodují.")});
  messages_.all.clear();
  unit_.SetSilentOnCommand("EFR30");
  term_->Files().CompareWithUnitClick();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});
  EXPECT_EQ(shown, 0);
}

}  // namespace
