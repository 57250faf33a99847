#pragma once
#include <QString>

// Where the file dialogs start: the folder of the file last chosen in any of them while the program
// runs; before that, on Windows the user's Documents (the current folder is the program's own, where
// a standard user may not write), elsewhere the current folder. Nothing of it is stored.
QString FileDialogFolder();
void RememberFileDialogChoice(const QString& chosenPath);
