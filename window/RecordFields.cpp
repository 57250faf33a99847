#include "window/RecordFields.h"

#include "look/Look.h"
#include "protocol/flows/UnitRecord.h"
#include "ui_RecordFields.h"

#include <QDialogButtonBox>
#include <QPushButton>

TFormRecordFields::TFormRecordFields(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFormRecordFields>()) {
  ui->setupUi(this);
  ApplyLook(this);
  ui->BtnsRecordFields->button(QDialogButtonBox::Ok)->setText(tr("Uložit protokol…"));
  ui->BtnsRecordFields->button(QDialogButtonBox::Cancel)->setText(tr("Zrušit"));
  connect(ui->BtnsRecordFields, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(ui->BtnsRecordFields, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

TFormRecordFields::~TFormRecordFields() = default;

std::vector<QLineEdit*> TFormRecordFields::Edits() const {
  return {ui->EdtCustomer, ui->EdtMachine, ui->EdtMachineSerial, ui->EdtTechnician, ui->EdtNote};
}

void TFormRecordFields::SetFields(const Fields& fields) {
  const std::vector<std::string> names = StandardRecordFields();
  const std::vector<QLineEdit*> edits = Edits();
  for (std::size_t n = 0; n < names.size() && n < edits.size(); ++n)
    for (const auto& [name, text] : fields)
      if (name == names[n]) edits[n]->setText(QString::fromStdString(text));
}

TFormRecordFields::Fields TFormRecordFields::GetFields() const {
  const std::vector<std::string> names = StandardRecordFields();
  const std::vector<QLineEdit*> edits = Edits();
  Fields fields;
  for (std::size_t n = 0; n < names.size() && n < edits.size(); ++n)
    fields.emplace_back(names[n], edits[n]->text().trimmed().toStdString());
  return fields;
}
