// vorka_config: the configuration tool for the VORKA unit.
#include "common/ProgramEnd.h"
#include "link/ui/Help.h"
#include "link/ui/Setup.h"
#include "look/Language.h"
#include "look/Look.h"
#include "window/MessageBoxes.h"
#include "window/Term.h"
#include "window/TermShared.h"

#include <QApplication>
#include <QLocale>

namespace {

int RunWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vorka_config"));
  QApplication::setFont(WindowFont());
  InstallMessageBoxes();
  // Before the first window: its texts are translated as it is built.
  InstallLanguage(LanguageFor(QLocale::system().uiLanguages(), term::ChosenLanguage()));

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
