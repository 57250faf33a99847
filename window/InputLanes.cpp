#include "window/InputLanes.h"

#include "look/Language.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QVector>

#include <algorithm>
#include <cmath>

QString Duration(int64_t ms) {
  const auto tenths = [](double value) {
    return QString::number(value, 'f', 1).replace(QLatin1Char('.'), DecimalMark());
  };
  if (std::llabs(ms) < 1000) return QStringLiteral("%1 ms").arg(ms);
  if (std::llabs(ms) < 60'000) return tenths(static_cast<double>(ms) / 1000.0) + QStringLiteral(" s");
  return tenths(static_cast<double>(ms) / 60'000.0) + QStringLiteral(" min");
}

const char* const kFasterThanSamplingTip = QT_TRANSLATE_NOOP(
    "InputLanes",
    "Vstup se mění u více než třetiny čtení: nejspíš se mění rychleji, než se čte. Průběh může "
    "ukazovat pomalejší změny, které neexistují, a počet změn je jen nejmenší možný. Zapněte "
    "„Rychlé snímání“.");

int64_t AxisStepMs(int64_t spanMs) {
  static constexpr int64_t kSteps[] = {1,      2,      5,       10,      20,      50,        100,
                                       200,    500,    1'000,   2'000,   5'000,   10'000,    15'000,
                                       30'000, 60'000, 120'000, 300'000, 600'000, 1'800'000, 3'600'000};
  const int64_t rough = spanMs / 10;
  for (const int64_t step : kSteps)
    if (step >= rough) return step;
  return kSteps[std::size(kSteps) - 1];
}

InputLanes::InputLanes(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  FitLabels();
  setMinimumSize(kLabelWidth + 300, kAxisHeight + kInputRows * 24);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

int InputLanes::LabelWidth() const { return labelWidth_; }

void InputLanes::FitLabels() {
  // The widest the counters get: every flag, a five-digit count at least, an hour ago.
  const QString widest = tr("Polarita 1  Povoleno 1  změn ≥99999  před 59,9 min");
  labelWidth_ = std::max(kLabelWidth, fontMetrics().horizontalAdvance(widest) + 12);
}

void InputLanes::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) FitLabels();
  QWidget::changeEvent(event);
}

QString InputLanes::CountersText(int row) const {
  const LaneInfo& info = lanes_[static_cast<std::size_t>(row - 1)];
  QString counters = tr("Polarita %1  Povoleno %2").arg(info.polarity ? 1 : 0).arg(info.enabled ? 1 : 0);
  if (!timeline_) return counters;
  counters +=
      tr("  změn %1%2").arg(timeline_->CountIsLeast(row) ? tr("≥") : QString()).arg(timeline_->Changes(row));
  if (const auto last = timeline_->LastChange(row))
    counters += tr("  před ") + Duration(std::max<int64_t>(0, liveMs_ - *last));
  return counters;
}

QString InputLanes::ToolTipAt(const QPoint& point) const {
  const int laneHeight = (height() - kAxisHeight) / kInputRows;
  if (!timeline_ || laneHeight <= 0) return {};
  const int row = point.y() / laneHeight + 1;
  if (row < 1 || row > kInputRows || !timeline_->FasterThanSampling(row)) return {};
  return QCoreApplication::translate("InputLanes", kFasterThanSamplingTip);
}

bool InputLanes::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = ToolTipAt(help->pos());
    if (tip.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), tip, this);
    return true;
  }
  return QWidget::event(event);
}

int64_t InputLanes::TimeAt(int x) const {
  const int plot = std::max(1, width() - LabelWidth());
  return nowMs_ - spanMs_ + (static_cast<int64_t>(x - LabelWidth()) * spanMs_) / plot;
}

int InputLanes::XOf(int64_t ms) const {
  const int plot = std::max(1, width() - LabelWidth());
  return LabelWidth() + static_cast<int>(((ms - (nowMs_ - spanMs_)) * plot) / std::max<int64_t>(1, spanMs_));
}

void InputLanes::mousePressEvent(QMouseEvent* event) {
  const int x = static_cast<int>(event->position().x());
  if (x < LabelWidth()) return;
  (event->button() == Qt::RightButton ? cursorB : cursorA) = TimeAt(x);
  update();
  emit CursorsMoved();
}

void InputLanes::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Base));
  const int laneHeight = (height() - kAxisHeight) / kInputRows;
  for (int row = 1; row <= kInputRows; ++row)
    PaintLane(painter, row, QRect(0, (row - 1) * laneHeight, width(), laneHeight));
  PaintAxis(painter, QRect(0, kInputRows * laneHeight, width(), kAxisHeight));
  for (const auto& [cursor, colour] :
       {std::pair{cursorA, QColor(0, 90, 200)}, std::pair{cursorB, QColor(200, 40, 40)}})
    if (cursor && XOf(*cursor) >= LabelWidth() && XOf(*cursor) <= width()) {
      painter.setPen(QPen(colour, 1, Qt::DashLine));
      painter.drawLine(XOf(*cursor), 0, XOf(*cursor), kInputRows * laneHeight);
    }
}

void InputLanes::PaintLane(QPainter& painter, int row, const QRect& lane) {
  const LaneInfo& info = lanes_[static_cast<std::size_t>(row - 1)];
  const bool marked = timeline_ && timeline_->LastChangedRow() == row && timeline_->LastChange(row) &&
                      liveMs_ - *timeline_->LastChange(row) < kMarkedMs;
  if (marked)
    painter.fillRect(lane, QColor(255, 240, 170));
  else if (row % 2 == 0)
    painter.fillRect(lane, palette().color(QPalette::AlternateBase));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawLine(lane.bottomLeft(), lane.bottomRight());
  painter.drawLine(LabelWidth() - 1, lane.top(), LabelWidth() - 1, lane.bottom());

  // The label: number and name, then what the grid and the counters say.
  painter.setPen(palette().color(QPalette::Text));
  const QString name =
      info.name.isEmpty() || info.name == QStringLiteral("-") ? QString() : QStringLiteral("  ") + info.name;
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  const int half = lane.height() / 2;
  painter.drawText(QRect(4, lane.top(), LabelWidth() - 8, half + 2), Qt::AlignLeft | Qt::AlignBottom,
                   tr("Vstup %1%2").arg(info.input).arg(name));
  painter.setFont(font());
  painter.drawText(QRect(4, lane.top() + half, LabelWidth() - 8, half), Qt::AlignLeft | Qt::AlignTop,
                   CountersText(row));
  if (!timeline_) return;

  // The level: high near the top of the lane, low near its bottom. The lane is walked a pixel
  // column at a time (not an edge at a time): a column with changes is a vertical bar, however
  // many it holds, so a frame costs the same for a quiet input and a chattering one, and the same
  // drawn from the edges as from the stretches that summarise older ones.
  const int high = lane.top() + lane.height() / 5, low = lane.bottom() - lane.height() / 5;
  const auto yOf = [&](bool raw) { return (raw != (afterPolarity_ && info.polarity)) ? high : low; };
  const int64_t end = std::min<int64_t>(nowMs_, timeline_->LastMs().value_or(nowMs_));
  const int xEnd = std::min(lane.right(), XOf(end));
  QVector<QLine> lines;
  QVector<QRect> bars;  // columns with changes, one rectangle for a run of them
  InputTimeline::Walk walk(*timeline_, row, TimeAt(LabelWidth()));
  std::optional<bool> level = walk.Level();
  int segmentStart = LabelWidth();
  std::optional<int> barFrom;
  for (int x = LabelWidth(); x <= xEnd; ++x) {
    const InputTimeline::Walk::Column column = walk.To(TimeAt(x + 1));
    if (column.given && !column.changed) {
      // A level given (the first, or the first after a gap) is no change: no bar for it.
      if (level && x > segmentStart) lines.append(QLine(segmentStart, yOf(*level), x, yOf(*level)));
      segmentStart = x;
    } else if (column.changed) {
      if (!barFrom) {
        if (level && x > segmentStart) lines.append(QLine(segmentStart, yOf(*level), x, yOf(*level)));
        barFrom = x;
      }
    } else if (barFrom) {
      bars.append(QRect(*barFrom, high, x - *barFrom, low - high + 1));
      barFrom.reset();
      segmentStart = x - 1;
    }
    level = column.level;
  }
  if (barFrom)
    bars.append(QRect(*barFrom, high, xEnd + 1 - *barFrom, low - high + 1));
  else if (level && xEnd > segmentStart)
    lines.append(QLine(segmentStart, yOf(*level), xEnd, yOf(*level)));
  const QColor signal(0, 120, 0);
  for (const QRect& bar : bars) painter.fillRect(bar.adjusted(0, 0, 1, 0), signal);
  painter.setPen(QPen(signal, 2));
  painter.drawLines(lines);
  // Changing at more than a third of the recent polls: what the lane shows may be an alias.
  if (timeline_->FasterThanSampling(row))
    painter.fillRect(QRect(LabelWidth(), lane.top() + 1, lane.right() - LabelWidth(), lane.height() - 2),
                     QBrush(QColor(200, 90, 0), Qt::BDiagPattern));
  // Where no reply came there is no level: the span is shaded over whatever the edges said, and
  // over the hatching, which says nothing of it.
  for (const InputTimeline::Gap& gap : timeline_->Gaps()) {
    const int x0 = std::max(LabelWidth(), XOf(gap.from)),
              x1 = std::min(lane.right(), XOf(gap.to.value_or(nowMs_)));
    if (x1 > x0)
      painter.fillRect(QRect(x0, lane.top() + 1, x1 - x0, lane.height() - 2), QColor(210, 210, 210));
  }
}

void InputLanes::PaintAxis(QPainter& painter, const QRect& axis) {
  painter.setPen(palette().color(QPalette::Text));
  const int64_t stepMs = AxisStepMs(spanMs_);
  for (int64_t back = 0; back <= spanMs_; back += stepMs) {
    const int x = XOf(nowMs_ - back);
    painter.drawLine(x, axis.top(), x, axis.top() + 4);
    const QString text = back == 0 ? QStringLiteral("0 s") : tr("−") + Duration(back);
    painter.drawText(QRect(x - 50, axis.top() + 4, 100, axis.height() - 4), Qt::AlignHCenter | Qt::AlignTop,
                     text);
  }
}
