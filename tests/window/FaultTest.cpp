#include "protocol/RegisterMap.h"
#include "tests/support/WindowFixture.h"
#include "ui_Term.h"

#include <QTemporaryDir>
#include <QTimer>

namespace {

const QString kSaved = QStringLiteral("Uložení proběhlo v pořádku");
const QString kFailure = QStringLiteral("Chyba komunikace");

// Faults of the line and the unit, met through the window: no crash, no hang past the limits,
// controls not reached keep their values, an incomplete save is never reported as saved.
class FaultTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    // By a name that goes with the line: a device number freed by the close may be taken by
    // another line (a test beside this one) before the window opens the port again.
    LinkCom1(dir_.path().toStdString());
    StartQuick({}, 150);
    ui().RefSpeedZ->setText(QStringLiteral("42"));  // the last number register: never reached
  }
  // The n-th command (1-based) of the read script, after the identification's two.
  int ReadCommand(int line) { return 2 + line + 1; }

  QTemporaryDir dir_;
};

TEST_F(FaultTest, LineClosedInTheMiddleOfARead) {
  unit_.SetCloseOnNth(ReadCommand(10));
  term_->ReadSettingClick();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kFailure});
  EXPECT_EQ(ui().RefSpeedZ->text(), QStringLiteral("42"));
  term_->ReadSettingClick();  // the device is gone: the identification fails
  Settle();
  EXPECT_EQ(messages_.all.size(), 3);
}

TEST_F(FaultTest, LineClosedInTheMiddleOfASave) {
  unit_.SetCloseOnNth(ReadCommand(12));
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kFailure});
}

TEST_F(FaultTest, UnitRestartingInTheMiddleOfARead) {
  unit_.SetRestartOnNth(ReadCommand(20));
  term_->ReadSettingClick();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kFailure});
  EXPECT_EQ(ui().RefSpeedZ->text(), QStringLiteral("42"));
}

TEST_F(FaultTest, UnitRestartingInTheMiddleOfASave) {
  unit_.SetRestartOnNth(ReadCommand(5));  // in the read of the backup that every save begins with
  term_->BtnSend1Click();
  Settle();
  // Told, and nothing written over a unit whose backup could not be read.
  EXPECT_EQ(messages_.all, QStringList{kFailure});
  EXPECT_TRUE(Writes().empty());
}

TEST_F(FaultTest, GarbledReplyToEveryRegisterInTurn) {
  const auto table = RegisterTable();
  for (std::size_t line = 0; line < table.size(); ++line) {
    SCOPED_TRACE(table[line].read);
    unit_.ClearReplyOverrides();
    unit_.SetReplyOverride(table[line].read, "0,#Z?");  // printable: the decoding judges it
    messages_.all.clear();
    messages_.general.clear();
    ui().RefSpeedZ->setText(QStringLiteral("42"));
    ui().ReadSetting->click();
    Settle();
    const RegisterKind kind = table[line].kind;
    if (kind == RegisterKind::BreakDelay || kind == RegisterKind::InputBitsLow ||
        kind == RegisterKind::InputBitsHigh) {
      // A reply that is no number ends the read there.
      EXPECT_EQ(messages_.general.size(), 1);
      EXPECT_EQ(ui().RefSpeedZ->text(), line < 23 ? QStringLiteral("42") : QStringLiteral("1"));
    } else {
      EXPECT_TRUE(messages_.general.isEmpty());
    }
    EXPECT_FALSE(messages_.all.contains(kFailure));
  }
}

TEST_F(FaultTest, RepliesOver255CharactersAreNoReply) {
  unit_.SetReplyOverride("EFR30", "0," + std::string(300, '9'));
  term_->ReadSettingClick();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kFailure});
  EXPECT_EQ(ui().RefSpeedZ->text(), QStringLiteral("42"));
  unit_.ClearReplyOverrides();
  unit_.SetReplyOverride("EW01,02", std::string(300, '0'));
  messages_.all.clear();
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kFailure});
}

TEST_F(FaultTest, CrLfEndingsReadAndSaveAsUsual) {
  unit_.SetCrLf(true);
  unit_.SetTextRegister("58", "77");
  term_->ReadSettingClick();
  Settle();
  EXPECT_TRUE(messages_.all.isEmpty());
  EXPECT_EQ(ui().RefSpeedZ->text(), QStringLiteral("77"));
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kSaved});
}

}  // namespace
