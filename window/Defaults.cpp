// The main window: factory defaults and the unit reset.
#include "window/Term.h"

// ---- Factory defaults and unit reset ----

void TTermForm::Button1Click() {
  RunFlow(
      [](UnitHost& unit) { LoadFactorySettings(unit); },
      [this] { sources_.Loaded(ShownSettings(), ShownSettings(), tr("Defaultní nastavení").toStdString()); });
}

void TTermForm::resetClick() {
  RunFlow([](UnitHost& unit) { ResetUnit(unit); });
}
