#pragma once
#include "protocol/RegisterMap.h"
#include "protocol/flows/UnitFlows.h"
#include "protocol/settings/Settings.h"

#include <QCoreApplication>
#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class TFormCompare;
}
class QFileDialog;
class TFormBackups;

// The differences between the window and the unit, one row each.
class TFormCompare : public QDialog {
  Q_OBJECT

 public:
  explicit TFormCompare(QWidget* parent = nullptr);
  ~TFormCompare() override;
  void Show(const std::vector<SettingDifference>& differences);

  std::unique_ptr<Ui::TFormCompare> ui;
};

// What the menu "Soubor" needs of the main window.
class FilesWindow {
 public:
  virtual SettingsControls& Controls() = 0;
  virtual const UnitState& State() = 0;
  virtual const BackupStore& Backups() = 0;
  // What the unit holds, read on the line; `read` follows on the window's thread, with nothing
  // when no unit answered the whole read (the operator has been told why).
  virtual void ReadUnit(std::function<void(std::optional<UnitSettings>)> read) = 0;

 protected:
  ~FilesWindow() = default;
};

// The menu "Soubor": the window's settings to a file and back, and the comparison with the unit.
class SettingsFiles {
  Q_DECLARE_TR_FUNCTIONS(SettingsFiles)

 public:
  // The dialogs are parent's.
  SettingsFiles(FilesWindow& window, QWidget* parent);
  ~SettingsFiles();

  void SaveToFileClick();
  void LoadFromFileClick();
  void CompareWithUnitClick();
  // "Zálohy jednotky…": the backups of the connected unit (of every unit when none is), one of
  // them into the window.
  void BackupsClick();

  // A whole read put the unit's settings into the window: until they are changed, a file saved
  // from the window names that unit as their source.
  void UnitRead(const std::string& unitId, const std::string& unitVersion);

  // The save dialog as the operator gets it: a name typed without ".vorka" gets it before the
  // dialog asks whether to replace an existing file.
  std::unique_ptr<QFileDialog> MakeSaveDialog();

  // The file dialogs and the comparison dialog; tests put choosers of their own in their place.
  std::function<bool(QString&path)> ChooseFileToSave, ChooseFileToLoad;
  std::function<void(TFormCompare& dialog)> RunCompareDialog;
  std::function<void(TFormBackups& dialog)> RunBackupsDialog;
  TFormCompare& CompareDialog() { return *compare_; }
  // A file's settings into the window run inside Loading, which tells them from the operator's
  // edits; Loaded is told which settings the file filled, and what it was.
  std::function<void(const std::function<void()>& load)> Loading = [](const std::function<void()>& load) {
    load();
  };
  std::function<void(const UnitSettings& filled, const std::string& from)> Loaded;
  TFormBackups& BackupsDialog() { return *backups_; }

 private:
  SettingsFileHeader Header();
  // A settings file into the window, all or nothing, as the operator is told.
  void LoadFile(const QString& path, const QString& what);

  // The window's settings as a file holds them.
  UnitSettings WindowSettings();
  // The comparison of the window with what the unit holds.
  void ShowComparison(const UnitSettings& unit);

  FilesWindow& window_;
  QWidget* parent_;
  std::unique_ptr<TFormCompare> compare_;
  std::unique_ptr<TFormBackups> backups_;
  // The settings as the last whole read left them, and the unit they came from.
  std::optional<UnitSettings> read_;
  std::string readId_, readVersion_;
};
