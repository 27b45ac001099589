// SPDX-License-Identifier: MIT
#include "ScoreReceiver.h"

#include "ScoreDatagram.h"

#include <QNetworkDatagram>
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
                m_socket->writeDatagram(ackFor(d.data()), d.senderAddress(), d.senderPort());
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
        const auto score = ScoreDatagram::decode(datagram.data());
        if (!score) {
            ++m_ignored;
            emit datagramIgnored();
            continue;
        }
        if (!m_recorder || !m_recorder(*score, datagram.senderAddress())) {
            ++m_refused;
            emit datagramRefused();
            continue;
        }
        ++m_recorded;
        acks.append(datagram);
        if (acks.size() >= kBatch) {
            acknowledge();
        }
    }
    acknowledge();
}

} // namespace velmora::collector
