#include "window/Look.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QProxyStyle>
#include <QScreen>
#include <QWidget>

QFont WindowFont() {
  QFont font;
#ifdef _WIN32
  // The dialog font of Windows at the size of the forms' "MS Sans Serif" 8 pt: that one is a bitmap
  // of one code page, whose missing ž ě ř ů š came from a bolder font and which clipped at 120 DPI.
  font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Segoe UI"), QStringLiteral("Arial")});
#else
  // Arial's metrics (the package brings the font), which the forms' sizes hold at every scale.
  font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
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
    const int spare = QProxyStyle::subControlRect(control, option, SC_ComboBoxArrow, widget).width() -
                      kArrowWidth;
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
  font.setPointSize(pointSize);
  return font;
}

static void InitResources() { Q_INIT_RESOURCE(resources); }

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
}
