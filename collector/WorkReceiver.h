// SPDX-License-Identifier: MIT
#pragma once

#include "ScoreDatagram.h"
#include "WorkProtocol.h"
#include "WorkStore.h"

#include <QAbstractSocket>
#include <QHostAddress>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QThread>

namespace velmora::collector {

class WorkServer;

// Receives students' work on a TCP port (the score port's number, 1202 by
// default) on every IPv4 address. The sockets, the reading, the hashing and
// the writing run on a thread of the receiver's own, so the thread that
// acknowledges score datagrams never waits for a submission. Each connection
// carries one submission (docs/work-protocol.md) that goes straight into the
// store's hidden folder as it arrives and is put in place when complete; the
// sender gets a reply either way.
//
// Limits: a few connections at once (more are answered "busy" and closed at
// once), a few at once and a number per minute from one address, an idle and
// a total time-out per connection, and the protocol's own caps on files,
// bytes and names.
class WorkReceiver : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        int maxConnections = 4;          // at once, from all senders
        int maxPerSource = 2;            // at once, from one address
        int perSourcePerWindow = 20;     // connections one address may start ...
        int rateWindowMs = 60 * 1000;    // ... within this time
        int idleTimeoutMs = 10 * 1000;   // no byte for this long ends a connection
        int totalTimeoutMs = 120 * 1000; // nor may one last longer than this
        int lingerMs = 2000;             // after the reply, waiting for the sender to close
    };

    explicit WorkReceiver(WorkStore store = WorkStore(), QObject* parent = nullptr);
    ~WorkReceiver() override;

    // Takes effect for connections that arrive afterwards.
    void setLimits(const Limits& limits);
    Limits limits() const { return m_limits; }

    // Listens on every IPv4 address. False with errorString() when the port
    // cannot be had; the caller goes on without collecting work.
    bool listen(quint16 port = kCollectorPort);
    void close();
    bool isListening() const { return m_port != 0; }
    quint16 serverPort() const { return m_port; }
    QString errorString() const { return m_error; }

    QString root() const { return m_root; }

    // Counts since start, for the status line and tests.
    int storedCount() const { return m_stored; }
    int refusedCount() const { return m_refused; }

signals:
    // A complete submission is in place. peer is the TCP sender's address
    // (the header's address is what the student program says it is); folder
    // is its folder in the lesson folder; page the set's page in it, empty
    // when the work has none.
    void workStored(const velmora::work::WorkHeader& header, const QHostAddress& peer,
                    const QString& folder, const QString& page);
    // A connection ended without a stored submission; detail is plain text
    // (the store's Chinese reason for StoreFailed). header is what was read
    // of it (empty fields before the header was whole).
    void workRefused(const QHostAddress& peer, velmora::work::Refusal reason, const QString& detail,
                     const velmora::work::WorkHeader& header);

private:
    friend class WorkServer;
    void deliverStored(const work::WorkHeader& header, const QHostAddress& peer,
                       const QString& folder, const QString& page);
    void deliverRefused(const QHostAddress& peer, work::Refusal reason, const QString& detail,
                        const work::WorkHeader& header);

    QThread m_thread;
    WorkServer* m_server = nullptr;
    Limits m_limits;
    QString m_root;
    QString m_error;
    quint16 m_port = 0;
    int m_stored = 0;
    int m_refused = 0;
};

} // namespace velmora::collector

Q_DECLARE_METATYPE(velmora::work::WorkHeader)
Q_DECLARE_METATYPE(velmora::work::Refusal)
