// SPDX-License-Identifier: MIT
#include "ScoreReceiver.h"

#include "ScoreDatagram.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>
#include <QVariant>

namespace velmora::collector {

ScoreReceiver::ScoreReceiver(Recorder recorder, QObject* parent)
    : QObject(parent), m_recorder(std::move(recorder)), m_socket(new QUdpSocket(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, &ScoreReceiver::readPending);
}

ScoreReceiver::~ScoreReceiver() = default;

bool ScoreReceiver::listen(quint16 port)
{
    close();
    m_error.clear();
    if (!m_socket->bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress)) {
        m_error = m_socket->errorString();
        m_errorCode = m_socket->error();
        return false;
    }
    // A class uploading at once must not overflow the socket's queue; the
    // system may grant less than asked, which is not an error.
    m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                              QVariant(kReceiveBufferBytes));
    // This computer's addresses: never acknowledged from our own port, and
    // exempt from the limit of new rows per source.
    m_acceptance.setOwn(QNetworkInterface::allAddresses(), m_socket->localPort());
    return true;
}

bool ScoreReceiver::isListening() const
{
    return m_socket->state() == QAbstractSocket::BoundState;
}

quint16 ScoreReceiver::localPort() const
{
    return m_socket->localPort();
}

void ScoreReceiver::close()
{
    m_socket->close();
}

void ScoreReceiver::readPending()
{
    // A batch of acknowledgements waits for one commit instead of one per
    // datagram; a batch is small enough that the first sender hardly waits.
    constexpr qsizetype kBatch = 64;
    QList<QNetworkDatagram> acks;
    auto acknowledge = [&] {
        if (!acks.isEmpty() && (!m_commit || m_commit())) {
            for (const QNetworkDatagram& d : acks) {
                m_socket->writeDatagram(ackFor(d.data()), d.senderAddress(),
                                        quint16(qMax(0, d.senderPort())));
            }
        }
        acks.clear();
    };
    // readyRead comes once for any number of queued datagrams: take them all.
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        if (!datagram.isValid()) {
            break; // a read error; what is still queued brings a new readyRead
        }
        ++m_read;
        const QByteArray payload = datagram.data();
        const QHostAddress from = datagram.senderAddress();
        const auto senderPort = quint16(qMax(0, datagram.senderPort()));
        const Acceptance::Decision decision = m_acceptance.judge(payload, from, senderPort);
        switch (decision.verdict) {
        case Verdict::Record:
            break;
        case Verdict::Malformed:
            ++m_ignored;
            emit datagramIgnored();
            continue;
        case Verdict::Oversized:
        case Verdict::Echo:
        case Verdict::UnknownSet:
        case Verdict::OverQuota:
            turnAway(decision.verdict, from);
            continue;
        }
        if (!m_recorder || !m_recorder(*decision.score, from)) {
            ++m_refused;
            emit datagramRefused();
            continue;
        }
        m_acceptance.recorded(*decision.score, from);
        ++m_recorded;
        acks.append(datagram);
        if (acks.size() >= kBatch) {
            acknowledge();
        }
    }
    acknowledge();
}

void ScoreReceiver::turnAway(Verdict verdict, const QHostAddress& from)
{
    const QString source = from.toString();
    bool shown = false; // whether the status line changes
    switch (verdict) {
    case Verdict::Oversized:
        ++m_oversized;
        shown = true;
        break;
    case Verdict::Echo:
        ++m_echoes;
        break;
    case Verdict::UnknownSet:
        ++m_unknownSet;
        break;
    case Verdict::OverQuota:
        ++m_overQuota;
        ++m_refusedBySource[source];
        m_lastRefusedSource = source;
        shown = true;
        break;
    case Verdict::Record:
    case Verdict::Malformed:
        return;
    }
    emit datagramTurnedAway(verdict, source);
    if (shown) {
        emit statusChanged();
    }
}

QString ScoreReceiver::statusText() const
{
    QStringList parts;
    if (m_oversized > 0) {
        parts.append(QStringLiteral("已忽略超长数据包%1个").arg(m_oversized));
    }
    if (!m_lastRefusedSource.isEmpty()) {
        parts.append(QStringLiteral("已拒收%1的新成绩%2条")
                         .arg(m_lastRefusedSource)
                         .arg(m_refusedBySource.value(m_lastRefusedSource)));
    }
    return parts.join(u' ');
}

} // namespace velmora::collector
