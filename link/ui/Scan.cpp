#include "link/ui/Scan.h"

#include "look/Language.h"
#include "look/Look.h"
#include "protocol/MessageSeam.h"
#include "ui_Scan.h"

namespace {

// Often enough for the list to follow the probes, rarely enough to cost nothing.
constexpr int kLookMs = 20;

QString PortText(const ScanTarget& target) {
  return target.kind == ScanTarget::Kind::Usb ? QStringLiteral("USB: ") + QString::fromStdString(target.port)
                                              : QString::fromStdString(target.port);
}

}  // namespace

TFormScan::TFormScan(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TFormScan>()) {
  ui->setupUi(this);
  ApplyLook(this);
  MakeFixedWindow(this, true, 560, 230);
  ui->ListUnits->setHeaderLabels(
      {QStringLiteral("Port"), QStringLiteral("Rychlost"), tr("Identifikátor"), QStringLiteral("Firmware")});
  ui->ListUnits->setColumnWidth(0, 190);
  ui->ListUnits->setColumnWidth(1, 80);
  ui->ListUnits->setColumnWidth(2, 100);
  timer_.setInterval(kLookMs);
  connect(&timer_, &QTimer::timeout, this, Guarded([this] { ShowScanProgress(); }));
  connect(ui->BtnChoose, &QPushButton::clicked, this, Guarded([this] { BtnChooseClick(); }));
  connect(ui->BtnStop, &QPushButton::clicked, this, Guarded([this] { BtnStopClick(); }));
  connect(ui->ListUnits, &QTreeWidget::itemSelectionChanged, this,
          [this] { ui->BtnChoose->setEnabled(!ui->ListUnits->selectedItems().isEmpty()); });
  connect(ui->ListUnits, &QTreeWidget::itemDoubleClicked, this, Guarded([this] { BtnChooseClick(); }));
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
  ui->BtnChoose->setDefault(true);
}

TFormScan::~TFormScan() = default;

void TFormScan::setVisible(bool visible) {
  if (visible) CentreOnScreen(this);
  QDialog::setVisible(visible);
}

void TFormScan::StartScan(std::vector<ScanTarget> targets, int32_t chosenBaud) {
  scan_.reset();
  found_.clear();
  unopened_.clear();
  chosen_.reset();
  cancelled_ = false;
  ui->ListUnits->clear();
  ui->BtnStop->setText(tr("Zrušit"));
  scan_ = std::make_unique<UnitScan>(std::move(targets), chosenBaud);
  scan_->Start();
  timer_.start();
  ShowScanProgress();
}

void TFormScan::ShowFound() {
  const std::vector<ScanFound> found = scan_->Found();
  const std::vector<OpenFailure> unopened = scan_->Unopened();
  const std::vector<ScanTarget> open = scan_->OpenInProgram();
  if (found.size() == found_.size() && unopened.size() == unopened_.size() &&
      ui->ListUnits->topLevelItemCount() > 0)
    return;
  // Rows keep their order and the operator's selection: a unit found later is added in its place.
  const QString selected =
      ui->ListUnits->selectedItems().isEmpty() ? QString() : ui->ListUnits->selectedItems().first()->text(0);
  found_ = found;
  unopened_ = unopened;
  ui->ListUnits->clear();
  for (const ScanFound& f : found_) {
    auto* row = new QTreeWidgetItem(ui->ListUnits);
    row->setText(0, PortText(f.target));
    row->setText(1, QStringLiteral("%1 Bd").arg(f.baud));
    row->setText(2, QString::fromLatin1(f.identity.id.c_str()));
    row->setText(3, QString::fromLatin1(f.identity.version.c_str()));
    if (row->text(0) == selected) row->setSelected(true);
  }
  // The port the program has open is not asked behind its back: shown apart, not a unit found.
  for (const ScanTarget& target : open) {
    auto* row = new QTreeWidgetItem(ui->ListUnits);
    row->setText(0, PortText(target));
    row->setText(1, QStringLiteral("%1 Bd").arg(target.openBaud));
    row->setText(2, tr("otevřený port"));
    row->setFlags(Qt::NoItemFlags);
  }
  // The ports that would not open follow, greyed: a unit may be behind them, the reason tells
  // what to do.
  for (const OpenFailure& failure : unopened_) {
    auto* row = new QTreeWidgetItem(ui->ListUnits);
    row->setText(0, failure.usb ? QStringLiteral("USB: ") + QString::fromStdString(failure.port)
                                : QString::fromStdString(failure.port));
    row->setText(2, tr("nelze otevřít"));
    row->setText(3, QString::fromStdString(CzechReason(failure)));
    row->setToolTip(3, WindowText(failure));
    row->setFlags(Qt::NoItemFlags);
  }
}

void TFormScan::ShowScanProgress() {
  if (!scan_) return;
  ShowFound();
  if (!scan_->Finished()) {
    ui->LblScanState->setText(tr("Hledám jednotku… (%1 z %2 portů)").arg(scan_->Done()).arg(scan_->Total()));
    return;
  }
  timer_.stop();
  ui->BtnStop->setText(tr("Zavřít"));
  QString state;
  if (cancelled_)
    state = tr("Hledání zrušeno.");
  else if (found_.empty())
    state = scan_->Total() == 0 ? tr("Není žádný port se zařízením.") : tr("Žádná jednotka neodpověděla.");
  else
    state = tr("Nalezeno jednotek: %1. Vyberte jednu a otevřete port.").arg(found_.size());
  // What to do about the first port that refused (they mostly refuse for one reason).
  if (!unopened_.empty()) state += QStringLiteral("\n") + WindowText(unopened_.front());
  ui->LblScanState->setText(state);
}

void TFormScan::BtnChooseClick() {
  const auto selected = ui->ListUnits->selectedItems();
  if (selected.isEmpty()) return;
  const int row = ui->ListUnits->indexOfTopLevelItem(selected.first());
  if (row < 0 || row >= static_cast<int>(found_.size())) return;
  chosen_ = found_[static_cast<std::size_t>(row)];
  if (scan_) scan_->Cancel();
  timer_.stop();
  accept();
}

void TFormScan::BtnStopClick() {
  if (scan_ && Scanning()) {
    cancelled_ = true;
    scan_->Cancel();  // the probes stop within milliseconds; the timer sees them finished
    return;
  }
  QDialog::reject();
}

void TFormScan::reject() {
  if (scan_) scan_->Cancel();
  timer_.stop();
  scan_.reset();
  QDialog::reject();
}
