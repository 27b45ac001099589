// SPDX-License-Identifier: MIT
#include "WorkSender.h"

#include "TeacherAddress.h"

#include "AnsiFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHostInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QTcpSocket>

namespace velmora::student {

using work::Refusal;

namespace {

// A busy collector is asked again after a pause of this many ms, at random
// within the range so that a class does not come back all at once.
constexpr int kBusyPauseMinMs = 200;
constexpr int kBusyPauseMaxMs = 1200;
// Between tries that failed without an answer (no listener, cut connection).
constexpr int kRetryPauseMs = 500;

} // namespace

WorkSender::Gathered WorkSender::gather(const QString& folder, const QString& pageName)
{
    Gathered out;
    const QFileInfo dir(folder);
    if (!dir.isDir() || dir.isSymLink()) {
        out.error = QStringLiteral("no working folder %1").arg(QDir::toNativeSeparators(folder));
        return out;
    }
    QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    // The page first, so that it is never the file left out.
    const QString pageKey = work::caseKey(pageName);
    std::stable_partition(entries.begin(), entries.end(), [&](const QFileInfo& e) {
        return work::caseKey(e.fileName()) == pageKey;
    });
    QSet<QString> taken;
    qint64 total = 0;
    for (const QFileInfo& e : entries) {
        const QString name = e.fileName();
        auto skip = [&](const QString& why) {
            out.skipped.append(name + QStringLiteral(": ") + why);
        };
        if (e.isSymLink()) {
            skip(QStringLiteral("a link"));
            continue;
        }
        if (e.isDir()) {
            skip(QStringLiteral("a folder"));
            continue;
        }
        if (!e.isFile()) {
            skip(QStringLiteral("not a regular file"));
            continue;
        }
        if (const QString why = work::nameProblem(name); !why.isEmpty()) {
            skip(why);
            continue;
        }
        if (taken.contains(work::caseKey(name))) {
            skip(QStringLiteral("another file has this name but for letter case"));
            continue;
        }
        if (out.files.size() >= work::kMaxFiles) {
            skip(QStringLiteral("more than %1 files").arg(work::kMaxFiles));
            continue;
        }
        const qint64 room = work::kMaxTotalBytes - total;
        if (e.size() > room) {
            skip(QStringLiteral("over the 8 MiB of a submission"));
            continue;
        }
        // Read as a regular file of at most what is left, never waiting.
        const FileRead read = readRegularFile(e.absoluteFilePath(), room);
        if (!read.bytes) {
            skip(read.reason);
            continue;
        }
        total += read.bytes->size();
        taken.insert(work::caseKey(name));
        out.files.append(work::WorkFileData{name, *read.bytes});
    }
    out.ok = true;
    return out;
}

WorkSender::WorkSender(QObject* parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this,
            [this] { tryFailed(QStringLiteral("no progress for %1 ms").arg(m_timeoutMs)); });
    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, &WorkSender::connectOnce);
}

WorkSender::~WorkSender()
{
    if (m_lookupId >= 0) {
        QHostInfo::abortHostLookup(m_lookupId);
    }
    dropSocket();
}

void WorkSender::setRemote(const QString& host, quint16 port)
{
    m_host = host;
    m_port = port;
}

void WorkSender::setPatience(int timeoutMs, int tries)
{
    m_timeoutMs = qMax(1, timeoutMs);
    m_tries = qMax(1, tries);
}

void WorkSender::send(const work::WorkHeader& fields, const QString& folder,
                      const QString& pageName)
{
    if (m_busy) {
        return;
    }
    Gathered gathered = gather(folder, pageName);
    m_skipped = gathered.skipped;
    if (!gathered.ok) {
        m_busy = true;
        QMetaObject::invokeMethod(
            this, [this, why = gathered.error] { finish(Outcome::Failed, Refusal::None, why); },
            Qt::QueuedConnection);
        return;
    }
    sendFiles(fields, gathered.files);
}

void WorkSender::sendFiles(const work::WorkHeader& fields, const QList<work::WorkFileData>& files)
{
    if (m_busy) {
        return;
    }
    m_busy = true;
    m_payload = work::encodeWork(fields, files);
    m_failedTries = 0;
    m_attempt = 0;
    m_busyClock.invalidate();
    start();
}

void WorkSender::start()
{
    m_lookupId =
        resolveTeacher(m_host, this, [this](const QHostAddress& address, const QString& why) {
            m_lookupId = -1;
            if (address.isNull()) {
                finish(Outcome::Failed, Refusal::None, why);
            } else {
                resolved(address);
            }
        });
}

void WorkSender::resolved(const QHostAddress& address)
{
    if (address.protocol() != QAbstractSocket::IPv4Protocol) {
        finish(Outcome::Failed, Refusal::None, QStringLiteral("not an IPv4 address"));
        return;
    }
    m_address = address;
    connectOnce();
}

void WorkSender::connectOnce()
{
    dropSocket();
    ++m_attempt;
    m_reply.clear();
    m_socket = new QTcpSocket(this);
    QTcpSocket* socket = m_socket;
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        if (socket == m_socket) {
            m_socket->write(m_payload);
            m_timer.start(m_timeoutMs);
        }
    });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
        if (socket == m_socket) {
            m_timer.start(m_timeoutMs); // progress
        }
    });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        if (socket == m_socket) {
            readReply();
        }
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] {
        if (socket == m_socket) {
            // The answer may have come just before the connection ended.
            readReply();
            if (m_socket == socket) {
                tryFailed(socket->errorString());
            }
        }
    });
    emit attempted(m_attempt);
    m_timer.start(m_timeoutMs);
    socket->connectToHost(m_address, m_port);
}

void WorkSender::readReply()
{
    m_reply.append(m_socket->read(work::kReplyBytes - m_reply.size()));
    if (m_reply.size() < work::kReplyBytes) {
        return;
    }
    const std::optional<Refusal> reply = work::decodeReply(m_reply);
    dropSocket();
    if (!reply) {
        finish(Outcome::Failed, Refusal::None, QStringLiteral("the collector's answer is garbled"));
        return;
    }
    switch (*reply) {
    case Refusal::None:
        finish(Outcome::Delivered, Refusal::None, {});
        return;
    case Refusal::Busy:
        // Other students are sending: ask again shortly, within the busy
        // patience, without using up a try.
        if (!m_busyClock.isValid()) {
            m_busyClock.start();
        }
        if (m_busyClock.elapsed() < m_busyPatienceMs) {
            retryLater(int(QRandomGenerator::global()->bounded(kBusyPauseMinMs, kBusyPauseMaxMs)));
            return;
        }
        finish(Outcome::Failed, *reply, QStringLiteral("the collector stayed busy"));
        return;
    case Refusal::TimedOut:
    case Refusal::Incomplete:
    case Refusal::RateLimited:
    case Refusal::StoreFailed:
        // Perhaps better next time: a try used up.
        if (++m_failedTries < m_tries) {
            retryLater(kRetryPauseMs);
            return;
        }
        finish(Outcome::Refused, *reply, work::refusalCode(*reply));
        return;
    default:
        finish(Outcome::Refused, *reply, work::refusalCode(*reply));
        return;
    }
}

void WorkSender::tryFailed(const QString& why)
{
    dropSocket();
    if (++m_failedTries < m_tries) {
        retryLater(kRetryPauseMs);
        return;
    }
    finish(Outcome::Failed, Refusal::None,
           QStringLiteral("no answer after %1 tries: %2").arg(m_tries).arg(why));
}

void WorkSender::retryLater(int delayMs)
{
    m_timer.stop();
    m_pause.start(delayMs);
}

void WorkSender::dropSocket()
{
    m_timer.stop();
    if (m_socket) {
        QTcpSocket* socket = m_socket;
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

void WorkSender::finish(Outcome outcome, Refusal reason, const QString& detail)
{
    dropSocket();
    m_pause.stop();
    m_busy = false;
    m_payload.clear();
    emit finished(outcome, reason, detail);
}

} // namespace velmora::student
