#include "tests/support/WindowFixture.h"
#include "ui_Term.h"

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <filesystem>
#include <fstream>

namespace {

using Commands = std::vector<std::string>;

class ImportTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    StartQuick();
    term_->MpgUsage().SetItemIndex(1);
  }
  QString Write(const std::string& bytes) {
    const QString path = dir_.filePath(QStringLiteral("machine.cfg"));
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
    return path;
  }
  void Import(const QString& path) {
    dialogRuns_ = 0;
    TermFormInternals::RunOpenDialog(*term_) = [this, path](QString& chosen) {
      ++dialogRuns_;
      chosen = path;
      return !path.isEmpty();
    };
    ui().ReadCFG->click();
  }
  QString Cell(int row, int column) { return ui().StrGridVstupy->item(row, column)->text(); }

  QTemporaryDir dir_;
  int dialogRuns_ = 0;
};

TEST_F(ImportTest, FieldsAndGridFromTheFileThenSavedToTheUnit) {
  Import(
      Write("[Stroj]\r\nKrNaMmX=200*16/5\r\nkrnammy=200\r\nKrNaMmZ=0,5\r\nVrefX=12.5\r\n"
            "VrefY= 50\r\nLimitZ=-150\r\nVmax=5000\r\nAkcelerace=300\r\n"
            "INTR0=1,1,Ref X\r\nINTR7=1,0,Dvere\r\nINTR14=1,0,Tl.Sens\r\nINTR15=0,1,\xc8idlo\r\n"));
  EXPECT_EQ(dialogRuns_, 1);
  EXPECT_EQ(TermFormInternals::OpenDialog(*term_)->nameFilters(),
            QStringList{QStringLiteral("Konfigurace Torvel (*.cfg)")});
  EXPECT_EQ(TermFormInternals::OpenDialog(*term_)->directory().absolutePath(), QDir::currentPath());
  EXPECT_EQ(TermFormInternals::OpenDialog(*term_)->windowTitle(),
            QStringLiteral("Načíst konfiguraci TORVEL"));
  EXPECT_EQ(ui().GearX->text(), QStringLiteral("640.000000"));
  EXPECT_EQ(ui().GearY->text(), QStringLiteral("200.000000"));
  EXPECT_EQ(ui().GearZ->text(), QStringLiteral("1.000000"));
  EXPECT_EQ(ui().RefSpeedX->text(), QStringLiteral("12"));
  EXPECT_EQ(ui().RefSpeedY->text(), QStringLiteral("50"));  // the blank before the value is dropped
  EXPECT_EQ(ui().HiLimitZ->text(), QStringLiteral("150"));
  EXPECT_EQ(ui().MpgMaxSpeed->text(), QStringLiteral("2000"));
  EXPECT_EQ(ui().MpgAcc->text(), QStringLiteral("300"));
  EXPECT_EQ(Cell(1, 2), QStringLiteral("REF"));
  EXPECT_EQ(Cell(2, 2), QString());  // the start names are replaced
  EXPECT_EQ(Cell(8, 2), QStringLiteral("DVERE"));
  EXPECT_EQ(Cell(9, 2), QStringLiteral("TL.SENS"));
  EXPECT_EQ(Cell(10, 2), QStringLiteral("ČIDLO"));  // code page 1250, a to z upper-cased
  EXPECT_EQ(Cell(1, 3), QStringLiteral("1"));
  EXPECT_EQ(Cell(8, 4), QStringLiteral("1"));
  EXPECT_EQ(Cell(9, 4), QStringLiteral("1"));
  EXPECT_EQ(Cell(9, 3), QStringLiteral("0"));
  EXPECT_EQ(Cell(10, 3), QStringLiteral("1"));
  EXPECT_TRUE(messages_.all.isEmpty());

  term_->BtnSend1Click();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{QStringLiteral("Uložení proběhlo v pořádku")});
  const Commands received = Received();
  auto sent = [&](const std::string& command) {
    return std::find(received.begin(), received.end(), "!0" + command) != received.end();
  };
  EXPECT_TRUE(sent("EFW30,640.000000"));
  EXPECT_TRUE(sent("EFW34,200.000000"));
  EXPECT_TRUE(sent("EW08,81"));  // enabled: inputs 0 and 7
  EXPECT_TRUE(sent("EW09,40"));  // enabled: input 14
  EXPECT_TRUE(sent("EW0A,01"));  // polarity: input 0
  EXPECT_TRUE(sent("EW0B,80"));  // polarity: input 15
}

TEST_F(ImportTest, MissingFileIsSilentAndTheGridShowsTheTables) {
  Import(dir_.filePath(QStringLiteral("none.cfg")));
  EXPECT_TRUE(messages_.all.isEmpty());
  for (int row = 1; row <= 10; ++row) {
    EXPECT_EQ(Cell(row, 2), QString()) << row;
    EXPECT_EQ(Cell(row, 3), QStringLiteral("0"));
    EXPECT_EQ(Cell(row, 4), QStringLiteral("0"));
  }
}

// Czech letters and a path beyond 255 characters: the file the operator chose is the one read, and
// a name the system refuses is told by the general error box, never passed over.
TEST_F(ImportTest, TheChosenPathIsReadWholeOrTold) {
  QString folder = dir_.filePath(QStringLiteral("Uživatel Dílny/frézka č.1"));
  while (folder.size() < 280) folder += QStringLiteral("/") + QString(50, QLatin1Char('d'));
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString path = folder + QStringLiteral("/stroj ř.cfg");
  std::ofstream(std::filesystem::path(path.toStdU16String()), std::ios::binary) << "INTR3=1,0,Dvere\r\n";
  Import(path);
  EXPECT_TRUE(messages_.all.isEmpty()) << messages_.all.join(QLatin1Char('|')).toStdString();
  EXPECT_EQ(Cell(4, 2), QStringLiteral("DVERE"));

  Import(dir_.filePath(QString(300, QLatin1Char('n')) + QStringLiteral(".cfg")));
  EXPECT_EQ(messages_.general, QStringList{QStringLiteral("Invalid filename.")});
}

TEST_F(ImportTest, NamesOfAnEarlierImportStay) {
  Import(Write("INTR3=1,1,First\r\n"));
  Import(Write("INTR4=0,0,Second\r\n"));
  EXPECT_EQ(Cell(4, 2), QStringLiteral("FIRST"));
  EXPECT_EQ(Cell(4, 3), QStringLiteral("0"));  // the flags start afresh
  EXPECT_EQ(Cell(5, 2), QStringLiteral("SECOND"));
}

TEST_F(ImportTest, DirectoryEndsTheImportWithTheGeneralErrorBox) {
  ui().StrGridVstupy->item(4, 2)->setText(QStringLiteral("Dvere"));
  Import(dir_.path());
  EXPECT_EQ(messages_.general, QStringList{QStringLiteral("File access denied.")});
  EXPECT_EQ(Cell(4, 2), QStringLiteral("Dvere"));  // no grid fill after the failure
}

TEST_F(ImportTest, UnreadableFileEndsTheImportWithTheGeneralErrorBox) {
  const QString path = Write("VrefX=10\r\n");
  QFile::setPermissions(path, QFileDevice::Permissions());
  if (QFileInfo(path).isReadable()) {
    // Permissions do not stop root: a file whose read really fails (EIO) stands in for it.
    Import(QStringLiteral("/proc/self/mem"));
    EXPECT_EQ(messages_.general, QStringList{QStringLiteral("I/O error 30.")});
  } else {
    Import(path);
    EXPECT_EQ(messages_.general, QStringList{QStringLiteral("File access denied.")});
  }
}

TEST_F(ImportTest, PipeOrDeviceChosenAsTheFileIsRefusedAtOnce) {
  const QString fifo = dir_.filePath(QStringLiteral("pipe.cfg"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  for (const QString& path : {fifo, QStringLiteral("/dev/zero")}) {
    messages_.general.clear();
    Import(path);
    EXPECT_EQ(messages_.general, QStringList{QStringLiteral("File access denied.")}) << path.toStdString();
  }
}

TEST_F(ImportTest, CancelOrNoMpgDoesNothing) {
  Import(QString());
  EXPECT_EQ(dialogRuns_, 1);
  EXPECT_EQ(Cell(1, 2), QStringLiteral("RefX"));
  state().mpgCapable = false;
  Import(Write("VrefX=10\r\n"));
  EXPECT_EQ(dialogRuns_, 0);
  EXPECT_EQ(ui().RefSpeedX->text(), QStringLiteral("1"));
}

TEST_F(ImportTest, RejectedGearIsReportedAndKept) {
  // A tab does not cut the value as a blank does: "2<TAB>3" is no number, not 23.
  Import(Write("KrNaMmX=-3\r\nKrNaMmY=2\t3\r\nKrNaMmZ=2*\t3\r\n"));
  EXPECT_EQ(messages_.errors,
            (QStringList{QStringLiteral("Špatné číslo: -3"), QStringLiteral("Špatné číslo: 2\t3")}));
  EXPECT_EQ(ui().GearX->text(), QStringLiteral("-3"));
  EXPECT_EQ(ui().GearY->text(), QStringLiteral("2\t3"));
  EXPECT_EQ(ui().GearZ->text(), QStringLiteral("6.000000"));
}

}  // namespace
