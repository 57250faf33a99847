// A save writes no value nobody chose and over no change it has not shown, unasked; the window marks
// what differs from the unit.
#include "tests/support/ChildEntry.h"
#include "tests/support/WindowFixture.h"
#include "ui_Review.h"
#include "ui_Term.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <set>

#include <cstdio>

namespace {

const QString kSaved = QStringLiteral("Uložení proběhlo v pořádku");
const QString kNotSaved = QStringLiteral("Neuloženo");

class ReviewWindowTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    StartQuick();
    DistinctiveRegisters();  // a machine in service: nothing as the window's form has it
  }
  void TearDown() override {
    term_->findChild<QAction*>(QStringLiteral("AlwaysReviewMnu"))->setChecked(false);
    WindowFixture::TearDown();
  }
  // The rows of the last review: setting name, and whether it was ticked.
  std::map<std::string, bool> Listed() {
    std::map<std::string, bool> listed;
    if (!reviews_.empty())
      for (const ReviewRow& row : reviews_.back()) listed[row.def->name] = row.chosen;
    return listed;
  }
  void Save() {
    unit_.ClearReceived();
    messages_.all.clear();
    reviews_.clear();
    term_->BtnSend1Click();
    Settle();
  }
  // The review answered by a key, as the operator would press it on the dialog.
  static std::function<bool(TFormReview&)> Key(Qt::Key key) {
    return [key](TFormReview& dialog) {
      dialog.show();
      QTest::keyClick(&dialog, key);
      return dialog.result() == QDialog::Accepted;
    };
  }
  static bool Write(TFormReview& dialog) {
    dialog.write->click();
    return dialog.result() == QDialog::Accepted;
  }
  QString ToolTip(const char* edit) { return Control(edit)->toolTip(); }
};

TEST_F(ReviewWindowTest, AnUnreadSaveAsksAndEnterOrEscWriteNothing) {
  const auto before = Registers();
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    answerReview_ = Key(key);
    Save();
    ASSERT_EQ(reviews_.size(), 1U);
    const std::map<std::string, bool> listed = Listed();
    EXPECT_GT(listed.size(), 20U);  // nearly every setting differs from the form's
    for (const auto& [name, chosen] : listed) EXPECT_FALSE(chosen) << name;  // nobody chose any of them
    EXPECT_EQ(messages_.all, QStringList{kNotSaved});
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(Registers(), before);
  }
  // "Zapsat" with nothing ticked: each setting as the unit holds it, and the window shows it so, as
  // after a read: the next save writes the unit's values back without a question.
  answerReview_ = Write;
  Save();
  EXPECT_EQ(messages_.all, QStringList{kSaved});
  EXPECT_EQ(Registers(), before);
  EXPECT_EQ(ui().GearX->text(), QStringLiteral("640.000000"));
  answerReview_ = {};
  Save();
  EXPECT_TRUE(reviews_.empty());
  EXPECT_EQ(messages_.all, QStringList{kSaved});
  EXPECT_EQ(Registers(), before);
  // Ticked, the form's values go in; the next save has nothing to ask.
  StartQuick();
  answerReview_ = [](TFormReview& dialog) {
    for (int row = 0; row < static_cast<int>(dialog.Rows().size()); ++row) dialog.SetChosen(row, true);
    return Write(dialog);
  };
  Save();
  EXPECT_EQ(messages_.all, QStringList{kSaved});
  EXPECT_EQ(*unit_.TextRegister("30"), "1.000000");
  answerReview_ = {};
  Save();
  EXPECT_TRUE(reviews_.empty());
  EXPECT_EQ(Writes().size(), 29U);
}

TEST_F(ReviewWindowTest, ReadEditedOrLoadedValuesAreTheSaveAsItWas) {
  const std::vector<std::pair<const char*, std::function<void()>>> choices = {
      {"a read", [this] { term_->ReadSettingClick(); }},
      {"a read and an edit",
       [this] {
         term_->ReadSettingClick();
         Settle();
         ui().GearX->setText(QStringLiteral("320"));
       }},
      {"the factory settings", [this] { term_->Button1Click(); }},
  };
  for (const auto& [what, choose] : choices) {
    StartQuick();
    choose();
    Save();
    EXPECT_TRUE(reviews_.empty()) << what;
    EXPECT_EQ(Writes().size(), 29U) << what;
    EXPECT_EQ(messages_.all, QStringList{kSaved}) << what;
  }
}

TEST_F(ReviewWindowTest, AChangeInTheUnitSinceTheReadIsShownAndKeptUnlessTicked) {
  term_->ReadSettingClick();
  Settle();
  ui().GearX->setText(QStringLiteral("320"));  // the operator's change
  unit_.SetByteRegister("01", 0x01);           // another program's: OUT1 "Laser" since the read
  answerReview_ = Write;
  Save();
  ASSERT_EQ(reviews_.size(), 1U);
  EXPECT_EQ(Listed(), (std::map<std::string, bool>{{"GearX", true}, {"OUT1", false}}));
  EXPECT_EQ(messages_.all, QStringList{kSaved});
  EXPECT_EQ(*unit_.ByteRegister("01"), 0x01);  // kept
  EXPECT_EQ(*unit_.TextRegister("30"), "320.000000");
  const QTableWidget& grid = *term_->ReviewDialog().ui->GridReview;
  EXPECT_EQ(grid.item(0, 0)->text(), QStringLiteral("OUT1"));
  EXPECT_EQ(grid.item(0, 1)->text(), QStringLiteral("Laser"));
  EXPECT_EQ(grid.item(0, 2)->text(), QStringLiteral("Signalizace přerušení"));
  EXPECT_EQ(grid.item(0, 3)->text(),
            QStringLiteral("v jednotce změněno od načtení (bylo Signalizace přerušení)"));
  EXPECT_EQ(grid.item(1, 3)->text(), QStringLiteral("upraveno v okně"));
}

TEST_F(ReviewWindowTest, OneInputBitOfASharedRegisterLeftOutKeepsTheUnitsBit) {
  term_->ReadSettingClick();  // "Povoleno" 0x81: inputs 0 and 7
  Settle();
  term_->findChild<QAction*>(QStringLiteral("AlwaysReviewMnu"))->setChecked(true);
  ui().StrGridVstupy->item(1, 4)->setText(QStringLiteral("0"));  // input 0 off
  ui().StrGridVstupy->item(3, 4)->setText(QStringLiteral("1"));  // input 2 on
  answerReview_ = [](TFormReview& dialog) {
    const std::vector<ReviewRow> rows = dialog.Rows();
    for (int row = 0; row < static_cast<int>(rows.size()); ++row)
      if (rows[static_cast<std::size_t>(row)].def->name == "Povoleno.0") dialog.SetChosen(row, false);
    return Write(dialog);
  };
  Save();
  EXPECT_EQ(Listed(), (std::map<std::string, bool>{{"Povoleno.0", true}, {"Povoleno.2", true}}));
  EXPECT_EQ(*unit_.ByteRegister("08"), 0x85);  // input 0 as the unit had it, input 2 chosen
  EXPECT_EQ(messages_.all, QStringList{kSaved});
}

TEST_F(ReviewWindowTest, TheOptionIsRememberedAndAsksOnEverySave) {
  term_->ReadSettingClick();
  Settle();
  term_->findChild<QAction*>(QStringLiteral("AlwaysReviewMnu"))->setChecked(true);
  StartQuick();  // a new window: the option kept for the user
  EXPECT_TRUE(term_->findChild<QAction*>(QStringLiteral("AlwaysReviewMnu"))->isChecked());
  term_->ReadSettingClick();
  Settle();
  Save();
  ASSERT_EQ(reviews_.size(), 1U);  // nothing to change, asked all the same
  EXPECT_TRUE(Listed().empty());
  EXPECT_EQ(messages_.all, QStringList{kSaved});  // "Zapsat": the save as without the review
  EXPECT_EQ(Writes().size(), 29U);
}

TEST_F(ReviewWindowTest, ControlsThatDifferFromTheUnitAreMarkedUntilARead) {
  term_->ReadSettingClick();
  Settle();
  EXPECT_FALSE(ToolTip("GearX").contains(QStringLiteral("V jednotce")));
  const QColor plain = ui().GearX->palette().color(QPalette::Base);
  ui().GearX->setText(QStringLiteral("320"));
  ui().StrGridVstupy->item(3, 4)->setText(QStringLiteral("1"));
  QTest::qWait(10);  // the marks follow the operator's typing
  EXPECT_TRUE(ToolTip("GearX").endsWith(QStringLiteral("V jednotce: 640.000000")))
      << ToolTip("GearX").toStdString();
  EXPECT_NE(ui().GearX->palette().color(QPalette::Base), plain);
  EXPECT_EQ(ui().StrGridVstupy->item(3, 4)->toolTip(), QStringLiteral("V jednotce: 0"));
  EXPECT_FALSE(ToolTip("GearY").contains(QStringLiteral("V jednotce")));
  Save();  // the unit now holds the window's values
  EXPECT_FALSE(ToolTip("GearX").contains(QStringLiteral("V jednotce")));
  EXPECT_EQ(ui().GearX->palette().color(QPalette::Base), plain);
  EXPECT_TRUE(ui().StrGridVstupy->item(3, 4)->toolTip().isEmpty());
  ui().GearX->setText(QStringLiteral("100"));
  QTest::qWait(10);
  EXPECT_TRUE(ToolTip("GearX").contains(QStringLiteral("V jednotce: 320")));
  term_->ReadSettingClick();  // the unit's value back in the window
  Settle();
  EXPECT_FALSE(ToolTip("GearX").contains(QStringLiteral("V jednotce")));
}

// A read that stops at a reply that is no number: the controls decoded before it show the unit's
// values, and the window knows them as the unit's, not as changes of the operator's.
TEST_F(ReviewWindowTest, AReadStoppedByAReplyThatIsNoNumberKnowsWhatItDecoded) {
  term_->ReadSettingClick();
  Settle();
  unit_.SetByteRegister("01", 0x02);  // OUT1 changed at the unit: decoded before the break delay
  unit_.SetReplyOverride("ERFD", "0,7q");
  term_->ReadSettingClick();
  Settle();
  EXPECT_EQ(messages_.general, QStringList{QStringLiteral("'7q' is not a valid integer value.")});
  ASSERT_EQ(term_->OUT1().ItemIndex(), 2);
  EXPECT_FALSE(term_->OUT1().Box()->toolTip().contains(QStringLiteral("V jednotce")))
      << term_->OUT1().Box()->toolTip().toStdString();
}

TEST_F(ReviewWindowTest, AValueTheWindowCorrectedAfterAReadSaysWhatTheUnitHolds) {
  unit_.SetTextRegister("30", "200*16/5");  // a gear as the TORVEL file writes it
  term_->ReadSettingClick();
  Settle();
  ASSERT_EQ(ui().GearX->text(), QStringLiteral("640.000000"));
  answerReview_ = Key(Qt::Key_Escape);
  Save();
  EXPECT_EQ(Listed(), (std::map<std::string, bool>{{"GearX", false}}));
  const QTableWidget& grid = *term_->ReviewDialog().ui->GridReview;
  EXPECT_EQ(grid.item(0, 3)->text().toStdString(),
            "okno po načtení opravilo: jednotka drží 200*16/5, okno zapíše 640.000000");
  EXPECT_EQ(*unit_.TextRegister("30"), "200*16/5");
}

TEST_F(ReviewWindowTest, InputsTheTorvelFileDoesNotNameAreLeftToTheOperator) {
  term_->ReadSettingClick();  // "Povoleno" 0x81: inputs 0 and 7; "Polarita" 0x3C: inputs 2 to 5
  Settle();
  term_->MpgUsage().SetItemIndex(1);
  QTemporaryDir dir;
  const QString cfg = dir.filePath(QStringLiteral("machine.cfg"));
  {
    QFile file(cfg);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("INTR0=1,0,Ref X\r\nINTR1=1,1,Ref Y\r\n");
  }
  TermFormInternals::RunOpenDialog(*term_) = [cfg](QString& chosen) {
    chosen = cfg;
    return true;
  };
  ui().ReadCFG->click();
  answerReview_ = Write;
  Save();
  const std::map<std::string, bool> listed = Listed();
  EXPECT_EQ(listed.at("Povoleno.1"), true);   // named: on
  EXPECT_EQ(listed.at("Polarita.1"), true);   // named: negated
  EXPECT_EQ(listed.at("Povoleno.7"), false);  // not named: the import would switch it off
  for (const char* name : {"Polarita.2", "Polarita.3", "Polarita.4", "Polarita.5"})
    EXPECT_EQ(listed.at(name), false) << name;
  const TFormReview& review = term_->ReviewDialog();
  for (int row = 0; row < review.ui->GridReview->rowCount(); ++row) {
    if (review.ui->GridReview->item(row, 0)->checkState() == Qt::Unchecked) {
      EXPECT_EQ(review.ui->GridReview->item(row, 3)->text(),
                QStringLiteral("v konfiguraci TORVEL chybí: import vstup vypíná"));
    }
  }
  EXPECT_EQ(messages_.all, QStringList{kSaved});
  EXPECT_EQ(*unit_.ByteRegister("08"), 0x83);  // inputs 0 and 1 as the file has them, 7 kept
  EXPECT_EQ(*unit_.ByteRegister("0A"), 0x3E);  // input 1 negated by the file, 2 to 5 kept
  // The window shows what the unit kept, as a read would, and the rest as it was.
  EXPECT_EQ(ui().StrGridVstupy->item(8, 4)->text(), QStringLiteral("1"));  // input 7
  EXPECT_EQ(term_->MpgUsage().ItemIndex(), 1);
  answerReview_ = {};
  Save();
  EXPECT_TRUE(reviews_.empty());
  EXPECT_EQ(*unit_.ByteRegister("08"), 0x83);
}

// After a save that left a row out, the window shows that setting as a read would: a gear the unit
// holds as "200*16/5" is shown as 640.000000, never as the unit's raw reply.
TEST_F(ReviewWindowTest, ARowLeftOutIsShownAsAReadWouldShowIt) {
  unit_.SetTextRegister("30", "200*16/5");
  term_->ReadSettingClick();
  Settle();
  ui().GearY->setText(QStringLiteral("321"));
  answerReview_ = Write;
  Save();
  EXPECT_EQ(Listed(), (std::map<std::string, bool>{{"GearX", false}, {"GearY", true}}));
  EXPECT_EQ(messages_.all, QStringList{kSaved});
  EXPECT_EQ(ui().GearX->text(), QStringLiteral("640.000000"));
  EXPECT_EQ(*unit_.TextRegister("30"), "200*16/5");
  EXPECT_EQ(term_->MpgUsage().ItemIndex(), 2);  // as read
  answerReview_ = Key(Qt::Key_Escape);
  Save();  // still the window's correction, still the operator's to choose
  EXPECT_EQ(Listed(), (std::map<std::string, bool>{{"GearX", false}}));
}

TEST_F(ReviewWindowTest, TheDialogCountsWhatItWritesAndTicksAllOrNone) {
  term_->ReadSettingClick();
  Settle();
  ui().GearX->setText(QStringLiteral("320"));
  ui().GearY->setText(QStringLiteral("321"));
  unit_.SetByteRegister("01", 0x01);  // changed since the read: unticked
  unit_.SetTextRegister("40", "Reason long enough to need more than two lines of the column when shown");
  struct Seen {
    QStringList summaries;
    std::set<int> heights;
    int visibleHeight = 0;
    bool resizable = false;
  } seen;
  answerReview_ = [&seen](TFormReview& dialog) {
    QPushButton& all = *dialog.findChild<QPushButton*>(QStringLiteral("BtnReviewAll"));
    QPushButton& none = *dialog.findChild<QPushButton*>(QStringLiteral("BtnReviewNone"));
    const QTableWidget& grid = *dialog.ui->GridReview;
    const auto summary = [&] { seen.summaries << dialog.ui->LbReviewSummary->text(); };
    summary();
    none.click();
    summary();
    all.click();
    summary();
    dialog.SetChosen(0, false);
    summary();
    dialog.resize(500, 400);
    dialog.show();
    for (int row = 0; row < grid.rowCount(); ++row) seen.heights.insert(grid.rowHeight(row));
    seen.visibleHeight = grid.fontMetrics().lineSpacing();
    seen.resizable = dialog.minimumSize() != dialog.maximumSize() && dialog.isSizeGripEnabled();
    return Write(dialog);
  };
  Save();
  ASSERT_EQ(seen.summaries.size(), 4);
  const QString rest = QStringLiteral(", ostatní zůstanou, jak je jednotka drží.");
  EXPECT_TRUE(seen.summaries[0].startsWith(QStringLiteral("Zapíše se 2 z 4 změn") + rest))
      << seen.summaries[0].toStdString();
  EXPECT_TRUE(seen.summaries[1].startsWith(QStringLiteral("Zapíše se 0 z 4 změn") + rest));
  EXPECT_TRUE(seen.summaries[2].startsWith(QStringLiteral("Zapíše se 4 z 4 změn") + rest));
  EXPECT_TRUE(seen.summaries[3].startsWith(QStringLiteral("Zapíše se 3 z 4 změn") + rest));
  ASSERT_EQ(seen.heights.size(), 1U);                        // every row as high as the others
  EXPECT_GE(*seen.heights.begin(), 2 * seen.visibleHeight);  // a long reason on a second line
  EXPECT_LT(*seen.heights.begin(), 3 * seen.visibleHeight);  // and no third
  EXPECT_TRUE(seen.resizable);
  EXPECT_EQ(*unit_.ByteRegister("01"), 0x01);  // "Vybrat vše", then the first row left out
  EXPECT_NE(*unit_.TextRegister("40"),
            "Reason long enough to need more than two lines of the column when shown");
}

// Run by the test below in a process of its own, whose options have nowhere to go.
const ChildEntry kOptionNotKept("review-option-not-kept", [] {
  qputenv("XDG_CONFIG_HOME", qgetenv("VORKA_TEST_CONFIG"));  // the test program set its own
  RecordingMessages messages;
  TTermForm term({QStringLiteral("vorka_config")}, TestBackups());
  term.findChild<QAction*>(QStringLiteral("AlwaysReviewMnu"))->setChecked(true);
  std::printf("<<%s>>\n", messages.all.join(u'|').toStdString().c_str());
  return 0;
});

TEST(ReviewOptionTest, AnOptionThatCannotBeKeptIsSaid) {
  QTemporaryDir dir;
  QFile blocker(dir.filePath(QStringLiteral("file")));  // a file where the folder would go: even root fails
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("VORKA_TEST_CHILD"), QStringLiteral("review-option-not-kept"));
  environment.insert(QStringLiteral("VORKA_TEST_CONFIG"), dir.filePath(QStringLiteral("file/config")));
  child.setProcessEnvironment(environment);
  child.start(QCoreApplication::applicationFilePath(), {});
  ASSERT_TRUE(child.waitForFinished(30000));
  EXPECT_NE(child.readAllStandardOutput().indexOf(
                QStringLiteral("<<Volbu nelze uložit: platí jen do zavření programu.>>").toUtf8()),
            -1);
}

}  // namespace
