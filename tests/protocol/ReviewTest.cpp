// Who chose each value, and which of a save's changes are written unasked.
#include "protocol/CtlArguments.h"
#include "protocol/settings/Settings.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

UnitSettings Of(std::initializer_list<std::pair<const char*, const char*>> values) {
  UnitSettings settings;
  for (const auto& [name, value] : values) settings.Set(name, value);
  return settings;
}

// One setting through a history of the window's, then a save to a unit holding `unitNow`.
TEST(ReviewTest, EachSettingIsListedForWhoChoseItAndWhetherTheUnitChanged) {
  enum class Step { Start, Read, Edit, Load, Clear, Follow };
  struct Case {
    const char* what;
    std::vector<std::pair<Step, const char*>> history;  // each step leaves the window showing the value
    const char* unitAtRead;                             // what a Read step finds in the unit
    const char* unitNow;
    bool listed;
    ReviewReason reason;
    bool chosen;
  };
  const Case cases[] = {
      {"never read, form value",
       {{Step::Start, "Laser"}},
       "",
       "Ofuk",
       true,
       ReviewReason::NobodyChose,
       false},
      {"read, unchanged", {{Step::Start, "Laser"}, {Step::Read, "Ofuk"}}, "Ofuk", "Ofuk", false, {}, false},
      {"read, then edited",
       {{Step::Read, "Ofuk"}, {Step::Edit, "Laser"}},
       "Ofuk",
       "Ofuk",
       true,
       ReviewReason::Edited,
       true},
      {"read, changed in the unit",
       {{Step::Read, "Ofuk"}},
       "Ofuk",
       "Brzda",
       true,
       ReviewReason::ChangedInUnit,
       false},
      {"edited, and changed in the unit",
       {{Step::Read, "Ofuk"}, {Step::Edit, "Laser"}},
       "Ofuk",
       "Brzda",
       true,
       ReviewReason::ChangedInUnit,
       false},
      {"loaded",
       {{Step::Start, "Laser"}, {Step::Load, "Laser"}},
       "",
       "Ofuk",
       true,
       ReviewReason::Loaded,
       true},
      {"read value the program replaced",
       {{Step::Read, "Ofuk"}, {Step::Follow, "Laser"}},
       "Ofuk",
       "Ofuk",
       true,
       ReviewReason::NobodyChose,
       false},
      {"edit the program followed up",
       {{Step::Edit, "Laser"}, {Step::Follow, "Brzda"}},
       "",
       "Ofuk",
       true,
       ReviewReason::Edited,
       true},
      {"read where the window cannot show the unit's value",
       {{Step::Start, "Laser"}, {Step::Read, "Laser"}},
       "? (0,07)",
       "? (0,07)",
       true,
       ReviewReason::Corrected,
       false},
      {"read where the window corrected the unit's value",
       {{Step::Read, "Laser"}},
       "Blesk",
       "Blesk",
       true,
       ReviewReason::Corrected,
       false},
      {"corrected, then followed by another value",
       {{Step::Read, "Laser"}, {Step::Follow, "Brzda"}},
       "Blesk",
       "Blesk",
       true,
       ReviewReason::NobodyChose,
       false},
      {"corrected, then edited",
       {{Step::Read, "Laser"}, {Step::Edit, "Brzda"}},
       "Blesk",
       "Blesk",
       true,
       ReviewReason::Edited,
       true},
      {"read, then cleared by a load that lacks it",
       {{Step::Read, "Ofuk"}, {Step::Clear, "Laser"}},
       "Ofuk",
       "Ofuk",
       true,
       ReviewReason::Cleared,
       false},
      {"cleared, then loaded",
       {{Step::Clear, "Laser"}, {Step::Load, "Laser"}},
       "",
       "Ofuk",
       true,
       ReviewReason::Loaded,
       true},
  };
  for (const Case& c : cases) {
    SettingSources sources;
    for (const auto& [step, value] : c.history) {
      const UnitSettings shown = Of({{"OUT1", value}});
      switch (step) {
        case Step::Start: sources.Consequences(shown); break;
        case Step::Read: sources.UnitHolds(shown, Of({{"OUT1", c.unitAtRead}}), true); break;
        case Step::Edit: sources.Edits(shown); break;
        case Step::Load: sources.Loaded(shown, shown, "soubor a.vorka"); break;
        case Step::Clear: sources.Loaded(shown, {}, "soubor a.cfg", shown, "v souboru chybí"); break;
        case Step::Follow: sources.Consequences(shown); break;
      }
    }
    const UnitSettings window = Of({{"OUT1", c.history.back().second}});
    const SaveReview review = ReviewSave(window, sources, Of({{"OUT1", c.unitNow}}));
    ASSERT_EQ(review.rows.size(), c.listed ? 1U : 0U) << c.what;
    if (!c.listed) continue;
    const ReviewRow& row = review.rows.front();
    EXPECT_EQ(row.reason, c.reason) << c.what;
    EXPECT_EQ(row.chosen, c.chosen) << c.what;
    EXPECT_EQ(review.needed, !c.chosen) << c.what;
    EXPECT_EQ(row.held, c.unitNow) << c.what;
  }
}

TEST(ReviewTest, EachReasonSaysWhatTheUnitHoldsWhereTheWindowDiffersFromIt) {
  const SettingDef& gear = *FindSetting("GearX");
  const struct {
    ReviewRow row;
    const char* text;
  } cases[] = {
      {{&gear, "? (0,200*16/5)", "640.000000", ReviewReason::Corrected, {}, false},
       "okno po načtení opravilo: jednotka drží 200*16/5, okno zapíše 640.000000"},
      {{&gear, "1.00", "1.000000", ReviewReason::Corrected, {}, false},
       "okno po načtení opravilo: jednotka drží 1.00, okno zapíše 1.000000"},
      {{&gear, "? (0,ZZ)", "1.000000", ReviewReason::Corrected, {}, false},
       "okno hodnotu jednotky neumí ukázat: jednotka drží ? (0,ZZ), okno zapíše 1.000000"},
      {{&gear, "1.000000", "2.000000", ReviewReason::Cleared, "v konfiguraci TORVEL chybí", false},
       "v konfiguraci TORVEL chybí"},
      {{&gear, "1.000000", "2.000000", ReviewReason::Loaded, "soubor a.vorka", true},
       "načteno: soubor a.vorka"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReasonText(c.row), c.text);
  std::vector<ReviewRow> rows(14, cases[0].row);
  for (std::size_t n = 0; n < 10; ++n) rows[n].chosen = true;
  EXPECT_EQ(ChosenCountText(rows), "Zapíše se 10 z 14 změn");
  EXPECT_EQ(ChosenCountText({cases[0].row}), "Zapíše se 0 z 1 změny");
}

TEST(ReviewTest, AnUnchosenBitKeepsTheUnitsBitBesideTheChosenOnes) {
  // The unit enables inputs 0 and 1; the window would enable 2 and disable 1. Only input 2 is chosen.
  std::vector<std::string> replies(RegisterTable().size(), "0,00");
  const auto at = [](const char* read) {
    for (std::size_t n = 0; n < RegisterTable().size(); ++n)
      if (std::string(RegisterTable()[n].read) == read) return n;
    return RegisterTable().size();
  };
  replies[at("ER08")] = "0,03";
  const UnitSettings held = SettingsAsHeld(replies, true);
  UnitSettings window = held;
  window.Set("Povoleno.1", "0");
  window.Set("Povoleno.2", "1");
  SettingSources sources;
  sources.Consequences(window);
  const SaveReview review = ReviewSave(window, sources, held);
  ASSERT_EQ(review.rows.size(), 2U);
  std::vector<ReviewRow> rows = review.rows;
  for (ReviewRow& row : rows) row.chosen = row.def->name == "Povoleno.2";
  const WritePlan plan = PlanWrites(ChosenWrites(window, rows), replies, true);
  std::map<std::string, std::string> written;
  for (const WriteLine& line : plan.writes) written[line.reg->read] = line.command;
  EXPECT_EQ(written["ER08"], "EW08,07");              // bits 0 and 1 as the unit has them, bit 2 chosen
  EXPECT_EQ(written.size(), RegisterTable().size());  // every other register as the window (and unit) has it
}

// The parser takes the table's options and no other: an option given to the parser alone would be
// in no help, no manual page, no completion and for no command.
TEST(CtlArgumentsTest, TheParserTakesTheTablesOptionsAndNoOther) {
  std::set<std::string> table;
  for (const CtlOptionInfo& option : CtlOptionTable()) table.insert(option.longName);
  const std::vector<std::string> parsed = CtlParserOptionNames();
  EXPECT_EQ(std::set<std::string>(parsed.begin(), parsed.end()), table);
  EXPECT_EQ(parsed.size(), table.size());
}

// Each option is for the commands its row of the table names, and the parser says so.
TEST(CtlArgumentsTest, EachOptionIsForTheCommandsItsRowNames) {
  for (const CtlOptionInfo& option : CtlOptionTable()) {
    if (option.commands.empty()) continue;
    QStringList given{QStringLiteral("--") + QString::fromLatin1(option.longName)};
    if (option.value) given << QStringLiteral("5");  // a number, and a file name
    for (const CtlCommandInfo& command : CtlCommands()) {
      QStringList arguments = given;
      arguments.prepend(QString::fromLatin1(command.name));
      if (command.files) arguments << QStringLiteral("f.vorka");
      const std::string error = ParseCtlArguments(arguments).error;
      const bool forIt =
          std::find(option.commands.begin(), option.commands.end(), command.command) != option.commands.end();
      EXPECT_EQ(error.find(" is for ") != std::string::npos, !forIt)
          << option.longName << " with " << command.name << ": " << error;
    }
  }
  EXPECT_TRUE(ParseCtlArguments({"write", "--dry-run", "a.vorka"}).dryRun);
}

}  // namespace
