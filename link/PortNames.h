#pragma once
#include <QString>
#include <QStringList>

// Maps the port names "COM1" … "COM8" that the window offers onto devices of this system.
namespace PortNames {

// The device behind a port name, or an empty text when none is.
// VORKA_COMn, when set, names the device of COMn. Otherwise, on Linux, COMn is the n-th serial
// device present: USB adapters first (ttyUSB*, then ttyACM*, by number), then on-board ports that
// really exist. On Windows the name is the device. A name that is not COMn is taken as a path.
QString DeviceFor(const QString& portName);

// The serial devices present, in the order that gives COM1, COM2, … (no environment overrides).
QStringList PresentDevices();
#ifndef _WIN32
// That order on Unix: the USB adapters in the device folder (ttyUSB*, then ttyACM*, each by
// number), then the other ports the system knows, by name and number.
QStringList OrderedDevices(const QString& folder, const QStringList& known);
#endif

// How many COM names the window offers: COM1 … COM8, the dialog's buttons.
inline constexpr int kComNames = 8;
// The number of any COM name ("COM12", any letter case), 0 for another name.
int ComPortNumber(const QString& portName);
// "COM1" … "COM8" (any letter case) gives 1 … 8, anything else 0: the names of the dialog's buttons.
int ComNumber(const QString& portName);
// The device that VORKA_COMn names for COMn; empty when it names none.
QString ChosenDevice(int comNumber);

}  // namespace PortNames

// What is behind a port name, as far as the system knows it.
struct PortIdentity {
  QString name;          // "COM3", or the path the operator gave
  QString device;        // the device the name leads to; empty when it leads nowhere
  bool present = false;  // the device exists now
  QString manufacturer, product, serialNumber;
  bool hasUsbId = false;
  quint16 vendorId = 0, productId = 0;
};

namespace PortNames {

// The identities of COM1 … COM8, read afresh.
QList<PortIdentity> ComIdentities();
// Those of COM1 … COM8, then every other serial port present that none of them reaches, by its own
// name ("COM12" on Windows, which numbers USB adapters from COM9 up; the device path on Linux).
QList<PortIdentity> PortIdentities();
// The other ports alone: the present ones among identities that no COM1 … COM8 name reaches.
QList<PortIdentity> OtherPorts(const QList<PortIdentity>& identities);

// Where a device node really is: symbolic links (by-id names, mapped devices) resolved; the path
// itself when it leads nowhere.
QString RealPath(const QString& device);

// "FTDI, FT232R USB UART, SN A1B2, USB 0403:6001": what the system knows beyond the device.
QString IdentityDetails(const PortIdentity& identity);

}  // namespace PortNames
