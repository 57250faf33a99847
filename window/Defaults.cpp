// The main window: factory defaults and the unit reset.
#include "window/Term.h"

// ---- Factory defaults and unit reset ----

void TTermForm::Button1Click() {
  ProgramChanges([this] {
    LoadFactorySettings(*this);
    sources_.Loaded(ShownSettings(), ShownSettings(), "Defaultní nastavení");
  });
}

void TTermForm::resetClick() { ResetUnit(*this); }
