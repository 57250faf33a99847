// The commissioning record of the connected unit and the series of units, from the menu "Soubor".
#include "common/Version.h"
#include "look/Language.h"
#include "protocol/MessageSeam.h"
#include "protocol/flows/UnitRecord.h"
#include "record/RecordFile.h"
#include "window/RecordFields.h"
#include "window/Series.h"
#include "window/SettingsFiles.h"
#include "window/Term.h"
#include "window/TermShared.h"
#include "window/Timeline.h"
#include "window/Wiring.h"

#include <QDir>

namespace {

constexpr const char* kRecordFilters = "PDF (*.pdf);;HTML (*.html);;Text (*.txt)";
const QString kRecordFieldsKey = QStringLiteral("protokol/udaje");

// The fields of the last record, for the next one (name and text, each line "name=text").
TFormRecordFields::Fields RememberedFields() {
  TFormRecordFields::Fields fields;
  for (const QString& line : term::Preferences().value(kRecordFieldsKey).toStringList()) {
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals > 0) fields.emplace_back(line.left(equals).toStdString(), line.mid(equals + 1).toStdString());
  }
  return fields;
}

bool RememberFields(const TFormRecordFields::Fields& fields) {
  QStringList lines;
  for (const auto& [name, text] : fields)
    lines << QString::fromStdString(name) + QLatin1Char('=') + QString::fromStdString(text);
  QSettings preferences = term::Preferences();
  preferences.setValue(kRecordFieldsKey, lines);
  preferences.sync();
  return preferences.status() == QSettings::NoError;
}

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
  // The machine's and the customer's fields, as the last record had them.
  TFormRecordFields fields(this);
  fields.SetFields(RememberedFields());
  if (!RunRecordFieldsDialog(fields)) return;
  for (const auto& [name, text] : fields.GetFields()) SetRecordField(record, name, text);
  if (!RememberFields(fields.GetFields()))
    Messages().Message(tr("Údaje protokolu nelze uložit pro příště: platí jen pro tento protokol."));
  const QString path = ChooseRecordFile(tr("Protokol o nastavení"), QString::fromUtf8(kRecordFilters),
                                        QString::fromStdString(RecordFileName(record, ".pdf")));
  if (path.isEmpty()) return;
  const std::optional<RecordFormat> format = RecordFormatOf(path.toStdString());
  if (!format) {
    Messages().Message(tr("Protokol se ukládá jako .pdf, .html nebo .txt"));
    return;
  }
  if (const FileFault fault = SaveRecord(record, *format, path.toStdString(), FileTarget::RegularOnly))
    Messages().Message(tr("Protokol nelze uložit: ") + WindowText(fault));
  else
    Messages().Message(tr("Protokol uložen: ") + QDir::toNativeSeparators(path));
}

void TTermForm::SeriesMnuClick() {
  if (!PortOpen()) {
    Tell(Said::NoPortOpen);
    return;
  }
  const QString path = ChooseSeriesFile();
  if (path.isEmpty()) return;
  std::string text;
  if (const FileFault fault = LoadSettingsFile(path.toStdString(), text)) {
    Messages().Message(tr("Soubor nelze přečíst: ") + WindowText(fault));
    return;
  }
  // A backup may hold values of their own, which a write puts back as the unit held them.
  const SettingsFileLoad load = ParseSettingsText(text, SettingsReader::Unit);
  if (!load.settings) {
    Messages().Message(WindowText(load.error) + tr("\nNic nebylo zapsáno."));
    return;
  }
  if (UnitSeries(*load.settings).Empty()) {
    Messages().Message(tr("Soubor obsahuje jen jména vstupů, která jednotka neuchovává: není co zapsat."));
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
            if (!dialog.Summary().isEmpty()) Messages().Message(dialog.Summary());
            if (!dialog.ListFault().isEmpty())
              Messages().Message(tr("Seznam série nelze uložit: ") + dialog.ListFault());
            // The window shows the unit attached now, not the one before the series.
            RunFlow([](UnitHost& unit) {
              unit.ResumeMonitor();
              ::IdentifyUnit(unit);
            });
          });
}
