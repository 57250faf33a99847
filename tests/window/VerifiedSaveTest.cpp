// Every save of the window reads the unit back: a unit that acknowledges a write and keeps its old
// value is never told as saved, whichever way the values came into the window.
#include "tests/support/WindowFixture.h"
#include "ui_Backups.h"
#include "ui_Term.h"
#include "window/Backups.h"
#include "window/SettingsFiles.h"

#include <QDir>

#include <algorithm>

#include <functional>

namespace {

const QString kSaved = QStringLiteral("Uložení proběhlo v pořádku");

class VerifiedSaveTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    QDir(TestBackups().Folder()).removeRecursively();
  }
  std::vector<Backup> Kept() { return TestBackups().List("VK12345"); }
};

struct SaveCase {
  const char* name;
  // Puts a Hi-Limit X of 500 into the window of a unit holding 1000, as the operator would.
  std::function<void()> fill;
};

TEST_F(VerifiedSaveTest, ASaveTheUnitDidNotKeepIsNamedWithTheUnitsValueAndTheBackup) {
  const SaveCase cases[] = {
      {"a value typed after a read",
       [this] {
         term_->ReadSettingClick();
         Settle();
         ui().HiLimitX->setText(QStringLiteral("500"));
       }},
      {"the factory settings",
       [this] {
         unit_.SetTextRegister("20", "1000");
         term_->Button1Click();  // Hi-Limit X "1": the unit holds 1000
         Settle();
       }},
      {"a backup put back",
       [this] {
         unit_.SetTextRegister("20", "500");
         term_->ReadSettingClick();
         Settle();
         term_->BtnSend1Click();  // kept 500 in a backup
         Settle();
         unit_.SetTextRegister("20", "1000");
         term_->Files().RunBackupsDialog = [](TFormBackups& dialog) {
           dialog.ui->ListBackups->topLevelItem(0)->setSelected(true);
           dialog.BtnLoadBackupClick();
         };
         term_->Files().BackupsClick();
       }},
  };
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(TestBackups().Folder()).removeRecursively();
    unit_.ResetRegisters();
    DistinctiveRegisters();  // Hi-Limit X 1000
    StartQuick();
    c.fill();
    const std::string wanted = c.name == std::string("the factory settings") ? "1" : "500";
    ASSERT_EQ(ui().HiLimitX->text().toStdString(), wanted);
    unit_.SetWriteStoredAs("20", "");  // acknowledged, the old value kept
    messages_.all.clear();
    term_->BtnSend1Click();
    Settle();
    const std::vector<Backup> kept = Kept();
    ASSERT_FALSE(kept.empty());
    ASSERT_EQ(messages_.all.size(), 1) << messages_.all.join(u'|').toStdString();
    EXPECT_NE(messages_.all[0], kSaved);
    EXPECT_EQ(messages_.all[0],
              QStringLiteral(
                  "Neuloženo: jednotka zápis potvrdila, ale drží jiné hodnoty: „Hi-Limit X [mm]“ (v jednotce "
                  "1000)\nPředchozí nastavení jednotky je v záloze: ") +
                  QDir::toNativeSeparators(QString::fromStdString(kept.front().path)));
    // The marks show what the unit holds, not what was sent.
    EXPECT_TRUE(ui().HiLimitX->toolTip().contains(QStringLiteral("V jednotce: 1000")))
        << ui().HiLimitX->toolTip().toStdString();
    EXPECT_FALSE(ui().GearX->toolTip().contains(QStringLiteral("V jednotce")));
    unit_.SetWriteStoredAs("20", std::nullopt);
  }
}

// Kept, it is saved as ever; a unit that stops answering the read back is not called saved either.
TEST_F(VerifiedSaveTest, AKeptSaveIsSavedAndAnUnansweredReadBackIsNot) {
  StartQuick();
  term_->ReadSettingClick();
  Settle();
  ui().HiLimitX->setText(QStringLiteral("500"));
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kSaved});
  EXPECT_EQ(*unit_.TextRegister("20"), "500");
  EXPECT_FALSE(ui().HiLimitX->toolTip().contains(QStringLiteral("V jednotce")))
      << ui().HiLimitX->toolTip().toStdString();

  // Silent from the read back on: the writes went, what the unit kept is unknown.
  ui().HiLimitX->setText(QStringLiteral("600"));
  messages_.all.clear();
  unit_.SetSilentOnNth(2 + 29 + 29 + 29 + 1);  // the identification, the backup's two reads, the writes
  term_->BtnSend1Click();
  Settle();
  ASSERT_EQ(messages_.all.size(), 2) << messages_.all.join(u'|').toStdString();
  EXPECT_EQ(messages_.all[0], QStringLiteral("Chyba komunikace"));
  EXPECT_TRUE(messages_.all[1].startsWith(QStringLiteral(
      "Uložení nelze ověřit: jednotka po zápisu neodpověděla celé čtení.\nPředchozí nastavení")))
      << messages_.all[1].toStdString();
}

// Two faults in the save's read (a late copy, then a reply lost): the values between them shift,
// and only another reading shows it; the backup and the plan come from readings that agree.
TEST_F(VerifiedSaveTest, TwoFaultsInTheReadBeforeNeverBecomeTheBackup) {
  DistinctiveRegisters();
  StartQuick();
  term_->ReadSettingClick();
  Settle();
  ui().HiLimitX->setText(QStringLiteral("500"));
  TwoFaultsInTheNextRead();
  messages_.all.clear();
  unit_.ClearReceived();
  term_->BtnSend1Click();
  Settle();
  unit_.SetDelayMs(0);
  if (messages_.all != QStringList{kSaved}) {
    // On a busy machine the copy can come within its own reply's watch: the read runs again on a
    // quiet line and meets the silence. The unit did not answer: nothing kept, nothing written.
    EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Chyba komunikace")});
    EXPECT_TRUE(Kept().empty());
    EXPECT_TRUE(Writes().empty());
    return;
  }
  const std::vector<Backup> kept = Kept();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(kept[0].settings.Get("GearY").value_or("").starts_with("200.5"))
      << *kept[0].settings.Get("GearY");
  EXPECT_EQ(kept[0].settings.Get("MpgAcc").value_or(""), "500");
  EXPECT_EQ(*unit_.TextRegister("34"), "200.500000");
}

}  // namespace
