#include "link/Setup.h"

#include "link/Async.h"
#include "link/Help.h"
#include "link/PortNames.h"
#include "link/UniUSB.h"
#include "protocol/MessageSeam.h"
#include "ui_Setup.h"
#include "window/Look.h"
#include "window/Term.h"

#include <QHeaderView>

namespace {

struct SpeedButton {
  QRadioButton* Ui::TFormSetup::*button;
  int32_t baud;
};
constexpr SpeedButton kSpeeds[] = {
    {&Ui::TFormSetup::RBtn19200, 19200},   {&Ui::TFormSetup::RBtn38400, 38400},
    {&Ui::TFormSetup::RBtn57600, 57600},   {&Ui::TFormSetup::RBtn115200, 115200},
    {&Ui::TFormSetup::RBtn230400, 230400}, {&Ui::TFormSetup::RBtn460800, 460800},
    {&Ui::TFormSetup::RBtn921000, 921000},
};

}  // namespace

TFormSetup::TFormSetup(TTermForm* term, QWidget* parent)
    : QDialog(parent), ui(new Ui::TFormSetup), term_(term) {
  ui->setupUi(this);
  ApplyLook(this);
  MakeFixedWindow(this, true, 574, 241);
  ui->ListView1->setHeaderLabels({QStringLiteral("Device Number"), QStringLiteral("Device Description")});
  ui->ListView1->setColumnWidth(0, 100);
  ui->ListView1->setColumnWidth(1, 248);
  for (int n = 1; n <= 8; ++n) {
    const QString device = PortNames::DeviceFor(QStringLiteral("COM%1").arg(n));
    auto* button = findChild<QRadioButton*>(QStringLiteral("RBtnCom%1").arg(n));
    button->setToolTip(device.isEmpty() ? QStringLiteral("-") : device);
  }
  connect(ui->BtnOpen, &QPushButton::clicked, this, Guarded([this] { BtnOpenClick(); }));
  connect(ui->BtnClose, &QPushButton::clicked, this, Guarded([this] { BtnCloseClick(); }));
  connect(ui->BtnHelp, &QPushButton::clicked, this, Guarded([this] { BtnHelpClick(); }));
  connect(ui->BtnFind, &QPushButton::clicked, this, Guarded([this] { BtnFindClick(); }));
  connect(ui->RBtnUSB, &QRadioButton::clicked, this, Guarded([this] { RBtnUSBClick(); }));
  connect(ui->ListView1, &QTreeWidget::itemClicked, this, Guarded([this] { ListView1Click(); }));
  connect(ui->BitBtnOK, &QPushButton::clicked, this, &QDialog::accept);
  // Enter is OK, whichever button the operator clicked last (it once started the FTDI search).
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
  ui->BitBtnOK->setDefault(true);
}

void TFormSetup::setVisible(bool visible) {
  if (visible) CentreOnScreen(this);
  QDialog::setVisible(visible);
}

TFormSetup::~TFormSetup() { delete ui; }

LinkKind TFormSetup::CurrentLinkKind() const {
  return ui->RBtnUSB->isChecked() ? LinkKind::Usb : LinkKind::Serial;
}

void TFormSetup::SelectStartupSpeed() {
  ui->RBtn115200->setChecked(true);
  openedKind_ = LinkKind::Serial;
}

QString TFormSetup::ChosenPortName() const {
  QString name;
  for (int n = 1; n <= 8; ++n)
    if (findChild<QRadioButton*>(QStringLiteral("RBtnCom%1").arg(n))->isChecked())
      name = QStringLiteral("COM%1").arg(n);
  return name;
}

int32_t TFormSetup::ChosenBaudRate() const {
  int32_t baud = 115200;
  for (const auto& s : kSpeeds)
    if ((ui->*(s.button))->isChecked()) baud = s.baud;
  return baud;
}

void TFormSetup::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  RunGuarded([this] { FormShow(); });
}

void TFormSetup::FormShow() {
  ui->BtnOpen->setEnabled(!term_->PortOpen);
  ui->BtnClose->setEnabled(term_->PortOpen);
}

void TFormSetup::SetChoosing(bool choosing) {
  ui->GrBoxPort->setEnabled(choosing);
  ui->GrBoxBaud->setEnabled(choosing);
  ui->GrBoxUSB->setEnabled(choosing);
  ui->BtnOpen->setEnabled(choosing);
  ui->BtnClose->setEnabled(!choosing);
}

void TFormSetup::BtnOpenClick() {
  SetChoosing(false);
  term_->SetReplyTimeoutMs(1000);
  const QString port = ChosenPortName();
  const int32_t baud = ChosenBaudRate();
  openedKind_ = CurrentLinkKind();
  bool opened = false;
  QString title;
  if (openedKind_ == LinkKind::Usb) {
    opened = OpenPrepared_USB(SelectedDescription, static_cast<uint32_t>(baud), term_->ReplyTimeoutMs());
    title = QStringLiteral("VORKA config v1.3 - port USB, řadič FTDI, D2XX - %1").arg(baud);
  } else {
    opened = ComOpen(port.toStdString(), baud, 'n', 8, 1.0f);
    title = QStringLiteral("VORKA config v1.3 - port %1 - %2").arg(port).arg(baud);
    // Why it did not open, so that the operator can do something about it.
    if (const auto failure = ComOpenFailure(); !opened && failure)
      Messages().Message(QString::fromStdString(CzechText(*failure)));
  }
  term_->PortOpen = opened;
  term_->setWindowTitle(opened ? title : TTermForm::kTitleNoPort);
}

void TFormSetup::CloseOpenedLink() {
  if (openedKind_ == LinkKind::Usb)
    Close_USB();
  else
    ComClose();
}

void TFormSetup::BtnCloseClick() {
  SetChoosing(true);
  if (term_->PortOpen) CloseOpenedLink();
  term_->PortOpen = false;
  term_->setWindowTitle(TTermForm::kTitleNoPort);
}

void TFormSetup::BtnHelpClick() {
  if (help_) help_->exec();
}

void TFormSetup::BtnFindClick() {
  ui->ListView1->clear();
  GetFTDeviceCount();
  for (uint32_t i = 0; i < FTDeviceCount; ++i) {
    auto* row = new QTreeWidgetItem(ui->ListView1);
    row->setText(0, QStringLiteral("Device %1").arg(i + 1));
    GetFTDeviceDescription(i);
    row->setText(1, QString::fromLatin1(FTDeviceDescription.c_str()));
  }
  ui->ListView1->clearSelection();
}

void TFormSetup::RBtnUSBClick() { BtnFindClick(); }

void TFormSetup::ListView1Click() {
  const auto selected = ui->ListView1->selectedItems();
  if (selected.isEmpty()) return;
  // A device whose strings libftdi may not read lists with an empty description; clicking it
  // chooses it all the same, so that a later open does not use an earlier choice.
  SelectedDescription = selected.first()->text(1).toLatin1().toStdString();
}
