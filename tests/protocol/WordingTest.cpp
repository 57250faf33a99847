// The one catalogue: every outcome the flows report is worded whole in each language, and a box
// comes in the language of whoever reads it.
#include "common/Wording.h"
#include "protocol/flows/ConsoleUnit.h"
#include "protocol/flows/WriteAndVerify.h"
#include "tests/support/RecordingMessages.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

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
