// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <QString>

class QUdpSocket;

namespace velmora::collector {

class ScoreBook;

// Listens for score datagrams on one UDP port and hands every one of them to
// the score book. What the book records is acknowledged to its sender with
// "ACK#" + payload, in batches, and only after the book has committed the
// batch to the disk; everything else is dropped without an answer.
class ScoreReceiver : public QObject
{
    Q_OBJECT

public:
    static constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;
    // Datagrams whose acknowledgements wait for one commit.
    static constexpr int kBatch = 64;

    explicit ScoreReceiver(ScoreBook& book, QObject* parent = nullptr);
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

    // Counts since start, for tests and benchmarks.
    int readCount() const { return m_read; } // every datagram taken from the socket
    int recordedCount() const { return m_recorded; }
    // Not a score at all: too long, too few fields, an echo.
    int ignoredCount() const { return m_ignored; }
    // A score the book would not take: a bad address or set, over a limit.
    int refusedCount() const { return m_refused; }
    // Recorded but never acknowledged, because the commit failed.
    int unacknowledgedCount() const { return m_unacknowledged; }

private:
    void readPending();

    ScoreBook& m_book;
    QUdpSocket* m_socket;
    QString m_error;
    QAbstractSocket::SocketError m_errorCode = QAbstractSocket::UnknownSocketError;
    int m_read = 0;
    int m_recorded = 0;
    int m_ignored = 0;
    int m_refused = 0;
    int m_unacknowledged = 0;
};

} // namespace velmora::collector
