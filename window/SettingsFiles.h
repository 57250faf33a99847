#pragma once
#include "protocol/SettingsFile.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

namespace Ui {
class TFormCompare;
}
class TTermForm;

// The differences between the window and the unit, one row each.
class TFormCompare : public QDialog {
  Q_OBJECT

 public:
  explicit TFormCompare(QWidget* parent = nullptr);
  ~TFormCompare() override;
  void Show(const std::vector<SettingDifference>& differences);

  Ui::TFormCompare* ui;
};

// The menu "Soubor": the window's settings to a file and back, and the comparison with the unit.
class SettingsFiles {
 public:
  explicit SettingsFiles(TTermForm& term);
  ~SettingsFiles();

  void SaveToFileClick();
  void LoadFromFileClick();
  void CompareWithUnitClick();

  // The file dialogs and the comparison dialog; tests put choosers of their own in their place.
  std::function<bool(QString&path)> ChooseFileToSave, ChooseFileToLoad;
  std::function<void(TFormCompare& dialog)> RunCompareDialog;
  TFormCompare& CompareDialog() { return *compare_; }

 private:
  TTermForm& term_;
  std::unique_ptr<TFormCompare> compare_;
};
