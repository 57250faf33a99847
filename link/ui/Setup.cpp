#include "link/ui/Setup.h"

#include "link/Async.h"
#include "link/PortNames.h"
#include "link/Speeds.h"
#include "link/UniUSB.h"
#include "link/ui/Help.h"
#include "link/ui/Scan.h"
#include "look/Language.h"
#include "look/Look.h"
#include "protocol/MessageSeam.h"
#include "protocol/UnitProtocol.h"
#include "ui_Setup.h"

#include <QHeaderView>

#include <algorithm>
#include <iterator>

namespace {

// The speed buttons, in the order of kLinkSpeeds.
constexpr QRadioButton* Ui::TFormSetup::*kSpeedButtons[] = {
    &Ui::TFormSetup::RBtn19200,  &Ui::TFormSetup::RBtn38400,  &Ui::TFormSetup::RBtn57600,
    &Ui::TFormSetup::RBtn115200, &Ui::TFormSetup::RBtn230400, &Ui::TFormSetup::RBtn460800,
    &Ui::TFormSetup::RBtn921000,
};
static_assert(std::size(kSpeedButtons) == std::size(kLinkSpeeds));

// COM1 … COM8: the button and the label beside it.
constexpr QRadioButton* Ui::TFormSetup::*kComButtons[] = {
    &Ui::TFormSetup::RBtnCom1, &Ui::TFormSetup::RBtnCom2, &Ui::TFormSetup::RBtnCom3,
    &Ui::TFormSetup::RBtnCom4, &Ui::TFormSetup::RBtnCom5, &Ui::TFormSetup::RBtnCom6,
    &Ui::TFormSetup::RBtnCom7, &Ui::TFormSetup::RBtnCom8,
};
constexpr QLabel* Ui::TFormSetup::*kComLabels[] = {
    &Ui::TFormSetup::LblCom1, &Ui::TFormSetup::LblCom2, &Ui::TFormSetup::LblCom3, &Ui::TFormSetup::LblCom4,
    &Ui::TFormSetup::LblCom5, &Ui::TFormSetup::LblCom6, &Ui::TFormSetup::LblCom7, &Ui::TFormSetup::LblCom8,
};
static_assert(std::size(kComButtons) == PortNames::kComNames &&
              std::size(kComLabels) == PortNames::kComNames);

}  // namespace

TFormSetup::TFormSetup(PortHost* term, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFormSetup>()), term_(term) {
  ui->setupUi(this);
  ApplyLook(this);
  MakeFixedWindow(this, true, 915, 241);
  ui->ListView1->setHeaderLabels({QStringLiteral("Device Number"), QStringLiteral("Device Description"),
                                  QStringLiteral("Serial No.")});  // what the bold font fits beside them
  ui->ListView1->setColumnWidth(0, 100);
  ui->ListView1->setColumnWidth(1, 248);
  ui->ListView1->setColumnWidth(2, 80);
  scan_ = new TFormScan(this);
  ShowComIdentities();
  hotPlug_.setInterval(1000);
  connect(&hotPlug_, &QTimer::timeout, this, Guarded([this] { RefreshPorts(); }));
  connect(ui->BtnScan, &QPushButton::clicked, this, Guarded([this] { BtnScanClick(); }));
  connect(ui->BtnOpen, &QPushButton::clicked, this, Guarded([this] { BtnOpenClick(); }));
  connect(ui->BtnClose, &QPushButton::clicked, this, Guarded([this] { BtnCloseClick(); }));
  connect(ui->BtnHelp, &QPushButton::clicked, this, Guarded([this] { BtnHelpClick(); }));
  connect(ui->BtnFind, &QPushButton::clicked, this, Guarded([this] { BtnFindClick(); }));
  connect(ui->RBtnUSB, &QRadioButton::clicked, this, Guarded([this] { RBtnUSBClick(); }));
  // Choosing a port from the list chooses the list.
  connect(ui->CmbOtherPort, &QComboBox::activated, this, [this] { ui->RBtnOther->setChecked(true); });
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

TFormSetup::~TFormSetup() = default;

LinkKind TFormSetup::CurrentLinkKind() const {
  return ui->RBtnUSB->isChecked() ? LinkKind::Usb : LinkKind::Serial;
}

void TFormSetup::SelectStartupSpeed() {
  for (std::size_t i = 0; i < std::size(kLinkSpeeds); ++i)
    if (kLinkSpeeds[i] == kStartupSpeed) (ui.get()->*kSpeedButtons[i])->setChecked(true);
  openedKind_ = LinkKind::Serial;
  openedBaud_ = kStartupSpeed;
}

QString TFormSetup::ChosenPortName() const {
  if (ui->RBtnOther->isChecked()) return ui->CmbOtherPort->currentData().toString();
  QString name;
  for (std::size_t i = 0; i < std::size(kComButtons); ++i)
    if ((ui.get()->*kComButtons[i])->isChecked()) name = QStringLiteral("COM%1").arg(i + 1);
  return name;
}

int32_t TFormSetup::ChosenBaudRate() const {
  int32_t baud = kStartupSpeed;
  for (std::size_t i = 0; i < std::size(kLinkSpeeds); ++i)
    if ((ui.get()->*kSpeedButtons[i])->isChecked()) baud = kLinkSpeeds[i];
  return baud;
}

void TFormSetup::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  RunGuarded([this] { FormShow(); });
  // What is plugged in now, and whatever is plugged in while the dialog is open.
  RunGuarded([this] { ShowComIdentities(); });
  hotPlug_.start();
}

void TFormSetup::hideEvent(QHideEvent* event) {
  hotPlug_.stop();
  QDialog::hideEvent(event);
}

void TFormSetup::ShowComIdentities() {
  const QList<PortIdentity> identities = PortNames::PortIdentities();
  for (const PortIdentity& identity : identities) {
    const int n = PortNames::ComNumber(identity.name);
    if (!n) continue;
    QRadioButton* button = ui.get()->*kComButtons[n - 1];
    QLabel* label = ui.get()->*kComLabels[n - 1];
    // On Windows the device is the name itself: not worth saying twice.
    const QString device =
        identity.device.compare(identity.name, Qt::CaseInsensitive) == 0 ? QString() : identity.device;
    QString text;
    if (identity.present) {
      const QString details = PortNames::IdentityDetails(identity);
      text = device + (device.isEmpty() || details.isEmpty() ? QString() : tr(" – ")) + details;
    } else {
      text = device.isEmpty() ? tr("žádné zařízení") : tr("žádné zařízení (%1)").arg(device);
    }
    // A name that leads nowhere cannot be chosen; one that is chosen already stays so, and its open
    // says why it fails.
    button->setEnabled(identity.present);
    label->setEnabled(identity.present);
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideRight, label->width()));
    label->setToolTip(text);
    button->setToolTip(text);
  }
  ShowOtherPorts(PortNames::OtherPorts(identities));
}

void TFormSetup::ShowOtherPorts(const QList<PortIdentity>& others) {
  QStringList names;
  for (const PortIdentity& identity : others) names << identity.name;
  if (names == listedOthers_) return;
  // The port the operator chose stays chosen while it is there; one that went stays in the list,
  // marked, so that the choice does not move to another port behind the operator's back.
  const QString chosen = ui->CmbOtherPort->currentData().toString();
  ui->CmbOtherPort->clear();
  for (const PortIdentity& identity : others) {
    const QString details = PortNames::IdentityDetails(identity);
    ui->CmbOtherPort->addItem(details.isEmpty() ? identity.name : identity.name + tr(" – ") + details,
                              identity.name);
    ui->CmbOtherPort->setItemData(ui->CmbOtherPort->count() - 1, details, Qt::ToolTipRole);
  }
  if (!chosen.isEmpty() && !names.contains(chosen) && ui->RBtnOther->isChecked())
    ui->CmbOtherPort->addItem(tr("%1 (žádné zařízení)").arg(chosen), chosen);
  if (const int index = ui->CmbOtherPort->findData(chosen); index >= 0)
    ui->CmbOtherPort->setCurrentIndex(index);
  const bool any = ui->CmbOtherPort->count() > 0;
  ui->RBtnOther->setEnabled(any);
  ui->CmbOtherPort->setEnabled(any);
  listedOthers_ = names;
}

void TFormSetup::ShowFtdiDevices(const std::vector<FtdiDevice>& devices) {
  if (devices == listedFtdi_) return;
  // The row the operator chose stays chosen when it is still there.
  std::optional<FtdiDevice> chosen;
  if (const auto selected = ui->ListView1->selectedItems(); !selected.isEmpty())
    chosen = listedFtdi_.at(static_cast<std::size_t>(ui->ListView1->indexOfTopLevelItem(selected.first())));
  FillFtdiRows(devices);
  for (std::size_t i = 0; i < devices.size(); ++i)
    if (chosen && devices[i] == *chosen) ui->ListView1->topLevelItem(static_cast<int>(i))->setSelected(true);
}

void TFormSetup::FillFtdiRows(const std::vector<FtdiDevice>& devices) {
  ui->ListView1->clear();
  for (std::size_t i = 0; i < devices.size(); ++i) {
    auto* row = new QTreeWidgetItem(ui->ListView1);
    row->setText(0, QStringLiteral("Device %1").arg(i + 1));
    row->setText(1, QString::fromLatin1(devices[i].description.c_str()));
    row->setText(2, QString::fromLatin1(devices[i].serialNumber.c_str()));
    // Its strings could not be read: say why instead of an empty row (the open says it too).
    if (devices[i].accessError) {
      const OpenFailure failure =
          ClassifyUsbOpenFailure(row->text(0).toStdString(), FT_DEVICE_NOT_OPENED, devices[i].accessError);
      row->setText(1, QStringLiteral("(%1)").arg(QString::fromStdString(CzechReason(failure))));
      row->setToolTip(1, WindowText(failure));
      row->setForeground(1, Qt::darkRed);
      row->setData(1, Qt::UserRole, devices[i].accessError);
    }
  }
  listedFtdi_ = devices;
}

void TFormSetup::RefreshPorts() {
  ShowComIdentities();
  // Quietly: a library failure here is no news for the operator, and the search probes the
  // devices from threads of its own meanwhile.
  if (scan_->Scanning()) return;
  if (const auto devices = ListFtdiDevices()) ShowFtdiDevices(*devices);
}

void TFormSetup::FormShow() {
  ui->BtnOpen->setEnabled(!term_->PortOpen());
  ui->BtnClose->setEnabled(term_->PortOpen());
  // The start-up opened nothing without a word: here is why, until a port is open.
  ui->LblPortState->setText(!term_->PortOpen() && startupFailure_ ? WindowText(*startupFailure_) : QString());
}

void TFormSetup::SetStartupOpenFailure(const std::optional<OpenFailure>& failure) {
  startupFailure_ = failure;
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
  term_->SetReplyTimeoutMs(kReplyTimeoutMs);
  const QString port = ChosenPortName();
  const int32_t baud = ChosenBaudRate();
  openedKind_ = CurrentLinkKind();
  openedBaud_ = baud;
  openedDescription_ = SelectedDescription;
  // By the description, unless the list shows another converter with the same one.
  const auto sharing = std::count_if(listedFtdi_.begin(), listedFtdi_.end(), [this](const FtdiDevice& d) {
    return d.description == SelectedDescription;
  });
  openedSerialNumber_ = sharing > 1 ? SelectedSerialNumber : std::string();
  // Opened where the window's line lives: on its own thread.
  struct Opening {
    bool opened = false;
    std::optional<OpenFailure> failure;
  };
  auto opening = std::make_shared<Opening>();
  QString link;
  if (openedKind_ == LinkKind::Usb && SelectedAccessError) {
    ReportRefusedUsbDevice(SelectedAccessError);  // a device the list could not name: why it will not open
  } else if (openedKind_ == LinkKind::Usb) {
    term_->WithLink([opening, description = SelectedDescription, baud, timeout = term_->ReplyTimeoutMs(),
                     serialNumber = openedSerialNumber_, known = SelectedSerialNumber] {
      opening->opened =
          OpenPrepared_USB(description, static_cast<uint32_t>(baud), timeout, serialNumber, known);
    });
    link = tr("port USB, řadič FTDI, D2XX - %1").arg(baud);
  } else {
    term_->WithLink([opening, port = port.toStdString(), baud] {
      opening->opened = ComOpen(port, baud, 'n', 8, 1.0f);
      opening->failure = ComOpenFailure();
    });
    link = QStringLiteral("port %1 - %2").arg(port).arg(baud);
    // Why it did not open, so that the operator can do something about it.
    if (!opening->opened && opening->failure) Messages().Message(WindowText(*opening->failure));
  }
  const bool opened = opening->opened;
  term_->SetLinkOpen(opened ? std::optional<QString>(link) : std::nullopt);
  startupFailure_.reset();
  ui->LblPortState->clear();
}

void TFormSetup::CloseOpenedLink() {
  term_->WithLink([kind = openedKind_] {
    if (kind == LinkKind::Usb)
      Close_USB();
    else
      ComClose();
  });
}

void TFormSetup::BtnCloseClick() {
  SetChoosing(true);
  if (term_->PortOpen()) CloseOpenedLink();
  term_->SetLinkOpen(std::nullopt);
}

void TFormSetup::BtnHelpClick() {
  if (help_) help_->exec();
}

void TFormSetup::BtnFindClick() {
  ui->ListView1->clear();
  FillFtdiRows(*ListFtdiDevices(FtdiListing::Reported));
}

void TFormSetup::RBtnUSBClick() { BtnFindClick(); }

void TFormSetup::ListView1Click() {
  const auto selected = ui->ListView1->selectedItems();
  if (selected.isEmpty()) return;
  // A device whose strings libftdi may not read lists with an empty description; clicking it
  // chooses it all the same, so that a later open does not use an earlier choice.
  SelectedAccessError = selected.first()->data(1, Qt::UserRole).toInt();
  SelectedDescription =
      SelectedAccessError ? std::string() : selected.first()->text(1).toLatin1().toStdString();
  SelectedSerialNumber = selected.first()->text(2).toLatin1().toStdString();
}

void TFormSetup::BtnScanClick() {
  const bool usbOpen = openedKind_ == LinkKind::Usb;
  const OpenPort open{term_->PortOpen(), usbOpen, usbOpen ? openedDescription_ : ComDevice(),
                      openedSerialNumber_, openedBaud_};
  scan_->StartScan(ScanTargets(open), ChosenBaudRate());
  if (scan_->exec() != QDialog::Accepted || !scan_->Chosen()) return;
  ChooseFoundUnit(*scan_->Chosen());
  // Another port is open: the operator chose this unit, so the dialog takes them there rather than
  // leave them on the old port (the unit is identified when the dialog closes).
  if (term_->PortOpen()) {
    BtnCloseClick();
    BtnOpenClick();
  }
  ui->LblPortState->setText(
      term_->PortOpen() ? QString() : tr("Vybraná jednotka: otevřete port tlačítkem „Otevřít port“."));
}

void TFormSetup::ChooseFoundUnit(const ScanFound& found) {
  for (std::size_t i = 0; i < std::size(kLinkSpeeds); ++i)
    if (kLinkSpeeds[i] == found.baud) (ui.get()->*kSpeedButtons[i])->setChecked(true);
  if (found.target.kind == ScanTarget::Kind::Serial) {
    const QString port = QString::fromStdString(found.target.port);
    if (const int n = PortNames::ComNumber(port)) {
      (ui.get()->*kComButtons[n - 1])->setChecked(true);
    } else {
      ShowComIdentities();  // a port plugged in since the dialog last looked
      if (const int index = ui->CmbOtherPort->findData(port); index >= 0) {
        ui->CmbOtherPort->setCurrentIndex(index);
        ui->RBtnOther->setChecked(true);
      }
    }
    return;
  }
  ui->RBtnUSB->setChecked(true);
  const FtdiDevice wanted{found.target.port, found.target.device};
  if (std::find(listedFtdi_.begin(), listedFtdi_.end(), wanted) == listedFtdi_.end()) BtnFindClick();
  ui->ListView1->clearSelection();
  for (int i = 0; i < ui->ListView1->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = ui->ListView1->topLevelItem(i);
    if (row->text(1).toLatin1().toStdString() == wanted.description &&
        row->text(2).toLatin1().toStdString() == wanted.serialNumber) {
      row->setSelected(true);
      break;
    }
  }
  SelectedDescription = found.target.port;
  SelectedSerialNumber = found.target.device;
  SelectedAccessError = 0;
}
