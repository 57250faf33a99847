#include "window/SettingsFiles.h"

#include "protocol/MessageSeam.h"
#include "protocol/UnitFlows.h"
#include "ui_Compare.h"
#include "ui_Term.h"
#include "window/Look.h"
#include "window/Term.h"

#include <QDateTime>
#include <QFileDialog>
#include <QHeaderView>

namespace {

const QString kFilter = QStringLiteral("Nastavení VORKA (*.vorka)");
const QString kAbsent = QStringLiteral("—");

QString Shown(const std::optional<std::string>& value) {
  return value ? QString::fromStdString(*value) : kAbsent;
}

}  // namespace

TFormCompare::TFormCompare(QWidget* parent) : QDialog(parent), ui(new Ui::TFormCompare) {
  ui->setupUi(this);
  ApplyLook(this);
  ui->GridDiff->verticalHeader()->hide();
  ui->GridDiff->horizontalHeader()->setStretchLastSection(true);
  ui->GridDiff->setColumnWidth(0, 220);
  ui->GridDiff->setColumnWidth(1, 130);
  connect(ui->BtnBoxCompare, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

TFormCompare::~TFormCompare() { delete ui; }

void TFormCompare::Show(const std::vector<SettingDifference>& differences) {
  ui->LbSummary->setText(
      QStringLiteral("Nastavení, která se v okně a v jednotce liší: %1").arg(differences.size()));
  ui->GridDiff->setRowCount(static_cast<int>(differences.size()));
  for (int row = 0; row < static_cast<int>(differences.size()); ++row) {
    const SettingDifference& d = differences[static_cast<std::size_t>(row)];
    ui->GridDiff->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(d.def->caption)));
    ui->GridDiff->setItem(row, 1, new QTableWidgetItem(Shown(d.left)));
    ui->GridDiff->setItem(row, 2, new QTableWidgetItem(Shown(d.right)));
  }
}

SettingsFiles::SettingsFiles(TTermForm& term) : term_(term), compare_(std::make_unique<TFormCompare>(&term)) {
  ChooseFileToSave = [this](QString& path) {
    path = QFileDialog::getSaveFileName(&term_, QStringLiteral("Uložit nastavení do souboru"), QString(),
                                        kFilter);
    return !path.isEmpty();
  };
  ChooseFileToLoad = [this](QString& path) {
    path = QFileDialog::getOpenFileName(&term_, QStringLiteral("Načíst nastavení ze souboru"), QString(),
                                        kFilter);
    return !path.isEmpty();
  };
  RunCompareDialog = [](TFormCompare& dialog) {
    CentreOnScreen(&dialog);
    dialog.exec();
  };
}

SettingsFiles::~SettingsFiles() = default;

void SettingsFiles::SaveToFileClick() {
  // The file holds what a save to the unit would send.
  if (!term_.ValidateNumericFields()) {
    Messages().Message(QString::fromUtf8(kNotSavedText));
    return;
  }
  QString path;
  if (!ChooseFileToSave(path)) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".vorka");
  SettingsFileHeader header;
  if (term_.UnitPresent) {
    header.unitId = term_.ui->EditIpID->text().toStdString();
    header.unitVersion = term_.ui->EditVerIp->text().toStdString();
  }
  header.savedAt = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
  header.program = "vorka_config 1.3";
  const std::string reason =
      SaveSettingsFile(path.toStdString(), WriteSettingsText(SettingsOf(term_, term_.MpgCapable), header));
  if (!reason.empty())
    Messages().Message(QStringLiteral("Nastavení nelze uložit do souboru: ") +
                       QString::fromStdString(reason));
}

void SettingsFiles::LoadFromFileClick() {
  QString path;
  if (!ChooseFileToLoad(path)) return;
  std::string text;
  if (const std::string reason = LoadSettingsFile(path.toStdString(), text); !reason.empty()) {
    Messages().Message(QStringLiteral("Soubor nelze přečíst: ") + QString::fromStdString(reason));
    return;
  }
  const SettingsFileLoad load = ParseSettingsText(text);
  if (!load.settings) {
    Messages().Message(QString::fromStdString(CzechText(load.error)) +
                       QStringLiteral("\nNic nebylo načteno."));
    return;
  }
  // Into the window only: the unit gets the settings when the operator saves.
  ApplySettings(*load.settings, term_);
  term_.ValidateNumericFields();
}

void SettingsFiles::CompareWithUnitClick() {
  const std::optional<UnitSettings> unit = ReadUnitSettings(term_);
  if (!unit) return;
  const UnitSettings window = AsSaved(WithoutInputNames(SettingsOf(term_, term_.MpgCapable)));
  const std::vector<SettingDifference> differences = Differences(window, *unit);
  if (differences.empty()) {
    Messages().Message(QStringLiteral("Nastavení v okně a v jednotce se shodují."));
    return;
  }
  compare_->Show(differences);
  RunCompareDialog(*compare_);
}
