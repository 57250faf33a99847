#include "protocol/settings/Catalogue.h"
#include "support/WindowFixture.h"
#include "ui_Term.h"

#include <QFile>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstring>

namespace {

std::string PdfText(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
  process.waitForFinished(20000);
  return process.readAllStandardOutput().toStdString();
}

class RecordTest : public WindowFixture {
 protected:
  // The record saved through the menu under `name`; its text as read back.
  std::string SavedRecord(const char* name) {
    const QString path = dir_.filePath(QString::fromLatin1(name));
    term_->ChooseRecordFile = [&](const QString&, const QString&) { return path; };
    term_->RecordMnuClick();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return path.endsWith(QStringLiteral(".pdf")) ? PdfText(path) : file.readAll().toStdString();
  }
  QTemporaryDir dir_;
};

// The record holds what the unit holds, read for it, not what the window shows; a save that went
// through is named with its backup, and a write the unit did not keep is named as such.
TEST_F(RecordTest, TheRecordReadsTheUnitAndSaysWhatTheSaveLeftInIt) {
  StartQuick();
  DistinctiveRegisters();
  term_->ReadSettingClick();
  ui().HiLimitX->setText(QStringLiteral("1357"));
  std::string text = SavedRecord("before.txt");
  EXPECT_NE(text.find("Hi-Limit X [mm]:"), std::string::npos) << text;
  EXPECT_NE(text.find("1000"), std::string::npos);  // the unit's, not the window's 1357
  EXPECT_EQ(text.find("1357"), std::string::npos);
  EXPECT_NE(text.find("Do jednotky se v této relaci nezapisovalo."), std::string::npos);

  term_->BtnSend1Click();
  EXPECT_NE(SavedRecord("after.pdf").find("VK12345"), std::string::npos);
  text = SavedRecord("after.txt");
  EXPECT_NE(text.find("1357"), std::string::npos) << text;
  EXPECT_NE(text.find("zapsáno a ověřeno čtením jednotky"), std::string::npos) << text;
  EXPECT_NE(text.find("backups"), std::string::npos) << text;  // the backup's path

  // Changed behind the window's back after the save: the record says the unit holds another value.
  unit_.SetTextRegister("20", "1700");
  text = SavedRecord("changed.html");
  EXPECT_NE(text.find("jednotka nyní drží jiné hodnoty"), std::string::npos) << text;
  EXPECT_NE(text.find("1700 (zapsáno 1357)"), std::string::npos) << text;

  // No unit, no record: nothing is written, the operator is told as for a read.
  unit_.SetSilent(true);
  messages_.all.clear();
  EXPECT_EQ(SavedRecord("none.txt"), "");
  EXPECT_FALSE(messages_.all.isEmpty());
}

// The record groups each setting under the page of the window that shows it.
TEST_F(RecordTest, EachSettingIsGroupedUnderTheWindowsPageThatShowsIt) {
  StartQuick();
  for (const SettingDef& def : SettingDefs()) {
    SCOPED_TRACE(def.name);
    // The grid's columns are no controls of their own.
    const std::string name = def.kind == SettingKind::Bit ? "StrGridVstupy" : def.control;
    QWidget* control = term_->findChild<QWidget*>(QString::fromStdString(name));
    ASSERT_NE(control, nullptr);
    QString page;
    for (QWidget* w = control; w; w = w->parentWidget())
      if (const int index = ui().PageControl->indexOf(w); index >= 0) page = ui().PageControl->tabText(index);
    EXPECT_EQ(page.toStdString(), PageOf(def));
  }
}

}  // namespace
