#include "look/Look.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QProxyStyle>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOption>
#include <QWidget>
#include <QtMath>

#include <algorithm>

QFont WindowFont() {
  QFont font;
#ifdef _WIN32
  // The dialog font of Windows at the size of the forms' "MS Sans Serif" 8 pt: that one is a bitmap
  // of one code page, whose missing ž ě ř ů š came from a bolder font and which clipped at 120 DPI.
  font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Segoe UI"), QStringLiteral("Arial")});
#else
  // Arial's metrics (the package brings the font), which the forms' sizes hold at every scale.
  font.setFamilies(
      {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
#endif
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  return font;
}

namespace {

// A combo box's arrow as wide as Windows draws it, whatever the style: the forms give their combo
// boxes room for their texts beside an arrow of that width (Fusion's is ten pixels wider, and cut
// "nepoužito" to "epoužito").
class NarrowComboArrowStyle : public QProxyStyle {
 public:
  static constexpr int kArrowWidth = 17;

  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget) const override {
    const QRect rect = QProxyStyle::subControlRect(control, option, sub, widget);
    if (control != CC_ComboBox || (sub != SC_ComboBoxArrow && sub != SC_ComboBoxEditField)) return rect;
    const int spare =
        QProxyStyle::subControlRect(control, option, SC_ComboBoxArrow, widget).width() - kArrowWidth;
    if (spare <= 0) return rect;
    return sub == SC_ComboBoxArrow ? rect.adjusted(spare, 0, 0, 0) : rect.adjusted(0, 0, spare, 0);
  }
};

// One for all combo boxes, made once the application's style is there.
QStyle* ComboStyle() {
  static QPointer<NarrowComboArrowStyle> style;
  if (!style) {
    style = new NarrowComboArrowStyle;
    style->setParent(qApp);
  }
  return style;
}

}  // namespace

QFont FixedPitchFont(int pointSize) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  // Where the system's own is missing (Courier New on a Windows without it), another fixed-pitch one.
  font.setFamilies({font.family(), QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
  font.setStyleHint(QFont::Monospace);
  font.setPointSize(pointSize);
  return font;
}

static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace {

// The widest a text is drawn at 96, 120 and 144 DPI, in the window's own pixels: fonts do not
// grow quite in step with the screen (hinting, whole pixels).
int WidestAtEveryScale(const QWidget& widget, const QStringList& texts) {
  qreal widest = 0;
  for (const qreal scale : {1.0, 1.25, 1.5}) {
    QFont font = widget.font();
    font.setPointSizeF(font.pointSizeF() * scale);
    const QFontMetricsF metrics(font);
    for (QString text : texts)
      widest = std::max(widest, metrics.horizontalAdvance(text.remove(u'&')) / scale);
  }
  return qCeil(widest) + 1;
}

// The width a control needs for its texts beside what it draws around them (0 when it needs
// none), and the texts.
std::pair<int, QStringList> NeededWidth(QWidget& widget) {
  QRect room;
  QStringList texts;
  if (auto* label = qobject_cast<QLabel*>(&widget)) {
    if (label->wordWrap() || !label->pixmap().isNull() || Qt::mightBeRichText(label->text())) return {};
    room = label->contentsRect().adjusted(label->margin(), 0, -label->margin(), 0);
    texts << label->text();
  } else if (auto* button = qobject_cast<QAbstractButton*>(&widget);
             button && (qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button))) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    room = button->style()->subElementRect(
        qobject_cast<QRadioButton*>(button) ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents,
        &option, button);
    texts << button->text();
  } else if (auto* combo = qobject_cast<QComboBox*>(&widget)) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    room = combo->style()
               ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
               .adjusted(1, 0, -1, 0);  // an editable one's line keeps a pixel each side
    for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
  } else {
    return {};
  }
  if (texts.join(QString()).isEmpty()) return {};
  return {WidestAtEveryScale(widget, texts) + widget.width() - room.width(), texts};
}

// A control whose text the window's font draws wider than its form allows grows into the free
// room beside it, away from the side its text is aligned to, never over another control or out of
// its frame: the forms were drawn for "MS Sans Serif", and this font is a little wider.
void GrowToText(QWidget& widget) {
  QWidget* parent = widget.parentWidget();
  const auto [needed, texts] = NeededWidth(widget);
  if (!parent || needed <= widget.width()) return;
  constexpr int kGap = 2;
  const QRect own = widget.geometry();
  const QRect inside = parent->contentsRect();
  int left = inside.left() + kGap, right = inside.right() - kGap;
  for (const QWidget* other : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (other == &widget || other->isWindow()) continue;  // hidden ones too: they may be shown later
    const QRect r = other->geometry();
    if (r.bottom() < own.top() || r.top() > own.bottom()) continue;
    if (r.contains(own)) {  // a frame drawn behind the control: it stays inside
      left = std::max(left, r.left() + kGap);
      right = std::min(right, r.right() - kGap);
    } else if (r.left() > own.left()) {
      right = std::min(right, r.left() - kGap);
    } else if (r.right() < own.right()) {
      left = std::max(left, r.right() + kGap);
    }
  }
  const auto* label = qobject_cast<QLabel*>(&widget);
  if (label && (label->alignment() & Qt::AlignRight)) {
    const int newLeft = std::max(left, own.right() + 1 - needed);
    if (newLeft < own.left()) widget.setGeometry(QRect(QPoint(newLeft, own.top()), own.bottomRight()));
  } else {
    const int newRight = std::min(right, own.left() + needed - 1);
    if (newRight > own.right()) widget.setGeometry(QRect(own.topLeft(), QPoint(newRight, own.bottom())));
  }
  // No room left for the last few pixels ("Signalizace přerušení" in Tahoma, between its radio
  // button and the frame): the text is set a little tighter, by at most half a pixel a letter.
  const int over = needed - widget.width();
  if (over <= 0 || texts.size() != 1) return;
  const qreal perLetter = (over + 0.5) / std::max<qsizetype>(1, texts.first().size() - 1);
  if (perLetter > 0.5) return;
  QFont tighter = widget.font();
  tighter.setLetterSpacing(QFont::AbsoluteSpacing, -perLetter);
  widget.setFont(tighter);
}

// A one-line label lower than its font's lines grows up and down alike (its text stays where it
// is drawn) into the free room: at 144 DPI the caron of a capital (Č) was cut off at its top. Two
// pixels spare, for the system's own rasteriser, which rounds otherwise than Qt's metrics.
void GrowToLineHeight(QLabel& label) {
  QWidget* parent = label.parentWidget();
  if (!parent || label.wordWrap() || label.text().isEmpty() || !label.pixmap().isNull()) return;
  qreal lineHeight = 0;
  for (const qreal scale : {1.0, 1.25, 1.5}) {
    QFont font = label.font();
    font.setPointSizeF(font.pointSizeF() * scale);
    lineHeight = std::max(lineHeight, QFontMetricsF(font).height() / scale);
  }
  const int needed = qCeil(lineHeight) + 2;
  const QRect own = label.geometry();
  if (needed <= own.height()) return;
  int top = parent->contentsRect().top(), bottom = parent->contentsRect().bottom();
  for (const QWidget* other : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (other == &label || other->isWindow()) continue;
    const QRect r = other->geometry();
    if (r.right() < own.left() || r.left() > own.right() || r.contains(own)) continue;
    if (r.top() > own.top())
      bottom = std::min(bottom, r.top() - 1);
    else if (r.bottom() < own.bottom())
      top = std::max(top, r.bottom() + 1);
  }
  const int each = std::min({(needed - own.height() + 1) / 2, own.top() - top, bottom - own.bottom()});
  if (each > 0) label.setGeometry(own.adjusted(0, -each, 0, each));
}

}  // namespace

void MakeFixedWindow(QWidget* window, bool dialog, int width, int height) {
  window->setWindowFlags((dialog ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  window->setFixedSize(width, height);
}

void CentreOnScreen(QWidget* window) {
  const QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
  const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QSize size = window->frameGeometry().size();
  window->move(screen->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2));
}

void ApplyLook(QWidget* window) {
  InitResources();  // the pictures live in a static library
  window->setFont(WindowFont());
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (auto* combo = qobject_cast<QComboBox*>(w)) combo->setStyle(ComboStyle());
    if (w->property("fixedFont").toBool()) {
      QFont f = FixedPitchFont(9);
      f.setBold(w->font().bold());
      w->setFont(f);
    }
    const QString glyph = w->property("glyph").toString();
    if (auto* button = qobject_cast<QAbstractButton*>(w); button && !glyph.isEmpty()) {
      QIcon icon(QStringLiteral(":/img/%1.xpm").arg(glyph));
      const QPixmap disabled(QStringLiteral(":/img/%1_disabled.xpm").arg(glyph));
      if (!disabled.isNull()) icon.addPixmap(disabled, QIcon::Disabled);
      button->setIcon(icon);
      button->setIconSize(QSize(24, 24));
    }
    auto* label = qobject_cast<QLabel*>(w);
    if (!label) continue;
    const QString picture = label->property("picture").toString();
    if (!picture.isEmpty()) label->setPixmap(QPixmap(QStringLiteral(":/img/%1.xpm").arg(picture)));
    if (label->property("autoSize").toBool()) label->adjustSize();
  }
  for (QWidget* w : window->findChildren<QWidget*>()) {
    GrowToText(*w);
    if (auto* label = qobject_cast<QLabel*>(w)) GrowToLineHeight(*label);
  }
}
