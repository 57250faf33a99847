#include "link/ui/Help.h"
#include "link/ui/Scan.h"
#include "link/ui/Setup.h"
#include "look/Language.h"
#include "look/Look.h"
#include "tests/support/TermFormInternals.h"
#include "tests/support/TestBackups.h"
#include "ui_Backups.h"
#include "ui_Compare.h"
#include "ui_Help.h"
#include "ui_Review.h"
#include "ui_Scan.h"
#include "ui_Setup.h"
#include "ui_Term.h"
#include "window/Backups.h"
#include "window/RecordFields.h"
#include "window/Review.h"
#include "window/SettingsFiles.h"
#include "window/Timeline.h"
#include "window/Wiring.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QRawFont>
#include <QStyleOption>
#include <QTableWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The text's width at a screen of scale × 96 DPI, in the window's own pixels: fonts do not grow
// quite in step with the scale (hinting, whole pixels), so each scale is measured on its own.
qreal Needed(const QString& text, const QFont& font, qreal scale) {
  QFont scaled = font;
  scaled.setPointSizeF(font.pointSizeF() * scale);
  QString plain = text;
  plain.remove(QLatin1Char('&'));  // mnemonics are not drawn
  return QFontMetricsF(scaled).horizontalAdvance(plain) / scale;
}

// What does not fit in one window, a line per control: "LblName: "text" needs 80 of 62 px at 144 DPI".
class FitCheck {
 public:
  explicit FitCheck(qreal scale) : scale_(scale) {}

  void Walk(QWidget& window) {
    window.ensurePolished();
    for (QWidget* w : window.findChildren<QWidget*>()) {
      if (!w->isVisibleTo(&window) && !InHiddenPage(w, window)) continue;
      if (auto* label = qobject_cast<QLabel*>(w))
        CheckLabel(*label);
      else if (auto* radio = qobject_cast<QRadioButton*>(w))
        CheckIndicator(*radio, QStyle::SE_RadioButtonContents);
      else if (auto* check = qobject_cast<QCheckBox*>(w))
        CheckIndicator(*check, QStyle::SE_CheckBoxContents);
      else if (auto* button = qobject_cast<QPushButton*>(w))
        CheckPushButton(*button);
      else if (auto* group = qobject_cast<QGroupBox*>(w))
        CheckGroup(*group);
      else if (auto* combo = qobject_cast<QComboBox*>(w))
        CheckCombo(*combo);
      else if (auto* table = qobject_cast<QTableWidget*>(w))
        CheckTable(*table);
      else if (auto* tree = qobject_cast<QTreeWidget*>(w))
        CheckTree(*tree);
    }
  }
  // Every letter of every text from the control's own font, none from a fallback.
  void CheckLetters(const QWidget& w, const QString& text) {
    const QRawFont raw = QRawFont::fromFont(w.font());
    for (const QChar c : text)
      if (c.unicode() > 0x7f && !raw.supportsCharacter(c))
        problems_ << QStringLiteral("%1: \"%2\" has %3, which %4 lacks")
                         .arg(w.objectName(), text, QString(c), raw.familyName());
  }
  QStringList Problems() const { return problems_; }

 private:
  // The pages of a tab widget other than the current one are hidden, and are checked all the same.
  static bool InHiddenPage(const QWidget* w, const QWidget& window) {
    for (const QWidget* p = w; p && p != &window; p = p->parentWidget())
      if (!p->isVisibleTo(p->parentWidget()) && !p->parentWidget()->inherits("QStackedWidget")) return false;
    return true;
  }
  void Require(const QWidget& w, const QString& text, qreal available) {
    CheckLetters(w, text);
    const qreal needed = Needed(text, w.font(), scale_);
    if (needed > available + 0.5)
      problems_ << QStringLiteral("%1: \"%2\" needs %3 of %4 px at %5 DPI in %6 %7 px")
                       .arg(w.objectName(), text)
                       .arg(needed, 0, 'f', 1)
                       .arg(available, 0, 'f', 1)
                       .arg(qRound(96 * scale_))
                       .arg(QFontInfo(w.font()).family())
                       .arg(QFontInfo(w.font()).pixelSize());
  }
  void CheckLabel(const QLabel& label) {
    if (label.text().isEmpty() || !label.pixmap().isNull() || Qt::mightBeRichText(label.text())) return;
    // An elided text is the program's choice: its whole text is in the tool tip.
    if (!label.toolTip().isEmpty() && label.toolTip() != label.text()) return;
    const QRect room = label.contentsRect();
    if (!label.wordWrap()) {
      Require(label, label.text(), room.width() - 2 * label.margin() - label.indent() * (label.indent() > 0));
      // And its height: an accent on a capital (Č, Ž) must not be cut off at the top.
      QFont scaled = label.font();
      scaled.setPointSizeF(scaled.pointSizeF() * scale_);
      const QFontMetricsF metrics(scaled);
      const qreal height = (metrics.ascent() + metrics.descent()) / scale_;
      if (height > room.height() + 0.5)
        problems_ << QStringLiteral("%1: \"%2\" needs %3 of %4 px in height at %5 DPI")
                         .arg(label.objectName(), label.text())
                         .arg(height, 0, 'f', 1)
                         .arg(room.height())
                         .arg(qRound(96 * scale_));
      return;
    }
    CheckLetters(label, label.text());
    QFont scaled = label.font();
    scaled.setPointSizeF(scaled.pointSizeF() * scale_);
    const QRectF needed = QFontMetricsF(scaled).boundingRect(
        QRectF(0, 0, room.width() * scale_, 1e6), Qt::TextWordWrap | label.alignment(), label.text());
    if (needed.height() / scale_ > room.height() + 0.5)
      problems_ << QStringLiteral("%1: \"%2\" needs %3 of %4 px in height at %5 DPI")
                       .arg(label.objectName(), label.text())
                       .arg(needed.height() / scale_, 0, 'f', 1)
                       .arg(room.height())
                       .arg(qRound(96 * scale_));
  }
  void CheckIndicator(const QAbstractButton& button, QStyle::SubElement contents) {
    if (button.text().isEmpty()) return;
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const QRect room = button.style()->subElementRect(contents, &option, &button);
    Require(button, button.text(), room.width());
  }
  void CheckPushButton(const QPushButton& button) {
    if (button.text().isEmpty()) return;
    QStyleOptionButton option;
    option.initFrom(&button);
    const QRect room = button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    const int icon = button.icon().isNull() ? 0 : button.iconSize().width() + 4;
    Require(button, button.text(), room.width() - icon);
  }
  void CheckGroup(const QGroupBox& group) {
    if (group.title().trimmed().isEmpty()) return;
    // The title starts a little in from the frame's left edge and must end before its right one.
    QStyleOptionGroupBox option;
    option.initFrom(&group);
    option.text = group.title();
    option.subControls = QStyle::SC_GroupBoxLabel;
    const QRect label =
        group.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &group);
    Require(group, group.title(), group.width() - label.left());
  }
  void CheckCombo(const QComboBox& combo) {
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    const QRect room =
        combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo);
    for (int i = 0; i < combo.count(); ++i) Require(combo, combo.itemText(i), room.width() - 2);
  }
  void CheckTable(const QTableWidget& table) {
    for (int column = 0; column < table.columnCount(); ++column) {
      const int width = table.columnWidth(column) - 6;  // the cell's margins
      if (table.horizontalHeader()->isVisible())
        if (const QTableWidgetItem* header = table.horizontalHeaderItem(column))
          Require(table, header->text(), width);
      for (int row = 0; row < table.rowCount(); ++row)
        if (const QTableWidgetItem* item = table.item(row, column); item && !item->text().isEmpty())
          Require(table, item->text(), width);
    }
  }
  void CheckTree(const QTreeWidget& tree) {
    if (tree.isHeaderHidden()) return;
    // The last column stretches to the edge of the list: its room is what the others leave, where
    // the list has a fixed size (in a layout it grows with its resizable window).
    const bool laidOut = tree.parentWidget()->layout() && tree.parentWidget()->layout()->indexOf(&tree) >= 0;
    const int last = tree.columnCount() - (laidOut ? 2 : 1);
    int others = 0;
    for (int column = 0; column < last; ++column) others += tree.columnWidth(column);
    for (int column = 0; column <= last; ++column) {
      const int width =
          column < last || laidOut ? tree.columnWidth(column) : tree.width() - 2 * tree.frameWidth() - others;
      Require(*tree.header(), tree.headerItem()->text(column), width - 8);
    }
  }

  qreal scale_;
  QStringList problems_;
};

// Every window of the program, as the operator meets it, with the debug page shown.
struct AllWindows {
  AllWindows() {
    term = std::make_unique<TTermForm>(QStringList{QStringLiteral("vorka_config"), QStringLiteral("debug")},
                                       TestBackups());
    setup = std::make_unique<TFormSetup>(term.get(), term.get());
    help = std::make_unique<TFormHelp>(term.get());
    TermFormInternals::Ui(*term).PageControl->setTabVisible(3, true);
    TermFormInternals::SetUpInputGrid(*term);
  }
  QList<QWidget*> Windows() {
    SettingsFiles& files = TermFormInternals::Files(*term);
    return {term.get(),
            setup.get(),
            help.get(),
            setup->Scan(),
            &files.CompareDialog(),
            &files.BackupsDialog(),
            &term->ReviewDialog()};
  }
  // The windows whose forms the geometry test does not compare.
  // Laid out by their layouts, as they are once shown.
  QList<QWidget*> OtherWindows() {
    const QList<QWidget*> windows = {&term->Timeline(), &recordFields, &wiring};
    for (QWidget* window : windows) window->show();
    QApplication::processEvents();
    return windows;
  }
  std::unique_ptr<TTermForm> term;
  std::unique_ptr<TFormSetup> setup;
  std::unique_ptr<TFormHelp> help;
  TFormRecordFields recordFields;
  TFormWiring wiring;
};

// Each language the windows speak, installed for one test; Czech again after it.
class FitTest : public ::testing::TestWithParam<Language> {
 protected:
  void SetUp() override { ASSERT_TRUE(InstallLanguage(GetParam())); }
  void TearDown() override { InstallLanguage(Language::Czech); }
};

INSTANTIATE_TEST_SUITE_P(Languages, FitTest, ::testing::Values(Language::Czech, Language::English),
                         [](const auto& info) {
                           return info.param == Language::Czech ? "Czech" : "English";
                         });

// Each text fits its control at 96, 120 and 144 DPI in the font this system's windows get, and every
// Czech letter comes from that font.
TEST_P(FitTest, EveryTextFitsItsControlAtEachScale) {
  AllWindows all;
  for (const qreal scale : {1.0, 1.25, 1.5}) {
    FitCheck check(scale);
    for (QWidget* window : all.Windows()) check.Walk(*window);
    // A laid-out window sizes its controls at the screen's own scale: it is measured at its own.
    if (scale == 1.0)
      for (QWidget* window : all.OtherWindows()) check.Walk(*window);
    EXPECT_TRUE(check.Problems().isEmpty()) << check.Problems().join(QLatin1Char('\n')).toStdString();
  }
}

// The geometry each control of a window has in its form, before the window's look is applied.
template <typename Form, typename Window>
QHash<QString, QRect> FormGeometry() {
  Window window;
  Form form;
  form.setupUi(&window);
  QHash<QString, QRect> rects;
  for (const QWidget* w : window.template findChildren<QWidget*>())
    rects.insert(w->objectName(), w->geometry());
  return rects;
}

// A control the window's look sized to its text (a label sized to fit, a control grown into free
// room) must not run into a control beside it that its form keeps it clear of.
TEST_P(FitTest, ControlsSizedToTheirTextRunIntoNothing) {
  AllWindows all;
  const QList<QHash<QString, QRect>> forms = {
      FormGeometry<Ui::TTermForm, QMainWindow>(), FormGeometry<Ui::TFormSetup, QDialog>(),
      FormGeometry<Ui::TFormHelp, QDialog>(),     FormGeometry<Ui::TFormScan, QDialog>(),
      FormGeometry<Ui::TFormCompare, QDialog>(),  FormGeometry<Ui::TFormBackups, QDialog>(),
      FormGeometry<Ui::TFormReview, QDialog>()};
  const QList<QWidget*> windows = all.Windows();
  QStringList problems;
  for (qsizetype i = 0; i < windows.size(); ++i) {
    for (QWidget* widget : windows[i]->findChildren<QWidget*>()) {
      const QRect inForm = forms[i].value(widget->objectName());
      if (!forms[i].contains(widget->objectName()) || widget->isWindow()) continue;
      QRect drawn = widget->geometry();
      if (auto* label = qobject_cast<QLabel*>(widget); label && label->property("autoSize").toBool())
        drawn.setWidth(label->sizeHint().width());
      if (drawn == inForm) continue;
      for (QWidget* sibling : widget->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (sibling == widget || sibling->isHidden() || sibling->isWindow()) continue;
        if (drawn.intersects(sibling->geometry()) &&
            !inForm.intersects(forms[i].value(sibling->objectName())))
          problems << QStringLiteral("%1 runs into %2").arg(widget->objectName(), sibling->objectName());
      }
    }
  }
  EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
}

}  // namespace
