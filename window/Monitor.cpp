// The main window: the live input monitor of page "Vstupy".
#include "window/Term.h"

#include "ui_Term.h"
#include "window/TermShared.h"

#include <QTimer>

using namespace term;

// ---- Input monitor ----

bool TTermForm::InputsPageShown() const { return ui->PageControl->currentIndex() == kInputsPage; }

void TTermForm::PageControlChange() {
  if (!state_.mpgCapable) return;
  if (InputsPageShown()) {
    tim_->start();
    state_.commandMode = "stav";
  } else {
    tim_->stop();
  }
}

void TTermForm::TimTimer() {
  if (!state_.mpgCapable) return;
  // The failure box of an exchange lets ticks through while it is open; no tick may start an
  // exchange of its own then. Nor while no port is open: that would only repeat the failure.
  if (exchange_.Busy() || !state_.portOpen) return;
  const uint16_t word = ReadInputWord();
  // A lost unit is reported once: the next tick would wait out the reply limit and report it
  // again, for ever. Polling starts again when the operator shows the page or the unit answers.
  // Its levels are gone with it (the failure emptied them).
  if (!exchange_.LastRunCompleted()) {
    tim_->stop();
    return;
  }
  for (int row = 1; row <= kInputRows; ++row) {
    const int bit = kInputOfRow[row - 1];
    ui->StrGridVstupy->item(row, 1)->setText((word >> bit) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
  }
}

uint16_t TTermForm::ReadInputWord() { return ReadInputs(*this).value_or(0); }

void TTermForm::ClearInputLevels() {
  for (int row = 1; row <= kInputRows; ++row) ui->StrGridVstupy->item(row, 1)->setText(QString());
}

void TTermForm::PauseMonitor() {
  if (InputsPageShown()) tim_->stop();
}

void TTermForm::ResumeMonitor() {
  if (InputsPageShown() && state_.mpgCapable) {
    state_.commandMode = "stav";
    tim_->start();
  }
}
