#pragma once
#include "protocol/Exchange.h"

#include <QDialog>

namespace Ui {
class TFormSetup;
}
class TTermForm;
class TFormHelp;

// The port setup dialog: which port or FTDI device, which speed; opens and closes the link.
class TFormSetup : public QDialog {
  Q_OBJECT

 public:
  TFormSetup(TTermForm* term, QWidget* parent = nullptr);
  ~TFormSetup() override;
  void SetHelp(TFormHelp* help) { help_ = help; }

  // Usb while RBtnUSB is checked.
  LinkKind CurrentLinkKind() const;
  // The speed the automatic open at start-up used.
  void SelectStartupSpeed();
  // Closes the link with the transport that was opened, whatever the choice shows now.
  void CloseOpenedLink();
  // The transport the choice shows now is the one that was opened.
  bool ChosenLinkIsOpened() const { return CurrentLinkKind() == openedKind_; }

  // Handlers.
  void FormShow();
  void BtnOpenClick();
  void BtnCloseClick();
  void BtnHelpClick();
  void BtnFindClick();
  void RBtnUSBClick();
  void ListView1Click();

  // The description of the FTDI device the operator last clicked in the list.
  std::string SelectedDescription;

  // The chosen port name ("COM1" …) and baud rate, by the radio buttons.
  QString ChosenPortName() const;
  int32_t ChosenBaudRate() const;

  Ui::TFormSetup* ui;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void SetChoosing(bool choosing);

  TTermForm* term_;
  TFormHelp* help_ = nullptr;
  LinkKind openedKind_ = LinkKind::Serial;
};
