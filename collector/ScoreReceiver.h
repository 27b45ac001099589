// SPDX-License-Identifier: MIT
#pragma once

#include "Acceptance.h"

#include <QAbstractSocket>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <functional>

class QHostAddress;
class QUdpSocket;

namespace velmora {
struct ScoreDatagram;
}

namespace velmora::collector {

// Listens for score datagrams on one UDP port. Every pending datagram is read
// on each readyRead, judged by the acceptance rules (Acceptance.h), decoded
// from GBK and handed to the recorder; a datagram that the recorder takes is
// acknowledged to its sender with "ACK#" + payload, in batches: the
// committer stores what was recorded before the batch's acknowledgements are
// sent. Everything else is dropped without an answer and counted.
class ScoreReceiver : public QObject
{
    Q_OBJECT

public:
    // Returns true when the score was recorded (and so is acknowledged);
    // `source` is the address the datagram came from.
    using Recorder = std::function<bool(const ScoreDatagram&, const QHostAddress& source)>;

    static constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;

    // Called before acknowledgements go out, with what was recorded since the
    // last call: what the recorder kept must be stored by then. Returns false
    // when it could not be, and nothing is acknowledged.
    using Committer = std::function<bool()>;

    explicit ScoreReceiver(Recorder recorder, QObject* parent = nullptr);
    void setCommitter(Committer committer) { m_commit = std::move(committer); }
    ~ScoreReceiver() override;

    // Binds the port on every IPv4 address, exclusively, so that a second
    // collector on the same computer fails here instead of stealing datagrams.
    bool listen(quint16 port);
    bool isListening() const;
    quint16 localPort() const;
    // The system's reason why listen() failed.
    QString errorString() const { return m_error; }
    QAbstractSocket::SocketError error() const { return m_errorCode; }
    void close();

    // Counts since start, for the status line and tests.
    int readCount() const { return m_read; } // every datagram taken from the socket
    int recordedCount() const { return m_recorded; }
    int ignoredCount() const { return m_ignored; }
    int refusedCount() const { return m_refused; }
    // Datagrams over the size limit; acknowledgements and datagrams from the
    // collector's own socket; new rows refused for their source or set name.
    int oversizedCount() const { return m_oversized; }
    int echoCount() const { return m_echoes; }
    int overQuotaCount() const { return m_overQuota; }
    int unknownSetCount() const { return m_unknownSet; }
    // The source whose new rows were refused last, and how many of its were.
    QString lastRefusedSource() const { return m_lastRefusedSource; }
    int refusedFrom(const QString& source) const { return m_refusedBySource.value(source); }

    // What the status line adds after the listening address: empty while
    // nothing was turned away, else e.g.
    // "已忽略超长数据包2个 已拒收10.0.0.7的新成绩11条".
    QString statusText() const;

    const Acceptance& acceptance() const { return m_acceptance; }

signals:
    // A datagram was received but not recorded because it has fewer than five
    // fields.
    void datagramIgnored();
    // A well-formed datagram was received but the recorder refused it.
    void datagramRefused();
    // A datagram was turned away by the acceptance rules (not for a missing
    // field): too long, an echo, a set name outside the nine or one new row
    // too many for its source. source is the sender's address.
    void datagramTurnedAway(velmora::collector::Verdict verdict, const QString& source);
    // statusText() changed.
    void statusChanged();

private:
    void readPending();
    void turnAway(Verdict verdict, const QHostAddress& from);

    Recorder m_recorder;
    Committer m_commit;
    QUdpSocket* m_socket;
    QString m_error;
    QAbstractSocket::SocketError m_errorCode = QAbstractSocket::UnknownSocketError;
    int m_read = 0;
    int m_recorded = 0;
    int m_ignored = 0;
    int m_refused = 0;
    int m_oversized = 0;
    int m_echoes = 0;
    int m_overQuota = 0;
    int m_unknownSet = 0;
    Acceptance m_acceptance;
    QString m_lastRefusedSource;
    QHash<QString, int> m_refusedBySource;
};

} // namespace velmora::collector
