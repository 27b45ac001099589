// SPDX-License-Identifier: MIT
#pragma once

#include "ScoreDatagram.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>

class QNetworkDatagram;

namespace velmora::student {

// Sends one score datagram to the teacher's collector and waits for its
// acknowledgement ("ACK#" + the payload, from the address and port the score
// went to), resending the same bytes when none comes. Every upload carries a
// fresh random token, so an acknowledgement can only be made by someone who
// saw the upload: a guessed, late or duplicate one is ignored. The socket is
// bound to the student port when it is free and to any free port otherwise
// (the collector answers to the source port).
//
// finished() is always emitted from the event loop, never from inside the
// socket's handler, so a message box opened by its receiver cannot stop the
// socket from being read.
class ScoreUploader : public QObject
{
    Q_OBJECT

public:
    enum class Outcome
    {
        Acknowledged, // the collector confirmed the score
        Unconfirmed,  // sent every try, but no confirmation came back
        SendFailed,   // the address could not be used or the send failed
    };
    Q_ENUM(Outcome)

    // Why a name cannot travel in a datagram.
    enum class NameProblem
    {
        None,         // it can
        Empty,        // no name at all
        ContainsHash, // '#' separates the fields: the collector's row would be garbled
    };
    Q_ENUM(NameProblem)

    explicit ScoreUploader(QObject* parent = nullptr);

    // The teacher's address as typed: an IPv4 address or a host name.
    void setRemote(const QString& host, quint16 port = kCollectorPort);

    // How long each try waits for the acknowledgement, and how many tries.
    void setPatience(int ackTimeoutMs, int tries);

    quint16 localPort() const { return m_socket.localPort(); }
    bool boundToStudentPort() const { return m_socket.localPort() == kStudentPort; }
    bool busy() const { return m_busy; }

    // Starts sending; finished() follows exactly once. Ignored while busy.
    // The datagram's token is replaced by a new one.
    void upload(const ScoreDatagram& datagram);
    // The bytes of the upload in progress (empty when none).
    QByteArray payload() const { return m_payload; }

    // The rule the exercise form applies before an upload.
    static NameProblem nameProblem(const QString& name);

signals:
    void finished(velmora::student::ScoreUploader::Outcome outcome, const QString& detail);
    // One datagram went out (the first send and every resend).
    void sent(int attempt);

private:
    void resolved(const QHostAddress& address);
    void sendOnce();
    void drain();
    // Reads and drops whatever is queued on the socket.
    void discardPending();
    // Whether a datagram comes from the address and port the score went to.
    bool fromCollector(const QNetworkDatagram& reply) const;
    void timedOut();
    void finish(Outcome outcome, const QString& detail);

    QUdpSocket m_socket;
    QTimer m_timer;
    QString m_host;
    quint16 m_port = kCollectorPort;
    QHostAddress m_address;
    QByteArray m_payload;
    int m_timeoutMs = 800;
    int m_tries = 3;
    int m_attempt = 0;
    int m_lookupId = -1;
    bool m_busy = false;
};

} // namespace velmora::student
