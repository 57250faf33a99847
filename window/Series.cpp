#include "window/Series.h"

#include "common/Version.h"
#include "look/Look.h"
#include "record/RecordFile.h"
#include "ui_Series.h"

#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int kTryEveryMs = 1000;
constexpr const char* kWaiting = "Připojte další jednotku";

}  // namespace

TFormSeries::TFormSeries(QWidget* parent, BackupStore backups)
    : QDialog(parent),
      ui(std::make_unique<Ui::TFormSeries>()),
      unit_(std::move(backups), ConsoleUnit::Line::Window) {
  ui->setupUi(this);
  ApplyLook(this);
  end = ui->BtnBoxSeries->addButton(QStringLiteral("Ukončit"), QDialogButtonBox::RejectRole);
  end->setObjectName(QStringLiteral("BtnEnd"));
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
  series_ = std::make_unique<UnitSeries>(settings);
  unit_.UseOpenLink(kind, replyTimeoutMs);
  list_ = "# Sériové nastavení: " + QDir::toNativeSeparators(file).toStdString() + "\n";
  ui->LblSeriesFile->setText(QStringLiteral("Soubor: %1\nProtokoly: %2")
                                 .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(folder)));
  ui->LblSeriesState->setText(QString::fromUtf8(kWaiting));
  ui->GridSeries->setRowCount(0);
  timer_->start();
}

void TFormSeries::TryNextUnit() {
  // A try runs its exchanges in this call; a tick that comes meanwhile is not another try.
  if (trying_ || !series_) return;
  trying_ = true;
  const UnitSeries::Try done = series_->Next(unit_, nullptr, std::string("vorka_config ") + kProgramVersion);
  trying_ = false;
  using Kind = UnitSeries::Try::Kind;
  if (done.kind == Kind::NoUnit) {
    // The port may have gone with the unit (a USB serial adapter moved to the next one).
    unit_.ReopenSerialLine();
    ui->LblSeriesState->setText(QString::fromUtf8(kWaiting));
    return;
  }
  if (done.kind == Kind::LeftAlone) {
    ui->LblSeriesState->setText(QStringLiteral("Jednotka %1 je v této sérii hotová: připojte další jednotku")
                                    .arg(QString::fromStdString(done.unit.id)));
    return;
  }
  QString result = QString::fromStdString(SeriesResultText(done));
  const QString recordPath =
      QDir(folder_).filePath(QString::fromStdString(UnitFileName(done.unit.id, ".pdf")));
  if (!done.record)
    result += QStringLiteral("; bez protokolu: jednotka neodpověděla čtení");
  else if (const FileFault fault =
               SaveRecord(*done.record, RecordFormat::Pdf, recordPath.toStdString(), FileTarget::RegularOnly))
    result += QStringLiteral("; protokol nelze uložit: ") + QString::fromStdString(CzechText(fault));
  AddRow(done, result);
  list_ += done.unit.id + "\t" + done.unit.version + "\t" + done.when + "\t" + result.toStdString() + "\n";
  // Kept after every unit: a series that ends by a crash or a pulled plug still has its list.
  listFault_ = SaveList();
  ui->LblSeriesState->setText(QStringLiteral("Jednotka %1: %2. Připojte další jednotku")
                                  .arg(QString::fromStdString(done.unit.id), result));
}

void TFormSeries::AddRow(const UnitSeries::Try& done, const QString& result) {
  const int row = ui->GridSeries->rowCount();
  ui->GridSeries->insertRow(row);
  const QString cells[] = {QString::fromStdString(done.unit.id), QString::fromStdString(done.unit.version),
                           QString::fromStdString(done.when), result};
  for (int column = 0; column < 4; ++column)
    ui->GridSeries->setItem(row, column, new QTableWidgetItem(cells[column]));
}

QString TFormSeries::SaveList() {
  const std::string path = QDir(folder_).filePath(QStringLiteral("series.txt")).toStdString();
  if (const FileFault fault = SaveSettingsFile(path, list_, FileTarget::RegularOnly))
    return QString::fromStdString(CzechText(fault));
  return {};
}

void TFormSeries::BtnEndClick() {
  timer_->stop();
  series_.reset();
  reject();
}
