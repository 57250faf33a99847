#include "link/PortNames.h"

#include <QDir>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>

namespace PortNames {
namespace {

int TrailingNumber(const QString& name) {
  static const QRegularExpression digits(QStringLiteral("(\\d+)$"));
  const auto m = digits.match(name);
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QStringList DevicesByNumber(const QString& pattern) {
  QStringList found;
  const QDir dev(QStringLiteral("/dev"));
  for (const QString& entry : dev.entryList({pattern}, QDir::System | QDir::Files))
    found << dev.absoluteFilePath(entry);
  std::sort(found.begin(), found.end(),
            [](const QString& a, const QString& b) { return TrailingNumber(a) < TrailingNumber(b); });
  return found;
}

// "COM1" … "COM8" (any letter case) gives 1 … 8, anything else 0.
int ComNumber(const QString& portName) {
  static const QRegularExpression com(QStringLiteral("^COM([1-8])$"),
                                      QRegularExpression::CaseInsensitiveOption);
  const auto m = com.match(portName);
  return m.hasMatch() ? m.captured(1).toInt() : 0;
}

}  // namespace

QStringList PresentDevices() {
  QStringList devices = DevicesByNumber(QStringLiteral("ttyUSB*"));
  devices << DevicesByNumber(QStringLiteral("ttyACM*"));
  QStringList onBoard;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    const QString path = info.systemLocation();
    if (!devices.contains(path) && !onBoard.contains(path)) onBoard << path;
  }
  std::sort(onBoard.begin(), onBoard.end(), [](const QString& a, const QString& b) {
    const QString pa = a.left(a.size() - QString::number(TrailingNumber(a)).size());
    const QString pb = b.left(b.size() - QString::number(TrailingNumber(b)).size());
    if (pa != pb) return pa < pb;
    return TrailingNumber(a) < TrailingNumber(b);
  });
  return devices + onBoard;
}

QString DeviceFor(const QString& portName) {
  const int n = ComNumber(portName);
  if (n == 0) return portName;
  const QByteArray env = qgetenv(QStringLiteral("VORKA_COM%1").arg(n).toLatin1().constData());
  if (!env.isEmpty()) return QString::fromLocal8Bit(env);
#ifdef Q_OS_WIN
  return portName;
#else
  const QStringList present = PresentDevices();
  return n <= present.size() ? present.at(n - 1) : QString();
#endif
}

}  // namespace PortNames
