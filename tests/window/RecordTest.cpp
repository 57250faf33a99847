#include "protocol/settings/Catalogue.h"
#include "sim/PtyServer.h"
#include "tests/support/WindowFixture.h"
#include "ui_RecordFields.h"
#include "ui_Series.h"
#include "ui_Term.h"
#include "window/Series.h"
#include "window/SettingsFiles.h"
#include "window/Timeline.h"
#include "window/Wiring.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>

namespace {

std::string PdfText(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
  process.waitForFinished(20000);
  return process.readAllStandardOutput().toStdString();
}

class RecordTest : public WindowFixture {
 protected:
  // The record saved through the menu under `name`; its text as read back.
  std::string SavedRecord(const char* name) {
    const QString path = dir_.filePath(QString::fromLatin1(name));
    term_->ChooseRecordFile = [&](const QString&, const QString&, const QString& proposed) {
      proposed_ = proposed;
      return path;
    };
    term_->RecordMnuClick();
    Settle();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return path.endsWith(QStringLiteral(".pdf")) ? PdfText(path) : file.readAll().toStdString();
  }
  // One try of the series, waited for.
  // Tries the next unit as the dialog's own looks would, and waits for the try's end; the dialog's
  // looks are put off, so that none overwrites what the try showed before the test reads it.
  static void TryAndWait(TFormSeries& series) {
    series.SetTryEveryMs(std::numeric_limits<int>::max());
    if (series.start->isEnabled())
      series.start->click();  // the first try is "Spustit"'s
    else
      series.TryNextUnit();
    EXPECT_TRUE(WaitFor([&] { return !series.Trying(); }));
  }
  QTemporaryDir dir_;
  QString proposed_;  // the name the file dialog offered
};

// The record holds what the unit holds, read for it, not what the window shows; a save that went
// through is named with its backup, and a write the unit did not keep is named as such.
TEST_F(RecordTest, TheRecordReadsTheUnitAndSaysWhatTheSaveLeftInIt) {
  StartQuick();
  DistinctiveRegisters();
  term_->ReadSettingClick();
  Settle();
  ui().HiLimitX->setText(QStringLiteral("1357"));
  std::string text = SavedRecord("before.txt");
  EXPECT_NE(text.find("Hi-Limit X [mm]:"), std::string::npos) << text;
  EXPECT_NE(text.find("1000"), std::string::npos);  // the unit's, not the window's 1357
  EXPECT_EQ(text.find("1357"), std::string::npos);
  EXPECT_NE(text.find("Do jednotky se v této relaci nezapisovalo."), std::string::npos);

  term_->BtnSend1Click();
  Settle();
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

// The window's series on its open link: a unit is written, verified and recorded once and left
// alone while it stays; a miss is asked again quietly; a unit whose write does not verify is
// listed with the reason and the series goes on; the list is kept beside the records.
TEST_F(RecordTest, TheWindowsSeriesWritesEachUnitOnceAndGoesOnAfterAFailure) {
  StartQuick();
  const QString file = dir_.filePath(QStringLiteral("line.vorka"));
  { std::ofstream(file.toStdString()) << "HiLimitX = 500\nJmeno.0 = Doraz X\n"; }
  const QString records = dir_.filePath(QStringLiteral("records"));
  ASSERT_TRUE(QDir().mkpath(records));
  ChooseSeries(file, records);
  const auto nextUnit = [&](const char* id) {
    unit_.ResetRegisters();  // from the factory
    unit_.SetId(id);
  };
  QStringList results, states;
  QString shown;
  term_->RunSeriesDialog = [&](TFormSeries& series) {
    // Shown what will be written and where; nothing is asked of a unit before "Spustit".
    shown = series.ui->LblSeriesFile->text();
    series.TryNextUnit();
    QTest::qWait(300);
    EXPECT_TRUE(Received().empty());
    const auto tryUnit = [&] { TryAndWait(series); };
    tryUnit();
    tryUnit();  // still attached: left alone
    states << series.ui->LblSeriesState->text();
    unit_.SetSilent(true);  // the cable moved
    tryUnit();
    states << series.ui->LblSeriesState->text();
    unit_.SetSilent(false);
    nextUnit("VK20002");
    unit_.SetWriteStoredAs("20", "700");  // acknowledged, not kept
    tryUnit();
    states << series.ui->LblSeriesState->text();
    tryUnit();  // failed and still attached: left alone, not done
    states << series.ui->LblSeriesState->text();
    unit_.SetWriteStoredAs("20", std::nullopt);
    nextUnit("VK30003");
    tryUnit();
    // Gone and back, holding the file: done. Another unit of that identifier from the factory: written.
    unit_.SetSilent(true);
    tryUnit();
    unit_.SetSilent(false);
    tryUnit();
    states << series.ui->LblSeriesState->text();
    unit_.SetSilent(true);
    tryUnit();
    unit_.SetSilent(false);
    nextUnit("VK30003");
    tryUnit();
    for (int row = 0; row < series.ui->GridSeries->rowCount(); ++row)
      results << series.ui->GridSeries->item(row, 0)->text() + u' ' +
                     series.ui->GridSeries->item(row, 3)->text();
    series.end->click();
  };
  messages_.all.clear();
  unit_.ClearReceived();
  term_->SeriesMnuClick();
  Settle();
  // No box per miss; at the end, the units by what became of them.
  const QString summary = QStringLiteral(
      "Série ukončena. Zapsáno a ověřeno: 3 (VK12345, VK30003, VK30003); chyba: 1 (VK20002); ponecháno, "
      "hotové už dříve: 1 (VK30003)");
  EXPECT_EQ(messages_.all, QStringList{summary});
  EXPECT_TRUE(shown.contains(QStringLiteral("Zapíše se do každé jednotky (1): Hi-Limit X [mm] = 500")))
      << shown.toStdString();
  EXPECT_TRUE(shown.contains(QStringLiteral("Protokoly: ") + records)) << shown.toStdString();
  ASSERT_EQ(results.size(), 4) << results.join(u'\n').toStdString();
  EXPECT_TRUE(results[0].startsWith(QStringLiteral("VK12345 zapsáno a ověřeno"))) << results[0].toStdString();
  EXPECT_TRUE(results[1].startsWith(QStringLiteral("VK20002 chyba: "))) << results[1].toStdString();
  EXPECT_TRUE(results[2].startsWith(QStringLiteral("VK30003 zapsáno a ověřeno"))) << results[2].toStdString();
  EXPECT_TRUE(results[3].startsWith(QStringLiteral("VK30003 zapsáno a ověřeno; identifikátor se opakuje")))
      << results[3].toStdString();
  ASSERT_EQ(states.size(), 5);
  EXPECT_EQ(states[0], QStringLiteral("Jednotka VK12345 je v této sérii hotová: připojte další jednotku"));
  EXPECT_EQ(states[1], QStringLiteral("Připojte další jednotku"));
  EXPECT_TRUE(states[2].startsWith(QStringLiteral("Jednotka VK20002: chyba – "))) << states[2].toStdString();
  EXPECT_EQ(states[3], QStringLiteral("Jednotka VK20002: chyba – připojte další jednotku, nebo tuto znovu"));
  EXPECT_EQ(states[4], QStringLiteral("Jednotka VK30003 je v této sérii hotová: připojte další jednotku"));
  int writes = 0;
  for (const std::string& line : Received()) writes += line == "!0EFW20,500";
  EXPECT_EQ(writes, 4);  // each unit once, the one that came back holding the file not again
  for (const char* name : {"VK12345", "VK20002-chyba", "VK30003", "VK30003-2"}) {
    const QString record = QDir(records).filePath(QString::fromLatin1(name) + QStringLiteral(".pdf"));
    const std::string text = PdfText(record);
    EXPECT_NE(text.find(std::string(name).substr(0, 7)), std::string::npos) << name;
    EXPECT_NE(text.find("Doraz X"), std::string::npos) << name;
  }
  EXPECT_FALSE(QFile::exists(QDir(records).filePath(QStringLiteral("VK20002.pdf"))));
  QFile list(QDir(records).filePath(QStringLiteral("series.txt")));
  ASSERT_TRUE(list.open(QIODevice::ReadOnly));
  const QString listed = QString::fromUtf8(list.readAll());
  EXPECT_EQ(listed.count(u'\n'), 6);  // its heading, the four units and how it ended
  EXPECT_TRUE(listed.endsWith(QStringLiteral("# ") + summary + u'\n')) << listed.toStdString();
  // The window shows the unit attached now.
  EXPECT_EQ(ui().EditIpID->text(), QStringLiteral("VK30003"));
}

// A unit whose firmware has no MPG functions, and one taken away in the middle of its write: each
// is listed as failed with what was and was not written, never called done; the first one's record
// says nothing was written, the second has none (it did not answer its reading) and its line says
// how far the write got and where its backup is. The series goes on and ends naming them.
TEST_F(RecordTest, TheWindowsSeriesTellsWhatAFailedUnitHolds) {
  StartQuick();
  const QString file = dir_.filePath(QStringLiteral("mpg.vorka"));
  { std::ofstream(file.toStdString()) << "HiLimitX = 500\nHiLimitY = 600\nMpgAcc = 400\n"; }
  ChooseSeries(file, dir_.path());
  QStringList results, states;
  term_->RunSeriesDialog = [&](TFormSeries& series) {
    unit_.SetId("VK10001");
    unit_.SetMpg(false);
    TryAndWait(series);
    states << series.ui->LblSeriesState->text();
    unit_.SetSilent(true);
    TryAndWait(series);
    unit_.SetSilent(false);
    unit_.SetId("VK20002");
    unit_.SetMpg(true);
    unit_.SetSilentFromCommand("EFW24,600");  // taken away after its first write
    TryAndWait(series);
    states << series.ui->LblSeriesState->text();
    TryAndWait(series);  // gone
    unit_.SetSilent(false);
    unit_.SetId("VK30003");
    TryAndWait(series);
    for (int row = 0; row < series.ui->GridSeries->rowCount(); ++row)
      results << series.ui->GridSeries->item(row, 0)->text() + u' ' +
                     series.ui->GridSeries->item(row, 3)->text();
    series.end->click();
  };
  messages_.all.clear();
  term_->SeriesMnuClick();
  Settle();
  ASSERT_EQ(results.size(), 3) << results.join(u'\n').toStdString();
  EXPECT_EQ(results[0],
            QStringLiteral("VK10001 chyba: soubor má nastavení MPG a jednotka nemá MPG firmware; nic "
                           "nezapsáno"));
  const QRegularExpression midWrite(QStringLiteral(
      "^VK20002 chyba: jednotka přestala odpovídat, když potvrdila 1 z 3 zápisů; může držet část souboru; "
      "předchozí nastavení je v .*VK20002[^;]*; bez protokolu: jednotka neodpověděla čtení$"));
  EXPECT_TRUE(midWrite.match(results[1]).hasMatch()) << results[1].toStdString();
  EXPECT_TRUE(results[2].startsWith(QStringLiteral("VK30003 zapsáno a ověřeno"))) << results[2].toStdString();
  ASSERT_EQ(states.size(), 2);
  EXPECT_TRUE(states[0].startsWith(QStringLiteral("Jednotka VK10001: chyba – soubor má nastavení MPG")))
      << states[0].toStdString();
  EXPECT_TRUE(states[1].startsWith(QStringLiteral("Jednotka VK20002: chyba – jednotka přestala odpovídat")))
      << states[1].toStdString();
  EXPECT_EQ(messages_.all,
            QStringList{QStringLiteral("Série ukončena. Zapsáno a ověřeno: 1 (VK30003); chyba: "
                                       "2 (VK10001, VK20002); ponecháno, hotové už dříve: 0")});
  // Named by the outcome; the record of a unit nothing was written into says so.
  const std::string record = PdfText(dir_.filePath(QStringLiteral("VK10001-chyba.pdf")));
  EXPECT_NE(record.find("nic nezapsáno"), std::string::npos) << record;
  EXPECT_EQ(record.find("neproběhl"), std::string::npos) << record;
  EXPECT_FALSE(QFile::exists(dir_.filePath(QStringLiteral("VK20002-chyba.pdf"))));
  EXPECT_TRUE(QFile::exists(dir_.filePath(QStringLiteral("VK30003.pdf"))));
}

// A USB serial adapter moved to the next unit: the port goes and comes back as another device, and
// the series opens it again and goes on.
TEST_F(RecordTest, TheWindowsSeriesOpensAPortThatCameBackAgain) {
  const std::string port = LinkCom1(dir_.path().toStdString());
  StartQuick();
  const QString file = dir_.filePath(QStringLiteral("line.vorka"));
  { std::ofstream(file.toStdString()) << "HiLimitX = 500\n"; }
  ChooseSeries(file, dir_.path());
  VirtualUnit next(VirtualUnit::Options{"VK20002", " v2.4", true, 300});
  PtyServer nextServer(next);
  QStringList units;
  term_->RunSeriesDialog = [&](TFormSeries& series) {
    TryAndWait(series);
    Unplug(port);  // the adapter pulled out
    TryAndWait(series);
    ASSERT_TRUE(nextServer.Start());  // and put into the next unit
    ASSERT_TRUE(QFile::link(QString::fromStdString(nextServer.SlavePath()), QString::fromStdString(port)));
    TryAndWait(series);
    TryAndWait(series);
    for (int row = 0; row < series.ui->GridSeries->rowCount(); ++row)
      units << series.ui->GridSeries->item(row, 0)->text();
    series.end->click();
  };
  term_->SeriesMnuClick();
  Settle();
  nextServer.Stop();
  EXPECT_EQ(units, (QStringList{QStringLiteral("VK12345"), QStringLiteral("VK20002")}));
  EXPECT_EQ(*next.TextRegister("20"), "500");
}

// The last wiring check of this unit goes into its record; one of another unit does not.
TEST_F(RecordTest, TheRecordHoldsTheLastWiringCheckOfThisUnit) {
  StartQuick();
  TFormWiring& wiring = term_->Timeline().Wiring();
  const auto check = [&](const std::string& unitId) {
    Identity unit = state().identity;
    unit.id = unitId;
    wiring.Start({{1, 0, "RefX", false}}, {}, unit);
    for (const auto& [ms, word] : {std::pair{0, 0x0000}, {100, 0x0001}, {200, 0x0000}, {700, 0x0000}})
      wiring.Sample(ms, static_cast<uint16_t>(word));
  };
  check("VK99999");
  EXPECT_NE(SavedRecord("other.txt").find("Kontrola zapojení\n  Neprovedena."), std::string::npos);
  check("VK12345");
  const std::string text = SavedRecord("checked.txt");
  EXPECT_NE(text.find("  vstup 0 – RefX: v pořádku\n"), std::string::npos) << text;
}

// A record that cannot be written is named, and an old file of that name stays whole.
TEST_F(RecordTest, ARecordThatCannotBeWrittenIsNamed) {
  StartQuick();
  ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder.pdf")));
  const QString fifo = dir_.filePath(QStringLiteral("pipe.pdf"));
  ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);  // the window must not block on it
  const QString cases[] = {dir_.filePath(QStringLiteral("missing/unit.pdf")),
                           dir_.filePath(QStringLiteral("folder.pdf")), fifo};
  for (const QString& path : cases) {
    SCOPED_TRACE(path.toStdString());
    messages_.all.clear();
    term_->ChooseRecordFile = [&](const QString&, const QString&, const QString&) { return path; };
    term_->RecordMnuClick();
    Settle();
    ASSERT_EQ(messages_.all.size(), 1);
    EXPECT_TRUE(messages_.all.front().startsWith(QStringLiteral("Protokol nelze uložit: ")))
        << messages_.all.front().toStdString();
  }
}

// The fields asked for go into the record, each apart from its name on its line, and are offered
// for the next record; the file is offered under the unit's name and the day, and its saving said.
TEST_F(RecordTest, TheFieldsAskedForAreInTheRecordAndOfferedForTheNext) {
  StartQuick();
  answerRecordFields_ = [](TFormRecordFields& dialog) {
    dialog.ui->EdtCustomer->setText(QStringLiteral("Strojírna Příbram s.r.o."));
    dialog.ui->EdtMachineSerial->setText(QStringLiteral("  SN-4471  "));
    dialog.ui->EdtTechnician->setText(QStringLiteral("Jiří Šťastný"));
    return true;
  };
  messages_.all.clear();
  const std::string text = SavedRecord("fields.pdf");
  EXPECT_TRUE(
      QRegularExpression(QStringLiteral("^VK12345-\\d{4}-\\d\\d-\\d\\d\\.pdf$")).match(proposed_).hasMatch())
      << proposed_.toStdString();
  EXPECT_EQ(messages_.all,
            QStringList{QStringLiteral("Protokol uložen: ") + dir_.filePath(QStringLiteral("fields.pdf"))});
  for (const char* line : {"Zákazník +Strojírna Příbram s\\.r\\.o\\.", "Výrobní číslo stroje +SN-4471\n",
                           "Technik +Jiří Šťastný", "Strana 1 z 1", "Identifikátor +VK12345 ",
                           "Vstup +Jméno +Polarita +Povoleno +Vstup"})
    EXPECT_TRUE(QRegularExpression(QString::fromUtf8(line)).match(QString::fromStdString(text)).hasMatch())
        << line << "\n"
        << text;
  // Offered again; cancelled, nothing is saved.
  answerRecordFields_ = [](TFormRecordFields& dialog) {
    EXPECT_EQ(dialog.ui->EdtCustomer->text(), QStringLiteral("Strojírna Příbram s.r.o."));
    EXPECT_EQ(dialog.ui->EdtMachineSerial->text(), QStringLiteral("SN-4471"));
    return false;
  };
  messages_.all.clear();
  EXPECT_EQ(SavedRecord("cancelled.pdf"), "");
  EXPECT_TRUE(messages_.all.isEmpty());
}

}  // namespace
