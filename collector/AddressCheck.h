// SPDX-License-Identifier: MIT
#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

namespace velmora::collector {

// Whether a datagram's address field names the computer it really came from.
// A student can type any address into the field; the sender address is the
// one the network saw. Datagrams from this computer's own addresses are never
// marked (a teacher trying the student program beside the collector).
class AddressCheck
{
public:
    // Every address of this computer's interfaces, loopback included.
    static QList<QHostAddress> ownAddresses();

    explicit AddressCheck(QList<QHostAddress> own = ownAddresses());

    // True when `field` is not the sender's address and the sender is not
    // this computer. An unreadable field differs from any sender.
    bool isForged(const QString& field, const QHostAddress& source) const;

private:
    QList<QHostAddress> m_own;
};

} // namespace velmora::collector
