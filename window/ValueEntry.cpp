// The main window: the brake-release delay handler.
#include "window/Term.h"

#include "entry/Validation.h"
#include "protocol/MessageSeam.h"
#include "ui_Term.h"
#include "window/TermShared.h"

using namespace term;

// ---- Value entry ----

void TTermForm::BreakDelayChange() {
  const BreakDelayEntry entry = AcceptBreakDelay(ui->BreakDelay->text().toStdString(), breakDelayValue_);
  if (entry.refused) Messages().Message(tr("Zadávat lze jen celá čísla"));
  breakDelayValue_ = entry.value;
  // Setting the text runs this handler again; it then finds the text accepted.
  const QString shown = QString::fromStdString(entry.text);
  if (shown != ui->BreakDelay->text()) ui->BreakDelay->setText(shown);
}
