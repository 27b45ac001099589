// SPDX-License-Identifier: MIT
#include "Acceptance.h"

#include "ScoreTable.h"

namespace velmora::collector {

quint32 Acceptance::v4(const QHostAddress& address)
{
    // The socket listens on IPv4; a mapped form counts as the same address.
    return address.toIPv4Address();
}

void Acceptance::setOwn(const QList<QHostAddress>& addresses, quint16 port)
{
    m_own.clear();
    for (const QHostAddress& a : addresses) {
        bool isV4 = false;
        const quint32 value = a.toIPv4Address(&isV4);
        if (isV4) {
            m_own.insert(value);
        }
    }
    m_ownPort = port;
}

bool Acceptance::isOwnAddress(const QHostAddress& address) const
{
    bool isV4 = false;
    const quint32 value = address.toIPv4Address(&isV4);
    return isV4 && (m_own.contains(value) || (value >> 24) == 127);
}

Acceptance::Decision Acceptance::judge(QByteArrayView payload, const QHostAddress& from,
                                       quint16 fromPort) const
{
    if (payload.size() > acceptance::kMaxDatagramBytes) {
        return {Verdict::Oversized, std::nullopt};
    }
    // An acknowledgement is itself a datagram of five or more fields:
    // answering it, or anything from our own socket, could answer itself for
    // ever.
    if (payload.startsWith(kAckPrefix) ||
        (isOwnAddress(from) && (fromPort == m_ownPort || fromPort == kCollectorPort))) {
        return {Verdict::Echo, std::nullopt};
    }
    Decision decision{Verdict::Record, ScoreDatagram::decode(payload)};
    if (!decision.score) {
        decision.verdict = Verdict::Malformed;
        return decision;
    }
    ScoreDatagram& score = *decision.score;
    // "10.9.1.21 " or "010.9.1.21" would make a row that looks like
    // 10.9.1.21's but is not his.
    if (!isCanonicalIPv4(score.address)) {
        decision.verdict = Verdict::BadAddress;
        return decision;
    }
    score.computer = ScoreTable::shownField(score.computer);
    score.name = ScoreTable::shownField(score.name);
    score.set = ScoreTable::shownField(score.set);
    if (m_keys.contains({score.address, score.set})) {
        return decision; // an update: never limited
    }
    if (!sets::isKnown(score.set)) {
        decision.verdict = Verdict::UnknownSet;
    } else if (!isOwnAddress(from) && !isAllowed(from) &&
               newRowsFrom(from) >= acceptance::kNewRowsPerSource) {
        decision.verdict = Verdict::OverQuota;
    }
    return decision;
}

void Acceptance::recorded(const ScoreDatagram& score, const QHostAddress& from)
{
    const bool added = !m_keys.contains({score.address, score.set});
    if (added) {
        m_keys.insert({score.address, score.set});
        ++m_newRows[v4(from)];
    }
}

void Acceptance::forget(const QString& address, const QString& set)
{
    m_keys.remove({address, set});
}

void Acceptance::refill(const QList<QPair<QPair<QString, QString>, QString>>& keysAndCreators)
{
    m_keys.clear();
    m_newRows.clear();
    for (const auto& [key, creator] : keysAndCreators) {
        m_keys.insert(key);
        ++m_newRows[v4(QHostAddress(creator))];
    }
}

void Acceptance::allow(const QHostAddress& source)
{
    m_allowed.insert(v4(source));
}

bool Acceptance::isAllowed(const QHostAddress& source) const
{
    return m_allowed.contains(v4(source));
}

int Acceptance::newRowsFrom(const QHostAddress& from) const
{
    return m_newRows.value(v4(from), 0);
}

} // namespace velmora::collector
