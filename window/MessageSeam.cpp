#include "window/MessageSeam.h"

#include <QApplication>
#include <QMessageBox>

namespace {

class BoxSeam : public MessageSeam {
 public:
  void Message(const QString& text) override {
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
  }
  void ErrorBox(const QString& text) override {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
  }
  void GeneralError(const QString& text) override {
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
  }
};

BoxSeam g_boxes;
MessageSeam* g_seam = &g_boxes;

}  // namespace

MessageSeam& Messages() { return *g_seam; }

void SetMessages(MessageSeam* seam) { g_seam = seam ? seam : &g_boxes; }

QString WithFullStop(const QString& message) {
  if (!message.isEmpty() && message.back().unicode() > u'.') return message + u'.';
  return message;
}

void RunGuarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    Messages().GeneralError(WithFullStop(QString::fromUtf8(e.what())));
  }
}
