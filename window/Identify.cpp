// The main window: unit identification and the enabling of controls that follows from it.
#include "window/Term.h"

#include "ui_Term.h"
#include "window/TermShared.h"

#include <QLabel>

using namespace term;

namespace {

const QString kStartInputCaption = QStringLiteral("Vstup pro start referencí");
const QColor kGreyText(128, 128, 128);

// What the MPG mode does to an edit, per item of MpgUsage.
enum class Mode { Off, On, OnInDebug, OffInDebug };
struct ModeRule {
  const char* names[3];
  Mode item[3];
};
constexpr ModeRule kMpgModeRules[] = {
    {{"GearX", "GearY", "GearZ"}, {Mode::Off, Mode::On, Mode::On}},
    {{"LoLimitX", "LoLimitY", "LoLimitZ"}, {Mode::Off, Mode::OnInDebug, Mode::OffInDebug}},
    {{"HiLimitX", "HiLimitY", "HiLimitZ"}, {Mode::Off, Mode::On, Mode::Off}},
    {{"RefSpeedX", "RefSpeedY", "RefSpeedZ"}, {Mode::Off, Mode::On, Mode::On}},
    {{"MpgMaxSpeed", "MpgAcc", nullptr}, {Mode::Off, Mode::On, Mode::On}},
    {{"DefSpinSpeed", "TimeOver", nullptr}, {Mode::Off, Mode::On, Mode::On}},
    {{"StrGridVstupy", "StartNum", nullptr}, {Mode::Off, Mode::On, Mode::On}},
};

// The MPG controls that are not covered by the mode rules.
const char* const kMpgOnlyControls[] = {"TabSheet2", "TabSheet3", "MpgUsage", "ReadCFG", "AxisLink"};
const char* const kOutputControls[] = {"BreakDelay",
                                       "PWM",
                                       "OUT1",
                                       "OUT2",
                                       "OUT3",
                                       "RadioPolarityInverze",
                                       "RadioPolarityNormal",
                                       "XAxisPolarity",
                                       "YAxisPolarity",
                                       "ZAxisPolarity",
                                       "AAxisPolarity",
                                       "AxisLink"};

}  // namespace

// ---- Unit identification and enabling ----

void TTermForm::IdentifyUnit() { ::IdentifyUnit(*this); }

void TTermForm::ShowIdentity(const Identity& identity) {
  ui->EditIpID->setText(Latin1(identity.id));
  ui->EditVerIp->setText(Latin1(identity.version));
}

void TTermForm::ShowNoUnit() {
  ui->EditVerIp->setText(QStringLiteral("Jednotka nenalezena"));
  ui->EditIpID->setText(QStringLiteral("Nezjištěno"));
}

void TTermForm::SetOutputControlsEnabled(bool on) {
  for (const char* name : kOutputControls) findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(on);
}

void TTermForm::DisableMpgControls() {
  for (const char* name : kMpgOnlyControls) findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(false);
  for (const ModeRule& rule : kMpgModeRules)
    for (const char* name : rule.names)
      if (name) findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(false);
  SetGridTextColor(kGreyText);
}

void TTermForm::EnableMpgControls() {
  for (const char* name : kMpgOnlyControls) findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(true);
  for (const ModeRule& rule : kMpgModeRules)
    for (const char* name : rule.names) {
      if (!name) continue;
      const bool loLimit = QByteArray(name).startsWith("LoLimit");
      if (!loLimit || DebugMode) findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(true);
    }
  SetGridTextColor(palette().color(QPalette::WindowText));
}

void TTermForm::ApplyMpgUsage() {
  const int item = MpgUsage().ItemIndex();
  if (item < 0 || item > 2) return;
  for (const ModeRule& rule : kMpgModeRules) {
    const Mode mode = rule.item[item];
    for (const char* name : rule.names) {
      if (!name) continue;
      auto* edit = findChild<QWidget*>(QString::fromLatin1(name));
      switch (mode) {
        case Mode::Off: edit->setEnabled(false); break;
        case Mode::On: edit->setEnabled(true); break;
        case Mode::OnInDebug:
          if (DebugMode) edit->setEnabled(true);
          break;
        case Mode::OffInDebug:
          if (DebugMode) edit->setEnabled(false);
          break;
      }
    }
  }
  if (item == 0) {
    ui->StartNum->setCurrentIndex(0);
    UpdateStartInputLabels();
  }
}

void TTermForm::MpgUsageClick() { ApplyMpgUsage(); }

void TTermForm::StartNumChange() { UpdateStartInputLabels(); }

void TTermForm::UpdateStartInputLabels() {
  const int item = ui->StartNum->currentIndex();
  if (item < 0) return;
  QLabel* labels[] = {ui->in3descp, ui->in4descp, ui->in5descp, ui->in6descp, ui->in7descp};
  for (int i = 0; i < 5; ++i) labels[i]->setText(item == i + 1 ? kStartInputCaption : QString());
}

void TTermForm::SetGridTextColor(const QColor& color) {
  QPalette p = ui->StrGridVstupy->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    p.setColor(group, QPalette::Text, color);
  ui->StrGridVstupy->setPalette(p);
}

QColor TTermForm::GridTextColor() const {
  return ui->StrGridVstupy->palette().color(QPalette::Active, QPalette::Text);
}
