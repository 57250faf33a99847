// The main window: import of MPG parameters and input definitions from a TORVEL file.
#include "window/Term.h"

#include "entry/Cp1250.h"
#include "protocol/MessageSeam.h"
#include "ui_Term.h"
#include "window/FileFolders.h"
#include "window/TermShared.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include <algorithm>

#include <filesystem>

using namespace term;

// ---- Import from a TORVEL configuration file ----

void TTermForm::ReadCFGClick() {
  if (!state_.mpgCapable) return;
  ProgramChanges([this] { ImportCfg(); });
}

void TTermForm::ImportCfg() {
  openDialog_->setNameFilter(tr("Konfigurace Torvel (*.cfg)"));
  openDialog_->setDirectory(FileDialogFolder());
  QString path;
  if (!runOpenDialog_(path)) return;
  // The whole path: cut, it would name another file or none.
  importedFields_.clear();
  ReadCfgFile(path);
  // Also when no file was there: the grid shows the tables as they stand.
  for (int row = 1; row <= kInputRows; ++row) {
    const int input = kInputOfRow[row - 1];
    const auto bit = static_cast<uint16_t>(1u << input);
    const std::u16string name = Cp1250ToUtf16(cfgImport_.names[static_cast<std::size_t>(input)]);
    ui->StrGridVstupy->item(row, 2)->setText(QString::fromStdU16String(name));
    SetCell(3, row, cfgImport_.polarityMask & bit ? "1" : "0");
    SetCell(4, row, cfgImport_.enableMask & bit ? "1" : "0");
  }
  // Chosen by the import: the fields it read, and the polarity and enable bits of the inputs the file
  // names. Those of the other inputs it clears without being asked to: a save leaves them to the
  // operator.
  UnitSettings filled, cleared;
  const UnitSettings shown = ShownSettings();
  for (const SettingDef& def : SettingDefs()) {
    const auto value = shown.Get(def.name);
    if (!value) continue;
    if (def.kind == SettingKind::Bit) {
      const bool named = cfgImport_.namedMask & (1u << kInputOfRow[def.row - 1]);
      (named ? filled : cleared).Set(def.name, *value);
    } else if (std::find(importedFields_.begin(), importedFields_.end(), def.control) !=
               importedFields_.end()) {
      filled.Set(def.name, *value);
    }
  }
  sources_.Loaded(shown, filled, tr("konfigurace TORVEL %1").arg(QFileInfo(path).fileName()).toStdString(),
                  cleared, tr("v konfiguraci TORVEL chybí: import vstup vypíná").toStdString());
}

void TTermForm::ReadCfgFile(const QString& path) {
  const auto setField = [this](const char* field, const std::string& value) {
    importedFields_.emplace_back(field);
    controls_->Edit(field).setText(QString::fromStdU16String(Cp1250ToUtf16(value)));
  };
  // By the path in the system's own form: wide on Windows, whatever letters it holds.
  if (::ReadCfgFile(std::filesystem::path(path.toStdU16String()), cfgImport_, setField))
    ValidateNumericFields();
}
