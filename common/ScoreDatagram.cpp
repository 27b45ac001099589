// SPDX-License-Identifier: MIT
#include "ScoreDatagram.h"

#include "Gbk.h"

#include <QRandomGenerator>

namespace velmora {

QString ScoreDatagram::text() const
{
    const QChar sep(u'#');
    QString out = address + sep + computer + sep + score + sep + name + sep + set;
    if (!token.isEmpty()) {
        out += sep + token;
    }
    return out;
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
    return ScoreDatagram{fields[0], fields[1], fields[2], fields[3], fields[4], fields.value(5)};
}

QString ScoreDatagram::newToken()
{
    return QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, u'0');
}

bool isCanonicalIPv4(QStringView text)
{
    int parts = 0;
    qsizetype i = 0;
    while (parts < 4) {
        if (parts > 0) {
            if (i >= text.size() || text.at(i) != u'.') {
                return false;
            }
            ++i;
        }
        const qsizetype start = i;
        int value = 0;
        while (i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9' && i - start < 3) {
            value = value * 10 + (text.at(i).unicode() - u'0');
            ++i;
        }
        const qsizetype digits = i - start;
        if (digits == 0 || value > 255 || (digits > 1 && text.at(start) == u'0')) {
            return false;
        }
        ++parts;
    }
    return i == text.size();
}

QByteArray ackFor(QByteArrayView payload)
{
    QByteArray ack;
    ack.reserve(kAckPrefix.size() + payload.size());
    ack.append(kAckPrefix);
    ack.append(payload);
    return ack;
}

bool isAckFor(QByteArrayView reply, QByteArrayView payload)
{
    return reply.size() == kAckPrefix.size() + payload.size() && reply.startsWith(kAckPrefix) &&
           reply.sliced(kAckPrefix.size()) == payload;
}

} // namespace velmora
