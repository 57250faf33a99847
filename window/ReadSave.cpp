// The main window: reading and saving settings, and the controls as the flows see them.
#include "window/Term.h"

#include "ui_Term.h"
#include "window/SettingsFiles.h"
#include "window/TermShared.h"

#include <QRadioButton>

using namespace term;

// ---- Reading and saving settings ----

void TTermForm::ReadSettingClick() {
  if (ReadSettings(*this))
    files_->UnitRead(ui->EditIpID->text().toStdString(), ui->EditVerIp->text().toStdString());
}

void TTermForm::BtnSend1Click() { SaveSettings(*this); }

// ---- The controls as the register map sees them ----

int TTermForm::ItemIndex(const std::string& control) {
  if (control == "StartNum") return ui->StartNum->currentIndex();
  return Group(control).ItemIndex();
}

void TTermForm::SelectItem(const std::string& control, int item) {
  if (control == "StartNum")
    ui->StartNum->setCurrentIndex(item);
  else
    Group(control).SetItemIndex(item);
}

std::string TTermForm::Text(const std::string& control) {
  return controls_->Edit(control).text().toStdString();
}

void TTermForm::SetText(const std::string& control, const std::string& text) {
  controls_->Edit(control).setText(QString::fromStdString(text));
}

bool TTermForm::Checked(const std::string& radioButton) { return controls_->Radio(radioButton).isChecked(); }

void TTermForm::SetChecked(const std::string& radioButton, bool checked) {
  controls_->Radio(radioButton).setChecked(checked);
}

std::string TTermForm::Cell(int column, int row) {
  return ui->StrGridVstupy->item(row, column)->text().toStdString();
}

void TTermForm::SetCell(int column, int row, const std::string& text) {
  ui->StrGridVstupy->item(row, column)->setText(QString::fromStdString(text));
}

std::string TTermForm::InputName(int row) { return ui->StrGridVstupy->item(row, 2)->text().toStdString(); }

void TTermForm::SetInputName(int row, const std::string& name) {
  ui->StrGridVstupy->item(row, 2)->setText(QString::fromStdString(name));
}

std::string TTermForm::FieldText(const std::string& field) {
  return controls_->Edit(field).text().toStdString();
}

void TTermForm::SetFieldText(const std::string& field, const std::string& text) {
  controls_->Edit(field).setText(QString::fromStdString(text));
}
