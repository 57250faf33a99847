#include "window/SettingsFiles.h"

#include "common/Version.h"
#include "look/Language.h"
#include "look/Look.h"
#include "protocol/MessageSeam.h"
#include "protocol/flows/UnitFlows.h"
#include "ui_Compare.h"
#include "window/Backups.h"
#include "window/FileFolders.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>

namespace {

QString Filter() {
  return QCoreApplication::translate("SettingsFiles", "Nastavení VORKA (*.%1)")
      .arg(QLatin1String(kSettingsFileSuffix));
}
const QString kAbsent = QStringLiteral("—");

QString Shown(const SettingDef& def, const std::optional<std::string>& value) {
  return value ? QString::fromStdString(ShownValue(def, *value)) : kAbsent;
}

}  // namespace

TFormCompare::TFormCompare(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TFormCompare>()) {
  ui->setupUi(this);
  ApplyLook(this);
  ui->GridDiff->verticalHeader()->hide();
  ui->GridDiff->horizontalHeader()->setStretchLastSection(true);
  ui->GridDiff->setColumnWidth(0, 220);
  ui->GridDiff->setColumnWidth(1, 130);
  connect(ui->BtnBoxCompare, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

TFormCompare::~TFormCompare() = default;

void TFormCompare::Show(const std::vector<SettingDifference>& differences) {
  ui->LbSummary->setText(tr("Nastavení, která se v okně a v jednotce liší: %1").arg(differences.size()));
  ui->GridDiff->setRowCount(static_cast<int>(differences.size()));
  for (int row = 0; row < static_cast<int>(differences.size()); ++row) {
    const SettingDifference& d = differences[static_cast<std::size_t>(row)];
    ui->GridDiff->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(ShownCaption(*d.def))));
    ui->GridDiff->setItem(row, 1, new QTableWidgetItem(Shown(*d.def, d.left)));
    ui->GridDiff->setItem(row, 2, new QTableWidgetItem(Shown(*d.def, d.right)));
  }
}

SettingsFiles::SettingsFiles(FilesWindow& window, QWidget* parent)
    : window_(window),
      parent_(parent),
      compare_(std::make_unique<TFormCompare>(parent)),
      backups_(std::make_unique<TFormBackups>(parent)) {
  ChooseFileToSave = [this](QString& path) {
    const std::unique_ptr<QFileDialog> dialog = MakeSaveDialog();
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return false;
    path = dialog->selectedFiles().first();
    RememberFileDialogChoice(path);
    return true;
  };
  ChooseFileToLoad = [this](QString& path) {
    path = QFileDialog::getOpenFileName(parent_, tr("Načíst nastavení ze souboru"), FileDialogFolder(),
                                        Filter());
    RememberFileDialogChoice(path);
    return !path.isEmpty();
  };
  RunCompareDialog = [](TFormCompare& dialog) {
    CentreOnScreen(&dialog);
    dialog.exec();
  };
  RunBackupsDialog = [](TFormBackups& dialog) {
    CentreOnScreen(&dialog);
    dialog.exec();
  };
}

SettingsFiles::~SettingsFiles() = default;

std::unique_ptr<QFileDialog> SettingsFiles::MakeSaveDialog() {
  auto dialog =
      std::make_unique<QFileDialog>(parent_, tr("Uložit nastavení do souboru"), FileDialogFolder(), Filter());
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setDefaultSuffix(QLatin1String(kSettingsFileSuffix));
  return dialog;
}

void SettingsFiles::UnitRead(const std::string& unitId, const std::string& unitVersion) {
  read_ = WithoutInputNames(WindowSettings());
  readId_ = unitId;
  readVersion_ = unitVersion;
}

SettingsFileHeader SettingsFiles::Header() {
  SettingsFileHeader header;
  // The unit is named only when the values are still the ones read from it.
  if (read_ && read_->Values() == WithoutInputNames(WindowSettings()).Values()) {
    header.unitId = readId_;
    header.unitVersion = readVersion_;
  } else {
    header.windowValues = true;
  }
  header.savedAt = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
  header.program = std::string("vorka_config ") + kProgramVersion;
  return header;
}

UnitSettings SettingsFiles::WindowSettings() {
  return SettingsOf(window_.Controls(), window_.State().mpgCapable);
}

void SettingsFiles::SaveToFileClick() {
  // The file holds what a save to the unit would send, and loads again.
  if (!ValidateNumericFields(window_.Controls())) {
    Tell(Said::NotSaved);
    return;
  }
  if (const SettingDef* def = FirstUnwritableSetting(window_.Controls(), window_.State().mpgCapable, true)) {
    Tell(Said::NotSavedBecause, {{"why", UnwritableText(*def).toStdString()}});
    return;
  }
  QString path;
  if (!ChooseFileToSave(path)) return;
  const FileFault fault = SaveSettingsFile(path.toStdString(), WriteSettingsText(WindowSettings(), Header()),
                                           FileTarget::RegularOnly);
  if (fault) Messages().Message(tr("Nastavení nelze uložit do souboru: ") + WindowText(fault));
}

void SettingsFiles::LoadFromFileClick() {
  QString path;
  if (!ChooseFileToLoad(path)) return;
  LoadFile(path, tr("soubor"));
}

void SettingsFiles::LoadFile(const QString& path, const QString& what) {
  std::string text;
  if (const FileFault fault = LoadSettingsFile(path.toStdString(), text)) {
    Messages().Message(tr("Soubor nelze přečíst: ") + WindowText(fault));
    return;
  }
  const SettingsFileLoad load = ParseSettingsText(text);
  if (!load.settings) {
    Messages().Message(WindowText(load.error) + tr("\nNic nebylo načteno."));
    return;
  }
  // Into the window only: the unit gets the settings when the operator saves.
  Loading([&] {
    ApplySettings(*load.settings, window_.Controls());
    ValidateNumericFields(window_.Controls());
    if (Loaded)
      Loaded(WithoutInputNames(*load.settings), (what + u' ' + QFileInfo(path).fileName()).toStdString());
  });
}

void SettingsFiles::BackupsClick() {
  const UnitState& state = window_.State();
  const std::string unit = state.unitPresent ? state.identity.id : std::string();
  const BackupStore& store = window_.Backups();
  backups_->folder = unit.empty() ? store.Folder() : store.FolderOf(unit);
  backups_->Show(store.List(unit), state.unitPresent ? state.identity : Identity{},
                 AsSaved(WithoutInputNames(WindowSettings())));
  RunBackupsDialog(*backups_);
  // Exactly as a settings file: into the window only, all or nothing.
  if (const auto chosen = backups_->Chosen()) LoadFile(QString::fromStdString(chosen->path), tr("záloha"));
}

void SettingsFiles::CompareWithUnitClick() {
  window_.ReadUnit([this](const std::optional<UnitSettings>& unit) {
    if (unit) ShowComparison(*unit);
  });
}

void SettingsFiles::ShowComparison(const UnitSettings& unit) {
  const UnitSettings window = AsSaved(WithoutInputNames(WindowSettings()));
  const std::vector<SettingDifference> differences = Differences(window, unit);
  if (differences.empty()) {
    Messages().Message(tr("Nastavení v okně a v jednotce se shodují."));
    return;
  }
  compare_->Show(differences);
  RunCompareDialog(*compare_);
}
