// SPDX-License-Identifier: MIT
// Collector ingest: a separate process sends a burst (500 distinct keys, then
// 5,000 updates of them) as fast as it can to three receivers in this
// process, in turn, round after round:
// - a bare UDP socket that only counts what arrives (the limit of this
//   computer);
// - a bare recorder: the same socket reads, and what the protocol asks of any
//   collector done by hand: each datagram appended to a file, the file synced
//   to the disk once per batch, as the collector's journal is, and the
//   acknowledgement sent after the sync;
// - a live collector window.
// Prints what the window recorded, what was lost, the time from the first
// send to the last datagram taken in and the CPU time this process spent per
// datagram, with their medians and spread, and the ratios of the medians.
// Then the cost of a single new row and of a single update with 50, 200 and
// 500 rows in the list.
#include "Burst.h"
#include "BurstCheck.h"
#include "Console.h"
#include "FreePort.h"
#include "ScoreDatagram.h"
#include "ScoreReceiver.h"
#include "ScriptedPrompter.h"
#include "Summary.h"
#include "form1.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEventLoop>
#include <QFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>
#include <QVariant>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

using namespace velmora;

using velmora::bench::print;
using velmora::bench::spin;

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// CPU time of this whole process so far (user and system, every thread: the
// receivers, Qt's own threads such as the X connection's reader).
qint64 cpuNs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const auto ns = [](const timeval& t) {
        return qint64(t.tv_sec) * 1000000000 + t.tv_usec * 1000;
    };
    return ns(u.ru_utime) + ns(u.ru_stime);
}

struct SenderReport
{
    bool ok = false;
    int sent = 0;
    int failed = 0;
    qint64 retries = 0;
    qint64 t0 = 0;
    qint64 t1 = 0;
    int acks = 0;
    QString error;
};

SenderReport parseSender(const QByteArray& out)
{
    SenderReport r;
    int found = 0;
    for (const QByteArray& item : out.trimmed().split(' ')) {
        const qsizetype eq = item.indexOf('=');
        if (eq < 0) {
            continue;
        }
        const QByteArray key = item.first(eq);
        bool ok = false;
        const qint64 value = item.mid(eq + 1).toLongLong(&ok);
        if (!ok) {
            continue;
        }
        ++found;
        if (key == "sent") {
            r.sent = int(value);
        } else if (key == "failed") {
            r.failed = int(value);
        } else if (key == "retries") {
            r.retries = value;
        } else if (key == "t0_ns") {
            r.t0 = value;
        } else if (key == "t1_ns") {
            r.t1 = value;
        } else if (key == "acks") {
            r.acks = int(value);
        } else {
            --found;
        }
    }
    r.ok = found == 6;
    if (!r.ok) {
        r.error = QStringLiteral("sender printed: ") + QString::fromUtf8(out.trimmed());
    }
    return r;
}

// Runs the sender against a port while this process's event loop keeps
// running (the receivers live on it). `progress` tells whether anything new
// was taken in, so that the wait ends once the receiver has gone quiet.
// `cpuMs` gets this process's CPU time from the sender's start to the end of
// that wait (starting the sender is not counted).
SenderReport runSender(const QString& senderPath, quint16 port, const bench::Burst& burst,
                       bool awaitAcks, const std::function<qint64()>& progress, double* cpuMs)
{
    QProcess sender;
    sender.setProgram(senderPath);
    QStringList args{QStringLiteral("--port"),    QString::number(port),
                     QStringLiteral("--keys"),    QString::number(burst.keys()),
                     QStringLiteral("--updates"), QString::number(burst.updates())};
    if (awaitAcks) {
        args << QStringLiteral("--await-acks");
    }
    sender.setArguments(args);
    sender.setProcessChannelMode(QProcess::SeparateChannels);
    sender.start();
    if (!sender.waitForStarted(10000)) {
        SenderReport r;
        r.error = QStringLiteral("cannot start ") + senderPath + QStringLiteral(": ") +
                  sender.errorString();
        return r;
    }
    const qint64 cpu0 = cpuNs();
    while (sender.state() != QProcess::NotRunning) {
        spin(10);
    }
    // Whatever is still queued is taken in before the count is made.
    for (qint64 before = -1; before != progress();) {
        before = progress();
        spin(500);
    }
    *cpuMs = double(cpuNs() - cpu0) / 1e6;
    if (sender.exitStatus() != QProcess::NormalExit || sender.exitCode() != 0) {
        SenderReport r;
        r.error =
            QStringLiteral("sender failed: ") + QString::fromUtf8(sender.readAllStandardError());
        return r;
    }
    return parseSender(sender.readAllStandardOutput());
}

struct BareRound
{
    int received = 0;
    double ms = 0;    // first send to last arrival
    double cpuMs = 0; // this process, while the burst came in
    int acks = 0;
};

// What a collector must do with each datagram whatever it shows: append it
// to a file, put the file on the disk before acknowledging (one sync per
// batch of at most `kBatch`, as the collector's journal does) and send the
// acknowledgement. The file is the only thing kept.
class BareRecorder
{
public:
    explicit BareRecorder(const QString& path) : m_file(path)
    {
        m_ok = m_file.open(QIODevice::WriteOnly | QIODevice::Append);
    }

    bool isOpen() const { return m_ok; }

    void take(QUdpSocket& socket, const QNetworkDatagram& d)
    {
        m_pending += d.data();
        m_pending += '\n';
        m_acks.append(d);
        if (m_acks.size() >= collector::ScoreReceiver::kBatch) {
            commit(socket);
        }
    }

    void commit(QUdpSocket& socket)
    {
        if (m_acks.isEmpty()) {
            return;
        }
        m_file.write(m_pending);
        m_file.flush();
        ::fdatasync(m_file.handle());
        m_pending.clear();
        for (const QNetworkDatagram& d : m_acks) {
            socket.writeDatagram(kAckPrefix.toByteArray() + d.data(), d.senderAddress(),
                                 quint16(qMax(0, d.senderPort())));
        }
        m_acks.clear();
    }

private:
    QFile m_file;
    bool m_ok = false;
    QByteArray m_pending;
    QList<QNetworkDatagram> m_acks;
};

// `record`: a bare recorder; otherwise a socket that only counts.
BareRound bareRound(const QString& senderPath, const bench::Burst& burst, bool record,
                    QString* error)
{
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::LocalHost, 0)) {
        *error = QStringLiteral("cannot bind the bare socket");
        return {};
    }
    socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                           QVariant(collector::ScoreReceiver::kReceiveBufferBytes));
    const QTemporaryDir folder;
    BareRecorder recorder(folder.filePath(QStringLiteral("bare.log")));
    if (record && !recorder.isOpen()) {
        *error = QStringLiteral("cannot open the bare recorder's file");
        return {};
    }
    qint64 received = 0;
    qint64 last = 0;
    QObject context;
    QObject::connect(&socket, &QUdpSocket::readyRead, &context, [&] {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = socket.receiveDatagram();
            if (d.isValid()) {
                ++received;
                if (record) {
                    recorder.take(socket, d);
                }
            }
        }
        if (record) {
            recorder.commit(socket);
        }
        last = nowNs();
    });
    double cpuMs = 0;
    const SenderReport report = runSender(
        senderPath, socket.localPort(), burst, record, [&] { return received; }, &cpuMs);
    if (!report.ok) {
        *error = report.error;
        return {};
    }
    return BareRound{int(received), double(last - report.t0) / 1e6, cpuMs, report.acks};
}

struct CollectorRound
{
    SenderReport sender;
    int recorded = 0;
    int ignored = 0;
    int refused = 0;
    bench::BurstCheck check;
    double ms = 0;    // first send to last datagram recorded
    double cpuMs = 0; // this process, while the burst came in
};

CollectorRound collectorRound(const QString& senderPath, const bench::Burst& burst, QString* error)
{
    const quint16 port = bench::freeUdpPort();
    // Journalled like the real collector, into a fresh folder per round.
    const QTemporaryDir journal;
    auto window = std::make_unique<collector::form1>(port, journal.path());
    if (!window->isListening()) {
        *error = QStringLiteral("the collector window could not listen on port ") +
                 QString::number(port);
        return {};
    }
    window->show();
    spin(200); // shown and painted before the burst starts

    // The window's own handler is connected first, so this one runs after it
    // has recorded what the same readyRead brought.
    auto* socket = window->receiver().findChild<QUdpSocket*>();
    if (!socket) {
        *error = QStringLiteral("the collector has no socket");
        return {};
    }
    const collector::ScoreReceiver& receiver = window->receiver();
    qint64 last = 0;
    int seen = 0;
    QObject context;
    QObject::connect(socket, &QUdpSocket::readyRead, &context, [&] {
        if (receiver.recordedCount() != seen) {
            seen = receiver.recordedCount();
            last = nowNs();
        }
    });
    CollectorRound round;
    round.sender = runSender(
        senderPath, port, burst, true,
        [&] {
            return qint64(receiver.recordedCount() + receiver.ignoredCount() +
                          receiver.refusedCount());
        },
        &round.cpuMs);
    if (!round.sender.ok) {
        *error = round.sender.error;
        return {};
    }
    round.recorded = receiver.recordedCount();
    round.ignored = receiver.ignoredCount();
    round.refused = receiver.refusedCount();
    round.check = bench::BurstCheck::of(burst, window->table());
    round.ms = double(last - round.sender.t0) / 1e6;
    return round;
}

// The cost of one new row, and of one update, with about `rows` rows in the
// list: from sending one datagram to the window having recorded it and
// handled every event that followed (its repaint included), as wall time and
// as this process's CPU time, medians of `samples`.
struct RowCost
{
    double newRowMs = 0;
    double updateMs = 0;
    double newRowCpuMs = 0;
    double updateCpuMs = 0;
};

struct OneCost
{
    double ms = 0;
    double cpuMs = 0;
};

OneCost timeOne(QUdpSocket& student, quint16 port, const ScoreDatagram& d,
                const std::function<bool()>& done)
{
    const QByteArray bytes = d.encode();
    const qint64 cpu0 = cpuNs();
    const qint64 t0 = nowNs();
    student.writeDatagram(bytes, QHostAddress::LocalHost, port);
    // Waits without spinning, so that the CPU time is the window's work.
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    // The repaint that the change asked for.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    const qint64 t1 = nowNs();
    return {double(t1 - t0) / 1e6, double(cpuNs() - cpu0) / 1e6};
}

RowCost rowCost(int rows, int samples, QString* error)
{
    const quint16 port = bench::freeUdpPort();
    const QTemporaryDir journal;
    collector::form1 window(port, journal.path());
    if (!window.isListening()) {
        *error = QStringLiteral("the collector window could not listen");
        return {};
    }
    window.show();
    spin(200);
    QUdpSocket student;
    student.bind(QHostAddress::LocalHost, 0);
    const bench::Burst keys(rows, 0);
    for (int i = 0; i < rows - samples; ++i) {
        student.writeDatagram(keys.at(i).encode(), QHostAddress::LocalHost, port);
        if (i % 50 == 49) {
            spin(5);
        }
    }
    while (window.table().rec_count() < rows - samples) {
        spin(20);
    }
    spin(200);
    const collector::ScoreReceiver& receiver = window.receiver();
    QList<double> created;
    QList<double> updated;
    QList<double> createdCpu;
    QList<double> updatedCpu;
    for (int i = rows - samples; i < rows; ++i) {
        const int before = receiver.recordedCount();
        const OneCost c =
            timeOne(student, port, keys.at(i), [&] { return receiver.recordedCount() > before; });
        created << c.ms;
        createdCpu << c.cpuMs;
        spin(20);
        ScoreDatagram again = keys.at(i - 1);
        again.score = QStringLiteral("25");
        const int before2 = receiver.recordedCount();
        const OneCost u =
            timeOne(student, port, again, [&] { return receiver.recordedCount() > before2; });
        updated << u.ms;
        updatedCpu << u.cpuMs;
        spin(20);
    }
    return {bench::Summary::of(created).median, bench::Summary::of(updated).median,
            bench::Summary::of(createdCpu).median, bench::Summary::of(updatedCpu).median};
}

// The ingest rounds; 0 on success.
int runIngest(const QString& senderPath, const bench::Burst& burst, int rounds)
{
    print(QStringLiteral("Collector ingest, platform %1: %2 keys then %3 updates (%4 datagrams), "
                         "%5 rounds")
              .arg(QGuiApplication::platformName())
              .arg(burst.keys())
              .arg(burst.updates())
              .arg(burst.size())
              .arg(rounds));
    // One round is the plain socket, the bare recorder and the window in
    // turn, so that a slower moment of the machine touches all three.
    QList<double> plainMs, plainCpu, recMs, recCpu, collMs, collCpu;
    int totalLost = 0;
    int bareAcksMissing = 0;
    bool allComplete = true;
    const double n = burst.size();
    for (int r = 1; r <= rounds; ++r) {
        QString error;
        const BareRound plain = bareRound(senderPath, burst, false, &error);
        const BareRound rec =
            error.isEmpty() ? bareRound(senderPath, burst, true, &error) : BareRound{};
        const CollectorRound coll =
            error.isEmpty() ? collectorRound(senderPath, burst, &error) : CollectorRound{};
        if (!error.isEmpty()) {
            print(QStringLiteral("bench_ingest: ") + error);
            return 1;
        }
        const int lost = coll.sender.sent - coll.recorded;
        totalLost += lost;
        bareAcksMissing += burst.size() - rec.acks;
        allComplete = allComplete && coll.check.complete(burst);
        plainMs << plain.ms;
        plainCpu << plain.cpuMs * 1000 / n;
        recMs << rec.ms;
        recCpu << rec.cpuMs * 1000 / n;
        collMs << coll.ms;
        collCpu << coll.cpuMs * 1000 / n;
        print(QStringLiteral("round %1: bare socket %2/%3 in %4 ms, %5 us CPU a datagram | bare "
                             "recorder %6 (acks %7) in %8 ms, %9 us | collector recorded %10/%11 "
                             "(lost %12, malformed %13, refused %14) in %15 ms, %16 us; rows %17, "
                             "final scores %18, first names kept %19, acks %20; sender %21 ms, "
                             "%22 send retries")
                  .arg(r)
                  .arg(plain.received)
                  .arg(burst.size())
                  .arg(plain.ms, 0, 'f', 1)
                  .arg(plain.cpuMs * 1000 / n, 0, 'f', 2)
                  .arg(rec.received)
                  .arg(rec.acks)
                  .arg(rec.ms, 0, 'f', 1)
                  .arg(rec.cpuMs * 1000 / n, 0, 'f', 2)
                  .arg(coll.recorded)
                  .arg(coll.sender.sent)
                  .arg(lost)
                  .arg(coll.ignored)
                  .arg(coll.refused)
                  .arg(coll.ms, 0, 'f', 1)
                  .arg(coll.cpuMs * 1000 / n, 0, 'f', 2)
                  .arg(coll.check.rowsFound)
                  .arg(coll.check.finalScores)
                  .arg(coll.check.firstKept)
                  .arg(coll.sender.acks)
                  .arg(double(coll.sender.t1 - coll.sender.t0) / 1e6, 0, 'f', 1)
                  .arg(coll.sender.retries));
    }
    const auto line = [](const QString& what, const QList<double>& ms, const QList<double>& cpu) {
        print(what + QStringLiteral(": wall ") + bench::Summary::of(ms).text(QStringLiteral("ms")) +
              QStringLiteral("; CPU a datagram ") +
              bench::Summary::of(cpu).text(QStringLiteral("us"), 2));
    };
    line(QStringLiteral("bare socket (counts only)"), plainMs, plainCpu);
    line(QStringLiteral("bare recorder (append, sync per batch, acknowledge)"), recMs, recCpu);
    line(QStringLiteral("collector window"), collMs, collCpu);
    const auto median = [](const QList<double>& v) { return bench::Summary::of(v).median; };
    print(QStringLiteral("ratio collector/bare recorder (medians): CPU %1, wall %2")
              .arg(bench::ratio(median(collCpu), median(recCpu)), 0, 'f', 2)
              .arg(bench::ratio(median(collMs), median(recMs)), 0, 'f', 2));
    print(QStringLiteral("ratio collector/bare socket (medians): CPU %1, wall %2")
              .arg(bench::ratio(median(collCpu), median(plainCpu)), 0, 'f', 2)
              .arg(bench::ratio(median(collMs), median(plainMs)), 0, 'f', 2));
    print(QStringLiteral("datagrams lost over all rounds: %1 (target 0); every round complete "
                         "(a row per key, last scores, first names): %2; bare recorder's "
                         "missing acknowledgements: %3")
              .arg(totalLost)
              .arg(allComplete ? QStringLiteral("yes") : QStringLiteral("NO"))
              .arg(bareAcksMissing));

    return 0;
}

// One datagram at a time with 50, 200 and 500 rows, `samples` of each;
// 0 on success.
int runRows(int samples)
{
    for (int rows : {50, 200, 500}) {
        QString error;
        const RowCost cost = rowCost(rows, samples, &error);
        if (!error.isEmpty()) {
            print(QStringLiteral("bench_ingest: ") + error);
            return 1;
        }
        print(QStringLiteral("one datagram with %1 rows in the list, send to recorded and "
                             "repainted (medians of %6): new row %2 ms wall, %3 ms CPU; update "
                             "%4 ms wall, %5 ms CPU")
                  .arg(rows)
                  .arg(cost.newRowMs, 0, 'f', 3)
                  .arg(cost.newRowCpuMs, 0, 'f', 3)
                  .arg(cost.updateMs, 0, 'f', 3)
                  .arg(cost.updateCpuMs, 0, 'f', 3)
                  .arg(samples));
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Collector ingest: a burst into a collector window against a bare socket."));
    parser.addHelpOption();
    const QCommandLineOption keysOption(QStringLiteral("keys"), QStringLiteral("distinct keys"),
                                        QStringLiteral("n"), QStringLiteral("500"));
    const QCommandLineOption updatesOption(QStringLiteral("updates"), QStringLiteral("updates"),
                                           QStringLiteral("n"), QStringLiteral("5000"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("rounds"),
                                          QStringLiteral("n"), QStringLiteral("7"));
    const QCommandLineOption partOption(
        QStringLiteral("part"),
        QStringLiteral("what to run: ingest (the rounds), rows (one datagram at a time) or all"),
        QStringLiteral("part"), QStringLiteral("all"));
    const QCommandLineOption samplesOption(
        QStringLiteral("row-samples"),
        QStringLiteral("new rows and updates timed one at a time per list length"),
        QStringLiteral("n"), QStringLiteral("20"));
    parser.addOptions({keysOption, updatesOption, roundsOption, partOption, samplesOption});
    parser.process(app);
    const bench::Burst burst(parser.value(keysOption).toInt(), parser.value(updatesOption).toInt());
    const int rounds = std::max(1, parser.value(roundsOption).toInt());
    if (burst.size() == 0) {
        std::fprintf(stderr, "bench_ingest: --keys must be positive\n");
        return 2;
    }
    const QString part = parser.value(partOption);
    if (part != u"all" && part != u"ingest" && part != u"rows") {
        std::fprintf(stderr, "bench_ingest: --part must be ingest, rows or all\n");
        return 2;
    }
    const QString senderPath =
        QCoreApplication::applicationDirPath() + QStringLiteral("/bench_ingest_sender");

    // Nothing here may wait for a person: any message box is answered and shown.
    ScriptedPrompter prompter;
    prompter.onShow = [](const Prompt& p) {
        print(QStringLiteral("message box: ") + p.title + QStringLiteral(": ") + p.text);
    };

    if (part != u"rows") {
        if (const int failed = runIngest(senderPath, burst, rounds)) {
            return failed;
        }
    }
    const int samples = std::clamp(parser.value(samplesOption).toInt(), 1, 49);
    return part != u"ingest" ? runRows(samples) : 0;
}
