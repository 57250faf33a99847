// A save never goes without a backup of what the unit held, and the backup puts the unit back.
#include "link/Async.h"
#include "protocol/settings/Backups.h"
#include "tests/support/FilesFixture.h"
#include "tests/support/TestBackups.h"
#include "ui_Backups.h"
#include "ui_Term.h"
#include "window/Backups.h"

#include <QProcess>

#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <functional>

namespace {

using Commands = std::vector<std::string>;

class UnitBackupTest : public FilesFixture {
 protected:
  void SetUp() override {
    FilesFixture::SetUp();
    QDir(BackupStore::DefaultFolder()).removeRecursively();
  }
  // A unit holding what the window cannot show: a code no item has, inputs the grid does not show,
  // a number outside the window's range.
  void UnitTheWindowCannotShow() {
    DistinctiveRegisters();
    unit_.SetByteRegister("01", 0x07);
    unit_.SetByteRegister("09", 0x7F);
    unit_.SetTextRegister("48", "5000");
  }
  std::vector<Backup> Kept() { return TestBackups().List("VK12345"); }
};

TEST_F(UnitBackupTest, ASaveFromAWindowNeverReadLeavesABackupThatPutsTheUnitBack) {
  UnitTheWindowCannotShow();
  const auto held = Registers();
  StartQuick();
  term_->BtnSend1Click();  // the form's initial values over the unit
  Settle();
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Uložení proběhlo v pořádku")});
  ASSERT_NE(Registers(), held);
  const std::vector<Backup> kept = Kept();
  ASSERT_EQ(kept.size(), 1u);
  Destroy();  // the window's port is the tool's now

  QProcess vorkactl;
  vorkactl.start(QStringLiteral(VORKACTL_PATH),
                 {QStringLiteral("write"), QString::fromStdString(kept[0].path)});
  ASSERT_TRUE(vorkactl.waitForFinished(20000));
  EXPECT_EQ(vorkactl.exitCode(), 0) << vorkactl.readAllStandardError().toStdString();
  EXPECT_EQ(Registers(), held);  // every register, byte for byte
}

TEST_F(UnitBackupTest, NoBackupNoWriteUnlessTheOperatorSaysSo) {
  struct Case {
    const char* what;
    std::function<void()> fault;
    std::function<void()> undo;
    const char* told;  // nullptr: the communication failure
  };
  const QString unitFolder = TestBackups().FolderOf("VK12345");
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  void (*previous)(int) = nullptr;
  const Case cases[] = {
      {"a silent unit during the backup's read", [&] { unit_.SetSilentOnCommand("ER0C"); },
       [&] { unit_.SetSilentOnCommand(""); }, nullptr},
      {"a file where the folder should be",
       [&] {
         QDir().mkpath(BackupStore::DefaultFolder());
         std::ofstream(unitFolder.toStdString()) << "x";
       },
       [&] { QFile::remove(unitFolder); }, "v cestě stojí soubor, kde má být složka"},
      {"a full disk",
       [&] {
         previous = std::signal(SIGXFSZ, SIG_IGN);
         const rlimit small{100, limit.rlim_max};
         ::setrlimit(RLIMIT_FSIZE, &small);
       },
       [&] {
         ::setrlimit(RLIMIT_FSIZE, &limit);
         std::signal(SIGXFSZ, previous);
       },
       "soubor je příliš velký"},
  };
  StartQuick();
  for (const Case& c : cases) {
    QDir(BackupStore::DefaultFolder()).removeRecursively();
    c.fault();
    unit_.ClearReceived();
    messages_.all.clear();
    term_->BtnSend1Click();
    Settle();
    c.undo();
    EXPECT_TRUE(Writes().empty()) << c.what;
    const QString told = c.told ? QStringLiteral("Zálohu nastavení jednotky nelze uložit: ") +
                                      QString::fromUtf8(c.told) +
                                      QStringLiteral(". Uložit do jednotky bez zálohy?")
                                : QStringLiteral("Chyba komunikace");
    EXPECT_EQ(messages_.all, QStringList{told}) << c.what;
    term_->IdentifyUnit();  // the unit answers again
    Settle();
    if (!c.told) continue;
    // "Ano": saved without a backup.
    c.fault();
    messages_.answer = true;
    messages_.all.clear();
    term_->BtnSend1Click();
    Settle();
    messages_.answer = false;
    c.undo();
    EXPECT_EQ(Writes().size(), 29u) << c.what;
    EXPECT_EQ(messages_.all, (QStringList{told, QStringLiteral("Uložení proběhlo v pořádku")})) << c.what;
  }
}

TEST_F(UnitBackupTest, TheDialogListsTheBackupsAndOneGoesIntoTheWindow) {
  DistinctiveRegisters();
  const auto held = Registers();
  StartQuick();
  term_->BtnSend1Click();
  Settle();
  ASSERT_EQ(Kept().size(), 1u);
  term_->BtnSend1Click();  // the unit holds the window's values now: a second backup
  Settle();
  ASSERT_EQ(Kept().size(), 2u);
  unit_.ClearReceived();

  QStringList rows;
  QString opened;
  term_->Files().BackupsDialog().OpenFolder = [&](const QString& folder) { opened = folder; };
  term_->Files().RunBackupsDialog = [&](TFormBackups& dialog) {
    for (int i = 0; i < dialog.ui->ListBackups->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* row = dialog.ui->ListBackups->topLevelItem(i);
      rows << row->text(1) + " " + row->text(2) + " " + row->text(3);
      EXPECT_EQ(row->text(0).size(), 19) << row->text(0).toStdString();  // date and time
    }
    dialog.BtnOpenFolderClick();
    dialog.ui->ListBackups->topLevelItem(1)->setSelected(true);  // the older: what the unit held
    dialog.BtnLoadBackupClick();
  };
  ui().BackupsMnu->trigger();
  EXPECT_EQ(rows, (QStringList{"VK12345 TK20MPG v2.4 0", "VK12345 TK20MPG v2.4 34"}));
  EXPECT_EQ(opened, TestBackups().FolderOf("VK12345"));
  EXPECT_TRUE(Received().empty());  // nothing is sent before the operator saves
  EXPECT_EQ(ui().GearX->text(), QStringLiteral("640.000000"));
  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(Registers(), held);
}

TEST_F(UnitBackupTest, TheDialogNotesABackupOfOtherFirmware) {
  UnitSettings settings;
  settings.Set("OUT1", "Laser");
  ASSERT_FALSE(TestBackups().Keep({true, true, "VK12345", "TK20MPG v2.0"}, settings));
  StartQuick();
  QStringList notes;
  term_->Files().RunBackupsDialog = [&](TFormBackups& dialog) {
    for (int i = 0; i < dialog.ui->ListBackups->topLevelItemCount(); ++i)
      notes << dialog.ui->ListBackups->topLevelItem(i)->text(4);
  };
  term_->Files().BackupsClick();
  EXPECT_EQ(
      notes,
      QStringList{QStringLiteral("Záloha z VK12345 (TK20MPG v2.0), připojena je VK12345 (TK20MPG v2.4)")});
}

TEST_F(UnitBackupTest, ABackupTheWindowCannotShowIsNamedAndNothingApplied) {
  UnitTheWindowCannotShow();
  StartQuick();
  term_->BtnSend1Click();
  Settle();
  messages_.all.clear();
  term_->Files().RunBackupsDialog = [](TFormBackups& dialog) {
    dialog.ui->ListBackups->topLevelItem(0)->setSelected(true);
    dialog.BtnLoadBackupClick();
  };
  term_->Files().BackupsClick();
  ASSERT_EQ(messages_.all.size(), 1);
  EXPECT_TRUE(messages_.all[0].contains(QStringLiteral("hodnota „? (0,07)“ nepatří k nastavení „OUT1“")))
      << messages_.all[0].toStdString();
  EXPECT_TRUE(messages_.all[0].endsWith(QStringLiteral("Nic nebylo načteno.")));
}

}  // namespace
