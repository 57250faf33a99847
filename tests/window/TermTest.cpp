#include "link/Async.h"
#include "protocol/SettingsModel.h"
#include "protocol/settings/Settings.h"
#include "tests/support/WindowFixture.h"
#include "ui_Setup.h"
#include "ui_Term.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

using Commands = std::vector<std::string>;

class TermTest : public WindowFixture {};

TEST_F(TermTest, StartUpIdentifiesAndResetsAFoundUnit) {
  Start();
  EXPECT_EQ(Received(), (Commands{"!0Q", "!0?", "!0j"}));
  EXPECT_EQ(term_->windowTitle(), QStringLiteral("VORKA config v1.3 - COM1 - 115200"));
  EXPECT_TRUE(state().portOpen);
  EXPECT_EQ(term_->ReplyTimeoutMs(), 1000u);
  EXPECT_EQ(ui().EditIpID->text(), QStringLiteral("VK12345"));
  EXPECT_EQ(ui().EditVerIp->text(), QStringLiteral("TK20MPG v2.4"));
  // The restarting unit does not answer "j": one failure message, the unit counts as absent,
  // the controls stay as the identification left them.
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});
  EXPECT_FALSE(state().unitPresent);
  EXPECT_TRUE(ui().OUT1->isEnabled());
  EXPECT_TRUE(setup_->ui->RBtn115200->isChecked());
  EXPECT_EQ(term_->CurrentLinkKind(), LinkKind::Serial);
}

TEST_F(TermTest, SilentLineShowsTheFailureOnceAndTheUnitAsAbsent) {
  unit_.SetSilent(true);
  Start();
  EXPECT_EQ(Received(), (Commands{"!0Q"}));
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});
  EXPECT_EQ(ui().EditVerIp->text(), QStringLiteral("Jednotka nenalezena"));
  EXPECT_EQ(ui().EditIpID->text(), QStringLiteral("Nezjištěno"));
  EXPECT_FALSE(ui().OUT1->isEnabled());
  EXPECT_EQ(term_->windowTitle(), QStringLiteral("VORKA config v1.3 - COM1 - 115200"));
}

TEST_F(TermTest, Com1ThatCannotOpenKeepsTheNoPortTitleAndSendsNothing) {
  ::setenv("VORKA_COM1", "/nonexistent/tty", 1);
  Start();
  EXPECT_FALSE(state().portOpen);
  EXPECT_EQ(term_->windowTitle(), QStringLiteral("VORKA config v1.3 - Žádný port"));
  EXPECT_TRUE(Received().empty());
  EXPECT_TRUE(messages_.all.isEmpty());
  EXPECT_EQ(ui().EditVerIp->text(), QStringLiteral("Jednotka nenalezena"));
  EXPECT_EQ(ui().EditIpID->text(), QStringLiteral("Nezjištěno"));
}

TEST_F(TermTest, DebugParameterShowsTheDebugPageOnlyWhenExactAndFirst) {
  unit_.SetSilent(true);
  struct Case {
    QStringList parameters;
    bool debug;
  };
  const Case cases[] = {
      {{"debug"}, true}, {{"Debug"}, false}, {{"x", "debug"}, false}, {{}, false}, {{"debug", "x"}, true}};
  for (const Case& c : cases) {
    Start(c.parameters);
    EXPECT_EQ(state().debugMode, c.debug) << c.parameters.join(' ').toStdString();
    EXPECT_EQ(ui().PageControl->isTabVisible(3), c.debug);
    Destroy();
  }
}

TEST_F(TermTest, CreatedWindowHoldsTheInitialState) {
  Create();
  EXPECT_EQ(term_->windowTitle(), QStringLiteral("VORKA config v1.3 - Žádný port"));
  EXPECT_FALSE(state().portOpen);
  EXPECT_FALSE(ui().PageControl->isTabVisible(3));
  EXPECT_EQ(ui().PageControl->currentIndex(), 0);
  EXPECT_EQ(ui().StartNum->currentIndex(), -1);
  EXPECT_EQ(ui().StartNum->currentText(), QStringLiteral("StartNum"));
  EXPECT_EQ(ui().EditPrefix->text(), QStringLiteral("!0"));
  EXPECT_EQ(term_->OUT1().ItemIndex(), 0);
  EXPECT_EQ(term_->MpgUsage().ItemIndex(), 0);
  EXPECT_TRUE(ui().RadioPolarityNormal->isChecked());
  EXPECT_EQ(ui().reset->text(), QStringLiteral("Reset VORKA      "));
  EXPECT_EQ(ui().ReadSetting->text(), QStringLiteral("Načíst z VORKA   "));
  EXPECT_EQ(ui().BtnSend1->text(), QStringLiteral("Uložit do VORKA  "));
  EXPECT_EQ(ui().centralwidget->size(), QSize(857, 361));
  EXPECT_FALSE(term_->Polling());
  EXPECT_EQ(term_->PollPeriodMs(), 40);
}

// vorkactl and the comparisons start from a model of the window's controls: it opens as the window.
TEST_F(TermTest, TheSettingsModelOpensAsTheWindow) {
  ::setenv("VORKA_COM1", "/nonexistent/tty", 1);  // shown, with no unit to read
  Start();
  SettingsControls& window = *term_;
  SettingsModel model;
  for (const SettingDef& def : SettingDefs()) {
    switch (def.kind) {
      case SettingKind::Bit:
        EXPECT_EQ(model.Cell(def.reg->gridColumn, def.row), window.Cell(def.reg->gridColumn, def.row))
            << def.name;
        break;
      case SettingKind::InputName:
        EXPECT_EQ(model.InputName(def.row), window.InputName(def.row)) << def.name;
        break;
      case SettingKind::Number:
      case SettingKind::BreakDelay:
        EXPECT_EQ(model.Text(def.control), window.Text(def.control)) << def.name;
        break;
      case SettingKind::Clock:
        EXPECT_EQ(model.Checked(kClockNormalButton), window.Checked(kClockNormalButton));
        break;
      case SettingKind::Item:
      case SettingKind::AxisDirection:
        EXPECT_EQ(model.ItemIndex(def.control), window.ItemIndex(def.control)) << def.name;
        break;
    }
  }
  EXPECT_EQ(model.AcceptedBreakDelay(), window.AcceptedBreakDelay());
  // And an MPG left unused takes the start input away in both.
  for (SettingsControls* controls : {static_cast<SettingsControls*>(&model), &window}) {
    controls->SelectItem("MpgUsage", 1);
    controls->SelectItem("StartNum", 3);
    controls->SelectItem("MpgUsage", 0);
    EXPECT_EQ(controls->ItemIndex("StartNum"), 0);
  }
}

TEST_F(TermTest, GridAndStartInputLabelsAfterStartUp) {
  unit_.SetSilent(true);
  Start();
  auto* grid = ui().StrGridVstupy;
  EXPECT_EQ(grid->width(), 297);
  const char* header[] = {"č.", "Stav", "Jméno", "Polarita", "Povoleno"};
  for (int c = 0; c < 5; ++c) EXPECT_EQ(grid->item(0, c)->text(), QString::fromUtf8(header[c]));
  EXPECT_EQ(grid->item(9, 0)->text(), QStringLiteral("14"));
  EXPECT_EQ(grid->item(10, 2)->text(), QStringLiteral("Sensor"));
  EXPECT_EQ(grid->item(4, 2)->text(), QStringLiteral("-"));
  EXPECT_EQ(grid->item(1, 1)->text(), QString());
  for (QLabel* l : {ui().in3descp, ui().in4descp, ui().in5descp, ui().in6descp, ui().in7descp})
    EXPECT_TRUE(l->text().isEmpty());
}

TEST_F(TermTest, KonecClosesThePort) {
  Start();
  ASSERT_FALSE(ComDevice().empty());
  term_->btexitClick();
  EXPECT_TRUE(ComDevice().empty());
}

TEST_F(TermTest, ClosingTheWindowClosesThePort) {
  Start();
  term_->close();
  EXPECT_TRUE(ComDevice().empty());
}

TEST_F(TermTest, ProgramTextIsNeverCutByTheTypingLimit) {
  Create();
  ui().LoLimitX->setText(QStringLiteral("-20000"));
  EXPECT_EQ(ui().LoLimitX->text(), QStringLiteral("-20000"));
  ui().BreakDelay->clear();
  QTest::keyClicks(ui().BreakDelay, QStringLiteral("123"));
  EXPECT_EQ(ui().BreakDelay->text(), QStringLiteral("12"));
  ui().HiLimitX->setText(QStringLiteral("123456"));
  QTest::keyClick(ui().HiLimitX, Qt::Key_Backspace);
  EXPECT_EQ(ui().HiLimitX->text(), QStringLiteral("12345"));
  QTest::keyClicks(ui().HiLimitX, QStringLiteral("9"));
  EXPECT_EQ(ui().HiLimitX->text(), QStringLiteral("12345"));
}

TEST_F(TermTest, DebugPageLogsTheExchangeAndTimesItInMicroseconds) {
  Start({"debug"});
  term_->OnLine([](UnitOnLine& unit) {
    unit.State().commandMode = "check";
    unit.RunCommandScript();
  });
  Settle();
  EXPECT_EQ(ui().MemoMakro1->toPlainText(), QStringLiteral("Q\n?"));
  EXPECT_EQ(ui().MemoSend->toPlainText(), QStringLiteral("Q\n?"));
  EXPECT_EQ(ui().MemoRec->toPlainText(), QStringLiteral("0,VK12345\n0,TK20MPG v2.4"));
  EXPECT_TRUE(ui().LbTime1->text().endsWith(QStringLiteral("us")));
  EXPECT_GT(ui().LbTime1->text().chopped(2).toLongLong(), 0);
  EXPECT_EQ(ui().MemoRec->textCursor().position(), ui().MemoRec->toPlainText().size());
}

TEST_F(TermTest, ScrollBarMovesBothLogsOneLineAnEvent) {
  Start({"debug"});
  term_->show();
  std::vector<std::string> script;
  for (int i = 0; i < 29; ++i) script.push_back("ER01");
  term_->OnLine([script](UnitOnLine& unit) { unit.RunScript(script); });
  Settle();
  ui().PageControl->setCurrentIndex(3);
  QApplication::processEvents();
  auto* rec = ui().MemoRec->verticalScrollBar();
  auto* makro = ui().MemoMakro1->verticalScrollBar();
  rec->setValue(0);
  makro->setValue(0);
  term_->posuvnikScroll(ui().posuvnik->value() + 5);  // the thumb jumped five places
  EXPECT_EQ(ui().posuvnik->maximum(), 15);
  EXPECT_EQ(rec->value(), 1);
  EXPECT_EQ(makro->value(), 1);
  term_->posuvnikScroll(0);
  EXPECT_EQ(rec->value(), 0);
  term_->posuvnikScroll(0);
  EXPECT_EQ(rec->value(), 0);
  term_->OnLine([](UnitOnLine& unit) { unit.RunScript({"Q"}); });
  Settle();
  term_->posuvnikScroll(1);
  EXPECT_EQ(ui().posuvnik->maximum(), 1);
  term_->hide();
}

TEST_F(TermTest, TypedStartInputThatIsNoItemAddsNoItem) {
  StartQuick();
  term_->MpgUsage().SetItemIndex(1);
  QComboBox* start = ui().StartNum;
  start->setCurrentIndex(3);
  term_->UpdateStartInputLabels();
  start->lineEdit()->selectAll();
  QTest::keyClicks(start->lineEdit(), QStringLiteral("INT 9"));
  QTest::keyClick(start->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(start->count(), 6);
  EXPECT_EQ(start->currentIndex(), -1);
  EXPECT_EQ(ui().in5descp->text(), QStringLiteral("Vstup pro start referencí"));  // unchanged
}

TEST_F(TermTest, LabelsBesideTheInputGridStandOnTheirRows) {
  Start();
  term_->show();
  ui().PageControl->setCurrentIndex(1);
  QApplication::processEvents();
  const char* const labels[] = {"Label5",   "Label6",   "Label7",   "in3descp", "in4descp",
                                "in5descp", "in6descp", "in7descp", "Label13",  "Label14"};
  QTableWidget* grid = ui().StrGridVstupy;
  for (int row = 1; row <= 10; ++row) {
    auto* label = term_->findChild<QLabel*>(QString::fromLatin1(labels[row - 1]));
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    const int rowCentre = grid->viewport()->mapTo(label->parentWidget(), cell.center()).y();
    EXPECT_LE(std::abs(label->geometry().center().y() - rowCentre), 4) << labels[row - 1];
  }
  // The last row ends where the grid does: no empty band below it.
  const QRect last = grid->visualRect(grid->model()->index(10, 0));
  EXPECT_LE(grid->viewport()->height() - last.bottom(), 3);
}

TEST(MessageSeamTest, GeneralErrorBoxAppendsTheFullStopByTheRule) {
  struct Case {
    const char* message;
    const char* shown;
  };
  const Case cases[] = {
      {"'abc' is not a valid integer value", "'abc' is not a valid integer value."},
      {"I/O error 21", "I/O error 21."},
      {"'$' is not a valid integer value", "'$' is not a valid integer value."},
      {"ends in a stop.", "ends in a stop."},
      {"ends in a bang!", "ends in a bang!"},
      {"''", "''"},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WithFullStop(QString::fromUtf8(c.message)), QString::fromUtf8(c.shown)) << c.message;
}

TEST(MessageSeamTest, ErrorsEscapingAHandlerReachTheGeneralErrorBoxAndTheProgramGoesOn) {
  RecordingMessages messages;
  RunGuarded([] { throw std::runtime_error("'x' is not a valid integer value"); });
  bool ranAfter = false;
  RunGuarded([&] { ranAfter = true; });
  EXPECT_EQ(messages.general, QStringList{QStringLiteral("'x' is not a valid integer value.")});
  EXPECT_TRUE(ranAfter);
}

}  // namespace
