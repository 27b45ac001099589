// SPDX-License-Identifier: MIT
#include "WorkReceiver.h"

#include "ExerciseSets.h"
#include "Marking.h"
#include "Platform.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <unordered_map>

namespace velmora::collector {

using work::Refusal;
using work::WorkHeader;
using work::WorkReader;

namespace {

// What Qt may read ahead of the reader per connection: the rest waits in the
// system's buffers, so memory stays small however many bytes are on the way.
constexpr qint64 kReadAheadBytes = 64 * 1024;
// The same for a socket that got its answer and whose bytes are dropped.
constexpr qint64 kDropAheadBytes = 4 * 1024;
// Sockets that got their answer and wait for their sender to close (so the
// answer is not lost to a reset); past this many, the oldest are cut.
constexpr int kMaxLingering = 256;

QString pageIn(const QString& folder, const QString& set)
{
    const int index = sets::indexOf(set);
    if (index == 0) {
        return {};
    }
    const QString page = marking::findPage(folder, marking::pageFileName(index));
    return QFileInfo(page).isFile() ? page : QString();
}

} // namespace

// Lives on the receiver's thread and owns everything network there.
class WorkServer : public QObject
{
public:
    WorkServer(WorkReceiver* receiver, WorkStore store, WorkReceiver::Limits limits)
        : m_receiver(receiver), m_store(std::move(store)), m_limits(limits)
    {
    }

    ~WorkServer() override
    {
        m_connections.clear(); // abandons what was being staged
        m_lingering.clear();
        for (QSocketNotifier* notifier : std::as_const(m_bare)) {
            QObject::disconnect(notifier, nullptr, this, nullptr);
            notifier->setEnabled(false);
            platform::closeSocket(notifier->socket());
            delete notifier;
        }
        m_bare.clear();
        const auto sockets = findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly);
        for (QTcpSocket* socket : sockets) {
            QObject::disconnect(socket, nullptr, this, nullptr);
            delete socket;
        }
    }

    bool listen(quint16 port, quint16& bound, QString& error)
    {
        close();
        m_server = new QTcpServer(this);
        if (!m_server->listen(QHostAddress::AnyIPv4, port)) {
            error = m_server->errorString();
            delete m_server;
            m_server = nullptr;
            return false;
        }
        m_store.removeLeftovers();
        QObject::connect(m_server, &QTcpServer::newConnection, this, [this] { accept(); });
        bound = m_server->serverPort();
        return true;
    }

    void close()
    {
        if (m_server) {
            m_server->close();
            delete m_server;
            m_server = nullptr;
        }
    }

    void setLimits(const WorkReceiver::Limits& limits) { m_limits = limits; }

private:
    struct Connection
    {
        QTcpSocket* socket = nullptr;
        QHostAddress peer;
        quint32 source = 0;
        std::unique_ptr<WorkStore::Staging> staging;
        std::unique_ptr<WorkReader> reader;
        QTimer* idle = nullptr;
        QTimer* total = nullptr;
    };

    void accept()
    {
        while (m_server && m_server->hasPendingConnections()) {
            QTcpSocket* socket = m_server->nextPendingConnection();
            if (!socket) {
                break;
            }
            const QHostAddress peer = socket->peerAddress();
            bool v4 = false;
            const quint32 source = peer.toIPv4Address(&v4);
            const Refusal verdict = admit(v4 ? source : 0);
            if (verdict != Refusal::None) {
                // Turned away before a byte is read; said so, so the sender
                // knows to try again.
                socket->setParent(this);
                answer(socket, verdict);
                report(peer, verdict, work::refusalCode(verdict), {});
                continue;
            }
            open(socket, peer, source);
        }
    }

    // Whether a new connection from source may start now.
    Refusal admit(quint32 source)
    {
        if (int(m_connections.size()) >= m_limits.maxConnections ||
            m_active.value(source) >= m_limits.maxPerSource) {
            return Refusal::Busy;
        }
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        QList<qint64>& starts = m_starts[source];
        while (!starts.isEmpty() && now - starts.first() >= m_limits.rateWindowMs) {
            starts.removeFirst();
        }
        if (starts.size() >= m_limits.perSourcePerWindow) {
            return Refusal::RateLimited;
        }
        starts.append(now);
        // Forget sources that have been quiet for a whole window.
        if (m_starts.size() > 1024) {
            for (auto it = m_starts.begin(); it != m_starts.end();) {
                it = (it->isEmpty() || now - it->last() >= m_limits.rateWindowMs)
                         ? m_starts.erase(it)
                         : std::next(it);
            }
        }
        return Refusal::None;
    }

    void open(QTcpSocket* socket, const QHostAddress& peer, quint32 source)
    {
        socket->setParent(this);
        socket->setReadBufferSize(kReadAheadBytes);
        auto c = std::make_unique<Connection>();
        c->socket = socket;
        c->peer = peer;
        c->source = source;
        c->staging = m_store.stage();
        c->reader = std::make_unique<WorkReader>(c->staging.get());
        c->idle = new QTimer(socket);
        c->idle->setSingleShot(true);
        c->total = new QTimer(socket);
        c->total->setSingleShot(true);
        QObject::connect(c->idle, &QTimer::timeout, this, [this, socket] { timedOut(socket); });
        QObject::connect(c->total, &QTimer::timeout, this, [this, socket] { timedOut(socket); });
        QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        QObject::connect(socket, &QTcpSocket::disconnected, this,
                         [this, socket] { ended(socket); });
        c->idle->start(m_limits.idleTimeoutMs);
        c->total->start(m_limits.totalTimeoutMs);
        ++m_active[source];
        m_connections.emplace(socket, std::move(c));
        // Bytes may have come with the connection.
        if (socket->bytesAvailable() > 0) {
            read(socket);
        }
    }

    Connection* find(QTcpSocket* socket)
    {
        const auto it = m_connections.find(socket);
        return it == m_connections.end() ? nullptr : it->second.get();
    }

    void read(QTcpSocket* socket)
    {
        Connection* c = find(socket);
        if (!c) {
            return;
        }
        c->idle->start(m_limits.idleTimeoutMs);
        // One buffer for every connection of the thread: nothing is allocated
        // per piece.
        m_chunk.resize(kReadAheadBytes);
        while (socket->bytesAvailable() > 0) {
            const qint64 n = socket->read(m_chunk.data(), m_chunk.size());
            if (n <= 0) {
                break;
            }
            const WorkReader::State state = c->reader->feed(QByteArrayView(m_chunk).first(n));
            if (state == WorkReader::State::Refused) {
                refuse(socket, c->reader->refusal(), c->reader->detail());
                return;
            }
            if (state == WorkReader::State::Complete && socket->bytesAvailable() == 0) {
                // Bytes after the last file come to the reader first and
                // refuse it there.
                complete(socket);
                return;
            }
        }
    }

    void complete(QTcpSocket* socket)
    {
        Connection* c = find(socket);
        const WorkStore::Stored stored = m_store.commit(*c->staging);
        const WorkHeader header = c->reader->header();
        const QHostAddress peer = c->peer;
        if (!stored.ok) {
            refuse(socket, Refusal::StoreFailed, stored.error);
            return;
        }
        finish(socket, Refusal::None);
        const QString page = pageIn(stored.folder, header.set);
        QPointer<WorkReceiver> receiver = m_receiver;
        QMetaObject::invokeMethod(
            m_receiver,
            [receiver, header, peer, folder = stored.folder, page] {
                if (receiver) {
                    receiver->deliverStored(header, peer, folder, page);
                }
            },
            Qt::QueuedConnection);
    }

    void refuse(QTcpSocket* socket, Refusal reason, const QString& detail)
    {
        Connection* c = find(socket);
        const QHostAddress peer = c->peer;
        const WorkHeader header = c->reader->headerRead() ? c->reader->header() : WorkHeader();
        finish(socket, reason);
        report(peer, reason, detail, header);
    }

    void report(const QHostAddress& peer, Refusal reason, const QString& detail,
                const WorkHeader& header)
    {
        QPointer<WorkReceiver> receiver = m_receiver;
        QMetaObject::invokeMethod(
            m_receiver,
            [receiver, peer, reason, detail, header] {
                if (receiver) {
                    receiver->deliverRefused(peer, reason, detail, header);
                }
            },
            Qt::QueuedConnection);
    }

    // Answers, frees the connection's slot and lets the socket linger until
    // its sender closes.
    void finish(QTcpSocket* socket, Refusal reason)
    {
        const auto it = m_connections.find(socket);
        if (it != m_connections.end()) {
            std::unique_ptr<Connection> c = std::move(it->second);
            m_connections.erase(it);
            if (--m_active[c->source] <= 0) {
                m_active.remove(c->source);
            }
            QObject::disconnect(socket, nullptr, this, nullptr);
            delete c->idle;
            delete c->total;
            c->reader.reset(); // abandons what was staged unless committed
            c->staging.reset();
        }
        answer(socket, reason);
    }

    void answer(QTcpSocket* socket, Refusal reason)
    {
        if (lingerBare(socket, reason)) {
            return;
        }
        socket->setReadBufferSize(kDropAheadBytes);
        socket->write(work::encodeReply(reason));
        // What the sender still sends is read and dropped: closing with
        // unread bytes would reset the connection and could lose the answer.
        QObject::connect(socket, &QTcpSocket::readyRead, socket,
                         [socket] { socket->skip(socket->bytesAvailable()); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(m_limits.lingerMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        m_lingering.append(socket);
        QObject::connect(socket, &QObject::destroyed, this,
                         [this, socket] { m_lingering.removeOne(socket); });
        while (m_lingering.size() > kMaxLingering) {
            QTcpSocket* oldest = m_lingering.takeFirst();
            oldest->abort();
            oldest->deleteLater();
        }
        if (socket->bytesAvailable() > 0) {
            socket->skip(socket->bytesAvailable());
        }
        if (socket->state() == QAbstractSocket::UnconnectedState) {
            socket->deleteLater();
        }
    }

    // The answer goes straight to the system, and the connection lingers on a
    // second descriptor of its own, watched by a notifier that drops what
    // comes until the sender closes: no socket object and no buffers per
    // connection, however many of a class are turned away at once. False
    // where the platform cannot; the socket is then left as it was.
    bool lingerBare(QTcpSocket* socket, Refusal reason)
    {
        const qintptr descriptor = socket->socketDescriptor();
        if (descriptor < 0 || socket->bytesToWrite() > 0) {
            return false;
        }
        const qintptr copy = platform::duplicateSocket(descriptor);
        if (copy < 0) {
            return false;
        }
        if (!platform::sendNow(copy, work::encodeReply(reason))) {
            platform::closeSocket(copy);
            return false;
        }
        // Closing Qt's descriptor leaves the connection open on the copy.
        socket->abort();
        socket->deleteLater();
        auto* notifier = new QSocketNotifier(copy, QSocketNotifier::Read, this);
        auto end = [notifier, copy, closed = std::make_shared<bool>(false)] {
            if (!*closed) { // the sender's close and the time-out may both come
                *closed = true;
                notifier->setEnabled(false);
                platform::closeSocket(copy);
                notifier->deleteLater();
            }
        };
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [copy, end] {
            if (!platform::discardIncoming(copy)) {
                end();
            }
        });
        QTimer::singleShot(m_limits.lingerMs, notifier, end);
        m_bare.append(notifier);
        QObject::connect(notifier, &QObject::destroyed, this,
                         [this, notifier] { m_bare.removeOne(notifier); });
        return true;
    }

    void timedOut(QTcpSocket* socket)
    {
        if (Connection* c = find(socket)) {
            const bool idle = !c->idle->isActive();
            refuse(socket, Refusal::TimedOut,
                   idle ? QStringLiteral("no byte for %1 ms after %2 bytes")
                              .arg(m_limits.idleTimeoutMs)
                              .arg(c->reader->received())
                        : QStringLiteral("not complete after %1 ms").arg(m_limits.totalTimeoutMs));
        }
    }

    void ended(QTcpSocket* socket)
    {
        Connection* c = find(socket);
        if (!c) {
            return;
        }
        // The last bytes may have come with the close.
        if (socket->bytesAvailable() > 0) {
            read(socket);
            c = find(socket);
            if (!c) {
                return;
            }
        }
        c->reader->finish();
        refuse(socket, c->reader->refusal(), c->reader->detail());
    }

    WorkReceiver* m_receiver;
    WorkStore m_store;
    WorkReceiver::Limits m_limits;
    QTcpServer* m_server = nullptr;
    std::unordered_map<QTcpSocket*, std::unique_ptr<Connection>> m_connections;
    QHash<quint32, int> m_active;
    QHash<quint32, QList<qint64>> m_starts;
    QList<QTcpSocket*> m_lingering;
    QList<QSocketNotifier*> m_bare; // connections lingering on their own descriptor
    QByteArray m_chunk;
};

WorkReceiver::WorkReceiver(WorkStore store, QObject* parent) : QObject(parent), m_root(store.root())
{
    qRegisterMetaType<work::WorkHeader>();
    qRegisterMetaType<work::Refusal>();
    m_thread.setObjectName(QStringLiteral("WorkReceiver"));
    m_server = new WorkServer(this, std::move(store), m_limits);
    m_server->moveToThread(&m_thread);
    m_thread.start();
    // Reading, hashing and writing work yields to the thread that
    // acknowledges scores.
    QMetaObject::invokeMethod(
        m_server, [] { platform::lowerThreadPriority(); }, Qt::QueuedConnection);
}

WorkReceiver::~WorkReceiver()
{
    // The server and its sockets end on their own thread; nothing it queued
    // for this object is delivered afterwards.
    WorkServer* server = m_server;
    QMetaObject::invokeMethod(
        server, [server] { delete server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void WorkReceiver::setLimits(const Limits& limits)
{
    m_limits = limits;
    WorkServer* server = m_server;
    QMetaObject::invokeMethod(
        server, [server, limits] { server->setLimits(limits); }, Qt::QueuedConnection);
}

bool WorkReceiver::listen(quint16 port)
{
    bool ok = false;
    quint16 bound = 0;
    QString error;
    WorkServer* server = m_server;
    // Binding takes no time; the answer is needed before going on.
    QMetaObject::invokeMethod(
        server, [&] { ok = server->listen(port, bound, error); }, Qt::BlockingQueuedConnection);
    m_port = ok ? bound : 0;
    m_error = ok ? QString() : error;
    return ok;
}

void WorkReceiver::close()
{
    WorkServer* server = m_server;
    QMetaObject::invokeMethod(
        server, [server] { server->close(); }, Qt::BlockingQueuedConnection);
    m_port = 0;
}

void WorkReceiver::deliverStored(const work::WorkHeader& header, const QHostAddress& peer,
                                 const QString& folder, const QString& page)
{
    ++m_stored;
    emit workStored(header, peer, folder, page);
}

void WorkReceiver::deliverRefused(const QHostAddress& peer, work::Refusal reason,
                                  const QString& detail, const work::WorkHeader& header)
{
    ++m_refused;
    emit workRefused(peer, reason, detail, header);
}

} // namespace velmora::collector
