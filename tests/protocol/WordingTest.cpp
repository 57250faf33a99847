// The one catalogue: every outcome the flows report is worded whole in each language, and a box
// comes in the language of whoever reads it.
#include "common/Wording.h"
#include "protocol/flows/ConsoleUnit.h"
#include "protocol/flows/WriteAndVerify.h"
#include "protocol/settings/Messages.h"
#include "tests/support/RecordingMessages.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>
#include <set>

namespace {

constexpr Language kLanguages[] = {Language::Czech, Language::English};

std::string Joined(const std::vector<const SettingDef*>& defs) {
  std::string names;
  for (const SettingDef* def : defs) names += (names.empty() ? "" : ", ") + def->name;
  return names;
}

TEST(WordingTest, EveryEntryHasItsWordsInEachLanguage) {
  for (int said = 0; said <= static_cast<int>(kLastSaid); ++said)
    for (const Language language : kLanguages)
      EXPECT_FALSE(Words(static_cast<Said>(said), language).empty()) << said;
}

// A name misspelt in a text, or one the wording of writes does not fill, would reach the reader
// as "{name}".
TEST(WordingTest, EveryOutcomeOfAWriteIsWordedWhole) {
  using Outcome = WriteReport::Outcome;
  for (int outcome = 0; outcome <= static_cast<int>(Outcome::OutOfStep); ++outcome)
    for (const bool outOfStep : {false, true})
      for (const bool named : {false, true})
        for (const Language language : kLanguages) {
          WriteReport report;
          report.outcome = static_cast<Outcome>(outcome);
          report.outOfStep = outOfStep;
          report.planned = 3;
          report.answered = 1;
          if (named) report.settings = report.leftAsHeld = {FindSetting("OUT1"), FindSetting("HiLimitY")};
          const std::string text = WriteReportText(report, {language, Joined, "3", "/zalohy/VK1.vorka"});
          SCOPED_TRACE(text);
          EXPECT_FALSE(text.empty());
          EXPECT_EQ(text.find('{'), std::string::npos);
          EXPECT_EQ(text.find('}'), std::string::npos);
        }
}

// Each outcome by its own row, in each language: an outcome worded as its neighbour, or a column
// taken for the other, shows here.
TEST(WordingTest, EachOutcomeOfAWriteSaysWhatHappened) {
  using Outcome = WriteReport::Outcome;
  const struct {
    Outcome outcome;
    bool outOfStep;
    const char* czech;
    const char* english;
  } rows[] = {
      {Outcome::Verified, false, "zapsáno a ověřeno, registrů: 3; ponecháno",
       "written and verified: 3 registers; left as the unit holds them, as the file asks: OUT1; backup: B"},
      {Outcome::ReadFailed, false, "neodpověděla čtení před zápisem; nic nezapsáno",
       "the unit did not answer"},
      {Outcome::ReadFailed, true, "(rušení na vedení?) při čtení před zápisem",
       "out of step with the commands (noise on the line?); nothing was sent"},
      {Outcome::ReadBackFailed, false, "neodpověděla čtení po zápisu",
       "the unit did not answer the read-back"},
      {Outcome::ReadBackFailed, true, "při čtení po zápisu", "in the read after the writes, which cannot"},
      {Outcome::Interrupted, false,
       "přerušeno po 1 z 3 zápisů; jednotka může držet část souboru; předchozí nastavení je v B",
       "interrupted after 1 of 3 writes"},
      {Outcome::UnitStopped, false,
       "přestala odpovídat, když potvrdila 2 z 3 zápisů; může držet část souboru; předchozí",
       "after acknowledging 2 of 3 writes"},
      {Outcome::BackupFailed, false, "zálohu jednotky nelze uložit: disk je plný",
       "cannot keep a backup of the unit: no space left"},
      {Outcome::Refused, false, "jednotka odmítla: OUT1",
       "the unit refused: OUT1; its settings before are in B"},
      {Outcome::OutOfStep, false, ": zápis zastaven u zápisu 2 z 3 a jednotka přečtena znovu; drží",
       "stopped at write 2 of 3 and the unit was read again; it"},
      {Outcome::NotWritten, false, "nezapsáno, hodnotu jednotky nelze přečíst: OUT1",
       "written and verified: 3 registers; not written"},
  };
  for (const auto& row : rows) {
    WriteReport report;
    report.outcome = row.outcome;
    report.outOfStep = row.outOfStep;
    report.planned = 3;
    report.answered = 1;
    report.acknowledged = 2;
    report.settings = report.leftAsHeld = {FindSetting("OUT1")};
    report.backupFault = {FileFault::Kind::System, ENOSPC};
    const std::string czech = WriteReportText(report, {Language::Czech, Joined, "3", "B"});
    const std::string english = WriteReportText(report, {Language::English, Joined, "3 registers", "B"});
    EXPECT_NE(czech.find(row.czech), std::string::npos) << czech;
    EXPECT_NE(english.find(row.english), std::string::npos) << english;
  }
}

// Each entry is one text in two languages: both fill the same {names}, or one language would
// drop what the other says (a reason, a count, the backup).
TEST(WordingTest, EachEntryFillsTheSameNamesInEachLanguage) {
  const auto names = [](const std::string& text) {
    std::set<std::string> found;
    const QRegularExpression name(QStringLiteral("\\{(\\w+)\\}"));
    for (auto it = name.globalMatch(QString::fromStdString(text)); it.hasNext();)
      found.insert(it.next().captured(1).toStdString());
    return found;
  };
  for (std::size_t n = 0; n <= static_cast<std::size_t>(kLastSaid); ++n) {
    const auto said = static_cast<Said>(n);
    const std::string czech = Words(said, Language::Czech), english = Words(said, Language::English);
    EXPECT_EQ(names(czech), names(english)) << czech << "\n" << english;
  }
}

TEST(WordingTest, AFileFaultIsNamedInEachLanguage) {
  const struct {
    FileFault fault;
    const char* czech;
    const char* english;
  } rows[] = {
      {{FileFault::Kind::System, ENOSPC}, "disk je plný", "no space left on the disk"},
      {{FileFault::Kind::System, EPERM}, "přístup odepřen", "permission denied"},
      {{FileFault::Kind::System, 12345}, "systémová chyba 12345", "system error 12345"},
      {{FileFault::Kind::NotRegular, 0}, "není to obyčejný soubor", "not a regular file"},
      {{}, "", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(TextIn(row.fault, Language::Czech), row.czech);
    EXPECT_EQ(TextIn(row.fault, Language::English), row.english);
  }
}

TEST(WordingTest, AFlowsBoxComesInTheLanguageItsReaderSpeaks) {
  const struct {
    Language speaks;
    QString told;
  } cases[] = {{Language::Czech, QStringLiteral("Není otevřen žádný port")},
               {Language::English, QStringLiteral("No port is open")}};
  QTemporaryDir backups;
  for (const auto& c : cases) {
    RecordingMessages messages;
    messages.speaks = c.speaks;
    ConsoleUnit unit(BackupStore(backups.path()));
    SaveSettings(unit);
    ResetUnit(unit);
    EXPECT_EQ(messages.all, (QStringList{c.told, c.told}));
  }
}

}  // namespace
