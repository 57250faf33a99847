// The main window: unit identification and the enabling of controls that follows from it.
#include "window/Term.h"

#include "ui_Term.h"
#include "window/TermShared.h"

#include <QLabel>

using namespace term;

namespace {

constexpr const char* kStartInputCaption = QT_TRANSLATE_NOOP("TTermForm", "Vstup pro start referencí");
const QColor kGreyText(128, 128, 128);

}  // namespace

// ---- Unit identification and enabling ----

void TTermForm::IdentifyUnit() {
  RunFlow([](UnitHost& unit) { ::IdentifyUnit(unit); });
}

void TTermForm::ShowIdentity(const Identity& identity) {
  ui->EditIpID->setText(Latin1(identity.id));
  ui->EditVerIp->setText(Latin1(identity.version));
}

void TTermForm::ShowNoUnit() {
  ui->EditVerIp->setText(tr("Jednotka nenalezena"));
  ui->EditIpID->setText(tr("Nezjištěno"));
}

void TTermForm::SetOutputControlsEnabled(bool on) {
  for (const char* name : kOutputControls) controls_->Widget(name).setEnabled(on);
}

void TTermForm::DisableMpgControls() {
  for (const char* name : kMpgOnlyControls) controls_->Widget(name).setEnabled(false);
  for (const MpgModeRule& rule : kMpgModeRules)
    for (const char* name : rule.names)
      if (name) controls_->Widget(name).setEnabled(false);
  SetGridTextColor(kGreyText);
}

void TTermForm::EnableMpgControls() {
  for (const char* name : kMpgOnlyControls) controls_->Widget(name).setEnabled(true);
  for (const MpgModeRule& rule : kMpgModeRules)
    for (const char* name : rule.names) {
      if (!name) continue;
      const bool loLimit = QByteArray(name).startsWith("LoLimit");
      if (!loLimit || state_.debugMode) controls_->Widget(name).setEnabled(true);
    }
  SetGridTextColor(palette().color(QPalette::WindowText));
}

void TTermForm::ApplyMpgUsage() {
  // From an identification: StartNum following the MPG usage is the program's doing.
  ProgramChanges([this] { ApplyMpgMode(); });
}

void TTermForm::ApplyMpgMode() {
  const int item = MpgUsage().ItemIndex();
  if (item < 0 || item > 2) return;
  for (const MpgModeRule& rule : kMpgModeRules) {
    const MpgMode mode = rule.item[item];
    for (const char* name : rule.names) {
      if (!name) continue;
      QWidget& control = controls_->Widget(name);
      switch (mode) {
        case MpgMode::Off: control.setEnabled(false); break;
        case MpgMode::On: control.setEnabled(true); break;
        case MpgMode::OnInDebug:
          if (state_.debugMode) control.setEnabled(true);
          break;
        case MpgMode::OffInDebug:
          if (state_.debugMode) control.setEnabled(false);
          break;
      }
    }
  }
  StartNumFollowsMpgUsage(*this);
}

void TTermForm::MpgUsageClick() { ApplyMpgMode(); }

void TTermForm::StartNumChange() { UpdateStartInputLabels(); }

void TTermForm::UpdateStartInputLabels() {
  const int item = ui->StartNum->currentIndex();
  if (item < 0) return;
  QLabel* labels[] = {ui->in3descp, ui->in4descp, ui->in5descp, ui->in6descp, ui->in7descp};
  for (int i = 0; i < 5; ++i) labels[i]->setText(item == i + 1 ? tr(kStartInputCaption) : QString());
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
