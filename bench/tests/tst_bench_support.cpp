// SPDX-License-Identifier: MIT
#include "BatchCsv.h"
#include "Burst.h"
#include "BurstCheck.h"
#include "FirstPaintWatcher.h"
#include "Marking.h"
#include "PageFolders.h"
#include "ProcStatus.h"
#include "ScoreTable.h"
#include "Summary.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cmath>
#include <vector>

using namespace velmora;
using namespace velmora::bench;

class TstBenchSupport : public QObject
{
    Q_OBJECT

private slots:
    void burst_data();
    void burst();
    void burstDegenerate_data();
    void burstDegenerate();

    void burstCheck_data();
    void burstCheck();

    void summary_data();
    void summary();
    void summaryEmpty();

    void procStatusField_data();
    void procStatusField();
    void procStatusFieldRejected_data();
    void procStatusFieldRejected();
    void peakFollowsAllocation();

    void batchCsv_data();
    void batchCsv();
    void batchCsvRejected_data();
    void batchCsvRejected();

    void pageFolders();
    void pageFoldersThroughVelmoraMark();
    void pageFoldersWithoutFixtures();

    void firstPaint_data();
    void firstPaint();
};

// ---- the burst --------------------------------------------------------------

void TstBenchSupport::burst_data()
{
    QTest::addColumn<int>("keys");
    QTest::addColumn<int>("updates");
    QTest::newRow("one key, no updates") << 1 << 0;
    QTest::newRow("updates a multiple of the keys") << 20 << 60;
    QTest::newRow("updates not a multiple") << 7 << 10;
    QTest::newRow("fewer updates than keys") << 10 << 3;
    QTest::newRow("a classroom burst") << 500 << 5000;
}

void TstBenchSupport::burst()
{
    QFETCH(int, keys);
    QFETCH(int, updates);
    const Burst b(keys, updates);
    QCOMPARE(b.size(), keys + updates);

    QSet<QString> pairs;
    QHash<int, QString> lastScore; // by key, from the datagrams themselves
    for (int i = 0; i < b.size(); ++i) {
        const ScoreDatagram d = b.at(i);
        // Every field must survive the wire: a '#' inside would split it.
        QCOMPARE(ScoreDatagram::decode(d.encode()), std::optional<ScoreDatagram>(d));
        const QString pair = d.address + u'#' + d.set;
        if (i < keys) {
            QVERIFY2(!pairs.contains(pair), qPrintable(pair));
            pairs.insert(pair);
            QCOMPARE(b.keyOf(i), i);
        } else {
            QVERIFY2(pairs.contains(pair), "an update must belong to a key sent before");
            QCOMPARE(b.at(b.keyOf(i)).address + u'#' + b.at(b.keyOf(i)).set, pair);
        }
        lastScore[b.keyOf(i)] = d.score;
    }
    QCOMPARE(pairs.size(), keys);
    for (int k = 0; k < keys; ++k) {
        QCOMPARE(b.finalScore(k), lastScore.value(k));
    }
}

void TstBenchSupport::burstDegenerate_data()
{
    QTest::addColumn<int>("keys");
    QTest::addColumn<int>("updates");
    QTest::addColumn<int>("size");
    QTest::newRow("no keys, updates asked") << 0 << 100 << 0;
    QTest::newRow("negative keys") << -5 << 10 << 0;
    QTest::newRow("negative updates") << 3 << -1 << 3;
}

void TstBenchSupport::burstDegenerate()
{
    QFETCH(int, keys);
    QFETCH(int, updates);
    QFETCH(int, size);
    const Burst b(keys, updates);
    QCOMPARE(b.size(), size);
    QVERIFY(b.finalScore(-1).isEmpty());
    QVERIFY(b.finalScore(b.keys()).isEmpty());
}

// ---- the burst against a real score table ------------------------------------

namespace {

enum class Damage
{
    None,
    LastUpdateLost,
    KeyNeverArrived,
    ForeignDatagram,
    RowDeleted,
    NameCorrected,
};

} // namespace

void TstBenchSupport::burstCheck_data()
{
    QTest::addColumn<int>("keys");
    QTest::addColumn<int>("updates");
    QTest::addColumn<int>("damage");
    QTest::addColumn<int>("rowsFound");
    QTest::addColumn<int>("finalScores");
    QTest::addColumn<int>("firstKept");
    QTest::addColumn<int>("foreignRows");
    QTest::addColumn<bool>("complete");
    const auto row = [](const char* name, int keys, int updates, Damage d, int rows, int finals,
                        int kept, int foreign, bool complete) {
        QTest::newRow(name) << keys << updates << int(d) << rows << finals << kept << foreign
                            << complete;
    };
    row("whole burst", 30, 95, Damage::None, 30, 30, 30, 0, true);
    row("last update lost", 30, 95, Damage::LastUpdateLost, 30, 29, 30, 0, false);
    row("one key never arrived", 30, 95, Damage::KeyNeverArrived, 29, 29, 29, 0, false);
    row("a foreign datagram", 30, 95, Damage::ForeignDatagram, 30, 30, 30, 1, false);
    row("a row deleted", 30, 95, Damage::RowDeleted, 29, 29, 29, 0, false);
    row("a name corrected by hand", 30, 95, Damage::NameCorrected, 30, 30, 29, 0, false);
    row("more keys than the table holds", 501, 0, Damage::None, 500, 500, 500, 0, false);
}

void TstBenchSupport::burstCheck()
{
    QFETCH(int, keys);
    QFETCH(int, updates);
    QFETCH(int, damage);
    QFETCH(int, rowsFound);
    QFETCH(int, finalScores);
    QFETCH(int, firstKept);
    QFETCH(int, foreignRows);
    QFETCH(bool, complete);

    const Burst b(keys, updates);
    collector::ScoreTable table;
    const int lostKey = 3;
    for (int i = 0; i < b.size(); ++i) {
        if (Damage(damage) == Damage::LastUpdateLost && i == b.size() - 1) {
            continue;
        }
        if (Damage(damage) == Damage::KeyNeverArrived && b.keyOf(i) == lostKey) {
            continue;
        }
        table.recordScore(b.at(i));
    }
    if (Damage(damage) == Damage::ForeignDatagram) {
        table.recordScore(QStringLiteral("192.168.9.9"), QStringLiteral("X"), QStringLiteral("5"),
                          QStringLiteral("外人"), QStringLiteral("第一套"));
    }
    if (Damage(damage) == Damage::RowDeleted) {
        QVERIFY(table.deleteRow(2));
    }
    if (Damage(damage) == Damage::NameCorrected) {
        QVERIFY(table.setName(5, QStringLiteral("改过的名字")));
    }

    const BurstCheck check = BurstCheck::of(b, table);
    QCOMPARE(check.rowsFound, rowsFound);
    QCOMPARE(check.finalScores, finalScores);
    QCOMPARE(check.firstKept, firstKept);
    QCOMPARE(check.foreignRows, foreignRows);
    QCOMPARE(check.duplicateRows, 0);
    QCOMPARE(check.complete(b), complete);
}

// ---- medians -----------------------------------------------------------------

void TstBenchSupport::summary_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("median");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::newRow("single") << QList<double>{4.5} << 4.5 << 4.5 << 4.5;
    QTest::newRow("odd count, unsorted") << QList<double>{9, 1, 5} << 5.0 << 1.0 << 9.0;
    QTest::newRow("even count takes the middle pair")
        << QList<double>{4, 1, 3, 100} << 3.5 << 1.0 << 100.0;
    QTest::newRow("one slow run does not move it")
        << QList<double>{10, 11, 10, 500, 12} << 11.0 << 10.0 << 500.0;
}

void TstBenchSupport::summary()
{
    QFETCH(QList<double>, values);
    QFETCH(double, median);
    QFETCH(double, min);
    QFETCH(double, max);
    const Summary s = Summary::of(values);
    QCOMPARE(s.count, values.size());
    QCOMPARE(s.median, median);
    QCOMPARE(s.min, min);
    QCOMPARE(s.max, max);
    QVERIFY(s.text(QStringLiteral("ms")).contains(u"n " + QString::number(values.size())));
}

void TstBenchSupport::summaryEmpty()
{
    const Summary s = Summary::of({});
    QCOMPARE(s.count, 0);
    QCOMPARE(s.median, 0.0);
    // A ratio against nothing must not pass for a figure.
    QCOMPARE(ratio(5, 0), 0.0);
    QCOMPARE(ratio(5, -1), 0.0);
    QCOMPARE(ratio(3, 2), 1.5);
}

// ---- /proc figures -------------------------------------------------------------

namespace {

const QByteArray kStatus = "Name:\tbench\n"
                           "VmPeak:\t  400000 kB\n"
                           "VmHWMx:\t      77 kB\n"
                           "VmHWM:\t   54321 kB\n"
                           "VmRSS:\t   50000 kB\n";

} // namespace

void TstBenchSupport::procStatusField_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<qint64>("kib");
    QTest::newRow("peak resident") << kStatus << QByteArray("VmHWM") << qint64(54321);
    QTest::newRow("resident") << kStatus << QByteArray("VmRSS") << qint64(50000);
    QTest::newRow("last line without line end")
        << QByteArray("VmRSS:  12 kB") << QByteArray("VmRSS") << qint64(12);
}

void TstBenchSupport::procStatusField()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, field);
    QFETCH(qint64, kib);
    QCOMPARE(ProcStatus::fieldKiB(text, field), std::optional<qint64>(kib));
}

void TstBenchSupport::procStatusFieldRejected_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("missing") << kStatus << QByteArray("VmSwap");
    QTest::newRow("only a longer name") << QByteArray("VmHWMx:\t 7 kB\n") << QByteArray("VmHWM");
    QTest::newRow("no unit") << QByteArray("VmHWM:\t 7\n") << QByteArray("VmHWM");
    QTest::newRow("not a number") << QByteArray("VmHWM:\t seven kB\n") << QByteArray("VmHWM");
    QTest::newRow("negative") << QByteArray("VmHWM:\t -7 kB\n") << QByteArray("VmHWM");
    QTest::newRow("empty text") << QByteArray() << QByteArray("VmHWM");
}

void TstBenchSupport::procStatusFieldRejected()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, field);
    QCOMPARE(ProcStatus::fieldKiB(text, field), std::nullopt);
}

void TstBenchSupport::peakFollowsAllocation()
{
#if !defined(Q_OS_LINUX)
    QSKIP("resident sizes are read from /proc");
#else
    const auto before = ProcStatus::peakResidentKiB();
    QVERIFY(before.has_value());
    constexpr std::size_t kBytes = 48u << 20;
    std::vector<char> block(kBytes, 1); // written, so resident
    const auto resident = ProcStatus::residentKiB();
    const auto after = ProcStatus::peakResidentKiB();
    QVERIFY(resident && after);
    QVERIFY(*after >= *resident);
    // The 48 MiB just touched must show up, in KiB (not bytes, not pages).
    QVERIFY2(*resident >= 40 * 1024, qPrintable(QString::number(*resident)));
    QVERIFY2(*after - *before >= 32 * 1024 || *before >= 40 * 1024,
             qPrintable(QStringLiteral("%1 -> %2").arg(*before).arg(*after)));
    QVERIFY2(*after < 64 * 1024 * 1024, "a peak of 64 GiB means the unit is wrong");
    QCOMPARE(block[kBytes - 1], char(1));
#endif
}

// ---- velmora-mark --batch output --------------------------------------------------

void TstBenchSupport::batchCsv_data()
{
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QList<int>>("totals");
    QTest::newRow("header only") << QByteArray("folder,q1,q2,q3,q4,q5,total\n") << QStringList{}
                                 << QList<int>{};
    QTest::newRow("two pages") << QByteArray("folder,q1,q2,q3,q4,q5,total\n"
                                             "p0000,5,5,5,5,5,25\n"
                                             "p0009,5,0,3,5,0,13\n")
                               << QStringList{QStringLiteral("p0000"), QStringLiteral("p0009")}
                               << QList<int>{25, 13};
    QTest::newRow("a folder without its page")
        << QByteArray("folder,q1,q2,q3,q4,q5,total\np0001,,,,,,\n")
        << QStringList{QStringLiteral("p0001")} << QList<int>{-1};
    QTest::newRow("no final line end") << QByteArray("folder,q1,q2,q3,q4,q5,total\np2,0,0,0,0,0,0")
                                       << QStringList{QStringLiteral("p2")} << QList<int>{0};
}

void TstBenchSupport::batchCsv()
{
    QFETCH(QByteArray, out);
    QFETCH(QStringList, folders);
    QFETCH(QList<int>, totals);
    const BatchCsv csv = BatchCsv::parse(out);
    QVERIFY2(csv.ok, qPrintable(csv.error));
    QCOMPARE(csv.lines.size(), folders.size());
    for (qsizetype i = 0; i < folders.size(); ++i) {
        QCOMPARE(csv.lines[i].folder, folders[i]);
        QCOMPARE(csv.lines[i].total, totals[i]);
    }
}

void TstBenchSupport::batchCsvRejected_data()
{
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("empty output") << QByteArray();
    QTest::newRow("no header") << QByteArray("p0000,5,5,5,5,5,25\n");
    QTest::newRow("too few fields") << QByteArray("folder,q1,q2,q3,q4,q5,total\np0,5,5,25\n");
    QTest::newRow("quoted folder with a comma")
        << QByteArray("folder,q1,q2,q3,q4,q5,total\n\"a,b\",5,5,5,5,5,25\n");
    QTest::newRow("total above 25") << QByteArray("folder,q1,q2,q3,q4,q5,total\np0,5,5,5,5,5,26\n");
    QTest::newRow("total not a number")
        << QByteArray("folder,q1,q2,q3,q4,q5,total\np0,5,5,5,5,5,x\n");
}

void TstBenchSupport::batchCsvRejected()
{
    QFETCH(QByteArray, out);
    const BatchCsv csv = BatchCsv::parse(out);
    QVERIFY(!csv.ok);
    QVERIFY(!csv.error.isEmpty());
}

// ---- page folders ------------------------------------------------------------------

namespace {

const QString kFixtures = QStringLiteral(VELMORA_SOURCE_DIR "/tests/marking/pages");

} // namespace

void TstBenchSupport::pageFolders()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const int count = 22;
    const PageFolders::Result made = PageFolders::create(kFixtures, root.path(), count);
    QVERIFY2(made.ok, qPrintable(made.error));

    int full = 0;
    for (int i = 0; i < count; ++i) {
        const int set = PageFolders::setOf(i);
        const QString page = PageFolders::setDir(root.path(), set) + u'/' +
                             PageFolders::folderName(i) + u'/' + marking::pageFileName(set);
        QVERIFY2(QFileInfo(page).isFile(), qPrintable(page));
        // The page must be the set's own: a whole one earns full marks, a
        // half-done one loses points.
        const int total = marking::markFile(set, page).total;
        if (PageFolders::isHalfDone(i)) {
            QVERIFY2(total < 25, qPrintable(page));
        } else {
            QCOMPARE(total, 25);
            ++full;
        }
    }
    QCOMPARE(made.fullPages, full);
    int sum = 0;
    for (int set = marking::kFirstSet; set <= marking::kLastSet; ++set) {
        const int folders = int(QDir(PageFolders::setDir(root.path(), set))
                                    .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                                    .size());
        QCOMPARE(made.perSet[set], folders);
        sum += folders;
    }
    QCOMPARE(sum, count);
}

void TstBenchSupport::pageFoldersThroughVelmoraMark()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const int count = 18; // two folders per set
    const PageFolders::Result made = PageFolders::create(kFixtures, root.path(), count);
    QVERIFY2(made.ok, qPrintable(made.error));
    const QString tool = QStringLiteral(VELMORA_BIN_DIR "/velmora-mark");
    int full = 0;
    for (int set = marking::kFirstSet; set <= marking::kLastSet; ++set) {
        QProcess p;
        p.start(tool, {QStringLiteral("--set"), QString::number(set), QStringLiteral("--batch"),
                       PageFolders::setDir(root.path(), set)});
        QVERIFY2(p.waitForFinished(30000), qPrintable(p.errorString()));
        QCOMPARE(p.exitCode(), 0);
        const BatchCsv csv = BatchCsv::parse(p.readAllStandardOutput());
        QVERIFY2(csv.ok, qPrintable(csv.error));
        QCOMPARE(csv.lines.size(), made.perSet[set]);
        for (const BatchCsv::Line& line : csv.lines) {
            const int i = line.folder.mid(1).toInt();
            QCOMPARE(PageFolders::folderName(i), line.folder);
            QCOMPARE(line.total == 25, !PageFolders::isHalfDone(i));
            full += line.total == 25 ? 1 : 0;
        }
    }
    QCOMPARE(full, made.fullPages);
}

void TstBenchSupport::pageFoldersWithoutFixtures()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const PageFolders::Result made =
        PageFolders::create(root.path() + QStringLiteral("/no-such-folder"), root.path(), 10);
    QVERIFY(!made.ok);
    QVERIFY(made.error.contains(QStringLiteral("set1_full.htm")));
    // Nothing is half made when the fixtures are missing.
    QVERIFY(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

// ---- first paint ---------------------------------------------------------------------

void TstBenchSupport::firstPaint_data()
{
    QTest::addColumn<bool>("showWatched");
    QTest::addColumn<bool>("showOther");
    QTest::addColumn<int>("emitted");
    QTest::newRow("watched window shown") << true << false << 1;
    QTest::newRow("only another window shown") << false << true << 0;
    QTest::newRow("both shown, still once") << true << true << 1;
    QTest::newRow("nothing shown") << false << false << 0;
}

void TstBenchSupport::firstPaint()
{
    QFETCH(bool, showWatched);
    QFETCH(bool, showOther);
    QFETCH(int, emitted);
    QWidget watched;
    watched.resize(200, 100);
    QWidget child(&watched);
    child.setGeometry(10, 10, 50, 50);
    QWidget other;
    other.resize(200, 100);

    FirstPaintWatcher watcher;
    watcher.watch(&watched);
    QSignalSpy spy(&watcher, &FirstPaintWatcher::painted);
    if (showOther) {
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
    }
    if (showWatched) {
        watched.show();
        QVERIFY(QTest::qWaitForWindowExposed(&watched));
        QTRY_COMPARE(spy.count(), 1);
        watched.repaint(); // later paints do not count again
        child.repaint();
    }
    QTest::qWait(100);
    QCOMPARE(spy.count(), emitted);
    QCOMPARE(watcher.hasPainted(), emitted > 0);
}

QTEST_MAIN(TstBenchSupport)
#include "tst_bench_support.moc"
