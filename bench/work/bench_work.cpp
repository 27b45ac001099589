// SPDX-License-Identifier: MIT
// Collected work under load: a class of 60 (bench_work_class, a separate
// process) submits 1 MiB each at the same moment to a WorkReceiver in this
// process; every submission is stored and re-marked (WorkMarker). Meanwhile
// a prober on its own thread sends a score datagram every few milliseconds to
// a ScoreReceiver on this process's main thread and times each
// acknowledgement. Prints the acknowledgement delay with and without
// submissions running (the same run, rounds interleaved) and their ratio, and
// the peak resident memory against the idle one.
#include "Console.h"
#include "FreePort.h"
#include "Marking.h"
#include "ProcStatus.h"
#include "ScoreBook.h"
#include "ScoreDatagram.h"
#include "ScoreReceiver.h"
#include "ScoreTable.h"
#include "Summary.h"
#include "WorkMarker.h"
#include "WorkReceiver.h"
#include "WorkStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>

#include <algorithm>
#include <atomic>
#include <chrono>

using namespace velmora;
using bench::print;
using bench::spin;

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Sends one score datagram at a time from its own thread and waits for its
// acknowledgement: the delay is what a student's upload waits.
class Prober
{
public:
    explicit Prober(quint16 port) : m_port(port) {}
    ~Prober() { stop(); }

    void start()
    {
        m_thread.reset(QThread::create([this] { run(); }));
        m_thread->start();
    }
    void stop()
    {
        m_stop = true;
        if (m_thread) {
            m_thread->wait();
            m_thread.reset();
        }
    }
    // The delays (ms) and losses since the last call.
    std::pair<QList<double>, int> take()
    {
        QMutexLocker lock(&m_mutex);
        std::pair<QList<double>, int> out{m_delays, m_lost};
        m_delays.clear();
        m_lost = 0;
        return out;
    }

private:
    void run()
    {
        QUdpSocket socket;
        socket.bind(QHostAddress::LocalHost, 0);
        for (int n = 0; !m_stop; ++n) {
            const QByteArray payload =
                ScoreDatagram{QStringLiteral("127.0.0.1"), QStringLiteral("PROBE"),
                              QString::number(n % 26), QStringLiteral("p%1").arg(n),
                              marking::setFolderName(2)}
                    .encode();
            const qint64 t0 = nowNs();
            socket.writeDatagram(payload, QHostAddress::LocalHost, m_port);
            bool acknowledged = false;
            QElapsedTimer waited;
            waited.start();
            while (!acknowledged && waited.elapsed() < 1000) {
                if (!socket.waitForReadyRead(int(1000 - waited.elapsed()))) {
                    continue;
                }
                while (socket.hasPendingDatagrams()) {
                    acknowledged =
                        acknowledged || isAckFor(socket.receiveDatagram().data(), payload);
                }
            }
            const double ms = double(nowNs() - t0) / 1e6;
            {
                QMutexLocker lock(&m_mutex);
                if (acknowledged) {
                    m_delays.append(ms);
                } else {
                    ++m_lost;
                }
            }
            QThread::msleep(5);
        }
    }

    quint16 m_port;
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_stop{false};
    QMutex m_mutex;
    QList<double> m_delays;
    int m_lost = 0;
};

double percentile(QList<double> values, double p)
{
    if (values.isEmpty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values.at(qMin(values.size() - 1, qsizetype(p * double(values.size()))));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption rounds(QStringLiteral("rounds"), QString(), QStringLiteral("N"),
                                    QStringLiteral("3"));
    const QCommandLineOption students(QStringLiteral("students"), QString(), QStringLiteral("N"),
                                      QStringLiteral("60"));
    const QCommandLineOption bytes(QStringLiteral("bytes"), QString(), QStringLiteral("N"),
                                   QStringLiteral("1048576"));
    parser.addOptions({rounds, students, bytes});
    parser.process(app);
    const int roundCount = parser.value(rounds).toInt();
    const int classSize = parser.value(students).toInt();
    const qint64 submission = parser.value(bytes).toLongLong();

    QTemporaryDir lesson;
    collector::WorkStore store(lesson.filePath(QStringLiteral("作业")));
    collector::WorkReceiver receiver(store);
    collector::WorkReceiver::Limits limits;
    // The whole class comes from 127.0.0.1 here; in a lab each student has an
    // address of his own, so the per-address limits would not bite.
    limits.maxPerSource = limits.maxConnections;
    limits.perSourcePerWindow = 1000000;
    receiver.setLimits(limits);
    if (!receiver.listen(0)) {
        print(QStringLiteral("cannot listen: ") + receiver.errorString());
        return 1;
    }
    collector::WorkMarker marker;
    int stored = 0;
    int refused = 0;
    int marked = 0;
    int fullMarks = 0;
    QObject::connect(&receiver, &collector::WorkReceiver::workStored, &app,
                     [&](const work::WorkHeader& header, const QHostAddress&, const QString& folder,
                         const QString&) {
                         ++stored;
                         marker.mark(header.address, header.set, folder);
                     });
    QObject::connect(&receiver, &collector::WorkReceiver::workRefused, &app, [&] { ++refused; });
    QObject::connect(&marker, &collector::WorkMarker::marked, &app,
                     [&](const QString&, const QString&, const QString&, int score) {
                         ++marked;
                         fullMarks += score == 25 ? 1 : 0;
                     });
    QObject::connect(&marker, &collector::WorkMarker::markFailed, &app, [&] { ++marked; });

    // The score path as Velcoll runs it: a score book on a journal of its
    // own, synced before each batch of acknowledgements.
    QTemporaryDir journal;
    collector::ScoreBook book(journal.filePath(QStringLiteral("journal")));
    book.open();
    collector::ScoreReceiver scores(book);
    const quint16 udpPort = bench::freeUdpPort();
    if (!scores.listen(udpPort)) {
        print(QStringLiteral("cannot bind the score port"));
        return 1;
    }

    const QString classProgram =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench_work_class"));
    const QString page = QStringLiteral(VELMORA_SOURCE_DIR "/tests/marking/pages/set1_full.htm");

    // Runs the class program once and waits until all it delivered is stored
    // and re-marked. Returns the milliseconds and prints a line.
    bool allGood = true;
    auto runClass = [&](int size, const QString& label) {
        stored = refused = marked = fullMarks = 0;
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(classProgram,
                    {QStringLiteral("--port"), QString::number(receiver.serverPort()),
                     QStringLiteral("--students"), QString::number(size), QStringLiteral("--bytes"),
                     QString::number(submission), QStringLiteral("--page"), page});
        QElapsedTimer clock;
        clock.start();
        while ((child.state() != QProcess::NotRunning || stored < size || marked < stored) &&
               clock.elapsed() < 300 * 1000) {
            spin(5);
        }
        const double ms = double(clock.elapsed());
        const QString out = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
        const bool good = stored == size && marked == size && fullMarks == size;
        allGood = allGood && good;
        print(QStringLiteral("%1: %2 ms, stored %3, re-marked %4 (25 points: %5), "
                             "refusals %6 (busy answers); class: %7")
                  .arg(label)
                  .arg(ms, 0, 'f', 0)
                  .arg(stored)
                  .arg(marked)
                  .arg(fullMarks)
                  .arg(refused)
                  .arg(out));
        return ms;
    };

    Prober prober(udpPort);
    prober.start();
    spin(1000); // warm up: sockets, threads, first allocations
    prober.take();
    const qint64 startPeak = bench::ProcStatus::peakResidentKiB().value_or(0);
    // One student first: the code of the work path is paged in and the
    // threads' first allocations are made, as after the first upload of a
    // lesson. What the class then adds is what submissions cost.
    runClass(1, QStringLiteral("warm-up, one student"));
    spin(500);
    prober.take();
    const qint64 idleResident = bench::ProcStatus::residentKiB().value_or(0);
    const qint64 idlePeak = bench::ProcStatus::peakResidentKiB().value_or(0);

    QList<double> idleDelays;
    QList<double> loadDelays;
    int idleLost = 0;
    int loadLost = 0;
    QList<double> roundMs;
    for (int round = 0; round < roundCount; ++round) {
        spin(2000);
        auto [idle, idleMissed] = prober.take();
        idleDelays += idle;
        idleLost += idleMissed;
        roundMs.append(runClass(classSize, QStringLiteral("round %1").arg(round + 1)));
        auto [load, loadMissed] = prober.take();
        loadDelays += load;
        loadLost += loadMissed;
        print(QStringLiteral("  probes idle %1, loaded %2").arg(idle.size()).arg(load.size()));
    }
    prober.stop();
    const qint64 peak = bench::ProcStatus::peakResidentKiB().value_or(0);

    const bench::Summary idle = bench::Summary::of(idleDelays);
    const bench::Summary load = bench::Summary::of(loadDelays);
    print(QStringLiteral("acknowledgement delay, idle:   %1, p95 %2 ms, lost %3")
              .arg(idle.text(QStringLiteral("ms"), 3))
              .arg(percentile(idleDelays, 0.95), 0, 'f', 3)
              .arg(idleLost));
    print(QStringLiteral("acknowledgement delay, loaded: %1, p95 %2 ms, lost %3")
              .arg(load.text(QStringLiteral("ms"), 3))
              .arg(percentile(loadDelays, 0.95), 0, 'f', 3)
              .arg(loadLost));
    print(QStringLiteral("ratio loaded/idle: median %1 (target <= 1.5), p95 %2")
              .arg(bench::ratio(load.median, idle.median), 0, 'f', 2)
              .arg(bench::ratio(percentile(loadDelays, 0.95), percentile(idleDelays, 0.95)), 0, 'f',
                   2));
    print(QStringLiteral("memory: peak %1 KiB at start; idle after one submission %2 KiB "
                         "resident (peak so far %3 KiB); peak %4 KiB: +%5 KiB over the idle "
                         "peak = %6 submissions (target <= 2); +%7 KiB over the start")
              .arg(startPeak)
              .arg(idleResident)
              .arg(idlePeak)
              .arg(peak)
              .arg(peak - idlePeak)
              .arg(double(peak - idlePeak) * 1024.0 / double(submission), 0, 'f', 2)
              .arg(peak - startPeak));
    print(QStringLiteral("class of %1 stored and re-marked in %2")
              .arg(classSize)
              .arg(bench::Summary::of(roundMs).text(QStringLiteral("ms"), 0)));
    return allGood ? 0 : 1;
}
