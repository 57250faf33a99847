#pragma once
#include "link/PortHost.h"
#include "link/PortNames.h"
#include "link/Speeds.h"
#include "link/UniUSB.h"
#include "protocol/Exchange.h"

#include <QDialog>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

namespace Ui {
class TFormSetup;
}
class TFormHelp;
class TFormScan;
struct ScanFound;

// The port setup dialog: which port or FTDI device, which speed; opens and closes the link.
class TFormSetup : public QDialog {
  Q_OBJECT

 public:
  // term: the main window, as the dialog sees it.
  TFormSetup(PortHost* term, QWidget* parent = nullptr);
  ~TFormSetup() override;
  void SetHelp(TFormHelp* help) { help_ = help; }

  // The transport the radio buttons choose for the next open: Usb while RBtnUSB is checked.
  LinkKind CurrentLinkKind() const;
  // The transport that was opened last; every exchange and every close uses it.
  LinkKind OpenedLinkKind() const { return openedKind_; }
  // The speed the automatic open at start-up used.
  void SelectStartupSpeed();
  // Why the automatic open at start-up failed: the dialog says it while no port is open.
  void SetStartupOpenFailure(const std::optional<OpenFailure>& failure);
  // Closes the link with the transport that was opened, whatever the choice shows now.
  void CloseOpenedLink();

  // Handlers.
  void FormShow();
  void BtnOpenClick();
  void BtnCloseClick();
  void BtnHelpClick();
  void BtnFindClick();
  void RBtnUSBClick();
  void ListView1Click();
  void BtnScanClick();
  // Re-reads what is behind COM1 … COM8 and the FTDI devices (every second while shown).
  void RefreshPorts();

  // Selects the port and speed of a unit the search found; "Otevřít port" opens it.
  void ChooseFoundUnit(const ScanFound& found);
  TFormScan* Scan() const { return scan_; }
  // The description of the FTDI device the operator last clicked in the list.
  std::string SelectedDescription;
  // Its serial number: the device is opened by it when another converter has the same description.
  std::string SelectedSerialNumber;
  // The chosen device refused this user (its strings could not be read): EACCES, else 0.
  int SelectedAccessError = 0;

  // The chosen port name ("COM1" …, or one of the other ports) and baud rate, by the radio buttons.
  QString ChosenPortName() const;
  int32_t ChosenBaudRate() const;

  std::unique_ptr<Ui::TFormSetup> ui;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void setVisible(bool visible) override;

 private:
  void SetChoosing(bool choosing);
  void ShowComIdentities();
  // The present ports beyond COM1 … COM8 in the list of "Jiný port"; rebuilt only when they changed.
  void ShowOtherPorts(const QList<PortIdentity>& others);
  // The list after a hot-plug: rebuilt only when it changed, keeping the chosen row.
  void ShowFtdiDevices(const std::vector<FtdiDevice>& devices);
  // The rows "Device 1" … with description and serial number, none selected.
  void FillFtdiRows(const std::vector<FtdiDevice>& devices);

  PortHost* term_;
  TFormHelp* help_ = nullptr;
  TFormScan* scan_ = nullptr;
  LinkKind openedKind_ = LinkKind::Serial;
  int32_t openedBaud_ = kStartupSpeed;
  std::string openedDescription_, openedSerialNumber_;
  // The FTDI devices the list shows (description and serial number), to see a change.
  std::vector<FtdiDevice> listedFtdi_;
  QStringList listedOthers_;  // the other ports the list shows, to see a change
  std::optional<OpenFailure> startupFailure_;
  QTimer hotPlug_;
};
