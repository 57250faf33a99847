#include "entry/GearExpression.h"
#include "entry/Validation.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace {

TEST(DecimalTextTest, Operands) {
  struct Case {
    const char* text;
    bool ok;
    long double value;
  };
  const Case cases[] = {
      {"640", true, 640},      {"1.5", true, 1.5L},   {"5.", true, 5},      {".5", true, 0.5L},
      {".", true, 0},          {"E5", true, 0},       {"1e3", true, 1000},  {"1E+2", true, 100},
      {"2.5e-1", true, 0.25L}, {" 7", true, 7},       {"-3", true, -3},     {"+3", true, 3},
      {"", false, 0},          {"  ", false, 0},      {"-", false, 0},      {"1e", false, 0},
      {"1e+", false, 0},       {"5a", false, 0},      {"7 ", false, 0},     {"1,5", false, 0},
      {"1..2", false, 0},      {"0x10", false, 0},    {"inf", false, 0},    {"nan", false, 0},
      {"1e99999", false, 0},   {"1e-99999", true, 0}, {"0e99999", true, 0}, {"0.0001e-99999", true, 0},
  };
  for (const Case& c : cases) {
    long double value = -1;
    EXPECT_EQ(ParseDecimalText(c.text, value), c.ok) << '"' << c.text << '"';
    if (c.ok) {
      EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
  }
}

TEST(GearExpressionTest, FirstOperatorPosition) {
  EXPECT_EQ(FindFirstOperator("12-3+4"), 3u);
  EXPECT_EQ(FindFirstOperator("12"), 0u);
  EXPECT_EQ(FindFirstOperator("-1"), 1u);
  EXPECT_EQ(FindFirstOperator("2*3/4"), 2u);
  EXPECT_EQ(FindFirstOperator(""), 0u);
}

TEST(GearExpressionTest, ValuesWithSignRuleOne) {
  struct Case {
    std::string text;
    bool ok;
    long double value;
  };
  const Case cases[] = {
      {"640", true, 640},
      {"200*16/5", true, 640},
      {"1,5", true, 1.5L},
      {"1,5*2", true, 3},
      {"2+3*4", true, 20},
      {"10-2/4", true, 2},
      {"-5+10", true, 5},
      {"3/0.00001", true, 300000},
      {"1e3", true, 1000},
      {".", true, 0},
      {"200 * 16 / 5", true, 640},
      {"\t1000,5\t", true, 1000.5L},
      {" 2 *\t3 - 1 ", true, 5},
      // A blank between two digits, or a digit and a point, is no operator: the text is rejected
      // rather than read as one number.
      {"12 5", false, 0},
      {"2\t3", false, 0},
      {"1 000 ,5", false, 0},
      {"1 .5", false, 0},
      {"1. 5", false, 0},
      {"2 * 1 5", false, 0},
      {"2 x", false, 0},
      {"12 abc", false, 0},
      {"2\n", false, 0},
      {"0,5", true, 0.5L},
      {"5-5", true, 0},
      {"-0", true, 0},
      {"-5", false, 0},
      {"", false, 0},
      {"3/0", false, 0},
      {"3/0.0000001", false, 0},
      {"+5", false, 0},
      {"*5", false, 0},
      {"5*", false, 0},
      {"5**2", false, 0},
      {"2*-3", false, 0},
      {"1e-3", false, 0},
      {"5a", false, 0},
      {"1-2", false, 0},
      {"1e4000*1e4000", false, 0},
      {"9e4931*10", false, 0},
      {"\xc4\x8d", false, 0},
      {std::string(255, '9'), true, 0},
      {std::string(300, '+'), false, 0},
  };
  for (const Case& c : cases) {
    long double value = -1;
    EXPECT_EQ(EvaluateGearExpression(c.text, value, 1, false), c.ok) << '"' << c.text << '"';
    if (c.ok && c.text.size() < 50) {
      EXPECT_NEAR(double(value), double(c.value), 1e-12) << c.text;
    }
  }
}

TEST(GearExpressionTest, SignRules) {
  long double v = 0;
  EXPECT_TRUE(EvaluateGearExpression("-5", v, 0, false));
  EXPECT_EQ(v, -5);
  EXPECT_TRUE(EvaluateGearExpression("-5", v, -1, false));
  EXPECT_FALSE(EvaluateGearExpression("5", v, -1, false));
  EXPECT_TRUE(EvaluateGearExpression("0", v, -1, false));
}

TEST(GearExpressionTest, FailureIsReportedWithTheTextAsPassed) {
  std::vector<std::string> told;
  const GearReport reporter = [&](const std::string& m) { told.push_back(m); };
  long double v = 0;
  EXPECT_FALSE(EvaluateGearExpression("-5", v, 1, true, reporter));
  EXPECT_FALSE(EvaluateGearExpression("", v, 1, true, reporter));
  EXPECT_FALSE(EvaluateGearExpression("x/0", v, 1, false, reporter));  // no report flag
  EXPECT_FALSE(EvaluateGearExpression("3,0/0,0", v, 1, true, reporter));
  EXPECT_TRUE(EvaluateGearExpression("2 * 3", v, 1, true, reporter));
  EXPECT_FALSE(EvaluateGearExpression("2 x", v, 1, true, reporter));
  EXPECT_EQ(told, (std::vector<std::string>{"-5", "", "3,0/0,0", "2 x"}));
  // Each operator in their own language.
  EXPECT_EQ(BadNumberText("2 x", Language::Czech), "Špatné číslo: 2 x");
  EXPECT_EQ(BadNumberText("2 x", Language::English), "not a number: 2 x");
}

TEST(GearExpressionTest, FormattedWithSixDecimalsToElevenCharacters) {
  EXPECT_EQ(FormatGearValue(1), "   1.000000");
  EXPECT_EQ(FormatGearValue(12.5L), "  12.500000");
  EXPECT_EQ(FormatGearValue(640), " 640.000000");
  EXPECT_EQ(FormatGearValue(9999), "9999.000000");
  EXPECT_EQ(FormatGearValue(123456), "123456.000000");
  EXPECT_EQ(FormatGearValue(-1.5L), "  -1.500000");
  EXPECT_EQ(FormatGearValue(0.0000005L), "   0.000001");
  EXPECT_EQ(FormatGearValue(1e30L).size(), 38u);
}

// The unit and the fields take a decimal point whatever the desktop's language.
// A Czech locale: its decimal separator is a comma.
#ifdef _WIN32
constexpr char kCzechLocale[] = "Czech_Czechia.1250";
#else
constexpr char kCzechLocale[] = "cs_CZ.UTF-8";
#endif

TEST(GearExpressionTest, NumbersIgnoreTheProcessLocale) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, kCzechLocale), nullptr)
      << kCzechLocale << " is missing (scripts/install-deps)";
  ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
  EXPECT_EQ(FormatGearValue(640), " 640.000000");
  EXPECT_EQ(FormatGearValue(12.5L), "  12.500000");
  long double v = 0;
  EXPECT_TRUE(EvaluateGearExpression("1.5*2", v, 1, false));
  EXPECT_EQ(v, 3);
  std::setlocale(LC_ALL, before.c_str());
}

TEST(GearFieldTest, CorrectionsOfThePass) {
  struct Case {
    std::string text;
    std::optional<std::string> result;
  };
  const Case cases[] = {
      {"200*16/5", "640.000000"}, {"0,5", "1.000000"},
      {"20000", "9999.000000"},   {"  7 ", "7.000000"},
      {"\t7\r\n", "7.000000"},    {"1", "1.000000"},
      {"-3", std::nullopt},       {"", std::nullopt},
      {"abc", std::nullopt},      {std::string(300, '1'), "9999.000000"},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckGearField(c.text, 1, 9999, {}), c.result) << c.text;
}

TEST(GearFieldTest, MessageShowsTheTrimmedTextCutTo255Characters) {
  std::string told;
  CheckGearField("  " + std::string(300, 'a') + "  ", 1, 9999, [&](const std::string& m) { told = m; });
  EXPECT_EQ(told, std::string(255, 'a'));
  std::string czech;
  for (int i = 0; i < 300; ++i) czech += "č";
  CheckGearField(czech, 1, 9999, [&](const std::string& m) { told = m; });
  EXPECT_EQ(told.size(), 255u * 2);
}

}  // namespace
