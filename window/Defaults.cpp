// The main window: factory defaults and the unit reset.
#include "window/Term.h"

#include "ui_Term.h"
#include "window/MessageSeam.h"
#include "window/TermShared.h"

#include <QRadioButton>

using namespace term;

namespace {

// The factory settings, in the order they are set: a radio group's item, a radio button's check
// (value 1 or 0), or an edit's text.
struct FactorySetting {
  const char* control;
  int value;
  const char* text;
};
constexpr FactorySetting kFactorySettings[] = {
    {"OUT1", 2, nullptr},
    {"XAxisPolarity", 0, nullptr},
    {"OUT2", 3, nullptr},
    {"YAxisPolarity", 0, nullptr},
    {"OUT3", 7, nullptr},
    {"ZAxisPolarity", 0, nullptr},
    {"PWM", 0, nullptr},
    {"AAxisPolarity", 0, nullptr},
    {"AxisLink", 0, nullptr},
    {"BreakDelay", 0, "10"},
    {"RadioPolarityInverze", 0, nullptr},
    {"RadioPolarityNormal", 1, nullptr},
    {"MpgUsage", 0, nullptr},
    {"LoLimitX", 0, "0"},
    {"LoLimitY", 0, "0"},
    {"LoLimitZ", 0, "0"},
    {"HiLimitX", 0, "1"},
    {"HiLimitY", 0, "1"},
    {"HiLimitZ", 0, "1"},
    {"GearX", 0, "1"},
    {"GearY", 0, "1"},
    {"GearZ", 0, "1"},
    {"RefSpeedX", 0, "1"},
    {"RefSpeedY", 0, "1"},
    {"RefSpeedZ", 0, "1"},
    {"MpgMaxSpeed", 0, "1"},
    {"MpgAcc", 0, "1"},
    {"TimeOver", 0, "100"},
    {"DefSpinSpeed", 0, "1"},
};

}  // namespace

// ---- Factory defaults and unit reset ----

void TTermForm::Button1Click() {
  for (const FactorySetting& setting : kFactorySettings) {
    const QString name = QString::fromLatin1(setting.control);
    if (setting.text) {
      findChild<QLineEdit*>(name)->setText(QString::fromLatin1(setting.text));
    } else if (RadioGroup* group = Group(name)) {
      group->SetItemIndex(setting.value);
    } else {
      findChild<QRadioButton*>(name)->setChecked(setting.value != 0);
    }
  }
  IdentifyUnit();
}

void TTermForm::resetClick() {
  if (!PortOpen) {
    Messages().Message(kNoPortOpen);
    return;
  }
  IdentifyUnit();
  if (!UnitPresent) return;
  PauseMonitor();
  CommandMode = "reset";
  // A unit that did not answer is not polled: the monitor waits for the operator or the unit.
  if (RunCommandScript().completed) ResumeMonitor();
}
