// SPDX-License-Identifier: MIT
#include "ScoreUploader.h"

#include "TeacherAddress.h"

#include <QHostInfo>
#include <QNetworkDatagram>
#include <QVariant>

namespace velmora::student {

ScoreUploader::ScoreUploader(QObject* parent) : QObject(parent)
{
    if (!m_socket.bind(QHostAddress::AnyIPv4, kStudentPort)) {
        // Another copy of the program holds the port: any port serves, the
        // collector reads the sender from the payload.
        m_socket.bind(QHostAddress::AnyIPv4, 0);
    }
    m_socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                             QVariant(4 * 1024 * 1024));
    connect(&m_socket, &QUdpSocket::readyRead, this, &ScoreUploader::drain);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ScoreUploader::timedOut);
}

void ScoreUploader::setRemote(const QString& host, quint16 port)
{
    m_host = host;
    m_port = port;
}

void ScoreUploader::setPatience(int ackTimeoutMs, int tries)
{
    m_timeoutMs = qMax(1, ackTimeoutMs);
    m_tries = qMax(1, tries);
}

ScoreUploader::NameProblem ScoreUploader::nameProblem(const QString& name)
{
    if (name.isEmpty()) {
        return NameProblem::Empty;
    }
    if (name.contains(u'#')) {
        return NameProblem::ContainsHash;
    }
    return NameProblem::None;
}

void ScoreUploader::upload(const ScoreDatagram& datagram)
{
    if (m_busy) {
        return;
    }
    m_busy = true;
    m_attempt = 0;
    // Anything still queued (a late acknowledgement of an earlier upload, a
    // stray datagram) belongs to no upload of this one.
    discardPending();
    ScoreDatagram tokened = datagram;
    tokened.token = ScoreDatagram::newToken();
    m_payload = tokened.encode();

    // Every outcome is reported from the event loop.
    m_lookupId =
        resolveTeacher(m_host, this, [this](const QHostAddress& address, const QString& why) {
            m_lookupId = -1;
            if (address.isNull()) {
                finish(Outcome::SendFailed, why);
            } else {
                resolved(address);
            }
        });
}

void ScoreUploader::resolved(const QHostAddress& address)
{
    if (address.protocol() != QAbstractSocket::IPv4Protocol) {
        finish(Outcome::SendFailed, QStringLiteral("not an IPv4 address"));
        return;
    }
    m_address = address;
    sendOnce();
}

void ScoreUploader::sendOnce()
{
    ++m_attempt;
    if (m_socket.writeDatagram(m_payload, m_address, m_port) != m_payload.size()) {
        finish(Outcome::SendFailed, m_socket.errorString());
        return;
    }
    emit sent(m_attempt);
    m_timer.start(m_timeoutMs);
}

void ScoreUploader::discardPending()
{
    while (m_socket.hasPendingDatagrams()) {
        if (!m_socket.receiveDatagram().isValid()) {
            break;
        }
    }
}

void ScoreUploader::drain()
{
    bool confirmed = false;
    // Read to the end on every wake-up: readyRead does not come again for
    // datagrams that were already queued.
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram reply = m_socket.receiveDatagram();
        if (!reply.isValid()) {
            break;
        }
        // Only the collector's address and port, with the whole payload and
        // so its random token echoed, vouch for a delivery.
        if (m_busy && !m_payload.isEmpty() && fromCollector(reply) &&
            isAckFor(reply.data(), m_payload)) {
            confirmed = true;
        }
    }
    if (confirmed && m_timer.isActive()) {
        m_timer.stop();
        finish(Outcome::Acknowledged, {});
    }
}

bool ScoreUploader::fromCollector(const QNetworkDatagram& reply) const
{
    bool isV4 = false;
    const quint32 sender = reply.senderAddress().toIPv4Address(&isV4);
    return isV4 && !m_address.isNull() && sender == m_address.toIPv4Address() &&
           reply.senderPort() == int(m_port);
}

void ScoreUploader::timedOut()
{
    if (m_attempt < m_tries) {
        sendOnce();
        return;
    }
    finish(Outcome::Unconfirmed, QStringLiteral("no acknowledgement after %1 tries").arg(m_tries));
}

void ScoreUploader::finish(Outcome outcome, const QString& detail)
{
    m_timer.stop();
    m_busy = false;
    m_payload.clear();
    // From the event loop: whatever the receiver shows, the socket handler
    // has returned by then.
    QMetaObject::invokeMethod(
        this, [this, outcome, detail] { emit finished(outcome, detail); }, Qt::QueuedConnection);
}

} // namespace velmora::student
