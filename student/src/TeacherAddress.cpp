// SPDX-License-Identifier: MIT
#include "TeacherAddress.h"

#include <QHostInfo>
#include <QObject>

namespace velmora::student {

int resolveTeacher(const QString& typed, QObject* context,
                   std::function<void(const QHostAddress& address, const QString& why)> done)
{
    const QString host = typed.trimmed();
    const auto later = [context, done](const QHostAddress& address, const QString& why) {
        QMetaObject::invokeMethod(
            context, [done, address, why] { done(address, why); }, Qt::QueuedConnection);
    };
    if (host.isEmpty()) {
        later({}, QStringLiteral("no address"));
        return -1;
    }
    if (const QHostAddress literal(host); !literal.isNull()) {
        if (literal.protocol() == QAbstractSocket::IPv4Protocol) {
            later(literal, {});
        } else {
            later({}, QStringLiteral("not an IPv4 address"));
        }
        return -1;
    }
    // A computer name: the first IPv4 address it has.
    return QHostInfo::lookupHost(host, context, [done](const QHostInfo& info) {
        for (const QHostAddress& a : info.addresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                done(a, {});
                return;
            }
        }
        done({}, info.errorString());
    });
}

} // namespace velmora::student
