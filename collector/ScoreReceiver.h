// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractSocket>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <functional>

class QUdpSocket;

namespace velmora {
struct ScoreDatagram;
}

namespace velmora::collector {

// Listens for score datagrams on one UDP port. Every pending datagram is read
// on each readyRead, decoded from GBK and handed to the recorder; a datagram
// that the recorder takes is acknowledged to its sender with "ACK#" + payload,
// in batches: the committer stores what was recorded before the batch's
// acknowledgements are sent.
// Datagrams with fewer than five fields are dropped without an answer.
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
    int recordedCount() const { return m_recorded; }
    int ignoredCount() const { return m_ignored; }
    int refusedCount() const { return m_refused; }

signals:
    // A datagram was received but not recorded because it has fewer than five
    // fields.
    void datagramIgnored();
    // A well-formed datagram was received but the recorder refused it.
    void datagramRefused();

private:
    void readPending();

    Recorder m_recorder;
    Committer m_commit;
    QUdpSocket* m_socket;
    QString m_error;
    QAbstractSocket::SocketError m_errorCode = QAbstractSocket::UnknownSocketError;
    int m_recorded = 0;
    int m_ignored = 0;
    int m_refused = 0;
};

} // namespace velmora::collector
