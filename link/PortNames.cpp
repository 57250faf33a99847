#include "link/PortNames.h"

#include <QRegularExpression>

namespace PortNames {

int ComPortNumber(const QString& portName) {
  static const QRegularExpression com(QStringLiteral("^COM([1-9]\\d{0,2})$"),
                                      QRegularExpression::CaseInsensitiveOption);
  const auto m = com.match(portName);
  return m.hasMatch() ? m.captured(1).toInt() : 0;
}

int ComNumber(const QString& portName) {
  const int n = ComPortNumber(portName);
  return n <= kComNames ? n : 0;
}

QString ChosenDevice(int comNumber) {
  return qEnvironmentVariable(QStringLiteral("VORKA_COM%1").arg(comNumber).toLatin1().constData());
}

QList<PortIdentity> OtherPorts(const QList<PortIdentity>& identities) {
  QList<PortIdentity> others;
  for (const PortIdentity& identity : identities)
    if (identity.present && ComNumber(identity.name) == 0) others << identity;
  return others;
}

QString IdentityDetails(const PortIdentity& identity) {
  QStringList parts;
  if (!identity.manufacturer.isEmpty()) parts << identity.manufacturer;
  // Ports without a product string are described by their driver ("n/a"): not worth showing.
  if (!identity.product.isEmpty() && identity.product != QStringLiteral("n/a")) parts << identity.product;
  if (!identity.serialNumber.isEmpty()) parts << QStringLiteral("SN ") + identity.serialNumber;
  if (identity.hasUsbId)
    parts << QStringLiteral("USB %1:%2")
                 .arg(identity.vendorId, 4, 16, QLatin1Char('0'))
                 .arg(identity.productId, 4, 16, QLatin1Char('0'));
  return parts.join(QStringLiteral(", "));
}

}  // namespace PortNames
