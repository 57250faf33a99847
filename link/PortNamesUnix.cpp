#include "link/PortNames.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>
#include <mutex>

namespace PortNames {
namespace {

int TrailingNumber(const QString& name) {
  static const QRegularExpression digits(QStringLiteral("(\\d+)$"));
  const auto m = digits.match(name);
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QStringList DevicesByNumber(const QString& folder, const QString& pattern) {
  QStringList found;
  const QDir dev(folder);
  for (const QString& entry : dev.entryList({pattern}, QDir::System | QDir::Files))
    found << dev.absoluteFilePath(entry);
  std::sort(found.begin(), found.end(),
            [](const QString& a, const QString& b) { return TrailingNumber(a) < TrailingNumber(b); });
  return found;
}

// The folder of the device nodes; the tests point it at one of their own, and then the machine's
// own ports stay out of their way.
QString TestDeviceFolder() { return qEnvironmentVariable("VORKA_DEVICE_FOLDER"); }

// PresentDevices from the system's list of ports, which costs milliseconds to read: read once.
QStringList PresentAmong(const QList<QSerialPortInfo>& known) {
  const QString testFolder = TestDeviceFolder();
  QStringList paths;
  if (testFolder.isEmpty())
    for (const QSerialPortInfo& info : known) paths << info.systemLocation();
  return OrderedDevices(testFolder.isEmpty() ? QStringLiteral("/dev") : testFolder, paths);
}

}  // namespace

QStringList OrderedDevices(const QString& folder, const QStringList& known) {
  QStringList devices = DevicesByNumber(folder, QStringLiteral("ttyUSB*"));
  devices << DevicesByNumber(folder, QStringLiteral("ttyACM*"));
  QStringList onBoard;
  for (const QString& path : known)
    if (!devices.contains(path) && !onBoard.contains(path)) onBoard << path;
  std::sort(onBoard.begin(), onBoard.end(), [](const QString& a, const QString& b) {
    const QString pa = a.left(a.size() - QString::number(TrailingNumber(a)).size());
    const QString pb = b.left(b.size() - QString::number(TrailingNumber(b)).size());
    if (pa != pb) return pa < pb;
    return TrailingNumber(a) < TrailingNumber(b);
  });
  return devices + onBoard;
}

namespace {

// The system's serial ports. Read through libudev, which is not safe to enter from two threads at
// once: vorkactl opens several ports side by side.
QList<QSerialPortInfo> SystemPorts() {
  static std::mutex listing;
  const std::lock_guard lock(listing);
  return QSerialPortInfo::availablePorts();
}

}  // namespace

QStringList PresentDevices() { return PresentAmong(SystemPorts()); }

namespace {

// The device of a port name among the serial devices present (PresentDevices, read once by the caller).
QString DeviceAmong(const QString& portName, const QStringList& present) {
  const int n = ComNumber(portName);
  if (n == 0) return portName;
  if (QString chosen = ChosenDevice(n); !chosen.isEmpty()) return chosen;
  return n <= present.size() ? present.at(n - 1) : QString();
}

}  // namespace

QString DeviceFor(const QString& portName) {
  return DeviceAmong(portName, ComNumber(portName) ? PresentDevices() : QStringList());
}

QString RealPath(const QString& device) {
  const QString real = QFileInfo(device).canonicalFilePath();
  return real.isEmpty() ? device : real;
}

namespace {

PortIdentity Identify(const QString& portName, const QString& device, const QList<QSerialPortInfo>& known) {
  PortIdentity identity;
  identity.name = portName;
  identity.device = device;
  identity.present = !device.isEmpty() && QFileInfo::exists(device);
  if (!identity.present) return identity;
  const QString real = RealPath(device);
  for (const QSerialPortInfo& info : known) {
    if (RealPath(info.systemLocation()) != real) continue;
    identity.manufacturer = info.manufacturer();
    identity.product = info.description();
    identity.serialNumber = info.serialNumber();
    identity.hasUsbId = info.hasVendorIdentifier() && info.hasProductIdentifier();
    identity.vendorId = info.vendorIdentifier();
    identity.productId = info.productIdentifier();
    break;
  }
  return identity;
}

}  // namespace

namespace {

QList<PortIdentity> Identities(bool withOthers) {
  const QList<QSerialPortInfo> known = SystemPorts();
  const QStringList present = PresentAmong(known);
  QList<PortIdentity> identities;
  QStringList reached;
  for (int n = 1; n <= kComNames; ++n) {
    const QString name = QStringLiteral("COM%1").arg(n);
    identities << Identify(name, DeviceAmong(name, present), known);
    if (identities.last().present) reached << RealPath(identities.last().device);
  }
  if (withOthers)
    for (const QString& device : present)
      if (!reached.contains(RealPath(device))) identities << Identify(device, device, known);
  return identities;
}

}  // namespace

QList<PortIdentity> ComIdentities() { return Identities(false); }
QList<PortIdentity> PortIdentities() { return Identities(true); }

}  // namespace PortNames
