#pragma once
#include "look/Language.h"
#include "protocol/flows/LineWorker.h"
#include "protocol/flows/UnitSeries.h"

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class TFormSeries;
}
class QPushButton;
class QTimer;

// "Sériové nastavení": one settings file into one unit after another on the window's open link.
// It asks for a unit once a second, quietly; a unit not done in this series is backed up,
// written, verified, recorded in the folder and listed; "Ukončit" ends it, and the list is kept
// beside the records. The tries run on the window's line, the dialog never waits on them.
class TFormSeries : public QDialog {
  Q_OBJECT

 public:
  TFormSeries(QWidget* parent, BackupStore backups, LineWorker& line);
  ~TFormSeries() override;

  // The series of `settings` (read from `file`) into the units on the open link, records in
  // `folder`: shown, what will be written and where the records go; "Spustit" starts it.
  void Start(const QString& file, const UnitSettings& settings, const QString& folder, LinkKind kind,
             uint32_t replyTimeoutMs);
  // "Spustit": the first try at once, then one a second.
  void BtnStartClick();
  // One try at the unit on the link (the timer's, once a second), once started, unless one runs.
  void TryNextUnit();
  // A try runs on the line.
  bool Trying() const { return trying_; }
  // "Ukončit": at once between two tries; a unit being written is finished first, never left
  // half written.
  void BtnEndClick();
  void reject() override { BtnEndClick(); }
  // Why the list could not be kept; empty when it was (or nothing was listed).
  const QString& ListFault() const { return listFault_; }
  // Once started: the units written and verified, failed and left alone, named (by default in the
  // windows' language); else empty.
  QString Summary(Language language = WindowLanguage()) const;
  // How often the next unit is looked for once started (a second); a test that tries each unit
  // itself sets it beyond its run, so that no look of the dialog's own comes between.
  void SetTryEveryMs(int ms);

  std::unique_ptr<Ui::TFormSeries> ui;
  QPushButton* start = nullptr;  // "Spustit"
  QPushButton* end = nullptr;

 private:
  // A try's outcome: shown, recorded, listed.
  void Tried(const UnitSeries::Try& done);
  void AddRow(const UnitSeries::Try& done, const QString& result);
  QString SaveList();
  // The list ends as the series did, and the dialog closes.
  void Finish();

  // What the tries use on the line's thread: kept by each try that runs.
  struct OnLine {
    explicit OnLine(BackupStore backups) : unit(std::move(backups), ConsoleUnit::Line::Window) {}
    ConsoleUnit unit;
    std::unique_ptr<UnitSeries> series;
  };
  UnitSeries::Tally units_;  // as the last try left them
  LineWorker& line_;
  std::shared_ptr<OnLine> onLine_;
  QTimer* timer_;
  QString folder_, file_;
  std::string list_;
  QString listFault_;
  bool started_ = false;
  bool trying_ = false;
  bool ending_ = false;
  bool finished_ = false;
};
