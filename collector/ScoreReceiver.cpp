// SPDX-License-Identifier: MIT
#include "ScoreReceiver.h"

#include "ScoreBook.h"
#include "ScoreDatagram.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>
#include <QVariant>

namespace velmora::collector {

ScoreReceiver::ScoreReceiver(ScoreBook& book, QObject* parent)
    : QObject(parent), m_book(book), m_socket(new QUdpSocket(this))
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
    m_book.setOwn(QNetworkInterface::allAddresses(), m_socket->localPort());
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
    QList<QNetworkDatagram> acks;
    auto acknowledge = [&] {
        if (acks.isEmpty()) {
            return;
        }
        // Nothing is acknowledged that is not on the disk.
        if (m_book.commit()) {
            for (const QNetworkDatagram& d : acks) {
                m_socket->writeDatagram(ackFor(d.data()), d.senderAddress(),
                                        quint16(qMax(0, d.senderPort())));
            }
        } else {
            m_unacknowledged += int(acks.size());
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
        const Verdict verdict = m_book.take(datagram.data(), datagram.senderAddress(),
                                            quint16(qMax(0, datagram.senderPort())));
        switch (verdict) {
        case Verdict::Record:
            ++m_recorded;
            acks.append(datagram);
            if (acks.size() >= kBatch) {
                acknowledge();
            }
            break;
        case Verdict::Oversized:
        case Verdict::Echo:
        case Verdict::Malformed:
            ++m_ignored;
            break;
        case Verdict::BadAddress:
        case Verdict::UnknownSet:
        case Verdict::OverQuota:
        case Verdict::Full:
            ++m_refused;
            break;
        }
    }
    acknowledge();
}

} // namespace velmora::collector
