#include "window/FileFolders.h"

#include "window/Timeline.h"

#include <QFileDialog>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString g_lastFolder;
}

QString FileDialogFolder() {
  if (!g_lastFolder.isEmpty() && QFileInfo(g_lastFolder).isDir()) return g_lastFolder;
#ifdef _WIN32
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
#endif
  return QDir::currentPath();
}

void RememberFileDialogChoice(const QString& chosenPath) {
  if (!chosenPath.isEmpty()) g_lastFolder = QFileInfo(chosenPath).absolutePath();
}

QString ChooseSavePath(QWidget* parent, const QString& title, const QString& filter) {
  QString selected;
  const QString path = WithFilterExtension(
      QFileDialog::getSaveFileName(parent, title, FileDialogFolder(), filter, &selected), selected);
  if (!path.isEmpty()) RememberFileDialogChoice(path);
  return path;
}
