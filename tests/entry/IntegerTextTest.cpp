#include "entry/IntegerText.h"
#include "entry/Validation.h"

#include <gtest/gtest.h>

namespace {

TEST(IntegerTextTest, WellFormedAndMalformedTexts) {
  struct Case {
    std::string text;
    int32_t value;
    bool malformed;
  };
  const Case cases[] = {
      {"0", 0, false},
      {"15", 15, false},
      {" 15", 15, false},
      {"   -15", -15, false},
      {"+5", 5, false},
      {"007", 7, false},
      {"$10", 16, false},
      {"x1f", 31, false},
      {"X1F", 31, false},
      {"0x10", 16, false},
      {"0X10", 16, false},
      {"  $ff", 255, false},
      {"$FFFFFFFF", -1, false},
      {"$80000000", INT32_MIN, false},
      {"2147483647", INT32_MAX, false},
      {"-2147483648", INT32_MIN, false},
      // malformed: the digits read before the offending character, without a sign
      {"", 0, true},
      {"   ", 0, true},
      {"-", 0, true},
      {"+", 0, true},
      {"12a", 12, true},
      {"12 ", 12, true},
      {"1.5", 1, true},
      {"1,5", 1, true},
      {"-7x", 7, true},
      {"abc", 0, true},
      {"$", 0, true},
      {"0x", 0, true},
      {"-$5", 0, true},
      {"$1G", 1, true},
      {"- 5", 0, true},
      {"1e3", 1, true},
      {"\t5", 0, true},
      {"5\r", 5, true},
      {"\xc4\x8d"
       "5",
       0, true},
      {"5\xc4\x8d", 5, true},
      {std::string("5\0"
                   "6",
                   3),
       5, true},
      // beyond 32 bits
      {"2147483648", 214748364, true},
      {"-2147483649", 214748364, true},
      {"99999999999999999999", 999999999, true},
      {"$123456789", 0x12345678, true},
      {"$FFFFFFFFF", -1, true},
  };
  for (const Case& c : cases) {
    const IntegerText r = ParseIntegerText(c.text);
    EXPECT_EQ(r.value, c.value) << '"' << c.text << '"';
    EXPECT_EQ(r.malformed, c.malformed) << '"' << c.text << '"';
  }
}

TEST(IntegerTextTest, LongTextsOfDigitsAndJunkStayBounded) {
  EXPECT_TRUE(ParseIntegerText(std::string(255, '9')).malformed);
  EXPECT_EQ(ParseIntegerText(std::string(254, ' ') + "7").value, 7);
  EXPECT_EQ(ParseIntegerText("$" + std::string(254, '0') + "1").value, 1);
}

TEST(IntegerFieldTest, CorrectionsOfThePass) {
  struct Case {
    const char* text;
    int32_t lowest, highest;
    const char* result;
  };
  const Case cases[] = {
      {"12a", 1, 10000, "12"},
      {"", 1, 10000, "1"},
      {"20000", 1, 10000, "10000"},
      {"0", 1, 10000, "1"},
      {"abc", 1, 100, "1"},
      {"150", 1, 100, "100"},
      {"-5x", -10000, 0, "0"},
      {"-20000", -10000, 0, "-10000"},
      {"25", -10000, 0, "0"},
      {"-300", -10000, 0, "-300"},
      {"1.5", 1, 2000, "1"},
      {" 42", 1, 1000, " 42"},
      {"3000", 1, 2000, "2000"},
      {"3000", 1, 10000, "3000"},
      {"+5", 1, 100, "+5"},
      {"007", 1, 100, "007"},
      {"$10", 1, 100, "$10"},
      {"$FFFFFFFF", 1, 100, "1"},
      // digits beyond 32 bits end at one of the bounds
      {"99999999999", 1, 10000, "10000"},
      {"-99999999999", -10000, 0, "0"},
      {"$FFFFFFFFF", -10000, 0, "-1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CheckIntegerField(c.text, c.lowest, c.highest), c.result) << '"' << c.text << '"';
}

}  // namespace
