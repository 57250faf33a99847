#pragma once

class QWidget;
#include <QString>

// Where the file dialogs start: the folder of the file last chosen in any of them while the program
// runs; before that, on Windows the user's Documents (the current folder is the program's own, where
// a standard user may not write), elsewhere the current folder. Nothing of it is stored.
QString FileDialogFolder();
void RememberFileDialogChoice(const QString& chosenPath);
// A name typed without an extension gets the one of the filter chosen ("CSV (*.csv)").
QString WithFilterExtension(const QString& path, const QString& selectedFilter);
// The save dialog from the remembered folder (a name proposed in it): the path chosen, with the
// chosen filter's extension where none was typed, and remembered; empty when cancelled.
QString ChooseSavePath(QWidget* parent, const QString& title, const QString& filter,
                       const QString& proposedName = {});
