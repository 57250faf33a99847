// The reply forms the protocol allows beside the usual ones: a write acknowledged with more than
// "0", the input words with one hexadecimal digit.
#include "tests/support/WindowFixture.h"
#include "ui_Term.h"

#include <QTest>

namespace {

class ReplyFormsTest : public WindowFixture {};

TEST_F(ReplyFormsTest, AWriteAcknowledgedWithMoreThanZeroIsSaved) {
  unit_.SetWriteAcknowledgement("0,OK");
  StartQuick();
  term_->ReadSettingClick();
  Settle();
  ui().HiLimitX->setText(QStringLiteral("500"));
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Uložení proběhlo v pořádku")});
  EXPECT_EQ(*unit_.TextRegister("20"), "500");
}

TEST_F(ReplyFormsTest, InputWordsOfOneDigitAreShown) {
  unit_.SetShortInputReplies(true);
  StartQuick();
  unit_.SetInputWord(0x0205);  // "0,5" and "0,2"
  ui().PageControl->setCurrentIndex(1);
  const auto stav = [this](int row) { return ui().StrGridVstupy->item(row, 1)->text(); };
  ASSERT_TRUE(WaitFor([&] { return stav(1) == QStringLiteral("1"); }, 10'000));
  const char* expected[] = {"1", "0", "1", "0", "0", "0", "0", "0", "0", "0"};
  for (int row = 1; row <= 10; ++row) EXPECT_EQ(stav(row), QString::fromLatin1(expected[row - 1])) << row;
  EXPECT_TRUE(messages_.all.isEmpty()) << messages_.all.join(u'|').toStdString();
}

}  // namespace
