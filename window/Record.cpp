// The commissioning record of the connected unit and the series of units, from the menu "Soubor".
#include "common/Version.h"
#include "protocol/MessageSeam.h"
#include "protocol/flows/UnitRecord.h"
#include "record/RecordFile.h"
#include "window/Series.h"
#include "window/SettingsFiles.h"
#include "window/Term.h"
#include "window/Timeline.h"
#include "window/Wiring.h"

namespace {

constexpr const char* kRecordFilters = "PDF (*.pdf);;HTML (*.html);;Text (*.txt)";

}  // namespace

void TTermForm::RecordMnuClick() {
  // The record holds what the unit holds now, read once for it, never what the window shows.
  ReadUnit([this](const std::optional<UnitSettings>& held) {
    if (held) SaveRecordOf(*held);  // otherwise the flow has told the operator why
  });
}

void TTermForm::SaveRecordOf(const UnitSettings& held) {
  UnitRecord record = NewRecord(state_.identity, held, std::string("vorka_config ") + kProgramVersion);
  for (int row = 1; row <= kInputRows; ++row)
    record.held.Set("Jmeno." + std::to_string(kInputOfRow[row - 1]), InputName(row));
  if (lastSave_ && lastSave_->unitId == state_.identity.id)
    record.write = WriteAsRead(lastSave_->written, held, lastSave_->when, state_.lastBackupPath);
  if (timeline_)
    if (const TFormWiring* wiring = timeline_->StartedWiring();
        wiring && wiring->Check() && wiring->CheckedUnit().id == state_.identity.id) {
      for (const WiringResult& result : wiring->Check()->Results())
        record.wiring.push_back(WiringCheck::Line(result));
      record.wiringWhen = wiring->StartedAt().toStdString();
    }
  const QString path =
      ChooseRecordFile(QStringLiteral("Protokol o nastavení"), QString::fromUtf8(kRecordFilters));
  if (path.isEmpty()) return;
  const std::optional<RecordFormat> format = RecordFormatOf(path.toStdString());
  if (!format) {
    Messages().Message(QStringLiteral("Protokol se ukládá jako .pdf, .html nebo .txt"));
    return;
  }
  if (const FileFault fault = SaveRecord(record, *format, path.toStdString(), FileTarget::RegularOnly))
    Messages().Message(QStringLiteral("Protokol nelze uložit: ") + QString::fromStdString(CzechText(fault)));
}

void TTermForm::SeriesMnuClick() {
  if (!PortOpen()) {
    Tell(Said::NoPortOpen);
    return;
  }
  QString path;
  if (!files_->ChooseFileToLoad(path)) return;
  std::string text;
  if (const FileFault fault = LoadSettingsFile(path.toStdString(), text)) {
    Messages().Message(QStringLiteral("Soubor nelze přečíst: ") + QString::fromStdString(CzechText(fault)));
    return;
  }
  // A backup may hold values of their own, which a write puts back as the unit held them.
  const SettingsFileLoad load = ParseSettingsText(text, SettingsReader::Unit);
  if (!load.settings) {
    Messages().Message(QString::fromStdString(CzechText(load.error)) +
                       QStringLiteral("\nNic nebylo zapsáno."));
    return;
  }
  if (UnitSeries(*load.settings).Empty()) {
    Messages().Message(
        QStringLiteral("Soubor obsahuje jen jména vstupů, která jednotka neuchovává: není co zapsat."));
    return;
  }
  const QString folder = ChooseSeriesFolder();
  if (folder.isEmpty()) return;
  // The series has the line to itself: no polls between its tries.
  RunFlow([](UnitHost& unit) { unit.PauseMonitor(); },
          [this, path, settings = *load.settings, folder] {
            TFormSeries dialog(this, backups_, *line_);
            dialog.Start(path, settings, folder, CurrentLinkKind(), ReplyTimeoutMs());
            RunSeriesDialog(dialog);
            if (!dialog.ListFault().isEmpty())
              Messages().Message(QStringLiteral("Seznam série nelze uložit: ") + dialog.ListFault());
            // The window shows the unit attached now, not the one before the series.
            RunFlow([](UnitHost& unit) {
              unit.ResumeMonitor();
              ::IdentifyUnit(unit);
            });
          });
}
