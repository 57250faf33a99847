#include "window/Backups.h"

#include "look/Look.h"
#include "protocol/MessageSeam.h"
#include "ui_Backups.h"

#include <QDesktopServices>
#include <QDir>
#include <QHeaderView>
#include <QUrl>

TFormBackups::TFormBackups(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TFormBackups>()) {
  ui->setupUi(this);
  ApplyLook(this);
  ui->ListBackups->setColumnWidth(0, 160);
  ui->ListBackups->setColumnWidth(1, 110);
  ui->ListBackups->setColumnWidth(2, 190);
  ui->ListBackups->setColumnWidth(3, 130);
  OpenFolder = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
  connect(ui->BtnLoadBackup, &QPushButton::clicked, this, Guarded([this] { BtnLoadBackupClick(); }));
  connect(ui->BtnOpenFolder, &QPushButton::clicked, this, Guarded([this] { BtnOpenFolderClick(); }));
  connect(ui->BtnCloseBackups, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui->ListBackups, &QTreeWidget::itemSelectionChanged, this,
          [this] { ui->BtnLoadBackup->setEnabled(!ui->ListBackups->selectedItems().isEmpty()); });
  connect(ui->ListBackups, &QTreeWidget::itemDoubleClicked, this, Guarded([this] { BtnLoadBackupClick(); }));
}

TFormBackups::~TFormBackups() = default;

namespace {

QString Named(const std::string& id, const std::string& version) {
  return QString::fromStdString(id) +
         (version.empty() ? QString() : QStringLiteral(" (%1)").arg(QString::fromStdString(version)));
}

}  // namespace

void TFormBackups::Show(const std::vector<Backup>& backups, const Identity& unit,
                        const UnitSettings& window) {
  const std::string& unitId = unit.id;
  backups_ = backups;
  chosen_.reset();
  ui->ListBackups->clear();
  ui->LbBackupsOf->setText(
      (unitId.empty() ? tr("Zálohy všech jednotek")
                      : tr("Zálohy jednotky %1").arg(QString::fromStdString(unitId))) +
      tr(" (%1), nejnovější nahoře. Záloha se pořizuje před každým uložením do jednotky.")
          .arg(backups.size()));
  for (const Backup& backup : backups_) {
    // Only the settings the backup holds count: the window may show more.
    UnitSettings shown;
    for (const auto& [name, value] : backup.settings.Values())
      if (const auto v = window.Get(name)) shown.Set(name, *v);
    auto* row = new QTreeWidgetItem(ui->ListBackups);
    row->setText(0, QString::fromStdString(backup.takenAt));
    row->setText(1, QString::fromStdString(backup.unitId));
    row->setText(2, QString::fromStdString(backup.unitVersion));
    row->setText(3, QString::number(Differences(backup.settings, shown).size()));
    row->setToolTip(0, QDir::toNativeSeparators(QString::fromStdString(backup.path)));
    if (backup.damaged) {
      const QString note = tr("Poškozená záloha, nelze ji načíst");
      row->setText(3, QStringLiteral("-"));
      row->setText(4, note);
      row->setToolTip(4, note);
      row->setFlags(row->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
      continue;
    }
    if (backup.otherUnit) {
      // Put into this unit's folder by hand: what it holds is another unit's.
      const QString note =
          tr("Záloha jiné jednotky (%1) ve složce jednotky %2")
              .arg(QString::fromStdString(backup.unitId), QString::fromStdString(backup.folderUnit));
      row->setText(4, note);
      row->setToolTip(4, note);
      continue;
    }
    // A backup goes into another unit or firmware only with the operator knowing it.
    if (!unitId.empty() && (backup.unitId != unit.id || backup.unitVersion != unit.version)) {
      const QString note = tr("Záloha z %1, připojena je %2")
                               .arg(Named(backup.unitId, backup.unitVersion), Named(unit.id, unit.version));
      row->setText(4, note);
      row->setToolTip(4, note);
    }
  }
  // The note is read to its end: its column takes what it needs, the list scrolls sideways.
  ui->ListBackups->resizeColumnToContents(4);
  ui->BtnLoadBackup->setEnabled(false);
}

void TFormBackups::BtnLoadBackupClick() {
  const auto selected = ui->ListBackups->selectedItems();
  if (selected.isEmpty()) return;
  const int row = ui->ListBackups->indexOfTopLevelItem(selected.first());
  if (row < 0 || row >= static_cast<int>(backups_.size())) return;
  chosen_ = backups_[static_cast<std::size_t>(row)];
  accept();
}

void TFormBackups::BtnOpenFolderClick() {
  QDir().mkpath(folder);
  OpenFolder(folder);
}
