// SPDX-License-Identifier: MIT
// The parts of the platform face that Qt already makes portable.
#include "Platform.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>

namespace velmora::platform {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString ownIPv4()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning)
            || flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        const auto entries = iface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() == QAbstractSocket::IPv4Protocol && !ip.isLoopback()) {
                return ip.toString();
            }
        }
    }
    return QStringLiteral("127.0.0.1");
}

QString hostName()
{
    return QHostInfo::localHostName();
}

} // namespace velmora::platform
