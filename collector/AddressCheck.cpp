// SPDX-License-Identifier: MIT
#include "AddressCheck.h"

#include <QNetworkInterface>

namespace velmora::collector {

QList<QHostAddress> AddressCheck::ownAddresses()
{
    return QNetworkInterface::allAddresses();
}

AddressCheck::AddressCheck(QList<QHostAddress> own) : m_own(std::move(own)) {}

bool AddressCheck::isForged(const QString& field, const QHostAddress& source) const
{
    if (source.isNull()) {
        return false;
    }
    for (const QHostAddress& own : m_own) {
        if (own.isEqual(source, QHostAddress::ConvertV4MappedToIPv4)) {
            return false;
        }
    }
    const QHostAddress named(field.trimmed());
    return named.isNull() || !named.isEqual(source, QHostAddress::ConvertV4MappedToIPv4);
}

} // namespace velmora::collector
