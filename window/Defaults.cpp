// The main window: factory defaults and the unit reset.
#include "window/Term.h"

// ---- Factory defaults and unit reset ----

void TTermForm::Button1Click() { LoadFactorySettings(*this); }

void TTermForm::resetClick() { ResetUnit(*this); }
