#include "link/PortNames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// COMn is the n-th device of this order: which device a save writes to depends on it.
TEST(PortNamesTest, UsbAdaptersFirstByNumberThenTheOtherPorts) {
  QTemporaryDir dev;
  for (const char* node : {"ttyUSB10", "ttyUSB2", "ttyACM1", "ttyACM0", "ttyS0"})
    QFile(dev.filePath(QString::fromLatin1(node))).open(QIODevice::WriteOnly);
  const QString usb2 = dev.filePath(QStringLiteral("ttyUSB2"));
  const QStringList known{QStringLiteral("/dev/ttyS10"), QStringLiteral("/dev/ttyS2"), usb2,
                          QStringLiteral("/dev/ttyAMA0"), QStringLiteral("/dev/ttyS2")};
  const QStringList expected{usb2,
                             dev.filePath(QStringLiteral("ttyUSB10")),
                             dev.filePath(QStringLiteral("ttyACM0")),
                             dev.filePath(QStringLiteral("ttyACM1")),
                             QStringLiteral("/dev/ttyAMA0"),
                             QStringLiteral("/dev/ttyS2"),
                             QStringLiteral("/dev/ttyS10")};
  // ttyS0 of the folder is no adapter: only the ports the system knows follow the adapters.
  EXPECT_EQ(PortNames::OrderedDevices(dev.path(), known).join(u' ').toStdString(),
            expected.join(u' ').toStdString());
}

}  // namespace
