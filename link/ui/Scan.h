#pragma once
#include "protocol/UnitScan.h"

#include <QDialog>
#include <QTimer>

#include <memory>
#include <optional>

namespace Ui {
class TFormScan;
}

// The search for units, shown while it runs: the units found so far, and how far it got. The
// probes run on threads of their own; this window only looks at them every few milliseconds, so
// it repaints and can be cancelled all the time.
class TFormScan : public QDialog {
  Q_OBJECT

 public:
  explicit TFormScan(QWidget* parent = nullptr);
  ~TFormScan() override;

  // Starts asking the targets; the list shows what answered.
  void StartScan(std::vector<ScanTarget> targets, int32_t chosenBaud);
  // Until the window has shown the last answer.
  bool Scanning() const { return timer_.isActive(); }
  // The unit the operator chose, after the dialog was accepted.
  std::optional<ScanFound> Chosen() const { return chosen_; }

  // Handlers.
  void BtnChooseClick();
  void BtnStopClick();
  void ShowScanProgress();
  // Escape, the close button, "Zavřít": the probes stop and the window goes.
  void reject() override;

  std::unique_ptr<Ui::TFormScan> ui;

 protected:
  void setVisible(bool visible) override;

 private:
  void ShowFound();

  std::unique_ptr<UnitScan> scan_;
  std::vector<ScanFound> found_;
  std::vector<OpenFailure> unopened_;
  std::optional<ScanFound> chosen_;
  bool cancelled_ = false;
  QTimer timer_;
};
