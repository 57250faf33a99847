#include "window/MessageBoxes.h"

#include "protocol/MessageSeam.h"

#include <QApplication>
#include <QMessageBox>

namespace {

class BoxSeam : public MessageSeam {
 public:
  void Message(const QString& text) override {
    Show(QMessageBox::NoIcon, QCoreApplication::applicationName(), text);
  }
  void ErrorBox(const QString& text) override { Show(QMessageBox::Critical, QStringLiteral("Error"), text); }
  void GeneralError(const QString& text) override {
    Show(QMessageBox::Critical, QCoreApplication::applicationName(), text);
  }

 private:
  static void Show(QMessageBox::Icon icon, const QString& title, const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
  }
};

}  // namespace

void InstallMessageBoxes() {
  static BoxSeam boxes;
  InstallMessages(&boxes);
}
