#include "link/PortNames.h"

#include <QHash>

#include <algorithm>

// clang-format off
#include <windows.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>
// clang-format on

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

// A device's registry property as text: the first string of a list ("FTDIBUS\\VID_0403+PID_6001…").
QString DeviceProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t text[512] = {};
  DWORD type = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type, reinterpret_cast<BYTE*>(text),
                                         sizeof text - sizeof(wchar_t), nullptr))
    return {};
  return QString::fromWCharArray(text);
}

// "VID_0403" in a hardware id: the number after the tag, when there is one.
bool UsbNumber(const QString& hardwareId, const QString& tag, quint16& number) {
  const qsizetype at = hardwareId.indexOf(tag, 0, Qt::CaseInsensitive);
  if (at < 0) return false;
  bool ok = false;
  number = static_cast<quint16>(hardwareId.mid(at + tag.size(), 4).toUInt(&ok, 16));
  return ok;
}

// What Device Manager shows of each serial port, by its COM name: maker, the friendly name without
// "(COMn)", and the USB ids of an adapter.
QHash<QString, PortIdentity> DeviceManagerIdentities() {
  QHash<QString, PortIdentity> found;
  const HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return found;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) continue;
    wchar_t portName[64] = {};
    DWORD size = sizeof portName - sizeof(wchar_t);
    DWORD type = 0;
    const bool named = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(portName),
                                        &size) == ERROR_SUCCESS &&
                       type == REG_SZ;
    RegCloseKey(key);
    if (!named) continue;
    PortIdentity identity;
    identity.manufacturer = DeviceProperty(devices, device, SPDRP_MFG);
    identity.product = DeviceProperty(devices, device, SPDRP_FRIENDLYNAME);
    const QString port = QString::fromWCharArray(portName);
    identity.product.remove(QStringLiteral(" (") + port + QLatin1Char(')'), Qt::CaseInsensitive);
    const QString hardwareId = DeviceProperty(devices, device, SPDRP_HARDWAREID);
    identity.hasUsbId = UsbNumber(hardwareId, QStringLiteral("VID_"), identity.vendorId) &&
                        UsbNumber(hardwareId, QStringLiteral("PID_"), identity.productId);
    found.insert(port.toUpper(), identity);
  }
  SetupDiDestroyDeviceInfoList(devices);
  return found;
}

void Describe(PortIdentity& identity, const QHash<QString, PortIdentity>& known) {
  const auto it = known.find(identity.device.toUpper());
  if (it == known.end()) return;
  identity.manufacturer = it->manufacturer;
  identity.product = it->product;
  identity.hasUsbId = it->hasUsbId;
  identity.vendorId = it->vendorId;
  identity.productId = it->productId;
}

QList<PortIdentity> Identities(bool withOthers) {
  const QStringList present = PresentDevices();
  const QHash<QString, PortIdentity> known = DeviceManagerIdentities();
  QList<PortIdentity> identities;
  QStringList reached;
  for (int n = 1; n <= kComNames; ++n) {
    PortIdentity identity;
    identity.name = QStringLiteral("COM%1").arg(n);
    identity.device = DeviceFor(identity.name);
    identity.present = present.contains(identity.device, Qt::CaseInsensitive);
    if (identity.present) reached << identity.device.toUpper();
    if (identity.present) Describe(identity, known);
    identities << identity;
  }
  if (withOthers) {
    for (const QString& device : present)
      if (!reached.contains(device.toUpper())) {
        PortIdentity other;
        other.name = other.device = device;
        other.present = true;
        Describe(other, known);
        identities << other;
      }
  }
  return identities;
}

}  // namespace

QList<PortIdentity> ComIdentities() { return Identities(false); }
QList<PortIdentity> PortIdentities() { return Identities(true); }

}  // namespace PortNames
