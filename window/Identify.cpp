// The main window: unit identification and the enabling of controls that follows from it.
#include "window/Term.h"

#include "ui_Term.h"
#include "window/MessageSeam.h"
#include "window/TermShared.h"

#include <QLabel>
#include <QScopedValueRollback>

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

// Characters from..to (counted from 1) of a text, fewer when it is shorter.
std::string Chars(const std::string& text, std::size_t from, std::size_t to) {
  if (text.size() < from) return {};
  return text.substr(from - 1, to - from + 1);
}

}  // namespace

// ---- Unit identification and enabling ----

void TTermForm::IdentifyUnit() {
  bool identified = false;
  bool answered = false;
  if (PortOpen) {
    CommandMode = "check";
    {
      const QScopedValueRollback<bool> running(identifying_, true);
      answered = RunCommandScript().completed;
    }
    identified = true;
    const std::string r1 = ReplyLine(1);
    if (Chars(r1, 3, 6) == "TK20") {
      UnitPresent = true;
      if (Chars(r1, 7, 9) == "MPG") {
        MpgCapable = true;
      } else {
        DisableMpgControls();
        MpgCapable = false;
      }
    } else {
      UnitPresent = MpgCapable = false;
    }
  }
  if (UnitPresent) {
    SetOutputControlsEnabled(true);
    if (MpgCapable) {
      EnableMpgControls();
      ApplyMpgUsage();
    }
    // Without a port the log holds whatever ran last, not the identification: keep the fields.
    if (identified) {
      ui->EditIpID->setText(Latin1(Chars(ReplyLine(0), 3, 9)));
      ui->EditVerIp->setText(Latin1(ReplyLine(1).size() > 2 ? ReplyLine(1).substr(2) : std::string()));
    }
    // The unit answers again: a monitor stopped by a lost unit polls again.
    if (answered && !identifyingAfterUsbFailure_) ResumeMonitor();
  } else {
    ui->EditVerIp->setText(QStringLiteral("Jednotka nenalezena"));
    ui->EditIpID->setText(QStringLiteral("Nezjištěno"));
    SetOutputControlsEnabled(false);
    DisableMpgControls();
  }
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
