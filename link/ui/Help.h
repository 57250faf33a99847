#pragma once
#include <QDialog>

#include <memory>

namespace Ui {
class TFormHelp;
}

// The help window: the serial connector's pins and short notes on using the program.
class TFormHelp : public QDialog {
  Q_OBJECT

 public:
  explicit TFormHelp(QWidget* parent = nullptr);
  ~TFormHelp() override;

  std::unique_ptr<Ui::TFormHelp> ui;

 protected:
  void setVisible(bool visible) override;
};
