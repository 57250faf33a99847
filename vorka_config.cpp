// vorka_config: the configuration tool for the VORKA unit.
#include "link/Help.h"
#include "link/Setup.h"
#include "window/Look.h"
#include "window/MessageBoxes.h"
#include "window/Term.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vorka_config"));
  QApplication::setFont(WindowFont());
  InstallMessageBoxes();

  TTermForm termForm(QApplication::arguments());
  TFormSetup formSetup(&termForm, &termForm);
  TFormHelp formHelp(&termForm);
  formSetup.SetHelp(&formHelp);
  termForm.SetForms(&formSetup, &formHelp);

  termForm.show();
  return app.exec();
}
