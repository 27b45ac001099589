// SPDX-License-Identifier: MIT
#include "ScoreDatagram.h"

#include "Gbk.h"

namespace velmora {

namespace {
const QByteArray kAckPrefix("ACK#");
}

QString ScoreDatagram::text() const
{
    const QChar sep(u'#');
    return address + sep + computer + sep + score + sep + name + sep + set;
}

QByteArray ScoreDatagram::encode() const
{
    return toGbk(text());
}

std::optional<ScoreDatagram> ScoreDatagram::decode(QByteArrayView payload)
{
    const QStringList fields = fromGbk(payload).split(u'#');
    if (fields.size() < 5) {
        return std::nullopt;
    }
    return ScoreDatagram{fields[0], fields[1], fields[2], fields[3], fields[4]};
}

QByteArray ackFor(QByteArrayView payload)
{
    return kAckPrefix + payload.toByteArray();
}

bool isAckFor(QByteArrayView reply, QByteArrayView payload)
{
    return reply.size() == kAckPrefix.size() + payload.size() && reply.startsWith(kAckPrefix)
           && reply.sliced(kAckPrefix.size()) == payload;
}

} // namespace velmora
