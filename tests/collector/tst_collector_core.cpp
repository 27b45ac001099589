// SPDX-License-Identifier: MIT
#include "Acceptance.h"
#include "AddressCheck.h"
#include "CollectorCommandLine.h"
#include "Gbk.h"
#include "Handoff.h"
#include "ListExport.h"
#include "Platform.h"
#include "RowLayout.h"
#include "ScoreBook.h"
#include "ScoreDatagram.h"
#include "ScoreJournal.h"
#include "ScoreReceiver.h"
#include "ScoreTable.h"
#include "SummaryWorkbook.h"
#include "Version.h"
#include "XlsxCells.h"

#include <QDir>
#include <QFile>
#include <QNetworkDatagram>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace velmora;
using namespace velmora::collector;
using namespace velmora::reports;
using namespace Qt::Literals::StringLiterals;

namespace {

// A score book on a journal of its own, opened as the collector opens it.
struct TestBook
{
    QTemporaryDir dir;
    ScoreBook book{dir.filePath(QStringLiteral("journal"))};
    TestBook() { book.open(); }
};

// Runs a small script against a table. Lines:
//   rec address#computer#score#name#set   record a datagram's fields
//   del N                                 delete row N
//   name N text / score N text            correct row N by hand
//   recfrom source address#...            a datagram from another computer
//   save                                  (journal only) the list was saved
// With `journal`, the same changes are also written as journal entries.
void runScript(ScoreTable& table, const QStringList& steps, QList<JournalEntry>* journal = nullptr)
{
    for (const QString& step : steps) {
        const QString op = step.section(u' ', 0, 0);
        const QString rest = step.section(u' ', 1);
        const int row = rest.section(u' ', 0, 0).toInt();
        JournalEntry e;
        if (op == u"name" || op == u"score") {
            e = ScoreJournal::rowEntry(op == u"name" ? JournalEntry::Kind::Name
                                                     : JournalEntry::Kind::Mark,
                                       table, row, rest.section(u' ', 1));
        } else if (op == u"del") {
            e = ScoreJournal::rowEntry(JournalEntry::Kind::Delete, table, row);
        }
        if (op == u"save") {
            e.kind = JournalEntry::Kind::Saved;
        } else if (op == u"rec" || op == u"recfrom") {
            const bool forged = op == u"recfrom";
            const QString source = forged ? rest.section(u' ', 0, 0) : QString();
            const auto d = ScoreDatagram::decode(toGbk(forged ? rest.section(u' ', 1) : rest));
            QVERIFY2(d, qPrintable(step));
            table.recordScore(*d, source, forged);
            e = ScoreJournal::scoreEntry(*d, source, forged);
        } else if (op == u"del") {
            QVERIFY2(table.deleteRow(rest.toInt()), qPrintable(step));
        } else if (op == u"name") {
            QVERIFY2(table.setName(rest.section(u' ', 0, 0).toInt(), rest.section(u' ', 1)),
                     qPrintable(step));
        } else if (op == u"score") {
            QVERIFY2(table.setScore(rest.section(u' ', 0, 0).toInt(), rest.section(u' ', 1)),
                     qPrintable(step));
        } else if (op == u"work") {
            // work N folder remark: row N's collected work and its re-marked score
            const int i = rest.section(u' ', 0, 0).toInt();
            QVERIFY2(table.setWork(i, rest.section(u' ', 1, 1), rest.section(u' ', 2, 2)),
                     qPrintable(step));
            e = ScoreJournal::workEntry(table.row(i));
        } else {
            QFAIL(qPrintable(u"bad step " + step));
        }
        if (journal) {
            journal->append(e);
        }
    }
}

// Everything a table holds, row by row, to compare two tables.
QStringList dump(const ScoreTable& t)
{
    QStringList out{QStringLiteral("rec %1 del %2 forged %3 %4")
                        .arg(t.rec_count())
                        .arg(t.del_count())
                        .arg(t.forgedCount())
                        .arg(t.counterText())};
    for (int i = 1; i <= t.rec_count(); ++i) {
        const ScoreRow& r = t.row(i);
        out << QStringList{t.arr_ip(i), t.arr_tao(i),
                           r.address,   r.computer,
                           r.name,      r.score,
                           r.set,       r.deleted ? QStringLiteral("deleted") : QString(),
                           r.source,    r.forgedFrom,
                           r.work,      r.remark}
                   .join(u'|');
    }
    return out;
}

QString crlf(const QStringList& lines)
{
    QString out;
    for (const QString& l : lines) {
        out += l + u"\r\n";
    }
    return out;
}

QByteArray payload(int i, const QString& set = QStringLiteral("第一套"))
{
    return ScoreDatagram{QStringLiteral("10.0.%1.%2").arg(i / 250).arg(i % 250),
                         QStringLiteral("PC%1").arg(i), QString::number(i % 26),
                         QStringLiteral("学生%1").arg(i), set}
        .encode();
}

} // namespace

class TestCollectorCore : public QObject
{
    Q_OBJECT

private slots:
    // score table
    void record_data();
    void record();
    void tableErrors_data();
    void tableErrors();
    void fullTable();
    void exportIsGbkWithCrLf();

    // row geometry and scrolling
    void rowGeometry_data();
    void rowGeometry();
    void rowAt_data();
    void rowAt();
    void panelHeight_data();
    void panelHeight();
    void scroll_data();
    void scroll();

    // reception over real sockets
    void reception_data();
    void reception();
    void acceptance_data();
    void acceptance();
    void newRowsPerSource_data();
    void newRowsPerSource();
    void labBehindOneAddress();
    void burstOf500ThenFull();
    void portInUse();

    // journal
    void journalRestore_data();
    void journalRestore();
    void journalFiles();
    void addressCheck_data();
    void addressCheck();

    // saving as workbook or CSV
    void saveTarget_data();
    void saveTarget();
    void csvExport_data();
    void csvExport();
    void workbookSheets_data();
    void workbookSheets();
    void workbookClassSummary();

    // hand-off
    void handoff_data();
    void handoff();
    void handoffWithoutSpreadsheetProgram();

    // command line
    void commandLine_data();
    void commandLine();
};

void TestCollectorCore::record_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("recCount");
    QTest::addColumn<int>("delCount");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<QString>("exported");

    QTest::newRow("empty table") << QStringList() << 0 << 0 << QStringLiteral("已提交成绩0")
                                 << QString();
    QTest::newRow("one score") << QStringList{QStringLiteral("rec 10.0.0.5#PC05#20#张三#第一套")}
                               << 1 << 0 << QStringLiteral("已提交成绩1")
                               << crlf({QStringLiteral("10.0.0.5#PC05#张三#20#第一套")});
    QTest::newRow("same key replaces only the score")
        << QStringList{QStringLiteral("rec 10.0.0.5#PC05#20#张三#第一套"),
                       QStringLiteral("rec 10.0.0.5#OTHER#25#李四#第一套")}
        << 1 << 0 << QStringLiteral("已提交成绩1")
        << crlf({QStringLiteral("10.0.0.5#PC05#张三#25#第一套")});
    QTest::newRow("same datagram twice keeps one row")
        << QStringList{QStringLiteral("rec 10.0.0.5#PC05#20#张三#第一套"),
                       QStringLiteral("rec 10.0.0.5#PC05#20#张三#第一套")}
        << 1 << 0 << QStringLiteral("已提交成绩1")
        << crlf({QStringLiteral("10.0.0.5#PC05#张三#20#第一套")});
    QTest::newRow("hand-corrected name kept, score replaced by upload")
        << QStringList{QStringLiteral("rec 10.0.0.5#PC05#20#张三#第一套"),
                       QStringLiteral("name 1 张叁"), QStringLiteral("score 1 3"),
                       QStringLiteral("rec 10.0.0.5#PC05#22#张三#第一套")}
        << 1 << 0 << QStringLiteral("已提交成绩1")
        << crlf({QStringLiteral("10.0.0.5#PC05#张叁#22#第一套")});
    QTest::newRow("other set gives a new row with the same address")
        << QStringList{QStringLiteral("rec 10.0.0.5#PC05#20#张三#第一套"),
                       QStringLiteral("rec 10.0.0.5#PC05#15#张三#第二套")}
        << 2 << 0 << QStringLiteral("已提交成绩2")
        << crlf({QStringLiteral("10.0.0.5#PC05#张三#20#第一套"),
                 QStringLiteral("10.0.0.5#PC05#张三#15#第二套")});
    QTest::newRow("key is case-sensitive exact text")
        << QStringList{QStringLiteral("rec pc-a#X#1#n#Set"), QStringLiteral("rec PC-A#X#2#n#Set"),
                       QStringLiteral("rec pc-a#X#3#n#set")}
        << 3 << 0 << QStringLiteral("已提交成绩3")
        << crlf({QStringLiteral("pc-a#X#n#1#Set"), QStringLiteral("PC-A#X#n#2#Set"),
                 QStringLiteral("pc-a#X#n#3#set")});
    QTest::newRow("deleted row never matched, key re-created at the bottom")
        << QStringList{QStringLiteral("rec 10.0.0.1#A#1#甲#第一套"),
                       QStringLiteral("rec 10.0.0.2#B#2#乙#第一套"),
                       QStringLiteral("rec 10.0.0.3#C#3#丙#第一套"), QStringLiteral("del 2"),
                       QStringLiteral("rec 10.0.0.2#B#9#乙#第一套")}
        << 4 << 1 << QStringLiteral("已提交成绩3")
        << crlf({QStringLiteral("10.0.0.1#A#甲#1#第一套"), QStringLiteral("10.0.0.3#C#丙#3#第一套"),
                 QStringLiteral("10.0.0.2#B#乙#9#第一套")});
    QTest::newRow("three rows, row 2 deleted, row 1 renamed")
        << QStringList{QStringLiteral("rec 10.0.0.1#A#1#甲#第一套"),
                       QStringLiteral("rec 10.0.0.2#B#2#乙#第一套"),
                       QStringLiteral("rec 10.0.0.3#C#3#丙#第一套"), QStringLiteral("del 2"),
                       QStringLiteral("name 1 甲乙")}
        << 3 << 1 << QStringLiteral("已提交成绩2")
        << crlf({QStringLiteral("10.0.0.1#A#甲乙#1#第一套"),
                 QStringLiteral("10.0.0.3#C#丙#3#第一套")});
    // The deleted row's address entry is empty; a datagram with an empty
    // address must still not land in it (its score would vanish from the file).
    QTest::newRow("empty address does not revive a deleted row")
        << QStringList{QStringLiteral("rec 10.0.0.1#A#1#甲#第一套"), QStringLiteral("del 1"),
                       QStringLiteral("rec #B#7#乙#第一套")}
        << 2 << 1 << QStringLiteral("已提交成绩1") << crlf({QStringLiteral("#B#乙#7#第一套")});
    QTest::newRow("all rows deleted exports nothing")
        << QStringList{QStringLiteral("rec 10.0.0.1#A#1#甲#第一套"), QStringLiteral("del 1")} << 1
        << 1 << QStringLiteral("已提交成绩0") << QString();
    QTest::newRow("hash and line breaks cannot split an exported line")
        << QStringList{QStringLiteral("rec 10.0.0.1#A#1#甲\r\n#第一套"),
                       QStringLiteral("name 1 甲#乙")}
        << 1 << 0 << QStringLiteral("已提交成绩1")
        << crlf({QStringLiteral("10.0.0.1#A#甲＃乙#1#第一套")});
    QTest::newRow("NUL, other control characters and DEL become spaces")
        << QStringList{QStringLiteral("rec 10.0.0.1#A") + QChar(0) +
                       QStringLiteral("B\tC\x7f#1#甲") + QChar(0x1B) +
                       QStringLiteral("乙\x1f#第一套")}
        << 1 << 0 << QStringLiteral("已提交成绩1")
        << crlf({QStringLiteral("10.0.0.1#A B C #甲 乙 #1#第一套")});
    QTest::newRow("fields kept verbatim otherwise")
        << QStringList{QStringLiteral("rec  10.0.0.1 # <b>A</b> # x # &amp; # 第一套 ")} << 1 << 0
        << QStringLiteral("已提交成绩1")
        << crlf({QStringLiteral(" 10.0.0.1 # <b>A</b> # &amp; # x # 第一套 ")});
}

void TestCollectorCore::record()
{
    QFETCH(QStringList, steps);
    QFETCH(int, recCount);
    QFETCH(int, delCount);
    QFETCH(QString, counter);
    QFETCH(QString, exported);

    ScoreTable table;
    runScript(table, steps);
    if (QTest::currentTestFailed()) {
        return;
    }
    QCOMPARE(table.rec_count(), recCount);
    QCOMPARE(table.del_count(), delCount);
    QCOMPARE(table.counterText(), counter);
    QCOMPARE(table.exportText(), exported);
    // Deleted rows show the marker in their four text cells and keep their set key.
    for (int i = 1; i <= table.rec_count(); ++i) {
        if (table.row(i).deleted) {
            QCOMPARE(table.arr_ip(i), QString());
            QVERIFY(!table.arr_tao(i).isEmpty());
            QCOMPARE(table.row(i).address, QStringLiteral("已删除"));
            QCOMPARE(table.row(i).computer, QStringLiteral("已删除"));
            QCOMPARE(table.row(i).name, QStringLiteral("已删除"));
            QCOMPARE(table.row(i).score, QStringLiteral("已删除"));
            QCOMPARE(table.row(i).set, QString());
        } else {
            QCOMPARE(table.arr_ip(i), table.row(i).address);
            QCOMPARE(table.arr_tao(i), table.row(i).set);
        }
    }
}

void TestCollectorCore::tableErrors_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("row");
    QTest::newRow("delete row 0") << QStringLiteral("del") << 0;
    QTest::newRow("delete past the end") << QStringLiteral("del") << 3;
    QTest::newRow("delete negative") << QStringLiteral("del") << -1;
    QTest::newRow("delete a deleted row again") << QStringLiteral("del") << 2;
    QTest::newRow("rename a deleted row") << QStringLiteral("name") << 2;
    QTest::newRow("rescore a deleted row") << QStringLiteral("score") << 2;
    QTest::newRow("rename past the end") << QStringLiteral("name") << 3;
}

void TestCollectorCore::tableErrors()
{
    QFETCH(QString, op);
    QFETCH(int, row);
    ScoreTable table;
    runScript(table, {QStringLiteral("rec 10.0.0.1#A#1#甲#第一套"),
                      QStringLiteral("rec 10.0.0.2#B#2#乙#第一套"), QStringLiteral("del 2")});
    const QString before = table.exportText();
    bool done = true;
    if (op == u"del") {
        done = table.deleteRow(row);
    } else if (op == u"name") {
        done = table.setName(row, QStringLiteral("x"));
    } else {
        done = table.setScore(row, QStringLiteral("x"));
    }
    QVERIFY(!done);
    QCOMPARE(table.rec_count(), 2);
    QCOMPARE(table.del_count(), 1);
    QCOMPARE(table.counterText(), QStringLiteral("已提交成绩1"));
    QCOMPARE(table.exportText(), before);
    QCOMPARE(table.row(2).name, QStringLiteral("已删除"));
}

void TestCollectorCore::fullTable()
{
    ScoreTable table;
    for (int i = 1; i <= ScoreTable::kMaxRows; ++i) {
        const auto r = table.recordScore(*ScoreDatagram::decode(payload(i)));
        QCOMPARE(r.outcome, RecordOutcome::Created);
        QCOMPARE(r.row, i);
    }
    QVERIFY(table.isFull());
    const QString before = table.exportText();

    const auto refused = table.recordScore(*ScoreDatagram::decode(payload(501)));
    QCOMPARE(refused.outcome, RecordOutcome::Full);
    QCOMPARE(refused.row, 0);
    QCOMPARE(table.rec_count(), 500);
    QCOMPARE(table.exportText(), before);

    // Existing rows still take new scores.
    const auto updated = table.recordScore(QStringLiteral("10.0.1.0"), {}, QStringLiteral("24"), {},
                                           QStringLiteral("第一套"));
    QCOMPARE(updated.outcome, RecordOutcome::Updated);
    QCOMPARE(updated.row, 250);
    QCOMPARE(table.row(250).score, QStringLiteral("24"));

    // A deleted row frees its place; rows are never renumbered, so the new
    // one is row 501.
    QVERIFY(table.deleteRow(1));
    QCOMPARE(table.counterText(), QStringLiteral("已提交成绩499"));
    const auto again = table.recordScore(*ScoreDatagram::decode(payload(1)));
    QCOMPARE(again.outcome, RecordOutcome::Created);
    QCOMPARE(again.row, 501);
    QVERIFY(table.isFull());
    QCOMPARE(table.recordScore(*ScoreDatagram::decode(payload(502))).outcome, RecordOutcome::Full);
}

void TestCollectorCore::exportIsGbkWithCrLf()
{
    ScoreTable table;
    table.recordScore(QStringLiteral("10.0.0.1"), QStringLiteral("机房1"), QStringLiteral("25"),
                      QStringLiteral("张三"), QStringLiteral("第一套"));
    const QByteArray expected = QByteArray("10.0.0.1#") + QByteArray("\xBB\xFA\xB7\xBF") + "1#" +
                                QByteArray("\xD5\xC5\xC8\xFD") + "#25#" +
                                QByteArray("\xB5\xDA\xD2\xBB\xCC\xD7") + "\r\n";
    QCOMPARE(table.exportBytes(), expected);
}

void TestCollectorCore::rowGeometry_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QList<int>>("lefts");
    QTest::addColumn<int>("top");
    const QList<int> lefts{50, 290, 1985, 2225, 3440, 3680, 4655, 4955, 5570, 6625, 7125};
    QTest::newRow("first row") << 1 << lefts << 50;
    QTest::newRow("second row") << 2 << lefts << 340;
    QTest::newRow("seventeenth row") << 17 << lefts << 4690;
    QTest::newRow("row 500") << 500 << lefts << 144760;
}

void TestCollectorCore::rowGeometry()
{
    QFETCH(int, row);
    QFETCH(QList<int>, lefts);
    QFETCH(int, top);
    const auto rects = RowLayout::rowRects(row);
    for (int c = 0; c < kRowCellCount; ++c) {
        const auto cell = static_cast<RowCell>(c);
        QCOMPARE(rects[static_cast<size_t>(c)].left(), lefts.at(c));
        QCOMPARE(rects[static_cast<size_t>(c)].top(), top);
        // every cell keeps the size of its template
        QCOMPARE(rects[static_cast<size_t>(c)].size(), RowLayout::templateRect(cell).size());
        QCOMPARE(RowLayout::cellRect(row, cell), rects[static_cast<size_t>(c)]);
    }
    // The row's band begins at its top.
    QCOMPARE(RowLayout::rowAt(top), row);
    QCOMPARE(RowLayout::rowAt(top - 1), row - 1);
    // No two cells of a row overlap.
    for (int a = 0; a < kRowCellCount; ++a) {
        for (int b = a + 1; b < kRowCellCount; ++b) {
            QVERIFY2(!rects[static_cast<size_t>(a)].intersects(rects[static_cast<size_t>(b)]),
                     qPrintable(QStringLiteral("cells %1 and %2").arg(a).arg(b)));
        }
    }
}

void TestCollectorCore::rowAt_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("row");
    QTest::newRow("panel top, above the first row") << 0 << 0;
    QTest::newRow("last twip above the first row") << 49 << 0;
    QTest::newRow("panel scrolled below the point") << -300 << 0;
    QTest::newRow("top edge of the first row") << 50 << 1;
    QTest::newRow("bottom of the first row's cells") << 289 << 1;
    QTest::newRow("gap below the first row") << 339 << 1;
    QTest::newRow("top edge of the second row") << 340 << 2;
    QTest::newRow("last twip of the seventeenth row's band") << 4979 << 17;
    QTest::newRow("top edge of row 500") << 144760 << 500;
    QTest::newRow("end of the panel of 500 rows") << 145200 << 501;
    QTest::newRow("far beyond the last row") << 1000000 << 3449;
}

void TestCollectorCore::rowAt()
{
    QFETCH(int, y);
    QFETCH(int, row);
    QCOMPARE(RowLayout::rowAt(y), row);
}

void TestCollectorCore::panelHeight_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("height");
    QTest::newRow("one row") << 1 << 490;
    QTest::newRow("seventeen rows") << 17 << 5130;
    QTest::newRow("500 rows") << 500 << 145200;
}

void TestCollectorCore::panelHeight()
{
    QFETCH(int, row);
    QFETCH(int, height);
    QCOMPARE(RowLayout::panelHeight(row), height);
    QCOMPARE(RowLayout::panelHeight(row + 1) - RowLayout::panelHeight(row), 290);
}

void TestCollectorCore::scroll_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("top");
    QTest::newRow("start") << 490 << 0 << 0;
    QTest::newRow("end of one row") << 490 << 32767 << -490;
    QTest::newRow("half of seventeen rows") << 5130 << 16384 << -2565;
    QTest::newRow("one small step") << 5130 << 50 << -8;
    QTest::newRow("end of 500 rows") << 145200 << 32767 << -145200;
    QTest::newRow("one large step of 500 rows") << 145200 << 200 << -886;
}

void TestCollectorCore::scroll()
{
    QFETCH(int, panel);
    QFETCH(int, value);
    QFETCH(int, top);
    QCOMPARE(RowLayout::panelTop(panel, value), top);
}

void TestCollectorCore::reception_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("recorded");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("set");

    QTest::newRow("well-formed") << ScoreDatagram{QStringLiteral("10.0.0.7"), QStringLiteral("PC7"),
                                                  QStringLiteral("18"), QStringLiteral("王五"),
                                                  QStringLiteral("第三套")}
                                        .encode()
                                 << true << QStringLiteral("王五") << QStringLiteral("第三套");
    QTest::newRow("more than five fields: the rest ignored")
        << toGbk(u"10.0.0.7#PC7#18#a#第二套#c#d") << true << QStringLiteral("a")
        << QStringLiteral("第二套");
    QTest::newRow("empty fields but the address and set")
        << toGbk(u"10.0.0.9####第九套") << true << QString() << QStringLiteral("第九套");
    QTest::newRow("error: empty address field")
        << toGbk(u"####第九套") << false << QString() << QString();
    QTest::newRow("rich text markup kept as text")
        << toGbk(u"10.0.0.7#PC7#18#<b>x</b><img src=a>#第一套") << true
        << QStringLiteral("<b>x</b><img src=a>") << QStringLiteral("第一套");
    // A broken lead byte must not swallow the separator after it.
    QTest::newRow("invalid GBK: broken lead byte before a separator")
        << QByteArray("10.0.0.7#PC7#18#\xB5\xDA\x81#") + toGbk(u"第一套") << true
        << QStringLiteral("第\uFFFD") << QStringLiteral("第一套");
    const QByteArray head("10.0.0.7#PC7#18#");
    const QByteArray set1 = toGbk(u"#第一套");
    const QByteArray longest = head + QByteArray(1024 - head.size() - set1.size(), 'n') + set1;
    QTest::newRow("1,024 bytes: the longest taken")
        << longest << true << QString(1024 - head.size() - set1.size(), u'n')
        << QStringLiteral("第一套");

    // error group: nothing recorded, nothing answered
    QTest::newRow("error: zero bytes") << QByteArray() << false << QString() << QString();
    QTest::newRow("error: four fields")
        << QByteArray("10.0.0.7#PC7#18#x") << false << QString() << QString();
    QTest::newRow("error: no separator") << QByteArray("hello") << false << QString() << QString();
    QTest::newRow("error: invalid GBK, four fields")
        << QByteArray("\x81\xFF#\xFE#\x80\x80#") << false << QString() << QString();
    QTest::newRow("error: 1,025 bytes")
        << QByteArray(longest + 'n') << false << QString() << QString();
    QTest::newRow("error: 2 KB datagram")
        << QByteArray(head + QByteArray(2048, 'n') + set1) << false << QString() << QString();
    QTest::newRow("error: 60 KB name")
        << QByteArray(head + QByteArray(60000, 'n') + set1) << false << QString() << QString();
    QTest::newRow("error: set name outside the nine")
        << toGbk(u"10.0.0.7#PC7#18#x#第十套") << false << QString() << QString();
    QTest::newRow("error: an acknowledgement")
        << QByteArray("ACK#" + toGbk(u"10.0.0.7#PC7#18#x#第一套")) << false << QString()
        << QString();
}

void TestCollectorCore::reception()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, recorded);
    QFETCH(QString, name);
    QFETCH(QString, set);

    TestBook book;
    const ScoreTable& table = book.book.table();
    ScoreReceiver receiver(book.book);
    QVERIFY(receiver.listen(0));
    QVERIFY(receiver.isListening());

    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress::LocalHost, 0));
    QCOMPARE(sender.writeDatagram(bytes, QHostAddress::LocalHost, receiver.localPort()),
             qint64(bytes.size()));
    QTRY_COMPARE(receiver.readCount(), 1);
    QCOMPARE(receiver.recordedCount(), recorded ? 1 : 0);
    QCOMPARE(table.rec_count(), recorded ? 1 : 0);

    if (recorded) {
        QCOMPARE(table.row(1).name, name);
        QCOMPARE(table.row(1).set, set);
        QTRY_VERIFY(sender.hasPendingDatagrams());
        const QNetworkDatagram ack = sender.receiveDatagram();
        QVERIFY(isAckFor(ack.data(), bytes));
        QCOMPARE(ack.data(), QByteArray("ACK#") + bytes);
    } else {
        // Follow with a good datagram: its acknowledgement is the only reply.
        const QByteArray good = toGbk(u"10.0.0.1#2#3#4#第一套");
        sender.writeDatagram(good, QHostAddress::LocalHost, receiver.localPort());
        QTRY_VERIFY(sender.hasPendingDatagrams());
        QCOMPARE(sender.receiveDatagram().data(), ackFor(good));
        QVERIFY(!sender.hasPendingDatagrams());
    }
}

void TestCollectorCore::acceptance_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("port");
    QTest::addColumn<Verdict>("verdict");

    // The collector listens on 5555 here; this computer is also 192.168.7.7.
    const QByteArray good = toGbk(u"10.0.0.7#PC7#18#x#第一套");
    QTest::newRow("a student program on another computer")
        << good << QStringLiteral("10.0.0.7") << 1201 << Verdict::Record;
    QTest::newRow("another computer's port 1202 is not ours")
        << good << QStringLiteral("10.0.0.7") << 1202 << Verdict::Record;
    QTest::newRow("a student program on this computer")
        << good << QStringLiteral("127.0.0.1") << 1201 << Verdict::Record;
    QTest::newRow("error: from port 1202 on 127.0.0.1")
        << good << QStringLiteral("127.0.0.1") << 1202 << Verdict::Echo;
    QTest::newRow("error: from port 1202 on another loopback address")
        << good << QStringLiteral("127.0.0.2") << 1202 << Verdict::Echo;
    QTest::newRow("error: from port 1202 on this computer's LAN address")
        << good << QStringLiteral("192.168.7.7") << 1202 << Verdict::Echo;
    QTest::newRow("error: from the collector's own socket")
        << good << QStringLiteral("192.168.7.7") << 5555 << Verdict::Echo;
    QTest::newRow("error: an acknowledgement from another computer")
        << QByteArray("ACK#" + good) << QStringLiteral("10.0.0.7") << 1201 << Verdict::Echo;
    QTest::newRow("error: 1,025 bytes, even from this computer")
        << QByteArray(1025, '#') << QStringLiteral("127.0.0.1") << 1201 << Verdict::Oversized;
    QTest::newRow("error: set name outside the nine")
        << toGbk(u"10.0.0.7#PC7#18#x#第十套") << QStringLiteral("10.0.0.7") << 1201
        << Verdict::UnknownSet;
    QTest::newRow("error: set name with a blank")
        << toGbk(u"10.0.0.7#PC7#18#x#第一套 ") << QStringLiteral("10.0.0.7") << 1201
        << Verdict::UnknownSet;
    QTest::newRow("error: four fields") << QByteArray("10.0.0.7#PC7#18#x")
                                        << QStringLiteral("10.0.0.7") << 1201 << Verdict::Malformed;
}

void TestCollectorCore::acceptance()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, from);
    QFETCH(int, port);
    QFETCH(Verdict, verdict);
    Acceptance rules;
    rules.setOwn({QHostAddress(QStringLiteral("192.168.7.7"))}, 5555);
    QCOMPARE(rules.judge(bytes, QHostAddress(from), quint16(port)).verdict, verdict);
}

void TestCollectorCore::newRowsPerSource_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("created"); // of 20 new keys
    QTest::newRow("another computer: nine rows, one per set") << QStringLiteral("10.9.9.9") << 9;
    QTest::newRow("loopback is this computer: not limited") << QStringLiteral("127.0.0.1") << 20;
    QTest::newRow("this computer's LAN address: not limited")
        << QStringLiteral("192.168.7.7") << 20;
}

void TestCollectorCore::newRowsPerSource()
{
    QFETCH(QString, source);
    QFETCH(int, created);
    // Through a real receiver and table: the verdicts decide what is recorded
    // and answered. The rules are fed as the receiver feeds them.
    Acceptance rules;
    rules.setOwn({QHostAddress(QStringLiteral("192.168.7.7"))}, kCollectorPort);
    ScoreTable table;
    const QHostAddress from(source);
    const auto send = [&](const QByteArray& p) {
        const Acceptance::Decision d = rules.judge(p, from, kStudentPort);
        if (d.verdict == Verdict::Record &&
            table.recordScore(*d.score).outcome != RecordOutcome::Full) {
            rules.recorded(*d.score, from);
        }
        return d.verdict;
    };
    int refused = 0;
    for (int k = 0; k < 20; ++k) {
        const QString set = sets::folderName(k % 9 + 1);
        const Verdict v = send(payload(k, set));
        QVERIFY(v == Verdict::Record || v == Verdict::OverQuota);
        refused += v == Verdict::OverQuota ? 1 : 0;
    }
    QCOMPARE(table.rec_count(), created);
    QCOMPARE(refused, 20 - created);
    QCOMPARE(rules.newRowsFrom(from), created);

    // Updates of its rows are never limited; a deleted row's key may come back.
    QCOMPARE(send(payload(0, QStringLiteral("第一套"))), Verdict::Record);
    QVERIFY(table.deleteRow(1));
    QCOMPARE(send(payload(0, QStringLiteral("第一套"))), Verdict::Record);
    QCOMPARE(table.rec_count(), created + 1);
    // Another computer is not held back by this one.
    const QHostAddress other(QStringLiteral("10.9.9.8"));
    const QByteArray fresh = payload(400);
    QCOMPARE(rules.judge(fresh, other, kStudentPort).verdict, Verdict::Record);
}

void TestCollectorCore::labBehindOneAddress()
{
    // 30 computers behind one NAT address, all on set 1.
    TestBook t;
    ScoreBook& book = t.book;
    const QHostAddress nat(u"10.7.7.7"_s);
    const auto upload = [&](int pc) {
        return book.take(toGbk(u"192.168.50.%1#PC%1#20#学生%1#第一套"_s.arg(pc)), nat,
                         kStudentPort);
    };
    int taken = 0;
    for (int pc = 1; pc <= 30; ++pc) {
        taken += upload(pc) == Verdict::Record ? 1 : 0;
    }
    QCOMPARE(taken, acceptance::kNewRowsPerSource);
    QCOMPARE(book.refusedFrom(u"10.7.7.7"_s), 30 - taken);
    QVERIFY(book.statusText().contains(u"已拒收10.7.7.7的新成绩21条"_s));
    QVERIFY(book.statusDetails().contains(u"右键"_s));
    // One click by the teacher: the students' next retries all land.
    book.allowSource(u"10.7.7.7"_s);
    QVERIFY(!book.statusText().contains(u"10.7.7.7"_s));
    for (int pc = 1; pc <= 30; ++pc) {
        QCOMPARE(upload(pc), Verdict::Record);
    }
    QVERIFY(book.commit());
    QCOMPARE(book.table().liveCount(), 30);
}

void TestCollectorCore::burstOf500ThenFull()
{
    TestBook book;
    const ScoreTable& table = book.book.table();
    ScoreReceiver receiver(book.book);
    QVERIFY(receiver.listen(0));

    // Sent in one go before the receiver gets to read any of them. The sender
    // needs room for 500 acknowledgements arriving at once.
    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress::LocalHost, 0));
    sender.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                           QVariant(ScoreReceiver::kReceiveBufferBytes));
    for (int i = 1; i <= ScoreTable::kMaxRows; ++i) {
        const QByteArray p = payload(i);
        QCOMPARE(sender.writeDatagram(p, QHostAddress::LocalHost, receiver.localPort()),
                 qint64(p.size()));
    }
    QTRY_COMPARE_WITH_TIMEOUT(receiver.recordedCount(), ScoreTable::kMaxRows, 10000);
    QCOMPARE(table.rec_count(), ScoreTable::kMaxRows);
    for (int i = 1; i <= ScoreTable::kMaxRows; ++i) {
        QCOMPARE(table.row(i).computer, QStringLiteral("PC%1").arg(i));
    }
    QSet<QByteArray> acks;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            while (sender.hasPendingDatagrams()) {
                acks.insert(sender.receiveDatagram().data());
            }
            return acks.size() == ScoreTable::kMaxRows;
        }(),
        10000);
    QVERIFY(acks.contains(ackFor(payload(1))));
    QVERIFY(acks.contains(ackFor(payload(500))));

    // The 501st key is refused and not acknowledged; an update still is.
    sender.writeDatagram(payload(501), QHostAddress::LocalHost, receiver.localPort());
    const QByteArray update =
        ScoreDatagram{QStringLiteral("10.0.0.7"), QStringLiteral("PC7"), QStringLiteral("25"),
                      QStringLiteral("x"), QStringLiteral("第一套")}
            .encode();
    sender.writeDatagram(update, QHostAddress::LocalHost, receiver.localPort());
    QTRY_VERIFY(sender.hasPendingDatagrams());
    QCOMPARE(sender.receiveDatagram().data(), ackFor(update));
    QVERIFY(!sender.hasPendingDatagrams());
    QCOMPARE(receiver.refusedCount(), 1);
    QCOMPARE(table.rec_count(), ScoreTable::kMaxRows);
    QCOMPARE(table.row(7).score, QStringLiteral("25"));
    QCOMPARE(table.row(7).name, QStringLiteral("学生7"));
}

void TestCollectorCore::portInUse()
{
    // A second collector on the same port fails to listen and says why,
    // whether or not the first one asked for a shared port.
    TestBook book;
    ScoreReceiver first(book.book);
    QVERIFY(first.listen(0));
    ScoreReceiver second(book.book);
    QVERIFY(!second.listen(first.localPort()));
    QVERIFY(!second.isListening());
    QVERIFY(!second.errorString().isEmpty());

    QUdpSocket shared;
    QVERIFY(shared.bind(QHostAddress::AnyIPv4, 0,
                        QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint));
    ScoreReceiver third(book.book);
    QVERIFY(!third.listen(shared.localPort()));

    // Once the first closes, the port can be taken.
    const quint16 port = first.localPort();
    first.close();
    QVERIFY(!first.isListening());
    QVERIFY(second.listen(port));
}

void TestCollectorCore::journalRestore_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("damage"); // none | tear | flip N (line N) | tail
    // After damage: "name:score" of every restored row, in order.
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("unsaved");

    const QString a = QStringLiteral("rec 10.0.0.1#PC1#20#张三#第一套");
    const QString b = QStringLiteral("rec 10.0.0.2#PC2#15#李四#第一套");
    const QString c = QStringLiteral("rec 10.0.0.3#PC3#25#王五#第二套");
    QTest::newRow("work links and re-marked scores come back")
        << QStringList{a, b, QStringLiteral("work 1 /lesson/a 20"),
                       QStringLiteral("work 2 /lesson/b 9")}
        << u"none"_s << QStringList() << true;
    QTest::newRow("everything comes back") << QStringList{a,
                                                          b,
                                                          c,
                                                          QStringLiteral("name 1 张叁"),
                                                          QStringLiteral("score 2 优"),
                                                          QStringLiteral("del 3"),
                                                          u"rec 10.0.0.1#PC1#24#张三#第一套"_qs}
                                           << QStringLiteral("none") << QStringList() << true;
    QTest::newRow("deleted key made again at the bottom")
        << QStringList{a, b, QStringLiteral("del 1"), a} << QStringLiteral("none") << QStringList()
        << true;
    QTest::newRow("forged mark and sender")
        << QStringList{u"recfrom 10.9.9.9 10.0.0.1#PC1#20#张三#第一套"_qs, b}
        << QStringLiteral("none") << QStringList() << true;
    QTest::newRow("tabs, line breaks and backslashes in fields")
        << QStringList{u"rec 10.0.0.1#P\tC#2\\0#张\r\n三#第一套"_qs, u"name 1 a\\tb\nc"_qs}
        << QStringLiteral("none") << QStringList() << true;
    QTest::newRow("saved at the end: not offered")
        << QStringList{a, b, QStringLiteral("save")} << QStringLiteral("none") << QStringList()
        << false;
    QTest::newRow("a change after the save: offered")
        << QStringList{a, QStringLiteral("save"), b} << QStringLiteral("none") << QStringList()
        << true;
    QTest::newRow("empty journal")
        << QStringList() << QStringLiteral("none") << QStringList() << false;
    QTest::newRow("error: last line torn by a crash")
        << QStringList{a, b, c} << QStringLiteral("tear")
        << QStringList{u"张三:20"_qs, u"李四:15"_qs} << true;
    QTest::newRow("error: damaged correction in the middle")
        << QStringList{a, b, QStringLiteral("name 1 张叁"), c} << QStringLiteral("flip 2")
        << QStringList{u"张三:20"_qs, u"李四:15"_qs, u"王五:25"_qs} << true;
    QTest::newRow("error: damaged datagram, later changes still find their rows")
        << QStringList{a, b, c, QStringLiteral("del 3"), QStringLiteral("score 1 19")}
        << QStringLiteral("flip 1") << QStringList{u"张三:19"_qs, u"已删除:已删除"_qs} << true;
    QTest::newRow("error: junk after the last line")
        << QStringList{a, b} << QStringLiteral("tail") << QStringList{u"张三:20"_qs, u"李四:15"_qs}
        << true;
}

// A journal written for a script and read back rebuilds the table the script
// made; after damage, what the undamaged lines hold.
void TestCollectorCore::journalRestore()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, damage);
    QFETCH(QStringList, rows);
    QFETCH(bool, unsaved);

    ScoreTable live;
    QList<JournalEntry> entries;
    runScript(live, steps, &entries);
    QList<QByteArray> lines;
    for (const JournalEntry& e : entries) {
        lines << ScoreJournal::encode(e);
    }
    if (damage == u"tear") {
        lines.last().chop(lines.last().size() / 2);
    } else if (damage.startsWith(u"flip")) {
        QByteArray& line = lines[damage.section(u' ', 1).toInt()];
        line[line.size() / 2] = char(line.at(line.size() / 2) ^ 0x01);
    } else if (damage == u"tail") {
        lines << QByteArray("D\tgarbage\x00\xff", 12);
    }
    const JournalContents read = ScoreJournal::read(lines.join());
    QCOMPARE(read.damagedLines, damage == u"none" ? 0 : 1);
    QCOMPARE(read.unsaved(), unsaved);
    ScoreTable restored;
    ScoreJournal::rebuild(read.entries, restored);
    if (damage == u"none") {
        QCOMPARE(dump(restored), dump(live));
        QCOMPARE(restored.exportBytes(), live.exportBytes());
        return;
    }
    QStringList got;
    for (int i = 1; i <= restored.rec_count(); ++i) {
        got << restored.row(i).name + u':' + restored.row(i).score;
    }
    QCOMPARE(got, rows);
}

void TestCollectorCore::journalFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("journal"));
    QVERIFY(QDir().mkpath(folder));
    // 25 journals of earlier runs and an unsaved one of the last run
    for (int i = 0; i < 25; ++i) {
        QFile old(folder + QStringLiteral("/scores-202601%1-080000-000.journal").arg(i + 10));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("x\n");
    }
    ScoreDatagram d{QStringLiteral("10.0.0.1"), QStringLiteral("PC"), QStringLiteral("20"),
                    QStringLiteral("张三"), QStringLiteral("第一套")};
    {
        QFile last(folder + QStringLiteral("/scores.journal"));
        QVERIFY(last.open(QIODevice::WriteOnly));
        last.write(ScoreJournal::encode(ScoreJournal::scoreEntry(d, {}, false)));
    }

    ScoreJournal journal(folder);
    QVERIFY(journal.lock());
    // a second collector cannot take the same journal
    ScoreJournal second(folder);
    QVERIFY(!second.lock());
    QVERIFY(second.takePrevious().contents.entries.isEmpty());
    QVERIFY(!second.start({}));

    const JournalContents last = journal.takePrevious().contents;
    QVERIFY(last.unsaved());
    QCOMPARE(last.entries.size(), 1);
    QVERIFY(journal.start({}));
    // the last run's journal is kept under a dated name; 20 dated ones stay
    QStringList dated =
        QDir(folder).entryList({QStringLiteral("scores-*.journal")}, QDir::Files, QDir::Name);
    QCOMPARE(dated.size(), ScoreJournal::kKeptJournals);
    QVERIFY(!dated.contains(QStringLiteral("scores-20260110-080000-000.journal"))); // oldest gone
    QFile newest(folder + u'/' + dated.last());
    QVERIFY(newest.open(QIODevice::ReadOnly));
    QCOMPARE(ScoreJournal::read(newest.readAll()).entries, last.entries);

    // this run's journal starts empty and takes every change on commit
    QVERIFY(journal.append(ScoreJournal::scoreEntry(d, QStringLiteral("10.0.0.1"), false)));
    QVERIFY(journal.commit());
    QFile active(journal.activePath());
    QVERIFY(active.open(QIODevice::ReadOnly));
    const JournalContents now = ScoreJournal::read(active.readAll());
    QCOMPARE(now.entries.size(), 1);
    QCOMPARE(now.damagedLines, 0);
}

void TestCollectorCore::addressCheck_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("forged");
    QTest::newRow("field names the sender") << u"10.0.0.5"_qs << u"10.0.0.5"_qs << false;
    QTest::newRow("spaces around the field") << u" 10.0.0.5 "_qs << u"10.0.0.5"_qs << false;
    QTest::newRow("IPv4 sender seen as mapped IPv6")
        << u"10.0.0.5"_qs << u"::ffff:10.0.0.5"_qs << false;
    QTest::newRow("another computer's address") << u"10.0.0.6"_qs << u"10.0.0.5"_qs << true;
    QTest::newRow("not an address") << u"老师的电脑"_qs << u"10.0.0.5"_qs << true;
    QTest::newRow("empty field") << QString() << u"10.0.0.5"_qs << true;
    QTest::newRow("sent from this computer") << u"10.0.0.6"_qs << u"192.168.7.1"_qs << false;
    QTest::newRow("sent from loopback") << u"10.0.0.6"_qs << u"127.0.0.1"_qs << false;
}

void TestCollectorCore::addressCheck()
{
    QFETCH(QString, field);
    QFETCH(QString, source);
    QFETCH(bool, forged);
    const AddressCheck check(
        {QHostAddress(QStringLiteral("192.168.7.1")), QHostAddress(QHostAddress::LocalHost)});
    QCOMPARE(check.isForged(field, QHostAddress(source)), forged);
}

void TestCollectorCore::saveTarget_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("filter"); // index into the dialog's types
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("type");

    const int text = int(ExportType::Text), book = int(ExportType::Workbook),
              csv = int(ExportType::Csv);
    QTest::newRow("text: name kept as typed") << u"d/成绩"_s << 0 << u"d/成绩"_s << text;
    QTest::newRow("text: .txt") << u"d/a.txt"_s << 0 << u"d/a.txt"_s << text;
    QTest::newRow("workbook: extension added") << u"d/成绩"_s << 1 << u"d/成绩.xlsx"_s << book;
    QTest::newRow("csv: extension added") << u"d/成绩"_s << 2 << u"d/成绩.csv"_s << csv;
    QTest::newRow("csv: dotted folder, bare name")
        << u"d.v/成绩"_s << 2 << u"d.v/成绩.csv"_s << csv;
    QTest::newRow("workbook: other extension kept") << u"d/a.dat"_s << 1 << u"d/a.dat"_s << book;
    QTest::newRow(".xlsx typed with text selected") << u"d/a.xlsx"_s << 0 << u"d/a.xlsx"_s << book;
    QTest::newRow(".CSV typed with workbook selected") << u"d/a.CSV"_s << 1 << u"d/a.CSV"_s << csv;
    QTest::newRow("no filter reported") << u"d/a"_s << -1 << u"d/a"_s << text;
}

void TestCollectorCore::saveTarget()
{
    QFETCH(QString, typed);
    QFETCH(int, filter);
    QFETCH(QString, path);
    QFETCH(int, type);
    QCOMPARE(ListExport::filters(), (QStringList{u"文本文件(*.txt)"_s, u"Excel 工作簿 (*.xlsx)"_s,
                                                 u"CSV UTF-8 (*.csv)"_s}));
    const ExportTarget t = ListExport::target(
        SaveChoice(typed, filter < 0 ? QString() : ListExport::filters().at(filter)));
    QCOMPARE(t.path, path);
    QCOMPARE(int(t.type), type);
}

void TestCollectorCore::csvExport_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected"); // after the byte-order mark

    const QString head = u"IP地址,机器名,姓名,分数,套题,复核分,作业\r\n"_s;
    QTest::newRow("empty list: header only") << QStringList() << head;
    QTest::newRow("deleted row left out")
        << QStringList{u"rec 10.0.0.1#PC1#20#张三#第一套"_s, u"rec 10.0.0.2#PC2#5#李四#第一套"_s,
                       u"del 1"_s}
        << head + u"10.0.0.2,PC2,李四,5,第一套,,\r\n"_s;
    QTest::newRow("comma, quotes and # quoted, a line break as blanks")
        << QStringList{u"rec 10.0.0.1#PC,1#20#x#第一套"_s, u"name 1 张\"三\"#2\r\n班"_s}
        << head + u"10.0.0.1,\"PC,1\",\"张\"\"三\"\"#2  班\",20,第一套,,\r\n"_s;
    QTest::newRow("NUL, ESC and DEL as blanks; a leading tab or CR guarded")
        << QStringList{u"rec 10.0.0.1#PC1#20#x#第一套"_s, u"name 1 a\u0000b\u001Bc\u007Fd"_s,
                       u"rec 10.0.0.2#PC2#20#x#第一套"_s, u"name 2 \t=1+1"_s,
                       u"rec 10.0.0.3#PC3#20#x#第一套"_s, u"name 3 \r=1+1"_s}
        << head + u"10.0.0.1,PC1,a b c d,20,第一套,,\r\n10.0.0.2,PC2,' =1+1,20,第一套,,\r\n"
                  u"10.0.0.3,PC3,' =1+1,20,第一套,,\r\n"_s;
    QTest::newRow("formula-like text defused, numbers kept")
        << QStringList{u"rec 10.0.0.1#=cmd()#-3#@x#第一套"_s, u"rec 10.0.0.2#+1+1#-x#-#第一套"_s}
        << head + u"10.0.0.1,'=cmd(),'@x,-3,第一套,,\r\n10.0.0.2,'+1+1,'-,'-x,第一套,,\r\n"_s;
}

void TestCollectorCore::csvExport()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);
    ScoreTable table;
    runScript(table, steps);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"a.csv"_s);
    QVERIFY(ListExport::write(table, {path, ExportType::Csv}).ok);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(QString::fromUtf8(bytes.mid(3)), expected);
}

void TestCollectorCore::workbookSheets_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("grades");  // 成绩, header first
    QTest::addColumn<QStringList>("summary"); // 班级汇总: header and one row per computer
    QTest::addColumn<QStringList>("missing"); // 未交

    const QString gradeHead = u"IP地址|机器名|姓名|分数|套题|复核分|作业"_s;
    const QString missHead = u"套题|IP地址|机器名|姓名"_s;
    QTest::newRow("empty list: header rows only")
        << QStringList() << QStringList{gradeHead}
        << QStringList{u"IP地址|机器名|姓名|总分|平均分"_s} << QStringList{missHead};
    QTest::newRow("#, comma, quotes and line break kept")
        << QStringList{u"rec 10.0.0.1#PC,1#20#x#第一套"_s, u"name 1 张\"三\"#2\r\n班"_s}
        << QStringList{gradeHead, u"10.0.0.1|PC,1|张\"三\"#2\n班|20|第一套"_s}
        << QStringList{u"IP地址|机器名|姓名|第一套|总分|平均分"_s,
                       u"10.0.0.1|PC,1|张\"三\"#2\n班|20|20|20"_s}
        << QStringList{missHead};
    QTest::newRow("control characters become spaces")
        << QStringList{u"rec 10.0.0.1#PC1#20#a\u0001b\u001Fc#第一套"_s}
        << QStringList{gradeHead, u"10.0.0.1|PC1|a b c|20|第一套"_s}
        << QStringList{u"IP地址|机器名|姓名|第一套|总分|平均分"_s, u"10.0.0.1|PC1|a b c|20|20|20"_s}
        << QStringList{missHead};
    QTest::newRow("deleted row left out")
        << QStringList{u"rec 10.0.0.1#PC1#20#张三#第一套"_s, u"rec 10.0.0.2#PC2#5#李四#第一套"_s,
                       u"rec 10.0.0.3#PC3#9#王五#第一套"_s, u"del 2"_s}
        << QStringList{gradeHead, u"10.0.0.1|PC1|张三|20|第一套"_s, u"10.0.0.3|PC3|王五|9|第一套"_s}
        << QStringList{u"IP地址|机器名|姓名|第一套|总分|平均分"_s, u"10.0.0.1|PC1|张三|20|20|20"_s,
                       u"10.0.0.3|PC3|王五|9|9|9"_s}
        << QStringList{missHead};
    QTest::newRow("computer with two names: one row, latest name")
        << QStringList{u"rec 10.0.0.1#PC1#20#张三#第二套"_s, u"rec 10.0.0.1#PC1#17#李四#第一套"_s}
        << QStringList{gradeHead, u"10.0.0.1|PC1|张三|20|第二套"_s,
                       u"10.0.0.1|PC1|李四|17|第一套"_s}
        << QStringList{u"IP地址|机器名|姓名|第一套|第二套|总分|平均分"_s,
                       u"10.0.0.1|PC1|李四|17|20|37|18.5"_s}
        << QStringList{missHead};
    QTest::newRow("computers in address order")
        << QStringList{u"rec 10.0.0.10#PC10#20#甲#第一套"_s, u"rec 10.0.0.9#PC9#15#乙#第一套"_s}
        << QStringList{gradeHead, u"10.0.0.10|PC10|甲|20|第一套"_s, u"10.0.0.9|PC9|乙|15|第一套"_s}
        << QStringList{u"IP地址|机器名|姓名|第一套|总分|平均分"_s, u"10.0.0.9|PC9|乙|15|15|15"_s,
                       u"10.0.0.10|PC10|甲|20|20|20"_s}
        << QStringList{missHead};
    QTest::newRow("sets missing for some computers")
        << QStringList{u"rec 10.0.0.1#PC1#20#甲#第三套"_s, u"rec 10.0.0.2#PC2#15#乙#第一套"_s,
                       u"rec 10.0.0.1#PC1#10#甲#第一套"_s, u"rec 10.0.0.3#PC3#优#丙#第二套"_s}
        << QStringList{gradeHead, u"10.0.0.1|PC1|甲|20|第三套"_s, u"10.0.0.2|PC2|乙|15|第一套"_s,
                       u"10.0.0.1|PC1|甲|10|第一套"_s, u"10.0.0.3|PC3|丙|优|第二套"_s}
        << QStringList{u"IP地址|机器名|姓名|第一套|第二套|第三套|总分|平均分"_s,
                       u"10.0.0.1|PC1|甲|10||20|30|15"_s, u"10.0.0.2|PC2|乙|15|||15|15"_s,
                       u"10.0.0.3|PC3|丙||优"_s}
        // 优 is not a score: nobody handed in 第二套, one of three 第三套
        << QStringList{missHead,
                       u"第一套|10.0.0.3|PC3|丙"_s,
                       u""_s,
                       u"以下套题交卷不到全班（3台）的一半，不列出未交名单："_s,
                       u"套题|交卷人数"_s,
                       u"第二套|0"_s,
                       u"第三套|1"_s};
    QTest::newRow("blanks around a score aside; text and 30 are not scores")
        << QStringList{u"rec 10.0.0.1#PC1# 20#甲#第一套"_s, u"rec 10.0.0.2#PC2#7 #乙#第一套"_s,
                       u"rec 10.0.0.3#PC3#缺考#丙#第一套"_s, u"rec 10.0.0.4#PC4#30#丁#第一套"_s}
        << QStringList{gradeHead, u"10.0.0.1|PC1|甲| 20|第一套"_s, u"10.0.0.2|PC2|乙|7 |第一套"_s,
                       u"10.0.0.3|PC3|丙|缺考|第一套"_s, u"10.0.0.4|PC4|丁|30|第一套"_s}
        << QStringList{u"IP地址|机器名|姓名|第一套|总分|平均分"_s, u"10.0.0.1|PC1|甲|20|20|20"_s,
                       u"10.0.0.2|PC2|乙|7|7|7"_s, u"10.0.0.3|PC3|丙|缺考"_s,
                       u"10.0.0.4|PC4|丁|30"_s}
        << QStringList{missHead, u"第一套|10.0.0.3|PC3|丙"_s, u"第一套|10.0.0.4|PC4|丁"_s};
    QTest::newRow("sets ahead of the lesson are counted, not listed")
        << QStringList{u"rec 10.0.0.1#PC1#20#甲#第一套"_s, u"rec 10.0.0.2#PC2#20#乙#第一套"_s,
                       u"rec 10.0.0.3#PC3#20#丙#第一套"_s, u"rec 10.0.0.4#PC4#20#丁#第一套"_s,
                       u"rec 10.0.0.1#PC1#20#甲#第二套"_s, u"rec 10.0.0.2#PC2#20#乙#第二套"_s,
                       u"rec 10.0.0.1#PC1#20#甲#第三套"_s}
        << QStringList{gradeHead,
                       u"10.0.0.1|PC1|甲|20|第一套"_s,
                       u"10.0.0.2|PC2|乙|20|第一套"_s,
                       u"10.0.0.3|PC3|丙|20|第一套"_s,
                       u"10.0.0.4|PC4|丁|20|第一套"_s,
                       u"10.0.0.1|PC1|甲|20|第二套"_s,
                       u"10.0.0.2|PC2|乙|20|第二套"_s,
                       u"10.0.0.1|PC1|甲|20|第三套"_s}
        << QStringList{u"IP地址|机器名|姓名|第一套|第二套|第三套|总分|平均分"_s,
                       u"10.0.0.1|PC1|甲|20|20|20|60|20"_s, u"10.0.0.2|PC2|乙|20|20||40|20"_s,
                       u"10.0.0.3|PC3|丙|20|||20|20"_s, u"10.0.0.4|PC4|丁|20|||20|20"_s}
        // half of the class is enough for 第二套
        << QStringList{missHead,
                       u"第二套|10.0.0.3|PC3|丙"_s,
                       u"第二套|10.0.0.4|PC4|丁"_s,
                       u""_s,
                       u"以下套题交卷不到全班（4台）的一半，不列出未交名单："_s,
                       u"套题|交卷人数"_s,
                       u"第三套|1"_s};
}

void TestCollectorCore::workbookSheets()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, grades);
    QFETCH(QStringList, summary);
    QFETCH(QStringList, missing);
    VELMORA_REQUIRE_XLSX_READER();
    ScoreTable table;
    runScript(table, steps);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"成绩.xlsx"_s);
    const WriteResult written = ListExport::write(table, {path, ExportType::Workbook});
    QVERIFY2(written.ok, qPrintable(written.error));
    QString error;
    const QList<XlsxSheet> sheets = readXlsx(path, &error);
    QVERIFY2(sheets.size() == 4, qPrintable(error));
    QCOMPARE(sheets.at(0).name, u"成绩"_s);
    QCOMPARE(sheets.at(0).joined(), grades);
    QCOMPARE(sheets.at(1).name, u"班级汇总"_s);
    QCOMPARE(sheets.at(1).joined(0, int(summary.size())), summary);
    if (summary.size() == 1) {
        QCOMPARE(sheets.at(1).rows.size(), 1); // nothing under the header
    } else {
        QCOMPARE(sheets.at(1).rows.value(int(summary.size())), QStringList()); // gap row
    }
    QCOMPARE(sheets.at(2).name, u"未交"_s);
    QCOMPARE(sheets.at(2).joined(), missing);
    // whole-number scores are numbers, anything else text
    for (int r = 1; r < sheets.at(0).rows.size(); ++r) {
        const bool whole = SummaryWorkbook::isWholeNumber(sheets.at(0).rows.at(r).at(3));
        QCOMPARE(sheets.at(0).kinds.at(r).at(3), whole ? u"n"_s : u"s"_s);
        QCOMPARE(sheets.at(0).kinds.at(r).at(0), u"s"_s);
    }
    // in the summary grid only what counts as a score is a number, so that
    // the spreadsheet's own sums agree with the figures under it
    const qsizetype setColumnsEnd = summary.first().count(u'|') + 1 - 2; // before 总分
    for (int r = 1; r < summary.size(); ++r) {
        const QStringList& cells = sheets.at(1).rows.at(r);
        for (int c = 3; c < std::min(cells.size(), setColumnsEnd); ++c) {
            if (cells.at(c).isEmpty()) {
                continue;
            }
            const bool counted = SummaryWorkbook::scoreValue(cells.at(c)).has_value();
            QCOMPARE(sheets.at(1).kinds.at(r).at(c), counted ? u"n"_s : u"s"_s);
        }
    }
}

void TestCollectorCore::workbookClassSummary()
{
    // Four computers, two sets: every figure under the grid can be checked by hand.
    VELMORA_REQUIRE_XLSX_READER();
    ScoreTable table;
    runScript(table, {u"rec 10.0.0.1#PC1#25#甲#第一套"_s, u"rec 10.0.0.2#PC2#9#乙#第一套"_s,
                      u"rec 10.0.0.3#PC3# 14#丙#第一套"_s, u"rec 10.0.0.4#PC4#缺考#丁#第一套"_s,
                      u"rec 10.0.0.1#PC1#20#甲#第二套"_s, u"rec 10.0.0.2#PC2#19#乙#第二套"_s});
    QTemporaryDir dir;
    const QString path = dir.filePath(u"a.xlsx"_s);
    const QDateTime when(QDate(2026, 3, 9), QTime(10, 15, 0));
    QVERIFY(SummaryWorkbook::write(path, ListExport::summaryInput(table, when)).ok);
    QString error;
    const QList<XlsxSheet> sheets = readXlsx(path, &error);
    QVERIFY2(sheets.size() == 4, qPrintable(error));
    const XlsxSheet& sum = sheets.at(1);
    QCOMPARE(sum.joined(5),
             (QStringList{u""_s, u"交卷人数|||3|2"_s, u"平均分|||16|19.5"_s, u"最高分|||25|20"_s,
                          u"最低分|||9|19"_s, u"0–9分|||1|0"_s, u"10–14分|||1|0"_s,
                          u"15–19分|||0|1"_s, u"20–24分|||0|1"_s, u"25分|||1|0"_s}));
    QCOMPARE(sum.kinds.at(7).at(3), u"n"_s);
    QCOMPARE(sum.charts, 1);
    QVERIFY(sum.active); // opens on the summary
    QVERIFY(!sheets.at(0).active);
    QCOMPARE(sum.frozen, u"D2"_s); // header row and the computer's columns stay
    QCOMPARE(sheets.at(0).frozen, u"A2"_s);
    QCOMPARE(sheets.at(2).frozen, u"A2"_s);
    QVERIFY(sheets.at(0).widths.size() >= 5);
    QCOMPARE(sheets.at(3).name, u"说明"_s);
    QVERIFY(sheets.at(3).joined().join(u'\n').contains(u"Velcoll 于 2026-03-09 10:15:00"_s));
}

void TestCollectorCore::handoff_data()
{
    QTest::addColumn<bool>("workbookPresent");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<bool>("defaultOpens"); // the desktop's program for .xls
    QTest::addColumn<QStringList>("tried"); // in order
    QTest::addColumn<QString>("expected");  // %1 = workbook path

    const QStringList both{QStringLiteral("start"), QStringLiteral("default")};
    QTest::newRow("started") << true << true << true << QStringList{QStringLiteral("start")}
                             << QString();
    QTest::newRow("default program after the fixed places")
        << true << false << true << both << QString();
    QTest::newRow("error: spreadsheet not found")
        << true << false << false << both
        << QStringLiteral("请打开\"%1\"，并按其中“使用说明”工作表的步骤导入成绩进行汇总！");
    QTest::newRow("error: workbook missing")
        << false << true << true << QStringList()
        << QStringLiteral("找不到“%1”，无法进行成绩汇总，请重新安装本软件！");
}

void TestCollectorCore::handoff()
{
    QFETCH(bool, workbookPresent);
    QFETCH(bool, starts);
    QFETCH(bool, defaultOpens);
    QFETCH(QStringList, tried);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString workbook = Handoff::workbookPath(dir.path());
    QCOMPARE(QFileInfo(workbook).fileName(), QStringLiteral("汇总成绩.xls"));
    if (workbookPresent) {
        QFile f(workbook);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QStringList started;
    const QString text = Handoff::run(
        workbook,
        [&](const QString& w) {
            started << u"start" + w;
            return starts;
        },
        [&](const QString& w) {
            started << u"default" + w;
            return defaultOpens;
        });
    QCOMPARE(text, expected.isEmpty() ? QString() : expected.arg(workbook));
    QStringList expectedTried;
    for (const QString& t : tried) {
        expectedTried << t + workbook;
    }
    QCOMPARE(started, expectedTried);
}

void TestCollectorCore::handoffWithoutSpreadsheetProgram()
{
#ifdef Q_OS_WIN
    QSKIP("Excel's fixed paths cannot be hidden from a test");
#else
    // With nothing on PATH the real starter finds no spreadsheet program.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString workbook = Handoff::workbookPath(dir.path());
    {
        QFile f(workbook);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit());
    const QString text = Handoff::run(workbook, &platform::startSpreadsheet);
    qputenv("PATH", oldPath);
    QCOMPARE(text, Handoff::openByHandText(workbook));
    QVERIFY(text.startsWith(QStringLiteral("请打开\"")));
#endif
}

QTEST_GUILESS_MAIN(TestCollectorCore)
void TestCollectorCore::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode"); // -1: the program goes on
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("printed"); // a part of what is printed
    auto row = [](const char* name, QStringList args, int exitCode, int port, QString printed) {
        args.prepend(QStringLiteral("Velcoll"));
        QTest::newRow(name) << args << exitCode << port << printed;
    };
    row("no arguments", {}, -1, 1202, {});
    row("port", {QStringLiteral("--port"), QStringLiteral("1203")}, -1, 1203, {});
    row("port with =", {QStringLiteral("--port=65535")}, -1, 65535, {});
    row("Qt's own options pass",
        {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-reverse")}, -1,
        1202, {});
    row("help", {QStringLiteral("--help")}, 0, 1202, QStringLiteral("--port N"));
    row("version", {QStringLiteral("-v")}, 0, 1202,
        QStringLiteral("Velcoll " VELMORA_VERSION "\n"));
    row("port 0", {QStringLiteral("--port=0")}, 2, 1202, QStringLiteral("from 1 to 65535"));
    row("port too big", {QStringLiteral("--port=65536")}, 2, 1202, QStringLiteral("'65536'"));
    row("port with sign", {QStringLiteral("--port=+12")}, 2, 1202, QStringLiteral("'+12'"));
    row("port with blank", {QStringLiteral("--port= 12")}, 2, 1202, QStringLiteral("' 12'"));
    row("port not a number", {QStringLiteral("--port=abc")}, 2, 1202, QStringLiteral("'abc'"));
    row("port without value", {QStringLiteral("--port")}, 2, 1202, QStringLiteral("--port"));
    row("port twice", {QStringLiteral("--port=1"), QStringLiteral("--port=2")}, 2, 1202,
        QStringLiteral("once"));
    row("unknown option", {QStringLiteral("--server=1.2.3.4")}, 2, 1202,
        QStringLiteral("Velcoll --help"));
    row("stray argument", {QStringLiteral("1203")}, 2, 1202, QStringLiteral("'1203'"));
}

void TestCollectorCore::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(int, port);
    QFETCH(QString, printed);
    quint16 chosen = 0;
    const velmora::CommandLineOutcome o = velmora::collector::parseCommandLine(arguments, &chosen);
    QCOMPARE(o.exitNow ? o.exitCode : -1, exitCode);
    if (!o.exitNow) {
        QCOMPARE(int(chosen), port);
    }
    // Help and version on standard output, complaints on standard error.
    QVERIFY2((exitCode == 2 ? o.err : o.out).contains(printed), qPrintable(o.out + o.err));
    QCOMPARE(o.out.isEmpty(), exitCode != 0);
}

#include "tst_collector_core.moc"
