#include "tests/support/WindowFixture.h"
#include "ui_Term.h"

#include <QTest>

namespace {

class ValueEntryTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    Create();
  }
  QLineEdit* Edit(const char* name) { return term_->findChild<QLineEdit*>(QString::fromLatin1(name)); }
};

TEST_F(ValueEntryTest, PassCorrectsEveryFieldAndRejectsBadGearsInOrder) {
  struct Case {
    const char* field;
    const char* typed;
    const char* shown;
  };
  const Case cases[] = {
      {"HiLimitX", "12a", "12"},   {"HiLimitY", "", "1"},
      {"HiLimitZ", "0", "1"},      {"LoLimitX", "-20000", "-10000"},
      {"LoLimitY", "25", "0"},     {"LoLimitZ", "-5x", "0"},
      {"RefSpeedX", " 15", " 15"}, {"RefSpeedY", "abc", "1"},
      {"RefSpeedZ", "150", "100"}, {"DefSpinSpeed", "007", "007"},
      {"TimeOver", "1.5", "1"},    {"MpgMaxSpeed", "3000", "2000"},
      {"MpgAcc", "$10", "$10"},    {"GearX", "-3", "-3"},
      {"GearY", "", ""},           {"GearZ", "200 * 16 / 5", "640.000000"},
  };
  for (const Case& c : cases) Edit(c.field)->setText(QString::fromLatin1(c.typed));
  term_->ValidateNumericFields();
  for (const Case& c : cases) EXPECT_EQ(Edit(c.field)->text(), QString::fromLatin1(c.shown)) << c.field;
  EXPECT_EQ(messages_.errors,
            (QStringList{QStringLiteral("Špatné číslo: -3"), QStringLiteral("Špatné číslo: ")}));
  EXPECT_TRUE(messages_.plain.isEmpty());
}

TEST_F(ValueEntryTest, ThreeBadGearsGiveThreeMessagesXYZ) {
  Edit("GearX")->setText(QStringLiteral("a"));
  Edit("GearY")->setText(QStringLiteral("  b  "));
  Edit("GearZ")->setText(QStringLiteral("5*"));
  term_->ValidateNumericFields();
  EXPECT_EQ(messages_.errors,
            (QStringList{QStringLiteral("Špatné číslo: a"), QStringLiteral("Špatné číslo: b"),
                         QStringLiteral("Špatné číslo: 5*")}));
  EXPECT_EQ(Edit("GearY")->text(), QStringLiteral("  b  "));
}

// Blanks around an operator are ignored; one between two digits is no operator and joins nothing.
TEST_F(ValueEntryTest, ABlankBetweenDigitsIsABadNumber) {
  Edit("GearX")->setText(QStringLiteral("12 5"));
  Edit("GearY")->setText(QStringLiteral(" 2 *\t3 "));
  Edit("GearZ")->setText(QStringLiteral("1 .5"));
  term_->ValidateNumericFields();
  EXPECT_EQ(messages_.errors,
            (QStringList{QStringLiteral("Špatné číslo: 12 5"), QStringLiteral("Špatné číslo: 1 .5")}));
  EXPECT_EQ(Edit("GearX")->text(), QStringLiteral("12 5"));
  EXPECT_EQ(Edit("GearY")->text(), QStringLiteral("6.000000"));
}

TEST_F(ValueEntryTest, GearsAreRewrittenWithSixDecimalsInsideOneTo9999) {
  Edit("GearX")->setText(QStringLiteral("200*16/5"));
  Edit("GearY")->setText(QStringLiteral("0,5"));
  Edit("GearZ")->setText(QStringLiteral("20000"));
  term_->ValidateNumericFields();
  EXPECT_EQ(Edit("GearX")->text(), QStringLiteral("640.000000"));
  EXPECT_EQ(Edit("GearY")->text(), QStringLiteral("1.000000"));
  EXPECT_EQ(Edit("GearZ")->text(), QStringLiteral("9999.000000"));
}

TEST_F(ValueEntryTest, DisabledFieldsAreCheckedToo) {
  ui().TabSheet2->setEnabled(false);
  Edit("TimeOver")->setText(QStringLiteral("0"));
  term_->ValidateNumericFields();
  EXPECT_EQ(Edit("TimeOver")->text(), QStringLiteral("1"));
}

TEST_F(ValueEntryTest, BreakDelayKeepsTheLastAcceptedValue) {
  struct Case {
    const char* typed;
    const char* shown;
    int value;
    bool message;
  };
  const Case cases[] = {
      {"7", "7", 7, false},     {"99", "50", 50, false}, {"-1", "0", 0, false},  {"12", "12", 12, false},
      {"5a", "12", 12, true},   {"x", "12", 12, true},   {"-", "12", 12, true},  {"", "", 12, false},
      {"$A", "$A", 10, false},  {" 3", " 3", 3, false},  {"+5", "+5", 5, false}, {"007", "007", 7, false},
      {"$FF", "50", 50, false},
  };
  for (const Case& c : cases) {
    messages_.plain.clear();
    ui().BreakDelay->setText(QString::fromLatin1(c.typed));
    EXPECT_EQ(ui().BreakDelay->text(), QString::fromLatin1(c.shown)) << c.typed;
    EXPECT_EQ(breakDelayValue(), c.value) << c.typed;
    EXPECT_EQ(messages_.plain,
              c.message ? QStringList{QStringLiteral("Zadávat lze jen celá čísla")} : QStringList{})
        << c.typed;
  }
}

TEST_F(ValueEntryTest, TypingIntoBreakDelayRunsTheHandler) {
  ui().BreakDelay->clear();
  QTest::keyClicks(ui().BreakDelay, QStringLiteral("9"));
  EXPECT_EQ(breakDelayValue(), 9);
  QTest::keyClicks(ui().BreakDelay, QStringLiteral("9"));
  EXPECT_EQ(ui().BreakDelay->text(), QStringLiteral("50"));
  EXPECT_EQ(breakDelayValue(), 50);
  ui().BreakDelay->selectAll();
  QTest::keyClicks(ui().BreakDelay, QStringLiteral("q"));
  EXPECT_EQ(ui().BreakDelay->text(), QStringLiteral("50"));
  EXPECT_EQ(messages_.plain.size(), 1);
}

TEST_F(ValueEntryTest, FactoryDefaultsSetTheBrakeDelayThroughItsHandler) {
  term_->Button1Click();
  Settle();
  EXPECT_EQ(breakDelayValue(), 10);
}

}  // namespace
