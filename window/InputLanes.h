#pragma once
#include "protocol/InputTimeline.h"

#include <QString>
#include <QWidget>

#include <array>
#include <optional>

// What the grid says of an input, beside its lane.
struct LaneInfo {
  int input = 0;
  QString name;
  bool polarity = false;  // "Polarita" 1
  bool enabled = false;   // "Povoleno" 1
};

// The grid's inputs as lanes, logic-analyser style: the level as a line over the last `span`
// milliseconds up to `now`, nothing where no reply came; beside each lane its number, name,
// Polarita and Povoleno, its changes and the time since the last one. The input that changed last
// is marked for two seconds. A left click puts cursor A, a right click cursor B.
class InputLanes : public QWidget {
  Q_OBJECT

 public:
  // The labels' least width; wider where the font needs it, so that no counter is cut.
  static constexpr int kLabelWidth = 250;
  static constexpr int kAxisHeight = 20;
  static constexpr int64_t kMarkedMs = 2000;

  explicit InputLanes(QWidget* parent = nullptr);

  void SetTimeline(const InputTimeline* timeline) { timeline_ = timeline; }
  void SetLanes(const std::array<LaneInfo, kInputRows>& lanes) { lanes_ = lanes; }
  void SetSpanMs(int64_t span) { spanMs_ = span; }
  void SetAfterPolarity(bool on) { afterPolarity_ = on; }
  // The right edge of the picture; held still, it stays where it was.
  void SetNow(int64_t ms) { nowMs_ = ms; }
  // The clock's time, for the counters and the mark of the last change, held picture or not.
  void SetLive(int64_t ms) { liveMs_ = ms; }
  int64_t Now() const { return nowMs_; }

  std::optional<int64_t> cursorA, cursorB;
  // The time at a horizontal position in the lanes, and back.
  int64_t TimeAt(int x) const;
  int XOf(int64_t ms) const;
  int LabelWidth() const;
  // What the tooltip says at a point: why a lane is hatched; empty elsewhere.
  QString ToolTipAt(const QPoint& point) const;
  // The label's second line: the grid's flags and the counters.
  QString CountersText(int row) const;

 signals:
  void CursorsMoved();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void PaintLane(QPainter& painter, int row, const QRect& lane);
  void FitLabels();
  void PaintAxis(QPainter& painter, const QRect& axis);

  const InputTimeline* timeline_ = nullptr;
  std::array<LaneInfo, kInputRows> lanes_{};
  int64_t spanMs_ = 10'000;
  int64_t nowMs_ = 0;
  int64_t liveMs_ = 0;
  bool afterPolarity_ = false;
  int labelWidth_ = kLabelWidth;
};

// "2,5 s", "320 ms": a time in the operator's words (a decimal comma).
QString Duration(int64_t ms);
// The axis' step for a span: a round time (1, 2 or 5 of a unit, 15 and 30 s, whole minutes) that
// gives about ten ticks.
int64_t AxisStepMs(int64_t spanMs);
// Why a lane is hatched, as its tooltip says it.
extern const char* const kFasterThanSamplingTip;
