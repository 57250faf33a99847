// What the window sends and stores is exactly what it shows, or it says why not.
#include "tests/support/FilesFixture.h"
#include "ui_Compare.h"
#include "ui_Term.h"
#include "window/SettingsFiles.h"

#include <QFileDialog>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

using Commands = std::vector<std::string>;

const QString kSaved = QStringLiteral("Uložení proběhlo v pořádku");

std::string Slurp(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class SaveIntegrityTest : public FilesFixture {
 protected:
  // The commands a save sent, and what the operator was told.
  Commands Save() {
    unit_.ClearReceived();
    messages_.all.clear();
    term_->BtnSend1Click();
    Settle();
    return Received();
  }
  std::string Sent(const Commands& commands, const std::string& prefix) {
    for (const std::string& c : commands)
      if (c.rfind("!0" + prefix, 0) == 0) return c.substr(2);
    return {};
  }

  // The window's settings as the flows see them.
  SettingsControls& Controls() { return *term_; }
};

TEST_F(SaveIntegrityTest, EachGridCellIsItsOwnBitOrTheSaveStops) {
  struct Case {
    int column;
    std::vector<std::pair<int, const char*>> cells;  // grid row, text
    const char* low;                                 // register 08 or 0A as sent
    const char* high;                                // register 09 or 0B as sent
    const char* refusal;
  };
  const Case cases[] = {
      {4, {{1, "1"}, {8, "1"}}, "EW08,81", "EW09,00", nullptr},
      {4, {{9, "1"}}, "EW08,00", "EW09,40", nullptr},
      {3, {{10, "1"}, {3, "1"}}, "EW0A,04", "EW0B,80", nullptr},
      // Input 2 emptied and input 3 set: nothing may move input 3's bit onto input 2.
      {4, {{3, ""}, {4, "1"}}, nullptr, nullptr, "Neuloženo: „Povoleno – vstup 2“ musí být 0 nebo 1"},
      {4, {{2, "10"}}, nullptr, nullptr, "Neuloženo: „Povoleno – vstup 1“ musí být 0 nebo 1"},
      {3, {{9, "x"}}, nullptr, nullptr, "Neuloženo: „Polarita – vstup 14“ musí být 0 nebo 1"},
  };
  StartQuick();
  for (const Case& c : cases) {
    for (int row = 1; row <= 10; ++row)
      for (int column : {3, 4}) Controls().SetCell(column, row, "0");
    for (const auto& [row, text] : c.cells) Controls().SetCell(c.column, row, text);
    const Commands sent = Save();
    if (c.refusal) {
      EXPECT_EQ(messages_.all, QStringList{QString::fromUtf8(c.refusal)});
      EXPECT_EQ(sent, (Commands{"!0Q", "!0?"})) << c.refusal;  // no write at all
      continue;
    }
    EXPECT_EQ(messages_.all, QStringList{kSaved}) << c.low;
    const std::string low = c.column == 4 ? "EW08," : "EW0A,", high = c.column == 4 ? "EW09," : "EW0B,";
    EXPECT_EQ(Sent(sent, low), c.low);
    EXPECT_EQ(Sent(sent, high), c.high);
  }
}

TEST_F(SaveIntegrityTest, NumbersReachTheUnitAsPlainDecimals) {
  struct Case {
    const char* field;
    const char* typed;
    const char* sent;
  };
  const Case cases[] = {
      {"HiLimitX", "$10", "EFW20,16"},       {"TimeOver", "0x64", "EUW48,100"},
      {"RefSpeedX", " 15", "EFW50,15"},      {"MpgAcc", "+100", "EFW40,100"},
      {"DefSpinSpeed", "0100", "EUW4C,100"}, {"HiLimitY", "15", "EFW24,15"},
      {"LoLimitZ", "-0015", "EFW18,-15"},
  };
  StartQuick();
  for (const Case& c : cases) {
    Controls().SetFieldText(c.field, c.typed);
    const Commands sent = Save();
    EXPECT_EQ(messages_.all, QStringList{kSaved}) << c.field;
    EXPECT_EQ(Sent(sent, std::string(c.sent).substr(0, std::string(c.sent).find(',') + 1)), c.sent)
        << c.field << " typed as \"" << c.typed << "\"";
  }

  // A settings file's spellings too: the brake delay and the file the window saves.
  std::ofstream(path_.toStdString()) << "BreakDelay = $10\nTimeOver = 0x64\nHiLimitZ = +0012\n";
  Choose(path_);
  term_->Files().LoadFromFileClick();
  EXPECT_EQ(Sent(Save(), "EWFD,"), "EWFD,16");
  Controls().SetFieldText("TimeOver", "0x64");
  term_->Files().SaveToFileClick();
  const std::string saved = Slurp(path_);
  for (const char* line : {"\nBreakDelay = 16\n", "\nTimeOver = 100\n", "\nHiLimitZ = 12\n"})
    EXPECT_NE(saved.find(line), std::string::npos) << line << saved;
}

TEST_F(SaveIntegrityTest, AListWithoutAnItemStopsTheSaveNamed) {
  StartQuick();
  term_->MpgUsage().SetItemIndex(1);  // the start input is in use
  ui().StartNum->setCurrentIndex(-1);
  ui().StartNum->setEditText(QStringLiteral("INT 9"));
  EXPECT_EQ(Save(), (Commands{"!0Q", "!0?"}));
  EXPECT_EQ(
      messages_.all,
      QStringList{QStringLiteral("Neuloženo: „Č. vstupu pro start ref. pojezdu“ nemá vybranou položku")});
  // The file holds what a save would send: the same refusal, no file.
  messages_.all.clear();
  Choose(path_);
  term_->Files().SaveToFileClick();
  EXPECT_EQ(messages_.all.size(), 1);
  EXPECT_FALSE(QFileInfo::exists(path_));
}

TEST_F(SaveIntegrityTest, TheComparisonShowsAValueTheWindowCannotShow) {
  StartQuick();
  term_->ReadSettingClick();
  Settle();
  unit_.SetByteRegister("01", 0x07);  // no output function has code 07
  int shown = 0;
  term_->Files().RunCompareDialog = [&](TFormCompare&) { ++shown; };
  term_->Files().CompareWithUnitClick();
  Settle();
  ASSERT_EQ(shown, 1);
  const auto& grid = *term_->Files().CompareDialog().ui->GridDiff;
  ASSERT_EQ(grid.rowCount(), 1);
  EXPECT_EQ(grid.item(0, 0)->text(), QStringLiteral("OUT1"));
  EXPECT_EQ(grid.item(0, 1)->text(), QStringLiteral("Chlazení"));
  EXPECT_EQ(grid.item(0, 2)->text(), QStringLiteral("? (0,07)"));
}

TEST_F(SaveIntegrityTest, FileFaultsAreNamedInCzechAndTheOldFileStaysWhole) {
  struct Case {
    const char* what;
    std::function<void(const QString& path)> prepare;  // the fault
    bool save;                                         // or load
    const char* told;
  };
  const std::string old = "# old\nOUT1 = Laser\n";
  const Case cases[] = {
      {"a FIFO", [](const QString& p) { ::mkfifo(p.toLocal8Bit().constData(), 0600); }, true,
       "Nastavení nelze uložit do souboru: není to obyčejný soubor"},
      {"a full disk", [&](const QString& p) { std::ofstream(p.toStdString()) << old; }, true,
       "Nastavení nelze uložit do souboru: soubor je příliš velký"},
      {"a folder", [](const QString& p) { QDir().mkpath(p); }, false,
       "Soubor nelze přečíst: není to obyčejný soubor"},
      {"no settings", [](const QString& p) { std::ofstream(p.toStdString()) << "# nothing\n\n"; }, false,
       "Soubor neobsahuje žádné nastavení.\nNic nebylo načteno."},
      {"too large", [](const QString& p) { std::ofstream(p.toStdString()) << std::string(2 << 20, '#'); },
       false, "Soubor nelze přečíst: soubor je větší, než soubor nastavení může být"},
      {"not UTF-8",
       [](const QString& p) { std::ofstream(p.toStdString()) << "OUT1 = Laser\n\nOUT2 = \xE8\n"; }, false,
       "Řádek 3: text není v kódování UTF-8.\nNic nebylo načteno."},
  };
  StartQuick();
  int n = 0;
  for (const Case& c : cases) {
    const QString path = dir_.filePath(QStringLiteral("case%1.vorka").arg(++n));
    c.prepare(path);
    Choose(path);
    messages_.all.clear();
    if (!c.save) {
      term_->Files().LoadFromFileClick();
    } else if (std::string(c.what) == "a full disk") {
      // A file-size limit makes the disk full for this process only.
      const auto previous = std::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{};
      ::getrlimit(RLIMIT_FSIZE, &limit);
      const rlimit small{100, limit.rlim_max};
      ::setrlimit(RLIMIT_FSIZE, &small);
      term_->Files().SaveToFileClick();
      ::setrlimit(RLIMIT_FSIZE, &limit);
      std::signal(SIGXFSZ, previous);
      EXPECT_EQ(Slurp(path), old);
      EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 1) << "a temporary file was left";
    } else {
      term_->Files().SaveToFileClick();
    }
    EXPECT_EQ(messages_.all, QStringList{QString::fromUtf8(c.told)}) << c.what;
    QFile::remove(path);
  }
}

TEST_F(SaveIntegrityTest, ANameTypedWithoutTheSuffixGetsItBeforeTheOverwriteQuestion) {
  Create();
  const std::unique_ptr<QFileDialog> dialog = term_->Files().MakeSaveDialog();
  EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("vorka"));
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
  dialog->setDirectory(dir_.path());
  dialog->selectFile(QStringLiteral("machine1"));
  // The name the dialog checks for an existing file, and hands back, carries the suffix.
  ASSERT_EQ(dialog->selectedFiles().size(), 1);
  EXPECT_EQ(dialog->selectedFiles().first(), dir_.filePath(QStringLiteral("machine1.vorka")));
}

TEST_F(SaveIntegrityTest, InputNamesKeepTheFilesRuleSoASavedFileLoadsAgain) {
  StartQuick();
  auto* grid = ui().StrGridVstupy;
  grid->item(1, 2)->setText(QStringLiteral("Ref\tX"));  // pasted, or from a TORVEL file
  grid->item(2, 2)->setText(QString(300, QLatin1Char('y')));
  grid->item(3, 2)->setText(QString(200, QChar(0x10D)));  // "č", two bytes each
  EXPECT_EQ(grid->item(1, 2)->text(), QStringLiteral("Ref X"));
  EXPECT_EQ(grid->item(2, 2)->text(), QString(255, QLatin1Char('y')));
  EXPECT_EQ(grid->item(3, 2)->text(), QString(127, QChar(0x10D)));
  Choose(path_);
  term_->Files().SaveToFileClick();
  grid->item(1, 2)->setText(QStringLiteral("-"));
  term_->Files().LoadFromFileClick();
  EXPECT_TRUE(messages_.all.isEmpty()) << messages_.all.join(u'|').toStdString();
  EXPECT_EQ(grid->item(1, 2)->text(), QStringLiteral("Ref X"));
}

TEST_F(SaveIntegrityTest, TheHeaderNamesTheUnitOnlyForValuesReadFromIt) {
  const std::string window = "# Hodnoty: z okna programu, nepřečtené z jednotky\n";
  const std::string unit = "# Jednotka: VK12345, TK20MPG v2.4\n";
  StartQuick();
  Choose(path_);
  term_->Files().SaveToFileClick();  // the form's initial values, a unit connected
  EXPECT_NE(Slurp(path_).find(window), std::string::npos);
  EXPECT_EQ(Slurp(path_).find("# Jednotka"), std::string::npos);

  term_->ReadSettingClick();
  Settle();
  term_->Files().SaveToFileClick();
  EXPECT_NE(Slurp(path_).find(unit), std::string::npos);

  Controls().SelectItem("OUT2", 1);  // edited since the read
  term_->Files().SaveToFileClick();
  EXPECT_NE(Slurp(path_).find(window), std::string::npos);
  Controls().SelectItem("OUT2", 3);  // back to what the unit holds
  term_->Files().SaveToFileClick();
  EXPECT_NE(Slurp(path_).find(unit), std::string::npos);
}

}  // namespace
