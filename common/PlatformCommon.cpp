// SPDX-License-Identifier: MIT
// The parts of the platform face that Qt already makes portable.
#include "Platform.h"

#include "ScoreDatagram.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QUdpSocket>

namespace velmora::platform {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

namespace {

// The source address the routing table picks for `teacher`: connecting a UDP
// socket sends nothing, it only fixes the route.
QString routedIPv4(const QString& teacher)
{
    const QHostAddress remote(teacher.trimmed());
    if (remote.isNull() || remote.protocol() != QAbstractSocket::IPv4Protocol) {
        return {};
    }
    QUdpSocket probe;
    probe.connectToHost(remote, kCollectorPort);
    if (probe.state() != QAbstractSocket::ConnectedState && !probe.waitForConnected(200)) {
        return {};
    }
    const QHostAddress local = probe.localAddress();
    if (local.protocol() != QAbstractSocket::IPv4Protocol || local.isNull() ||
        local == QHostAddress(QHostAddress::AnyIPv4)) {
        return {};
    }
    return local.toString();
}

} // namespace

QString ownIPv4(const QString& teacher)
{
    if (const QString routed = routedIPv4(teacher); !routed.isEmpty()) {
        return routed;
    }
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
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

void ownIPv4For(const QString& teacher, QObject* context, std::function<void(QString)> done)
{
    const QString typed = teacher.trimmed();
    if (typed.isEmpty() || !QHostAddress(typed).isNull()) {
        QMetaObject::invokeMethod(
            context, [typed, done = std::move(done)] { done(ownIPv4(typed)); },
            Qt::QueuedConnection);
        return;
    }
    QHostInfo::lookupHost(typed, context, [typed, done = std::move(done)](const QHostInfo& info) {
        const auto addresses = info.addresses();
        for (const QHostAddress& a : addresses) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                done(ownIPv4(a.toString()));
                return;
            }
        }
        done(ownIPv4(typed));
    });
}

QString hostName()
{
    return QHostInfo::localHostName();
}

} // namespace velmora::platform
