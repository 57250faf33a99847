#include "window/MessageBoxes.h"

#include "look/Language.h"
#include "protocol/MessageSeam.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace {

class BoxSeam : public MessageSeam {
 public:
  void Message(const QString& text) override {
    Show(QMessageBox::NoIcon, QCoreApplication::applicationName(), text);
  }
  void ErrorBox(const QString& text) override { Show(QMessageBox::Critical, QStringLiteral("Error"), text); }
  bool Question(const QString& text) override {
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text,
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.button(QMessageBox::Yes)->setText(QCoreApplication::translate("MessageBoxes", "Ano"));
    box.button(QMessageBox::No)->setText(QCoreApplication::translate("MessageBoxes", "Ne"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
  }
  // The catalogue's words in the windows' language.
  Language Speaks() const override { return WindowLanguage(); }
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
