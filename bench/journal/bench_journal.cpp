// SPDX-License-Identifier: MIT
// The collector's journal under a flood, in one run:
//  - restore: a journal of 600,000 updates of 60 keys read back (time, and
//    the growth of the peak resident size while reading);
//  - the record path per datagram: judging, recording and journalling as the
//    collector did before the score book (a flush per batch of 64), the score
//    book's take() alone, and take() with its commit (a disk sync per batch).
#include "Acceptance.h"
#include "AddressCheck.h"
#include "Console.h"
#include "Gbk.h"
#include "ProcStatus.h"
#include "ScoreBook.h"
#include "ScoreJournal.h"
#include "ScoreTable.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>

using namespace velmora;
using namespace velmora::collector;
using velmora::bench::print;

namespace {

constexpr int kBatch = 64;

QByteArray payload(int i, int keys)
{
    const int key = i % keys;
    return toGbk(QStringLiteral("10.20.%1.%2#PC%2#%3#学生%2#第一套")
                     .arg(key / 250)
                     .arg(key % 250 + 1)
                     .arg(i % 26));
}

QHostAddress sourceOf(int i, int keys)
{
    const int key = i % keys;
    return QHostAddress(QStringLiteral("10.20.%1.%2").arg(key / 250).arg(key % 250 + 1));
}

double mib(qint64 kib)
{
    return double(kib) / 1024.0;
}

// The record path as it was: judge, the forged-address check, record, encode,
// write; a flush per batch.
double oldPathNs(const QList<QByteArray>& payloads, const QList<QHostAddress>& sources,
                 const QString& file)
{
    Acceptance rules;
    ScoreTable table;
    const AddressCheck check(QList<QHostAddress>{});
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    QElapsedTimer t;
    t.start();
    for (qsizetype i = 0; i < payloads.size(); ++i) {
        const Acceptance::Decision d = rules.judge(payloads.at(i), sources.at(i), kStudentPort);
        if (d.verdict == Verdict::Record) {
            const bool forged = check.isForged(d.score->address, sources.at(i));
            table.recordScore(*d.score, sources.at(i).toString(), forged);
            rules.recorded(*d.score, sources.at(i));
            out.write(ScoreJournal::encode(
                ScoreJournal::scoreEntry(*d.score, sources.at(i).toString(), false)));
        }
        if (i % kBatch == kBatch - 1) {
            out.flush();
        }
    }
    out.flush();
    return double(t.nsecsElapsed()) / double(payloads.size());
}

// The score book: take() for every datagram, commit() per batch or once.
double bookPathNs(const QList<QByteArray>& payloads, const QList<QHostAddress>& sources,
                  const QString& folder, bool commitPerBatch)
{
    ScoreBook book(folder);
    book.open();
    book.setAddressCheck(AddressCheck(QList<QHostAddress>{}));
    QElapsedTimer t;
    t.start();
    for (qsizetype i = 0; i < payloads.size(); ++i) {
        book.take(payloads.at(i), sources.at(i), kStudentPort);
        if (commitPerBatch && i % kBatch == kBatch - 1) {
            book.commit();
        }
    }
    book.commit();
    return double(t.nsecsElapsed()) / double(payloads.size());
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Journal restore and record-path cost."));
    parser.addHelpOption();
    const QCommandLineOption updates(QStringLiteral("updates"),
                                     QStringLiteral("journalled updates"), QStringLiteral("n"),
                                     QStringLiteral("600000"));
    const QCommandLineOption keysOption(QStringLiteral("keys"), QStringLiteral("rows"),
                                        QStringLiteral("n"), QStringLiteral("60"));
    const QCommandLineOption datagrams(QStringLiteral("datagrams"),
                                       QStringLiteral("datagrams for the record path"),
                                       QStringLiteral("n"), QStringLiteral("200000"));
    parser.addOptions({updates, keysOption, datagrams});
    parser.process(app);
    const int n = parser.value(updates).toInt();
    const int keys = parser.value(keysOption).toInt();
    const int m = parser.value(datagrams).toInt();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("flood.journal"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        QByteArray block;
        for (int i = 0; i < n; ++i) {
            const auto d = ScoreDatagram::decode(payload(i, keys));
            block += ScoreJournal::encode(
                ScoreJournal::scoreEntry(*d, sourceOf(i, keys).toString(), false));
            if (block.size() > (1 << 20)) {
                f.write(block);
                block.clear();
            }
        }
        f.write(block);
    }
    const qint64 bytes = QFileInfo(path).size();

    // Restore: best of three; the peak grows only on the first.
    const qint64 peakBefore = bench::ProcStatus::peakResidentKiB().value_or(0);
    double best = 1e18;
    int rows = 0;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        const PreviousRun run = ScoreJournal::load(path);
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
        rows = run.rows;
    }
    const qint64 peakAfter = bench::ProcStatus::peakResidentKiB().value_or(0);
    print(QStringLiteral("restore: %1 updates of %2 keys, %3 MiB journal -> %4 rows in %5 ms "
                         "(best of 3); peak resident grew by %6 MiB to %7 MiB for the process")
              .arg(n)
              .arg(keys)
              .arg(double(bytes) / (1 << 20), 0, 'f', 1)
              .arg(rows)
              .arg(best, 0, 'f', 1)
              .arg(mib(peakAfter - peakBefore), 0, 'f', 1)
              .arg(mib(peakAfter), 0, 'f', 1));

    // The record path, interleaved rounds, medians.
    QList<QByteArray> payloads;
    QList<QHostAddress> sources;
    for (int i = 0; i < m; ++i) {
        payloads << payload(i, keys);
        sources << sourceOf(i, keys);
    }
    QList<double> before, take, synced;
    for (int round = 0; round < 5; ++round) {
        QTemporaryDir r;
        before << oldPathNs(payloads, sources, r.filePath(QStringLiteral("old.journal")));
        take << bookPathNs(payloads, sources, r.filePath(QStringLiteral("a")), false);
        synced << bookPathNs(payloads, sources, r.filePath(QStringLiteral("b")), true);
    }
    const auto median = [](QList<double> v) {
        std::sort(v.begin(), v.end());
        return v.at(v.size() / 2);
    };
    const double b = median(before);
    const double t = median(take);
    const double s = median(synced);
    print(QStringLiteral("record path per datagram (median of 5, %1 datagrams): before the "
                         "score book %2 ns, take() %3 ns (%4x), take() with a synced commit per "
                         "%5 datagrams %6 ns (sync adds %7 ns a datagram)")
              .arg(m)
              .arg(b, 0, 'f', 0)
              .arg(t, 0, 'f', 0)
              .arg(t / b, 0, 'f', 2)
              .arg(kBatch)
              .arg(s, 0, 'f', 0)
              .arg(s - t, 0, 'f', 0));
    return 0;
}
