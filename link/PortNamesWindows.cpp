#include "link/PortNames.h"

#include <algorithm>

#include <windows.h>

// On Windows a port's name is its device: COM3 is the system's COM3, and the ports present are the
// ones the system lists under HARDWARE\DEVICEMAP\SERIALCOMM.
namespace PortNames {

QStringList PresentDevices() {
  QStringList names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return names;
  for (DWORD index = 0;; ++index) {
    wchar_t valueName[256];
    DWORD valueNameSize = 256;
    wchar_t data[64];
    DWORD dataSize = sizeof data;
    DWORD type = 0;
    const LONG status = RegEnumValueW(key, index, valueName, &valueNameSize, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &dataSize);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    const QString name = QString::fromWCharArray(data, static_cast<qsizetype>(dataSize / sizeof(wchar_t)))
                             .section(QChar(0), 0, 0);
    if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive)) names << name;
  }
  RegCloseKey(key);
  std::sort(names.begin(), names.end(),
            [](const QString& a, const QString& b) { return ComPortNumber(a) < ComPortNumber(b); });
  return names;
}

QString DeviceFor(const QString& portName) {
  const int n = ComNumber(portName);
  if (n == 0) return portName;
  const QString chosen = ChosenDevice(n);
  return chosen.isEmpty() ? QStringLiteral("COM%1").arg(n) : chosen;
}

QString RealPath(const QString& device) { return device; }

namespace {

QList<PortIdentity> Identities(bool withOthers) {
  const QStringList present = PresentDevices();
  QList<PortIdentity> identities;
  QStringList reached;
  for (int n = 1; n <= kComNames; ++n) {
    PortIdentity identity;
    identity.name = QStringLiteral("COM%1").arg(n);
    identity.device = DeviceFor(identity.name);
    identity.present = present.contains(identity.device, Qt::CaseInsensitive);
    if (identity.present) reached << identity.device.toUpper();
    identities << identity;
  }
  if (withOthers) {
    for (const QString& device : present)
      if (!reached.contains(device.toUpper())) {
        PortIdentity other;
        other.name = other.device = device;
        other.present = true;
        identities << other;
      }
  }
  return identities;
}

}  // namespace

QList<PortIdentity> ComIdentities() { return Identities(false); }
QList<PortIdentity> PortIdentities() { return Identities(true); }

}  // namespace PortNames
