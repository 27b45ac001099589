// SPDX-License-Identifier: MIT
#pragma once

#include "ScoreDatagram.h"
#include "WorkProtocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QTcpSocket;

namespace velmora::student {

// Sends a set's working folder to the teacher's collector over TCP
// (docs/work-protocol.md) and waits for its answer. Like the score upload it
// tries a few times, each try given up after a time without progress; a
// collector that is busy with other students is asked again after a short
// random pause, for up to a minute, without using up a try. Asynchronous:
// finished() tells the outcome, no message boxes.
class WorkSender : public QObject
{
    Q_OBJECT

public:
    enum class Outcome
    {
        Delivered, // the collector stored the work
        Refused,   // the collector answered no (reason says why); not retried
        Failed,    // no answer after every try, nothing to send, or no address
    };
    Q_ENUM(Outcome)

    // What goes from a working folder: the set's page first, then the other
    // regular files beside it in name order, as long as they stay within 64
    // files and 8 MiB. Links, folders, devices, names the collector would
    // refuse and a second name equal but for letter case are left out and
    // listed in skipped.
    struct Gathered
    {
        bool ok = false; // false: the folder is missing or unreadable
        QList<work::WorkFileData> files;
        QStringList skipped; // "name: why"
        QString error;
    };
    static Gathered gather(const QString& folder, const QString& pageName);

    explicit WorkSender(QObject* parent = nullptr);
    ~WorkSender() override;

    // The teacher's address as typed: an IPv4 address or a host name.
    void setRemote(const QString& host, quint16 port = kCollectorPort);
    // How long a try may go without progress (bytes going out or an answer
    // coming in), and how many tries.
    void setPatience(int timeoutMs, int tries);
    // How long a busy collector is asked again, in all.
    void setBusyPatience(int ms) { m_busyPatienceMs = qMax(0, ms); }

    bool busy() const { return m_busy; }
    // Files of the last gather() that were left out.
    QStringList skipped() const { return m_skipped; }

    // Gathers folder and sends it with the header's text fields (its files
    // are taken from the folder); finished() follows exactly once. Ignored
    // while busy.
    void send(const work::WorkHeader& fields, const QString& folder, const QString& pageName);
    // Sends these files as they are.
    void sendFiles(const work::WorkHeader& fields, const QList<work::WorkFileData>& files);

signals:
    // reason is the collector's answer (None when delivered or when no answer
    // came); detail is plain English for a log or a details box.
    void finished(velmora::student::WorkSender::Outcome outcome, velmora::work::Refusal reason,
                  const QString& detail);
    // A connection was started (first try, every retry and every busy retry).
    void attempted(int attempt);

private:
    void start();
    void resolved(const QHostAddress& address);
    void connectOnce();
    void readReply();
    void tryFailed(const QString& why);
    void retryLater(int delayMs);
    void dropSocket();
    void finish(Outcome outcome, work::Refusal reason, const QString& detail);

    QTcpSocket* m_socket = nullptr;
    QTimer m_timer;            // progress of the current try
    QTimer m_pause;            // before the next try
    QElapsedTimer m_busyClock; // since the first "busy" of this send
    QString m_host;
    quint16 m_port = kCollectorPort;
    QHostAddress m_address;
    QByteArray m_payload;
    QByteArray m_reply;
    QStringList m_skipped;
    int m_timeoutMs = 5000;
    int m_tries = 3;
    int m_busyPatienceMs = 60 * 1000;
    int m_failedTries = 0;
    int m_attempt = 0;
    int m_lookupId = -1;
    bool m_busy = false;
};

} // namespace velmora::student
