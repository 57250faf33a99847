#include "window/Look.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QWidget>

QFont WindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  return font;
}

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
