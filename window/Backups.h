#pragma once
#include "protocol/settings/Backups.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class TFormBackups;
}

// The backups kept before every save to a unit, newest first, and the way back: one goes into the
// window as a settings file would, and nothing is sent before "Uložit do VORKA".
class TFormBackups : public QDialog {
  Q_OBJECT

 public:
  explicit TFormBackups(QWidget* parent = nullptr);
  ~TFormBackups() override;

  // The backups of the connected unit, or of every unit (no unit: an empty identifier); with each,
  // how many of its settings differ from the window's, and whether it was taken from another unit
  // or firmware than the connected one.
  void Show(const std::vector<Backup>& backups, const Identity& unit, const UnitSettings& window);
  // The backup chosen with "Načíst do okna".
  std::optional<Backup> Chosen() const { return chosen_; }

  // Handlers.
  void BtnLoadBackupClick();
  void BtnOpenFolderClick();

  // Shows a folder in the desktop's file manager; tests put their own in its place.
  std::function<void(const QString& folder)> OpenFolder;
  QString folder;  // the folder "Otevřít složku" shows

  std::unique_ptr<Ui::TFormBackups> ui;

 private:
  std::vector<Backup> backups_;
  std::optional<Backup> chosen_;
};
