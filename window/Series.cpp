#include "window/Series.h"

#include "common/Version.h"
#include "look/Language.h"
#include "look/Look.h"
#include "protocol/settings/Catalogue.h"
#include "record/RecordFile.h"
#include "ui_Series.h"

#include <QDir>
#include <QHeaderView>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include <utility>

namespace {

constexpr int kTryEveryMs = 1000;
constexpr const char* kWaiting = QT_TRANSLATE_NOOP("TFormSeries", "Připojte další jednotku");

}  // namespace

TFormSeries::TFormSeries(QWidget* parent, BackupStore backups, LineWorker& line)
    : QDialog(parent),
      ui(std::make_unique<Ui::TFormSeries>()),
      line_(line),
      onLine_(std::make_shared<OnLine>(std::move(backups))) {
  // The window closing ends a try between two exchanges.
  onLine_->unit.Exchange().SetAbandon(&line_.Closing());
  ui->setupUi(this);
  ApplyLook(this);
  start = ui->BtnBoxSeries->addButton(tr("Spustit"), QDialogButtonBox::ActionRole);
  start->setObjectName(QStringLiteral("BtnStart"));
  start->setDefault(true);
  end = ui->BtnBoxSeries->addButton(tr("Ukončit"), QDialogButtonBox::RejectRole);
  end->setObjectName(QStringLiteral("BtnEnd"));
  end->setAutoDefault(false);
  connect(start, &QPushButton::clicked, this, [this] { BtnStartClick(); });
  ui->GridSeries->verticalHeader()->hide();
  ui->GridSeries->horizontalHeader()->setStretchLastSection(true);
  ui->GridSeries->setColumnWidth(0, 110);
  ui->GridSeries->setColumnWidth(1, 130);
  ui->GridSeries->setColumnWidth(2, 150);
  timer_ = new QTimer(this);
  timer_->setInterval(kTryEveryMs);
  connect(timer_, &QTimer::timeout, this, [this] { TryNextUnit(); });
  connect(ui->BtnBoxSeries, &QDialogButtonBox::rejected, this, [this] { BtnEndClick(); });
}

TFormSeries::~TFormSeries() = default;

void TFormSeries::Start(const QString& file, const UnitSettings& settings, const QString& folder,
                        LinkKind kind, uint32_t replyTimeoutMs) {
  file_ = file;
  folder_ = folder;
  onLine_->series = std::make_unique<UnitSeries>(settings);
  onLine_->unit.UseOpenLink(kind, replyTimeoutMs);
  list_ = "# Sériové nastavení: " + QDir::toNativeSeparators(file).toStdString() + "\n";
  // What every unit will get, before anything is written.
  QStringList written;
  int names = 0;
  for (const auto& [name, value] : settings.Values()) {
    const SettingDef* def = FindSetting(name);
    if (def && def->kind == SettingKind::InputName)
      ++names;
    else
      written << QStringLiteral("%1 = %2").arg(QString::fromStdString(def ? ShownCaption(*def) : name),
                                               QString::fromStdString(def ? ShownValue(*def, value) : value));
  }
  QString text = tr("Soubor: %1\nZapíše se do každé jednotky (%2): %3")
                     .arg(QDir::toNativeSeparators(file))
                     .arg(written.size())
                     .arg(written.join(QStringLiteral(", ")));
  if (names > 0) text += tr("\nJména vstupů do protokolů: %1").arg(names);
  ui->LblSeriesFile->setText(text + tr("\nProtokoly: %1").arg(QDir::toNativeSeparators(folder)));
  ui->LblSeriesState->setText(tr("Připojte první jednotku a stiskněte „Spustit“"));
  ui->GridSeries->setRowCount(0);
}

void TFormSeries::BtnStartClick() {
  if (started_ || !onLine_->series) return;
  started_ = true;
  start->setEnabled(false);
  ui->LblSeriesState->setText(tr(kWaiting));
  timer_->start();
  TryNextUnit();
}

void TFormSeries::SetTryEveryMs(int ms) { timer_->setInterval(ms); }

void TFormSeries::TryNextUnit() {
  // Nothing is written before "Spustit"; a tick that comes while a try runs is not another try.
  if (!started_ || trying_ || ending_ || !onLine_->series) return;
  trying_ = true;
  struct Outcome {
    UnitSeries::Try done;
    UnitSeries::Tally units;
  };
  auto outcome = std::make_shared<Outcome>();
  line_.Post(
      [onLine = onLine_, outcome] {
        outcome->done =
            onLine->series->Next(onLine->unit, nullptr, std::string("vorka_config ") + kProgramVersion);
        outcome->units = onLine->series->Units();
        // The line may have gone with the unit (an adapter or a converter moved to the next one).
        if (outcome->done.kind == UnitSeries::Try::Kind::NoUnit) onLine->unit.ReopenForNextUnit();
      },
      [self = QPointer<TFormSeries>(this), outcome] {
        if (!self) return;  // the dialog went while the try ran
        self->trying_ = false;
        self->units_ = outcome->units;
        self->Tried(outcome->done);
        if (self->ending_) self->Finish();
      });
}

void TFormSeries::Tried(const UnitSeries::Try& done) {
  using Kind = UnitSeries::Try::Kind;
  if (done.kind == Kind::NoUnit) {
    ui->LblSeriesState->setText(tr(kWaiting));
    return;
  }
  if (done.kind == Kind::LeftAlone) {
    ui->LblSeriesState->setText((done.failedHere
                                     ? tr("Jednotka %1: chyba – připojte další jednotku, nebo tuto znovu")
                                     : tr("Jednotka %1 je v této sérii hotová: připojte další jednotku"))
                                    .arg(QString::fromStdString(done.unit.id)));
    return;
  }
  QString result = QString::fromStdString(SeriesResultText(done));
  if (done.repeatsId) result += tr("; identifikátor se opakuje (jednotka držela jiné hodnoty)");
  const QString recordPath = QDir(folder_).filePath(QString::fromStdString(done.recordName));
  if (!done.record)
    result += tr("; bez protokolu: jednotka neodpověděla čtení");
  else if (const FileFault fault =
               SaveRecord(*done.record, RecordFormat::Pdf, recordPath.toStdString(), FileTarget::RegularOnly))
    result += tr("; protokol nelze uložit: ") + WindowText(fault);
  AddRow(done, result);
  list_ += done.unit.id + "\t" + done.unit.version + "\t" + done.when + "\t" + result.toStdString() + "\n";
  // Kept after every unit: a series that ends by a crash or a pulled plug still has its list.
  listFault_ = SaveList();
  const bool verified = done.write.result == RecordedWrite::Result::Verified;
  ui->LblSeriesState->setText((verified ? tr("Jednotka %1: %2. Připojte další jednotku")
                                        : tr("Jednotka %1: chyba – %2. Připojte další jednotku"))
                                  .arg(QString::fromStdString(done.unit.id),
                                       verified ? result : QString::fromStdString(done.write.detail)));
}

void TFormSeries::AddRow(const UnitSeries::Try& done, const QString& result) {
  const int row = ui->GridSeries->rowCount();
  ui->GridSeries->insertRow(row);
  const QString cells[] = {QString::fromStdString(done.unit.id), QString::fromStdString(done.unit.version),
                           QString::fromStdString(done.when), result};
  for (int column = 0; column < 4; ++column) {
    auto* item = new QTableWidgetItem(cells[column]);
    item->setToolTip(cells[column]);  // a long result, whole
    ui->GridSeries->setItem(row, column, item);
  }
}

QString TFormSeries::SaveList() {
  const std::string path = QDir(folder_).filePath(QStringLiteral("series.txt")).toStdString();
  if (const FileFault fault = SaveSettingsFile(path, list_, FileTarget::RegularOnly))
    return WindowText(fault);
  return {};
}

QString TFormSeries::Summary(Language language) const {
  return started_ ? QString::fromStdString(SeriesEndText(units_, language)) : QString();
}

void TFormSeries::Finish() {
  if (std::exchange(finished_, true)) return;
  if (ui->GridSeries->rowCount() > 0 && listFault_.isEmpty()) {
    list_ += "# " + Summary(kRecordLanguage).toStdString() + "\n";  // the list is kept with the records
    listFault_ = SaveList();
  }
  QDialog::reject();
}

void TFormSeries::BtnEndClick() {
  timer_->stop();
  if (!trying_) {
    Finish();
    return;
  }
  ending_ = true;
  end->setEnabled(false);
  ui->LblSeriesState->setText(tr("Série se ukončuje…"));
}
