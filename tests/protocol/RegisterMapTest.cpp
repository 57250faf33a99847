#include "protocol/RegisterMap.h"
#include "protocol/SettingsModel.h"
#include "protocol/settings/ControlsAdapter.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Lines = std::vector<std::string>;

// Controls kept in maps, with the window's factory state; selections and start-input marks are
// counted.
class FakeControls : public SettingsModel {
 public:
  std::map<std::string, int> items = {{"OUT1", 2},          {"OUT2", 3},          {"OUT3", 7},
                                      {"PWM", 0},           {"MpgUsage", 0},      {"StartNum", 0},
                                      {"AxisLink", 0},      {"XAxisPolarity", 0}, {"YAxisPolarity", 0},
                                      {"ZAxisPolarity", 0}, {"AAxisPolarity", 0}};
  std::map<std::string, std::string> texts;
  std::map<std::string, bool> checked = {{"RadioPolarityNormal", true}, {"RadioPolarityInverze", false}};
  std::map<std::pair<int, int>, std::string> cells;
  int32_t breakDelay = 10;
  int startNumMarks = 0;
  std::vector<std::string> selections;

  FakeControls() {
    for (int row = 1; row <= 10; ++row) cells[{3, row}] = cells[{4, row}] = "0";
  }
  int ItemIndex(const std::string& c) override { return items.at(c); }
  void SelectItem(const std::string& c, int item) override {
    items[c] = item;
    selections.push_back(c);
  }
  std::string Text(const std::string& c) override { return texts[c]; }
  void SetText(const std::string& c, const std::string& t) override { texts[c] = t; }
  bool Checked(const std::string& b) override { return checked.at(b); }
  void SetChecked(const std::string& b, bool on) override { checked[b] = on; }
  std::string Cell(int column, int row) override { return cells.at({column, row}); }
  void SetCell(int column, int row, const std::string& t) override { cells[{column, row}] = t; }
  int32_t AcceptedBreakDelay() override { return breakDelay; }
  void StartNumSelected() override { ++startNumMarks; }
};

const Lines kAllReads = {"ER01",  "ER02",  "ER03",  "ER04",  "ERFD",  "ER05",  "ER06",  "ER07",
                         "EFR10", "EFR14", "EFR18", "EFR20", "EFR24", "EFR28", "EFR30", "EFR34",
                         "EFR38", "EFR40", "EFR44", "EUR48", "EUR4C", "EFR50", "EFR54", "EFR58",
                         "ER08",  "ER09",  "ER0A",  "ER0B",  "ER0C"};

TEST(RegisterMapTest, ReadScriptsInTableOrder) {
  EXPECT_EQ(BuildReadScript(true), kAllReads);
  EXPECT_EQ(BuildReadScript(false), Lines(kAllReads.begin(), kAllReads.begin() + 6));
}

TEST(RegisterMapTest, WriteScriptOfTheFactoryState) {
  FakeControls c;
  for (const char* n : {"LoLimitX", "LoLimitY", "LoLimitZ"}) c.texts[n] = "0";
  for (const char* n : {"HiLimitX", "HiLimitY", "HiLimitZ", "GearX", "GearY", "GearZ", "MpgAcc",
                        "MpgMaxSpeed", "DefSpinSpeed", "RefSpeedX", "RefSpeedY", "RefSpeedZ"})
    c.texts[n] = "1";
  c.texts["TimeOver"] = "100";
  c.texts["GearY"] = "640.000000";
  EXPECT_EQ(BuildWriteScript(c, true),
            (Lines{"EW01,02", "EW02,03",   "EW03,08",        "EW04,FF",          "EWFD,10",        "EW05,FF",
                   "EW06,FF", "EW07,FF",   "EFW10,0",        "EFW14,0",          "EFW18,0",        "EFW20,1",
                   "EFW24,1", "EFW28,1",   "EFW30,1.000000", "EFW34,640.000000", "EFW38,1.000000", "EFW40,1",
                   "EFW44,1", "EUW48,100", "EUW4C,1",        "EFW50,1",          "EFW54,1",        "EFW58,1",
                   "EW08,00", "EW09,00",   "EW0A,00",        "EW0B,00",          "EW0C,FF"}));
  EXPECT_EQ(BuildWriteScript(c, false).size(), 6u);
  EXPECT_EQ(BuildWriteScript(c, false).back(), "EW05,FF");
}

TEST(RegisterMapTest, ListCodesBothWays) {
  struct Case {
    const char* control;
    int item;
    const char* code;
    const char* line;  // the control's own line of the write script
  };
  const Case cases[] = {
      {"OUT1", 0, "00", "EW01,00"},     {"OUT1", 6, "06", "EW01,06"},     {"OUT2", 7, "08", "EW02,08"},
      {"OUT3", 8, "09", "EW03,09"},     {"PWM", 0, "FF", "EW04,FF"},      {"PWM", 1, "01", "EW04,01"},
      {"MpgUsage", 1, "02", "EW06,02"}, {"MpgUsage", 2, "01", "EW06,01"}, {"StartNum", 0, "FF", "EW07,FF"},
      {"StartNum", 1, "03", "EW07,03"}, {"StartNum", 5, "07", "EW07,07"}, {"AxisLink", 0, "FF", "EW0C,FF"},
      {"AxisLink", 3, "03", "EW0C,03"},
  };
  for (const Case& k : cases) {
    FakeControls c;
    c.items[k.control] = k.item;
    const auto script = BuildWriteScript(c, true);
    std::size_t line = 0;
    while (line < RegisterTable().size() && std::string(RegisterTable()[line].control) != k.control) ++line;
    ASSERT_LT(line, script.size()) << k.control;
    EXPECT_EQ(script[line], k.line) << k.control << ' ' << k.item;
    for (const Register& reg : RegisterTable()) {
      if (std::string(reg.control) != k.control) continue;
      FakeControls d;
      d.items[k.control] = -1;
      DecodeRegister(reg, std::string("0,") + k.code, d);
      EXPECT_EQ(d.items[k.control], k.item) << k.control << ' ' << k.code;
    }
  }
}

TEST(RegisterMapTest, RepliesOutsideTheCodeTablesSelectNothing) {
  FakeControls c;
  const Register& out2 = RegisterTable()[1];
  for (const char* reply : {"0,07", "0,8", "0,08 ", "1,08", "", "0,0A"}) DecodeRegister(out2, reply, c);
  EXPECT_EQ(c.items["OUT2"], 3);
  EXPECT_TRUE(c.selections.empty());
  DecodeRegister(RegisterTable()[7], "0,99", c);  // StartNum: the labels are marked all the same
  EXPECT_EQ(c.startNumMarks, 1);
}

TEST(RegisterMapTest, ListControlWithoutAnItemWritesNoLine) {
  FakeControls c;
  c.items["StartNum"] = -1;
  const Lines script = BuildWriteScript(c, true);
  EXPECT_EQ(script.size(), 28u);
  EXPECT_EQ(script[6], "EW06,FF");
  EXPECT_EQ(script[7], "EFW10,");
}

TEST(RegisterMapTest, PolarityByte) {
  FakeControls c;
  c.items["XAxisPolarity"] = 1;
  EXPECT_EQ(PolarityByte(c), 0xFE);
  for (const char* g : {"XAxisPolarity", "YAxisPolarity", "ZAxisPolarity", "AAxisPolarity"}) c.items[g] = 1;
  c.checked["RadioPolarityNormal"] = false;
  EXPECT_EQ(PolarityByte(c), 0xE0);

  const Register& reg = RegisterTable()[5];
  DecodeRegister(reg, "0,EF", c);
  for (const char* g : {"XAxisPolarity", "YAxisPolarity", "ZAxisPolarity", "AAxisPolarity"})
    EXPECT_EQ(c.items[g], 0);
  EXPECT_FALSE(c.checked["RadioPolarityNormal"]);
  EXPECT_TRUE(c.checked["RadioPolarityInverze"]);
  DecodeRegister(reg, "0,F5", c);
  EXPECT_EQ(c.items["YAxisPolarity"], 1);
  EXPECT_TRUE(c.checked["RadioPolarityNormal"]);
  for (const char* reply : {"0,DF", "0,ef", "0,1FF", "0,E", "", "0,FF "}) {
    FakeControls d;
    DecodeRegister(reg, reply, d);
    EXPECT_TRUE(d.selections.empty()) << reply;
  }
}

TEST(RegisterMapTest, BreakDelayDigits) {
  EXPECT_EQ(BreakDelayDigits(0), "00");
  EXPECT_EQ(BreakDelayDigits(7), "07");
  EXPECT_EQ(BreakDelayDigits(50), "50");
  const Register& reg = RegisterTable()[4];
  struct Case {
    const char* reply;
    const char* text;
  };
  for (const Case& k : {Case{"0,07", "7"}, Case{"0,50", "50"}, Case{"0,10", "10"}, Case{"0,5", "5"},
                        Case{"0,99", "99"}, Case{"0,$A", "10"}}) {
    FakeControls c;
    DecodeRegister(reg, k.reply, c);
    EXPECT_EQ(c.texts["BreakDelay"], k.text) << k.reply;
  }
  struct Bad {
    const char* reply;
    const char* message;
  };
  for (const Bad& b :
       {Bad{"0,5x", "'5x' is not a valid integer value"}, Bad{"0,", "'' is not a valid integer value"},
        Bad{"", "'' is not a valid integer value"}, Bad{"0,1.", "'1.' is not a valid integer value"}}) {
    FakeControls c;
    try {
      DecodeRegister(reg, b.reply, c);
      ADD_FAILURE() << b.reply;
    } catch (const ConversionError& e) {
      EXPECT_STREQ(e.what(), b.message);
    }
  }
}

TEST(RegisterMapTest, InputBitWords) {
  FakeControls c;
  c.cells[{4, 1}] = c.cells[{4, 8}] = "1";
  EXPECT_EQ(InputBitsByte(c, 4, false), 0x81);
  c.cells[{4, 9}] = "1";
  EXPECT_EQ(InputBitsByte(c, 4, true), 0x40);
  c.cells[{4, 9}] = "0";
  c.cells[{4, 10}] = "1";
  EXPECT_EQ(InputBitsByte(c, 4, true), 0x80);
  c.cells[{4, 1}] = c.cells[{4, 8}] = "0";
  EXPECT_EQ(InputBitsByte(c, 4, false), 0x00);
  // Each cell is its own bit: an empty or longer cell moves no other bit.
  FakeControls d;
  d.cells[{3, 8}] = "1";
  d.cells[{3, 5}] = "";
  EXPECT_EQ(InputBitsByte(d, 3, false), 0x80);
  d.cells[{3, 5}] = "10";
  EXPECT_EQ(InputBitsByte(d, 3, false), 0x80);
  d.cells[{3, 1}] = "x";
  EXPECT_EQ(InputBitsByte(d, 3, false), 0x80);  // "x" is a zero bit

  const Register& low = RegisterTable()[24];
  const Register& high = RegisterTable()[25];
  FakeControls e;
  DecodeRegister(low, "0,81", e);
  DecodeRegister(high, "0,80", e);
  const char* expected[] = {"1", "0", "0", "0", "0", "0", "0", "1", "0", "1"};
  for (int row = 1; row <= 10; ++row) EXPECT_EQ((e.cells[{4, row}]), expected[row - 1]) << row;
  try {
    DecodeRegister(low, "0,Z1", e);
    ADD_FAILURE();
  } catch (const ConversionError& error) {
    EXPECT_STREQ(error.what(), "'$Z1' is not a valid integer value");
  }
}

TEST(RegisterMapTest, NumberTextsPassThroughUnchanged) {
  FakeControls c;
  DecodeRegister(RegisterTable()[14], "0,640.000000", c);
  DecodeRegister(RegisterTable()[19], "0,", c);
  EXPECT_EQ(c.texts["GearX"], "640.000000");
  EXPECT_EQ(c.texts["TimeOver"], "");
}

TEST(RegisterMapTest, DecodingStopsAfterTheOutputsWhenTheFirstReplyIsEmpty) {
  FakeControls c;
  const Lines replies = {"", "0,01", "0,01", "0,01", "0,xx", "0,E0"};
  EXPECT_FALSE(DecodeReadReplies(replies, c, false));
  EXPECT_EQ(c.items["OUT2"], 1);
  EXPECT_TRUE(c.checked["RadioPolarityNormal"]);                   // line 5 not reached
  EXPECT_TRUE(DecodeReadReplies(Lines{"0,00", "0,01"}, c, true));  // partial: what arrived
  EXPECT_EQ(c.items["OUT1"], 0);
}

}  // namespace
