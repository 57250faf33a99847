// The main window: reading all settings from the unit and saving them to it.
#include "window/Term.h"

#include "ui_Term.h"
#include "window/MessageSeam.h"
#include "window/TermShared.h"

#include <QRadioButton>

using namespace term;

// ---- Reading and saving settings ----

TTermForm::Reach TTermForm::ReachUnit() {
  if (!PortOpen) {
    Messages().Message(kNoPortOpen);
    return Reach::NoPort;
  }
  IdentifyUnit();
  if (!UnitPresent) {
    Messages().Message(kNotVorka);
    return Reach::NoUnit;
  }
  return Reach::Unit;
}

void TTermForm::ReadSettingClick() {
  if (ReachUnit() != Reach::Unit) return;
  PauseMonitor();
  CommandMode = "read";
  const ExchangeResult result = RunCommandScript();
  // Only the replies that arrived are decoded: after a failed exchange the controls not reached
  // keep the operator's values.
  const bool whole = DecodeReadReplies(result.replies, *this, MpgCapable);
  if (result.completed && !whole) return;  // an empty first reply: the outputs are all there is
  if (!InputsPageShown()) {
    ValidateNumericFields();
  } else if (MpgCapable) {
    ResumeMonitor();
    ValidateNumericFields();
  }
}

void TTermForm::BtnSend1Click() {
  // A gear ratio the pass rejected is not written to the unit.
  if (!ValidateNumericFields()) {
    Messages().Message(kNotSaved);
    return;
  }
  const Reach reach = ReachUnit();
  if (reach == Reach::NoUnit) Messages().Message(kNotSaved);
  if (reach != Reach::Unit) return;
  PauseMonitor();
  CommandMode = "write";
  const ExchangeResult result = RunCommandScript();
  // Saved only when every write got its reply and the first one begins with "0".
  if (result.completed && !result.replies.empty() && result.replies[0].compare(0, 1, "0") == 0)
    Messages().Message(QStringLiteral("Uložení proběhlo v pořádku"));
  ResumeMonitor();
}

// ---- The controls as the register map sees them ----

int TTermForm::ItemIndex(const std::string& control) {
  if (control == "StartNum") return ui->StartNum->currentIndex();
  return Group(QString::fromStdString(control))->ItemIndex();
}

void TTermForm::SelectItem(const std::string& control, int item) {
  if (control == "StartNum")
    ui->StartNum->setCurrentIndex(item);
  else
    Group(QString::fromStdString(control))->SetItemIndex(item);
}

std::string TTermForm::Text(const std::string& control) {
  return findChild<QLineEdit*>(QString::fromStdString(control))->text().toLatin1().toStdString();
}

void TTermForm::SetText(const std::string& control, const std::string& text) {
  findChild<QLineEdit*>(QString::fromStdString(control))->setText(Latin1(text));
}

bool TTermForm::Checked(const std::string& radioButton) {
  return findChild<QRadioButton*>(QString::fromStdString(radioButton))->isChecked();
}

void TTermForm::SetChecked(const std::string& radioButton, bool checked) {
  findChild<QRadioButton*>(QString::fromStdString(radioButton))->setChecked(checked);
}

std::string TTermForm::Cell(int column, int row) {
  return ui->StrGridVstupy->item(row, column)->text().toLatin1().toStdString();
}

void TTermForm::SetCell(int column, int row, const std::string& text) {
  ui->StrGridVstupy->item(row, column)->setText(Latin1(text));
}
