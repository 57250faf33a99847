#pragma once
#include "protocol/Identity.h"
#include "protocol/InputPoller.h"
#include "protocol/InputTimeline.h"
#include "protocol/SamplingPace.h"
#include "protocol/flows/InputRecording.h"
#include "window/InputLanes.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

namespace Ui {
class TFormTimeline;
}
class TFormWiring;

// "Průběh vstupů": the grid's inputs over time, for commissioning a machine. It takes the levels
// of the main window's polls (no traffic of its own), counts each input's changes, holds the
// picture still while polling goes on, measures between two cursors, checks the wiring and
// records. It never blocks the main window.
class TFormTimeline : public QDialog {
  Q_OBJECT

 public:
  // The spans the zoom offers, in the list's order.
  static constexpr int64_t kSpansMs[] = {2'000, 5'000, 10'000, 30'000, 60'000, 120'000, 300'000, 600'000};

  explicit TFormTimeline(QWidget* parent = nullptr);
  ~TFormTimeline() override;

  // What the window needs of the main window.
  std::function<std::array<LaneInfo, kInputRows>()> Lanes;  // the grid's rows
  std::function<Identity()> Unit;                           // the identified unit
  std::function<int64_t()> Clock;                           // the polls' clock, in ms
  std::function<void(bool shown)> ShownChanged;             // polling follows the window
  std::function<void(bool fast)> FastChanged;               // "Rychlé snímání" ticked or not
  // Chooses the file to save to (empty: cancelled); tests put their own in its place.
  std::function<QString(const QString& title, const QString& filter)> ChooseSaveFile;

  // A poll as the poller told it, its times in microseconds on Clock's timer: a gap (the recording
  // goes on after it), the input word, the sampling period measured.
  void Polled(const InputPoller::Step& step);
  bool Fast() const;
  // The sampling period measured, once known.
  std::optional<double> PeriodMs() const { return periodMs_; }
  const InputTimeline& Timeline() const { return timeline_; }
  bool Recording() const { return recording_ != nullptr; }
  TFormWiring& Wiring();
  // The wiring check's window once one was started; nullptr before.
  const TFormWiring* StartedWiring() const { return wiring_.get(); }
  // Brings the picture up to now (the repaint timer does it five times a second).
  void Refresh();

  // Handlers.
  void BtnHoldClick();
  void BtnClearClick();
  void CmbZoomChange();
  void ChkPolarityClick();
  void BtnWiringClick();
  void BtnSaveRecordingClick();
  void BtnRecordClick();
  void ChkFastClick();

  std::unique_ptr<Ui::TFormTimeline> ui;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // The header of a recording that starts at ms on Clock.
  RecordingHeader Header(int64_t startMs) const;
  void WriteToRecording(const std::function<FileFault(InputRecording&)>& write);
  void StopRecording(const QString& why);
  void ShowCursors();

  InputTimeline timeline_;
  std::optional<double> periodMs_;
  std::unique_ptr<TFormWiring> wiring_;
  std::unique_ptr<InputRecording> recording_;
  QString recordingPath_;
  int64_t recordingStart_ = 0;
  std::array<bool, kInputRows> toldFaster_{};  // in the recording
  QTimer repaint_;
};

// The recording format a chosen file's name asks for: ".vcd" VCD, anything else CSV.
RecordingFormat FormatOfPath(const QString& path);
