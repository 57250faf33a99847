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

}  // namespace PortNames
