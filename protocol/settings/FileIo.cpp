#include "protocol/settings/FileIo.h"

#include "link/SystemErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>

namespace {

constexpr qint64 kMaxFileBytes = 1 << 20;

}  // namespace

FileFault SaveSettingsFile(const std::string& path, const std::string& text, FileTarget target) {
  const QString name = QString::fromStdString(path);
  if (const QFileInfo info(name); info.exists() && !info.isFile()) {
    // A FIFO would block the window at the open, and the atomic write would replace a device by a
    // regular file: only where asked for (vorkactl -o /dev/stdout) is it written as it is.
    if (target == FileTarget::RegularOnly) return {FileFault::Kind::NotRegular};
    QFile device(name);
    ClearLastFileError();
    if (!device.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
      return FileDeviceFault(device, LastFileError());
    ClearLastFileError();
    if (device.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
      return FileDeviceFault(device, LastFileError());
    return {};
  }
  // A file marked read-only (Windows) is refused before anything is written, as the system would.
  if (const QFileInfo info(name); info.exists() && !info.isWritable())
    return {FileFault::Kind::System, EACCES};
  QSaveFile file(name);
  ClearLastFileError();
  if (!file.open(QIODevice::WriteOnly)) return FileDeviceFault(file, LastFileError());
  // The write only fills Qt's buffer and the commit does not always report a failed flush of it:
  // flush first, so that a full disk is seen while the old file is still whole.
  ClearLastFileError();
  if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
      !file.flush()) {
    const FileFault fault = FileDeviceFault(file, LastFileError());
    file.cancelWriting();
    return fault;
  }
  ClearLastFileError();
  if (!file.commit()) return FileDeviceFault(file, LastFileError());
  return {};
}

FileFault LoadSettingsFile(const std::string& path, std::string& text, FileTarget target) {
  const bool standardInput = target == FileTarget::AnyFile && path == "-";
  if (const QFileInfo info(QString::fromStdString(path));
      standardInput || (info.exists() && !info.isFile())) {
    // A pipe or a device would block the window: regular files only, unless asked for.
    if (target == FileTarget::RegularOnly) return {FileFault::Kind::NotRegular};
    std::FILE* in = standardInput ? stdin : std::fopen(path.c_str(), "rb");
    if (!in) return {FileFault::Kind::System, errno};
    text.clear();
    char buffer[4096];
    std::size_t got = 0;
    ClearLastFileError();
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0 && text.size() <= kMaxFileBytes)
      text.append(buffer, got);
    const int error = std::ferror(in) ? (errno ? errno : EIO) : 0;
    if (!standardInput) std::fclose(in);
    if (error) return {FileFault::Kind::System, error};
    if (text.size() > static_cast<std::size_t>(kMaxFileBytes)) return {FileFault::Kind::TooLarge};
    return {};
  }
  QFile file(QString::fromStdString(path));
  ClearLastFileError();
  if (!file.open(QIODevice::ReadOnly)) return FileDeviceFault(file, LastFileError());
  if (!file.isSequential() && file.size() > kMaxFileBytes) return {FileFault::Kind::TooLarge};
  ClearLastFileError();
  const QByteArray bytes = file.read(kMaxFileBytes + 1);
  if (file.error() != QFileDevice::NoError) return FileDeviceFault(file, LastFileError());
  if (bytes.size() > kMaxFileBytes) return {FileFault::Kind::TooLarge};
  text.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return {};
}

FileFault FileDeviceFault(const QFileDevice& file, int error) {
  if (error == 0) {
    switch (file.error()) {
      case QFileDevice::ResourceError: error = ENOSPC; break;
      case QFileDevice::PermissionsError: error = EACCES; break;
      default: error = EIO; break;
    }
  }
  return {FileFault::Kind::System, error};
}
