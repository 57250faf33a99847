#include "window/FileFolders.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
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

QString WithFilterExtension(const QString& path, const QString& selectedFilter) {
  if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
  static const QRegularExpression kPattern(QStringLiteral("\\*(\\.[A-Za-z0-9]+)"));
  const QRegularExpressionMatch match = kPattern.match(selectedFilter);
  return match.hasMatch() ? path + match.captured(1) : path;
}

QString ChooseSavePath(QWidget* parent, const QString& title, const QString& filter,
                       const QString& proposedName) {
  QString selected;
  const QString start =
      proposedName.isEmpty() ? FileDialogFolder() : QDir(FileDialogFolder()).filePath(proposedName);
  QString path =
      WithFilterExtension(QFileDialog::getSaveFileName(parent, title, start, filter, &selected), selected);
  if (!path.isEmpty()) RememberFileDialogChoice(path);
  return path;
}
