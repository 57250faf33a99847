#include "window/InputLanes.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QVector>

#include <algorithm>
#include <cmath>

QString Duration(int64_t ms) {
  const QLocale czech(QLocale::Czech);
  if (std::llabs(ms) < 1000) return QStringLiteral("%1 ms").arg(ms);
  if (std::llabs(ms) < 60'000)
    return czech.toString(static_cast<double>(ms) / 1000.0, 'f', 1) + QStringLiteral(" s");
  return czech.toString(static_cast<double>(ms) / 60'000.0, 'f', 1) + QStringLiteral(" min");
}

InputLanes::InputLanes(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(kLabelWidth + 300, kAxisHeight + kInputRows * 24);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

int64_t InputLanes::TimeAt(int x) const {
  const int plot = std::max(1, width() - kLabelWidth);
  return nowMs_ - spanMs_ + (static_cast<int64_t>(x - kLabelWidth) * spanMs_) / plot;
}

int InputLanes::XOf(int64_t ms) const {
  const int plot = std::max(1, width() - kLabelWidth);
  return kLabelWidth + static_cast<int>(((ms - (nowMs_ - spanMs_)) * plot) / std::max<int64_t>(1, spanMs_));
}

void InputLanes::mousePressEvent(QMouseEvent* event) {
  const int x = static_cast<int>(event->position().x());
  if (x < kLabelWidth) return;
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
    if (cursor && XOf(*cursor) >= kLabelWidth && XOf(*cursor) <= width()) {
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
  painter.drawLine(kLabelWidth - 1, lane.top(), kLabelWidth - 1, lane.bottom());

  // The label: number and name, then what the grid and the counters say.
  painter.setPen(palette().color(QPalette::Text));
  const QString name =
      info.name.isEmpty() || info.name == QStringLiteral("-") ? QString() : QStringLiteral("  ") + info.name;
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  const int half = lane.height() / 2;
  painter.drawText(QRect(4, lane.top(), kLabelWidth - 8, half + 2), Qt::AlignLeft | Qt::AlignBottom,
                   QStringLiteral("Vstup %1%2").arg(info.input).arg(name));
  painter.setFont(font());
  QString counters =
      QStringLiteral("Polarita %1  Povoleno %2").arg(info.polarity ? 1 : 0).arg(info.enabled ? 1 : 0);
  if (timeline_) {
    counters += QStringLiteral("  změn %1").arg(timeline_->Changes(row));
    if (const auto last = timeline_->LastChange(row))
      counters += QStringLiteral("  před ") + Duration(std::max<int64_t>(0, liveMs_ - *last));
  }
  painter.drawText(QRect(4, lane.top() + half, kLabelWidth - 8, half), Qt::AlignLeft | Qt::AlignTop,
                   counters);
  if (!timeline_) return;

  // The level: high near the top of the lane, low near its bottom. The lane is walked a pixel
  // column at a time (not an edge at a time): a column with edges is a vertical bar, however many
  // it holds, so a frame costs the same for a quiet input and a chattering one.
  const int high = lane.top() + lane.height() / 5, low = lane.bottom() - lane.height() / 5;
  const auto& edges = timeline_->Edges(row);
  const std::vector<InputTimeline::Gap>& gaps = timeline_->Gaps();
  const auto yOf = [&](bool raw) { return (raw != (afterPolarity_ && info.polarity)) ? high : low; };
  const auto after = [&](auto from, int64_t ms) {  // the first edge later than ms
    return std::upper_bound(from, edges.end(), ms,
                            [](int64_t t, const InputTimeline::Edge& edge) { return t < edge.ms; });
  };
  const int64_t end = std::min<int64_t>(nowMs_, timeline_->LastMs().value_or(nowMs_));
  const int xEnd = std::min(lane.right(), XOf(end));
  QVector<QLine> lines;
  QVector<QRect> bars;  // columns with edges, one rectangle for a run of them
  auto it = after(edges.begin(), TimeAt(kLabelWidth));
  std::optional<bool> level;
  if (it != edges.begin()) level = std::prev(it)->level;
  int segmentStart = kLabelWidth;
  std::optional<int> barFrom;
  for (int x = kLabelWidth; x <= xEnd; ++x) {
    const auto next = after(it, TimeAt(x + 1) - 1);
    // A level given (the first, or the first after a gap) is no change: no bar for it.
    const bool given =
        next != it && (!level || std::any_of(gaps.begin(), gaps.end(), [&](const InputTimeline::Gap& gap) {
          return gap.to == it->ms;
        }));
    if (given) {
      if (level && x > segmentStart) lines.append(QLine(segmentStart, yOf(*level), x, yOf(*level)));
      level = std::prev(next)->level;
      segmentStart = x;
      it = next;
    } else if (next != it) {
      if (!barFrom) {
        if (level && x > segmentStart) lines.append(QLine(segmentStart, yOf(*level), x, yOf(*level)));
        barFrom = x;
      }
      level = std::prev(next)->level;
      it = next;
    } else if (barFrom) {
      bars.append(QRect(*barFrom, high, x - *barFrom, low - high + 1));
      barFrom.reset();
      segmentStart = x - 1;
    }
  }
  if (barFrom)
    bars.append(QRect(*barFrom, high, xEnd + 1 - *barFrom, low - high + 1));
  else if (level && xEnd > segmentStart)
    lines.append(QLine(segmentStart, yOf(*level), xEnd, yOf(*level)));
  const QColor signal(0, 120, 0);
  for (const QRect& bar : bars) painter.fillRect(bar.adjusted(0, 0, 1, 0), signal);
  painter.setPen(QPen(signal, 2));
  painter.drawLines(lines);
  // Where no reply came there is no level: the span is shaded over whatever the edges said.
  for (const InputTimeline::Gap& gap : gaps) {
    const int x0 = std::max(kLabelWidth, XOf(gap.from)),
              x1 = std::min(lane.right(), XOf(gap.to.value_or(nowMs_)));
    if (x1 > x0)
      painter.fillRect(QRect(x0, lane.top() + 1, x1 - x0, lane.height() - 2), QColor(210, 210, 210));
  }
}

void InputLanes::PaintAxis(QPainter& painter, const QRect& axis) {
  painter.setPen(palette().color(QPalette::Text));
  // A step of 1, 2 or 5 times a power of ten seconds, about ten across.
  const double rough = static_cast<double>(spanMs_) / 10.0;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power;
  for (const double m : {1.0, 2.0, 5.0, 10.0})
    if (power * m >= rough) {
      step = power * m;
      break;
    }
  const auto stepMs = std::max<int64_t>(1, static_cast<int64_t>(step));
  for (int64_t back = 0; back <= spanMs_; back += stepMs) {
    const int x = XOf(nowMs_ - back);
    painter.drawLine(x, axis.top(), x, axis.top() + 4);
    const QString text = back == 0 ? QStringLiteral("0 s") : QStringLiteral("−") + Duration(back);
    painter.drawText(QRect(x - 50, axis.top() + 4, 100, axis.height() - 4), Qt::AlignHCenter | Qt::AlignTop,
                     text);
  }
}
