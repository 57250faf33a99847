// The main window: the check-and-clamp pass over the numeric fields and the brake-delay handler.
#include "window/Term.h"

#include "entry/IntegerText.h"
#include "entry/NumericFields.h"
#include "entry/Validation.h"
#include "ui_Term.h"
#include "window/MessageSeam.h"
#include "window/TermShared.h"

using namespace term;

// ---- Value entry ----

bool TTermForm::ValidateNumericFields() {
  bool gearsAccepted = true;
  const GearReport report = [](const std::string& message) {
    Messages().ErrorBox(QString::fromUtf8(message.data(), qsizetype(message.size())));
  };
  for (const NumericField& field : kNumericFields) {
    auto* edit = findChild<QLineEdit*>(QString::fromLatin1(field.name));
    const std::string text = edit->text().toStdString();
    std::optional<std::string> checked;
    if (field.kind == FieldKind::Integer)
      checked = CheckIntegerField(text, field.lowest, field.highest);
    else
      checked = CheckGearField(text, field.lowest, field.highest, report);
    if (!checked)
      gearsAccepted = false;
    else if (*checked != text)
      edit->setText(QString::fromStdString(*checked));
  }
  return gearsAccepted;
}

void TTermForm::BreakDelayChange() {
  const QString text = ui->BreakDelay->text();
  if (text.isEmpty()) return;
  const IntegerText parsed = ParseIntegerText(text.toStdString());
  if (parsed.malformed) {
    Messages().Message(QStringLiteral("Zadávat lze jen celá čísla"));
    ui->BreakDelay->setText(QString::number(BreakDelayValue));
    return;
  }
  if (parsed.value > kBreakDelayHighest)
    ui->BreakDelay->setText(QString::number(kBreakDelayHighest));
  else if (parsed.value < kBreakDelayLowest)
    ui->BreakDelay->setText(QString::number(kBreakDelayLowest));
  BreakDelayValue = ParseIntegerText(ui->BreakDelay->text().toStdString()).value;
}
