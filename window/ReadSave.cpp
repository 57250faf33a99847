// The main window: reading and saving settings, and the controls as the flows see them.
#include "window/Term.h"

#include "look/Look.h"
#include "protocol/MessageSeam.h"
#include "ui_Term.h"
#include "window/Review.h"
#include "window/SettingsFiles.h"
#include "window/TermShared.h"

#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSettings>
#include <QTimer>

#include <memory>

using namespace term;

// ---- Reading and saving settings ----

void TTermForm::ReadSettingClick() {
  auto whole = std::make_shared<bool>(false);
  RunFlow([whole](UnitHost& unit) { *whole = ReadSettings(unit); },
          [this, whole] {
            if (*whole)
              files_->UnitRead(ui->EditIpID->text().toStdString(), ui->EditVerIp->text().toStdString());
          });
}

void TTermForm::BtnSend1Click() {
  RunFlow([](UnitHost& unit) { SaveSettings(unit); });
}

// ---- Who chose each value, and what a save will change ----

namespace {

const QString kAlwaysReviewKey = QStringLiteral("ulozeni/vzdyKontrolovat");

// A tint of the selection colour over the field colour: seen at once, still readable.
QColor MarkColour(const QPalette& palette) {
  const QColor base = palette.color(QPalette::Base), tint = palette.color(QPalette::Highlight);
  constexpr float kTint = 0.3f;
  return QColor::fromRgbF(base.redF() + (tint.redF() - base.redF()) * kTint,
                          base.greenF() + (tint.greenF() - base.greenF()) * kTint,
                          base.blueF() + (tint.blueF() - base.blueF()) * kTint);
}

}  // namespace

UnitSettings TTermForm::ShownSettings() { return WithoutInputNames(SettingsOf(*this, true)); }

void TTermForm::ProgramChanges(const std::function<void()>& change) {
  BeginProgramChange();
  // Ended also when the change throws: the handler's error box follows.
  struct End {
    TTermForm& term;
    ~End() { term.EndProgramChange(); }
  } end{*this};
  change();
}

void TTermForm::BeginProgramChange() {
  if (programChanges_++ == 0) sources_.Edits(ShownSettings());
}

void TTermForm::EndProgramChange() {
  if (--programChanges_ > 0) return;
  sources_.Consequences(ShownSettings());
  MarkChanges();
}

void TTermForm::Wrote(const UnitSettings& written) {
  lastSave_ =
      LastSave{state_.identity.id, written,
               QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString()};
}

void TTermForm::UnitHolds(const UnitSettings& held, bool readIntoWindow) {
  sources_.UnitHolds(ShownSettings(), held, readIntoWindow);
  MarkChanges();
}

TFormReview& TTermForm::ReviewDialog() {
  if (!review_) review_ = std::make_unique<TFormReview>(this);
  return *review_;
}

std::optional<UnitSettings> TTermForm::ChooseWrites(const UnitSettings& window, const UnitSettings& held) {
  sources_.Consequences(ShownSettings());  // the save's validation pass
  const SaveReview review = ReviewSave(window, sources_, held);
  if (!review.needed && !ui->AlwaysReviewMnu->isChecked()) return window;
  TFormReview& dialog = ReviewDialog();
  dialog.Show(review);
  if (!RunReviewDialog(dialog)) return std::nullopt;
  return ChosenWrites(window, dialog.Rows());
}

void TTermForm::MarkChanges() {
  QScopedValueRollback marking(marking_, true);
  const UnitSettings shown = ShownSettings();
  const UnitSettings& held = sources_.LastRead();
  std::map<QWidget*, QString> marks;  // a control, and what the unit holds of its settings
  const auto cell = [this](const SettingDef& def) {
    return ui->StrGridVstupy->item(def.row, def.reg->gridColumn);
  };
  for (const SettingDef& def : SettingDefs()) {
    if (def.kind == SettingKind::InputName) continue;
    const std::optional<std::string> unit = held.Get(def.name), now = shown.Get(def.name);
    const bool differs = unit && !(now && SameSettingValue(def, *now, *unit));
    const QString said = differs ? tr("V jednotce: ") + QString::fromStdString(*unit) : QString();
    if (def.kind == SettingKind::Bit) {
      QTableWidgetItem* item = cell(def);
      item->setData(Qt::BackgroundRole, differs ? QVariant(QBrush(MarkColour(palette()))) : QVariant());
      item->setToolTip(said);
      continue;
    }
    std::vector<QWidget*> widgets;
    if (def.kind == SettingKind::Clock)
      widgets = {&controls_->Radio(kClockNormalButton), &controls_->Radio(kClockInvertedButton)};
    else if (def.control == "StartNum")
      widgets = {ui->StartNum};
    else if (def.kind == SettingKind::Item || def.kind == SettingKind::AxisDirection)
      widgets = {Group(def.control).Box()};
    else
      widgets = {&controls_->Edit(def.control)};
    for (QWidget* widget : widgets) {
      QString& mark = marks[widget];
      if (differs) mark += (mark.isEmpty() ? QString() : QStringLiteral("\n")) + said;
    }
  }
  for (const auto& [widget, said] : marks) {
    const auto kept = unmarked_.find(widget);
    if (said.isEmpty()) {
      if (kept == unmarked_.end()) continue;
      widget->setToolTip(kept->second.toolTip);
      widget->setPalette(kept->second.palette);
      widget->setAutoFillBackground(kept->second.autoFill);
      unmarked_.erase(kept);
      continue;
    }
    if (kept == unmarked_.end())
      unmarked_[widget] = {widget->toolTip(), widget->palette(), widget->autoFillBackground()};
    const Unmarked& own = unmarked_[widget];
    widget->setToolTip(own.toolTip.isEmpty() ? said : own.toolTip + u'\n' + said);
    QPalette marked = own.palette;
    const QColor colour = MarkColour(own.palette);
    marked.setColor(QPalette::Base, colour);
    marked.setColor(QPalette::Window, colour);
    marked.setColor(QPalette::Button, colour);
    widget->setPalette(marked);
    // Group boxes and radio buttons show the colour only on a background of their own.
    if (!qobject_cast<QLineEdit*>(widget) && !qobject_cast<QComboBox*>(widget))
      widget->setAutoFillBackground(true);
  }
}

void TTermForm::WatchSettingChanges() {
  marks_ = new QTimer(this);
  marks_->setSingleShot(true);
  marks_->setInterval(0);
  connect(marks_, &QTimer::timeout, this, [this] { MarkChanges(); });
  const auto changed = [this] {
    if (!marking_) marks_->start();
  };
  for (QLineEdit* edit : findChildren<QLineEdit*>()) connect(edit, &QLineEdit::textChanged, this, changed);
  for (QRadioButton* radio : findChildren<QRadioButton*>())
    connect(radio, &QRadioButton::toggled, this, changed);
  connect(ui->StartNum, &QComboBox::currentIndexChanged, this, changed);
  connect(ui->StrGridVstupy, &QTableWidget::itemChanged, this, changed);

  ui->AlwaysReviewMnu->setChecked(Preferences().value(kAlwaysReviewKey, false).toBool());
  connect(ui->AlwaysReviewMnu, &QAction::toggled, this, [](bool on) {
    QSettings preferences = Preferences();
    preferences.setValue(kAlwaysReviewKey, on);
    preferences.sync();
    if (preferences.status() != QSettings::NoError)
      Messages().Message(tr("Volbu nelze uložit: platí jen do zavření programu."));
  });
  RunReviewDialog = [](TFormReview& dialog) {
    CentreOnScreen(&dialog);
    return dialog.exec() == QDialog::Accepted;
  };
}

// ---- The controls as the register map sees them ----

int TTermForm::ItemIndex(const std::string& control) {
  if (control == "StartNum") return ui->StartNum->currentIndex();
  return Group(control).ItemIndex();
}

void TTermForm::SelectItem(const std::string& control, int item) {
  if (control == "StartNum")
    ui->StartNum->setCurrentIndex(item);
  else
    Group(control).SetItemIndex(item);
}

std::string TTermForm::Text(const std::string& control) {
  return controls_->Edit(control).text().toStdString();
}

void TTermForm::SetText(const std::string& control, const std::string& text) {
  controls_->Edit(control).setText(QString::fromStdString(text));
}

bool TTermForm::Checked(const std::string& radioButton) { return controls_->Radio(radioButton).isChecked(); }

void TTermForm::SetChecked(const std::string& radioButton, bool checked) {
  controls_->Radio(radioButton).setChecked(checked);
}

std::string TTermForm::Cell(int column, int row) {
  return ui->StrGridVstupy->item(row, column)->text().toStdString();
}

void TTermForm::SetCell(int column, int row, const std::string& text) {
  ui->StrGridVstupy->item(row, column)->setText(QString::fromStdString(text));
}

std::string TTermForm::InputName(int row) { return ui->StrGridVstupy->item(row, 2)->text().toStdString(); }

void TTermForm::SetInputName(int row, const std::string& name) {
  ui->StrGridVstupy->item(row, 2)->setText(QString::fromStdString(name));
}

std::string TTermForm::FieldText(const std::string& field) {
  return controls_->Edit(field).text().toStdString();
}

void TTermForm::SetFieldText(const std::string& field, const std::string& text) {
  controls_->Edit(field).setText(QString::fromStdString(text));
}
