#pragma once
#include "link/OpenFailure.h"

#include <QSerialPort>
#include <QString>

#include <string>

// The Unix serial line's own pieces, for its tests.

// Takes the lock that our programs (the window, vorkactl, the search) hold on a serial device while
// they have it open; false when another of them holds it. Released when the port closes.
bool TakePortLock(const QSerialPort& port);
// Why a port object could not open the device behind portName.
OpenFailure SerialOpenFailure(const std::string& portName, const QString& device, const QSerialPort& port);
// The parity that a termios control-flag word describes.
QSerialPort::Parity ParityOfControlFlags(unsigned int cflag);
