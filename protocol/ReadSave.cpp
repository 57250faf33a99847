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
  if (!whole) return;  // no first reply, or an empty one: the outputs are all there is
  if (!InputsPageShown()) {
    ValidateNumericFields();
  } else if (MpgCapable) {
    if (result.completed) ResumeMonitor();  // a lost unit is not polled
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
  // The script's lines with their registers, so that a refused write can be named.
  const std::vector<WriteLine> lines = BuildWriteLines(*this, MpgCapable);
  const ExchangeResult result = exchange_.Run(CommandsOf(lines));
  if (!result.completed) return;  // "Chyba komunikace" has been said; a lost unit is not polled
  // Saved only when the unit accepted every write.
  const std::vector<const Register*> refused = RefusedWrites(lines, result.replies);
  if (refused.empty()) {
    Messages().Message(QStringLiteral("Uložení proběhlo v pořádku"));
  } else {
    QStringList captions;
    for (const Register* reg : refused) captions << QString::fromUtf8(reg->caption);
    Messages().Message(kNotSaved + QStringLiteral(": jednotka odmítla ") +
                       captions.join(QStringLiteral(", ")));
  }
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
