// SPDX-License-Identifier: MIT
// Replays what the fuzzers found and started from: every file of the seed
// corpora and of fuzz/regressions goes through the same harness as in a fuzz
// run, and malformed inputs made here go through it too.
#include "DatagramHarness.h"
#include "Gbk.h"
#include "JournalHarness.h"
#include "MarkingHarness.h"
#include "WorkHarness.h"

#include <QDir>
#include <QFile>
#include <QTest>

using velmora::fuzz::DatagramHarness;
using velmora::fuzz::JournalHarness;
using velmora::fuzz::MarkingHarness;
using velmora::fuzz::WorkHarness;

namespace {

const QString kFuzzDir = QStringLiteral(VELMORA_SOURCE_DIR "/fuzz");

// Files of corpus/<target> and regressions/<target>, in name order, as rows
// named "corpus/<file>" or "regressions/<file>". Dot files are skipped.
QList<std::pair<QString, QString>> inputFiles(const QString& target)
{
    QList<std::pair<QString, QString>> files;
    for (const QString& kind : {QStringLiteral("corpus"), QStringLiteral("regressions")}) {
        const QDir dir(kFuzzDir + u'/' + kind + u'/' + target);
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            files.append({kind + u'/' + name, dir.filePath(name)});
        }
    }
    return files;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

// A datagram with a distinct key per index.
QByteArray keyedDatagram(int i)
{
    const QString text = QStringLiteral("127.0.0.") + QString::number(i % 250 + 1) +
                         QStringLiteral("#PC#25#学生#第") + QString::number(i / 250) +
                         QStringLiteral("套");
    return velmora::toGbk(text);
}

} // namespace

class TestFuzzRegress : public QObject
{
    Q_OBJECT

private slots:
    void datagramFile_data();
    void datagramFile();
    void datagramSequence();
    void malformedDatagram_data();
    void malformedDatagram();
    void tableLimit_data();
    void tableLimit();
    void tableRenewal();

    void journalFile_data();
    void journalFile();
    void journalSeeds_data();
    void journalSeeds();

    void pageFile_data();
    void pageFile();

    void workFile_data();
    void workFile();
    void malformedPage_data();
    void malformedPage();
};

void TestFuzzRegress::datagramFile_data()
{
    QTest::addColumn<QString>("path");
    const auto files = inputFiles(QStringLiteral("datagram"));
    QVERIFY2(files.size() >= 10, "the datagram seed corpus is missing");
    for (const auto& [name, path] : files) {
        QTest::newRow(qPrintable(name)) << path;
    }
}

// One input on a fresh table, as libFuzzer reproduces a crash input.
void TestFuzzRegress::datagramFile()
{
    QFETCH(QString, path);
    DatagramHarness harness;
    const QString problem = harness.feed(readAll(path));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// All inputs into one table, in name order, as a fuzz run keeps its table.
void TestFuzzRegress::datagramSequence()
{
    DatagramHarness harness;
    const auto files = inputFiles(QStringLiteral("datagram"));
    for (int round = 0; round < 3; ++round) {
        for (const auto& [name, path] : files) {
            const QString problem = harness.feed(readAll(path));
            QVERIFY2(problem.isEmpty(), qPrintable(name + u": " + problem));
        }
    }
    QVERIFY(harness.table().rec_count() > 0);
    QCOMPARE(harness.inputs(), files.size() * 3);
}

void TestFuzzRegress::malformedDatagram_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("rows");        // rows the fresh table holds afterwards
    QTest::addColumn<QString>("setName"); // key entry of row 1 when recorded

    QTest::newRow("empty") << QByteArray() << 0 << QString();
    QTest::newRow("four fields") << QByteArray("127.0.0.1#PC#25#name") << 0 << QString();
    QTest::newRow("NUL instead of separators") << QByteArray("a\0b\0c\0d\0e", 9) << 0 << QString();
    QTest::newRow("fullwidth number signs are no separators")
        << velmora::toGbk(u"a＃b＃c＃d＃e") << 0 << QString();
    QTest::newRow("lone GBK lead byte") << QByteArray("\x81") << 0 << QString();
    QTest::newRow("five empty fields") << QByteArray("####") << 1 << QString();
    QTest::newRow("ten thousand separators") << QByteArray(10000, '#') << 1 << QString();
    QTest::newRow("GBK lead byte before every separator")
        << QByteArray("a\x81#b\x81#c\x81#d\x81#set") << 1 << QStringLiteral("set");
    QTest::newRow("invalid GBK in every field")
        << QByteArray("\x81#\xff#\x80\x80#\xfe#set") << 1 << QStringLiteral("set");
    QTest::newRow("64 KiB name") << (QByteArray("127.0.0.1#PC#25#") + QByteArray(65536, 'n') +
                                     QByteArray("#x"))
                                 << 1 << QStringLiteral("x");
    QTest::newRow("line breaks and separators in the set")
        << QByteArray("a#b#c#d#\r\n#\r\n") << 1 << QStringLiteral("\r\n");
}

void TestFuzzRegress::malformedDatagram()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, rows);
    QFETCH(QString, setName);
    DatagramHarness harness;
    const QString problem = harness.feed(payload);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(harness.table().rec_count(), rows);
    if (rows > 0) {
        // The key entry stays even if the input's own bytes chose to delete it.
        QCOMPARE(harness.table().arr_tao(1), setName);
    }
}

void TestFuzzRegress::tableLimit_data()
{
    QTest::addColumn<int>("keys");
    QTest::newRow("one short of full") << 499;
    QTest::newRow("exactly full") << 500;
    QTest::newRow("one key too many") << 501;
    QTest::newRow("a hundred keys too many") << 600;
}

// Distinct keys fill the table to its limit of live rows and no further; a
// row that the inputs' own bytes delete frees its place, never its number.
void TestFuzzRegress::tableLimit()
{
    QFETCH(int, keys);
    DatagramHarness harness;
    for (int i = 0; i < keys; ++i) {
        const QString problem = harness.feed(keyedDatagram(i));
        QVERIFY2(problem.isEmpty(), qPrintable(QString::number(i) + u": " + problem));
    }
    QVERIFY(harness.table().rec_count() >= std::min(keys, 500));
    QVERIFY(harness.table().liveCount() <= 500);
    // Every key sent again: live rows update, a deleted row's key makes a new
    // row while there is room, the rest is refused; the harness checks each.
    for (int i = 0; i < keys; ++i) {
        const QString problem = harness.feed(keyedDatagram(i));
        QVERIFY2(problem.isEmpty(), qPrintable(QString::number(i) + u": " + problem));
    }
    QVERIFY(harness.table().rec_count() >= std::min(keys, 500));
    QVERIFY(harness.table().liveCount() <= 500);
}

void TestFuzzRegress::tableRenewal()
{
    DatagramHarness harness;
    for (int i = 0; i < DatagramHarness::kInputsPerTable; ++i) {
        const QString problem = harness.feed(keyedDatagram(i % 700));
        QVERIFY2(problem.isEmpty(), qPrintable(QString::number(i) + u": " + problem));
    }
    QCOMPARE(harness.table().liveCount(), 500);
    QVERIFY(harness.feed(keyedDatagram(0)).isEmpty());
    QCOMPARE(harness.table().rec_count(), 1);
}

void TestFuzzRegress::journalFile_data()
{
    QTest::addColumn<QString>("path");
    const auto files = inputFiles(QStringLiteral("journal"));
    QVERIFY2(files.size() >= 10, "the journal seed corpus is missing");
    for (const auto& [name, path] : files) {
        QTest::newRow(qPrintable(name)) << path;
    }
}

// Any journal file gives a valid list or an empty one.
void TestFuzzRegress::journalFile()
{
    QFETCH(QString, path);
    JournalHarness harness;
    const QString problem = harness.feed(readAll(path));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestFuzzRegress::journalSeeds_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("rows"); // rows of the rebuilt table
    QTest::addColumn<int>("live");
    QTest::newRow("a lesson with corrections and a deletion") << u"lesson"_qs << 3 << 2;
    QTest::newRow("forged mark") << u"forged"_qs << 1 << 1;
    QTest::newRow("torn last line: the first change stays") << u"torn_last_line"_qs << 1 << 1;
    QTest::newRow("damaged checksum: nothing") << u"bad_checksum"_qs << 0 << 0;
    QTest::newRow("501 new keys: the table stops at 500") << u"full_plus_one"_qs << 500 << 500;
    QTest::newRow("empty key deleted, made again") << u"empty_key_fields"_qs << 2 << 1;
}

// The seeds are real journals: they read back into the lists they describe.
void TestFuzzRegress::journalSeeds()
{
    QFETCH(QString, file);
    QFETCH(int, rows);
    QFETCH(int, live);
    JournalHarness harness;
    QVERIFY(harness.feed(readAll(kFuzzDir + QStringLiteral("/corpus/journal/") + file)).isEmpty());
    QCOMPARE(harness.table().rec_count(), rows);
    QCOMPARE(harness.table().liveCount(), live);
}

void TestFuzzRegress::pageFile_data()
{
    QTest::addColumn<QString>("path");
    const auto files = inputFiles(QStringLiteral("marking"));
    QVERIFY2(files.size() >= 9, "the marking seed corpus is missing");
    for (const auto& [name, path] : files) {
        QTest::newRow(qPrintable(name)) << path;
    }
}

void TestFuzzRegress::pageFile()
{
    QFETCH(QString, path);
    const QString problem = MarkingHarness::check(readAll(path));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestFuzzRegress::malformedPage_data()
{
    QTest::addColumn<QByteArray>("page");
    QByteArray everyByte;
    for (int i = 0; i < 4 * 256; ++i) {
        everyByte.append(char(i % 256));
    }
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("every byte value") << everyByte;
    QTest::newRow("NUL bytes between tags") << QByteArray("<tr\0<td\0</td>\0</tr>", 19);
    QTest::newRow("anchors in reverse order")
        << QByteArray("</tr></td><td><tr></table><table</body><body");
    QTest::newRow("twenty thousand rows") << QByteArray("<tr<td></td>").repeated(20000);
    QTest::newRow("anchors at the very end") << QByteArray(5000, ' ') + "<table";
    QTest::newRow("anchors at the very start") << QByteArray("<tr");
    QTest::newRow("UTF-8 mark then GBK bytes")
        << QByteArray("\xEF\xBB\xBF") + velmora::toGbk(u"<tr><td>动物乐园</td></tr>");
    QTest::newRow("charset utf-8 then invalid UTF-8")
        << QByteArray("<meta charset=\"utf-8\"><tr>\xC0\xAF\xED\xA0\x80\xF8\x88\x80\x80\x80");
    QTest::newRow("charset utf-8 cut inside a sequence")
        << QByteArray("charset=utf8 <body background=\"\xE8\x8A");
    QTest::newRow("letters whose case folds leave ASCII")
        << QByteArray("\xEF\xBB\xBF<TABLE \xC5\xBF\xE2\x84\xAA \xC4\xB0 CENTER</TD></TR>");
    QTest::newRow("half a GBK character at the end")
        << velmora::toGbk(u"<body background=\"花.jpg\"><table") + QByteArray("\x81");
}

void TestFuzzRegress::malformedPage()
{
    QFETCH(QByteArray, page);
    const QString problem = MarkingHarness::check(page);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestFuzzRegress::workFile_data()
{
    QTest::addColumn<QString>("path");
    const auto files = inputFiles(QStringLiteral("work"));
    QVERIFY2(files.size() >= 10, "the work seed corpus is missing");
    for (const auto& [name, path] : files) {
        QTest::newRow(qPrintable(name)) << path;
    }
}

void TestFuzzRegress::workFile()
{
    QFETCH(QString, path);
    WorkHarness harness;
    const QString problem = harness.feed(readAll(path));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_GUILESS_MAIN(TestFuzzRegress)
#include "tst_fuzz_regress.moc"
