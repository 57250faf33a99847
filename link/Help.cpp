#include "link/Help.h"

#include "ui_Help.h"
#include "window/Look.h"

TFormHelp::TFormHelp(QWidget* parent) : QDialog(parent), ui(new Ui::TFormHelp) {
  ui->setupUi(this);
  ApplyLook(this);
  QFont pins = FixedPitchFont(9);
  pins.setPixelSize(12);
  ui->Memo1->setFont(pins);
  MakeFixedWindow(this, true, 406, 165);
}

TFormHelp::~TFormHelp() { delete ui; }
