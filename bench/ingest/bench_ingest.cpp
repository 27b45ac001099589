// SPDX-License-Identifier: MIT
// Collector ingest: a separate process sends a burst (500 distinct keys, then
// 5,000 updates of them) as fast as it can, once to a bare UDP socket that
// only counts what arrives (the limit of this computer) and once to a live
// collector window shown in this process. Prints what the window recorded,
// what was lost and how long it took, for several rounds, and the ratio of
// the medians.
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
#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>
#include <QVariant>

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
SenderReport runSender(const QString& senderPath, quint16 port, const bench::Burst& burst,
                       bool awaitAcks, const std::function<qint64()>& progress)
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
    while (sender.state() != QProcess::NotRunning) {
        spin(10);
    }
    // Whatever is still queued is taken in before the count is made.
    for (qint64 before = -1; before != progress();) {
        before = progress();
        spin(500);
    }
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
    double ms = 0; // first send to last arrival
};

BareRound bareRound(const QString& senderPath, const bench::Burst& burst, QString* error)
{
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::LocalHost, 0)) {
        *error = QStringLiteral("cannot bind the bare socket");
        return {};
    }
    socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                           QVariant(collector::ScoreReceiver::kReceiveBufferBytes));
    qint64 received = 0;
    qint64 last = 0;
    QObject context;
    QObject::connect(&socket, &QUdpSocket::readyRead, &context, [&] {
        while (socket.hasPendingDatagrams()) {
            if (socket.receiveDatagram().isValid()) {
                ++received;
            }
        }
        last = nowNs();
    });
    const SenderReport report =
        runSender(senderPath, socket.localPort(), burst, false, [&] { return received; });
    if (!report.ok) {
        *error = report.error;
        return {};
    }
    return BareRound{int(received), double(last - report.t0) / 1e6};
}

struct CollectorRound
{
    SenderReport sender;
    int recorded = 0;
    int ignored = 0;
    int refused = 0;
    bench::BurstCheck check;
    double ms = 0; // first send to last datagram recorded
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
    round.sender = runSender(senderPath, port, burst, true, [&] {
        return qint64(receiver.recordedCount() + receiver.ignoredCount() + receiver.refusedCount());
    });
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
// list: the time from sending one datagram to the window having recorded it
// and handled every event that followed (its repaint included), median of 10.
struct RowCost
{
    double newRowMs = 0;
    double updateMs = 0;
};

double timeOne(QUdpSocket& student, quint16 port, const ScoreDatagram& d,
               const std::function<bool()>& done)
{
    const qint64 t0 = nowNs();
    student.writeDatagram(d.encode(), QHostAddress::LocalHost, port);
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    // The repaint that the change asked for.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return double(nowNs() - t0) / 1e6;
}

RowCost rowCost(int rows, QString* error)
{
    constexpr int kTimed = 10;
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
    for (int i = 0; i < rows - kTimed; ++i) {
        student.writeDatagram(keys.at(i).encode(), QHostAddress::LocalHost, port);
        if (i % 50 == 49) {
            spin(5);
        }
    }
    while (window.table().rec_count() < rows - kTimed) {
        spin(20);
    }
    spin(200);
    const collector::ScoreReceiver& receiver = window.receiver();
    QList<double> created;
    QList<double> updated;
    for (int i = rows - kTimed; i < rows; ++i) {
        const int before = receiver.recordedCount();
        created << timeOne(student, port, keys.at(i),
                           [&] { return receiver.recordedCount() > before; });
        spin(20);
        ScoreDatagram again = keys.at(i - 1);
        again.score = QStringLiteral("25");
        const int before2 = receiver.recordedCount();
        updated << timeOne(student, port, again,
                           [&] { return receiver.recordedCount() > before2; });
        spin(20);
    }
    return {bench::Summary::of(created).median, bench::Summary::of(updated).median};
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
                                          QStringLiteral("n"), QStringLiteral("5"));
    parser.addOptions({keysOption, updatesOption, roundsOption});
    parser.process(app);
    const bench::Burst burst(parser.value(keysOption).toInt(), parser.value(updatesOption).toInt());
    const int rounds = std::max(1, parser.value(roundsOption).toInt());
    if (burst.size() == 0) {
        std::fprintf(stderr, "bench_ingest: --keys must be positive\n");
        return 2;
    }
    const QString senderPath =
        QCoreApplication::applicationDirPath() + QStringLiteral("/bench_ingest_sender");

    // Nothing here may wait for a person: any message box is answered and shown.
    ScriptedPrompter prompter;
    prompter.onShow = [](const Prompt& p) {
        print(QStringLiteral("message box: ") + p.title + QStringLiteral(": ") + p.text);
    };

    print(QStringLiteral("Collector ingest, platform %1: %2 keys then %3 updates (%4 datagrams), "
                         "%5 rounds")
              .arg(QGuiApplication::platformName())
              .arg(burst.keys())
              .arg(burst.updates())
              .arg(burst.size())
              .arg(rounds));
    QList<double> bareMs;
    QList<double> collectorMs;
    int totalLost = 0;
    bool allComplete = true;
    for (int r = 1; r <= rounds; ++r) {
        QString error;
        const BareRound bare = bareRound(senderPath, burst, &error);
        if (!error.isEmpty()) {
            print(QStringLiteral("bench_ingest: ") + error);
            return 1;
        }
        const CollectorRound coll = collectorRound(senderPath, burst, &error);
        if (!error.isEmpty()) {
            print(QStringLiteral("bench_ingest: ") + error);
            return 1;
        }
        const int lost = coll.sender.sent - coll.recorded;
        totalLost += lost;
        allComplete = allComplete && coll.check.complete(burst);
        bareMs.append(bare.ms);
        collectorMs.append(coll.ms);
        print(QStringLiteral("round %1: bare socket received %2/%3 in %4 ms | collector recorded "
                             "%5/%6 (lost %7, malformed %8, refused %9) in %10 ms; rows %11, "
                             "final scores %12, first names kept %13, acks %14; sender %15 ms, "
                             "%16 send retries")
                  .arg(r)
                  .arg(bare.received)
                  .arg(burst.size())
                  .arg(bare.ms, 0, 'f', 1)
                  .arg(coll.recorded)
                  .arg(coll.sender.sent)
                  .arg(lost)
                  .arg(coll.ignored)
                  .arg(coll.refused)
                  .arg(coll.ms, 0, 'f', 1)
                  .arg(coll.check.rowsFound)
                  .arg(coll.check.finalScores)
                  .arg(coll.check.firstKept)
                  .arg(coll.sender.acks)
                  .arg(double(coll.sender.t1 - coll.sender.t0) / 1e6, 0, 'f', 1)
                  .arg(coll.sender.retries));
    }
    const bench::Summary bare = bench::Summary::of(bareMs);
    const bench::Summary coll = bench::Summary::of(collectorMs);
    print(QStringLiteral("bare socket, first send to last arrival: ") +
          bare.text(QStringLiteral("ms")));
    print(QStringLiteral("collector window, first send to last recorded: ") +
          coll.text(QStringLiteral("ms")));
    print(QStringLiteral("ratio collector/bare (medians): %1")
              .arg(bench::ratio(coll.median, bare.median), 0, 'f', 2));
    print(QStringLiteral("datagrams lost over all rounds: %1 (target 0); every round complete "
                         "(a row per key, last scores, first names): %2")
              .arg(totalLost)
              .arg(allComplete ? QStringLiteral("yes") : QStringLiteral("NO")));

    for (int rows : {50, 200, 500}) {
        QString error;
        const RowCost cost = rowCost(rows, &error);
        if (!error.isEmpty()) {
            print(QStringLiteral("bench_ingest: ") + error);
            return 1;
        }
        print(QStringLiteral("one datagram with %1 rows in the list, send to recorded and "
                             "repainted (median of 10): new row %2 ms, update %3 ms")
                  .arg(rows)
                  .arg(cost.newRowMs, 0, 'f', 3)
                  .arg(cost.updateMs, 0, 'f', 3));
    }
    return 0;
}
