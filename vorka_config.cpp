// vorka_config: the configuration tool for the VORKA unit.
#include "common/ProgramEnd.h"
#include "link/ui/Help.h"
#include "link/ui/Setup.h"
#include "look/Look.h"
#include "window/MessageBoxes.h"
#include "window/Term.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

int RunWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vorka_config"));
  QApplication::setFont(WindowFont());
  InstallMessageBoxes();
  // Qt's own dialogs (the file dialogs) speak Czech like the rest of the program, on any desktop.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Czech), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);

  TTermForm termForm(QApplication::arguments(), BackupStore(BackupStore::DefaultFolder()));
  TFormSetup formSetup(&termForm, &termForm);
  TFormHelp formHelp(&termForm);
  formSetup.SetHelp(&formHelp);
  termForm.SetForms(&formSetup, &formHelp);

  termForm.show();
  return app.exec();
}

}  // namespace

// The window closed, its line ended and the application gone (the clipboard handed to the system).
int main(int argc, char** argv) { return ProgramEnd(RunWindow(argc, argv)); }
