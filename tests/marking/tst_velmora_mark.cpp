// SPDX-License-Identifier: MIT
// Runs the real velmora-mark executable on real files.
#include "../collector/XlsxCells.h"
#include "AnsiFile.h"
#include "Marking.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace velmora;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runMark(const QStringList& args)
{
    QProcess p;
    p.start(QDir(QStringLiteral(VELMORA_BIN_DIR)).filePath(u"velmora-mark"_s), args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) {
        return {};
    }
    QString out = QString::fromUtf8(p.readAllStandardOutput());
    QString err = QString::fromUtf8(p.readAllStandardError());
#ifdef Q_OS_WIN
    // The console's text mode writes each line end as CR LF there.
    out.replace(u"\r\n"_s, u"\n"_s);
    err.replace(u"\r\n"_s, u"\n"_s);
#endif
    return {p.exitCode(), out, err};
}

QString fixturePath(int set)
{
    return QStringLiteral(VELMORA_SOURCE_DIR "/tests/marking/pages/set%1_full.htm").arg(set);
}

const QString kFullReport = u"批改结果如下：(每小题5分)\n第1题：5\n第2题：5\n第3题：5\n第4题：5\n"
                            u"第5题：5\n\n总分：25\n"_s;
const QString kNoPageReport = u"批改结果如下：(每小题5分)\n\n总分：0\n"_s;

// A set 1 page that misses the centring of the bar image (2 points).
QString writeSet1Missing2(const QString& path)
{
    QString text = readAnsiFile(fixturePath(1)).value_or(QString());
    text.replace(u"<td width=\"100%\" align=\"center\"><img"_s, u"<td width=\"100%\"><img"_s);
    return writeAnsiFile(path, text).ok ? path : QString();
}

// Puts a hostile page at path: "sparse" (100 GB of nothing), "over" (one
// byte over 16 MiB), "fifo", "zero" (a link to /dev/zero). Returns why it
// cannot be made here, empty when it is in place.
QString plantPage(const QString& kind, const QString& path)
{
    if (kind == u"sparse" || kind == u"over") {
        QFile f(path);
        const qint64 size = kind == u"sparse" ? 100LL << 30 : kMaxPageBytes + 1;
        return f.open(QIODevice::WriteOnly) && f.resize(size) ? QString()
                                                              : u"cannot make a sparse file"_s;
    }
#ifdef Q_OS_UNIX
    if (kind == u"fifo") {
        return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0 ? QString()
                                                                        : u"no mkfifo"_s;
    }
    if (kind == u"zero") {
        return QFile::link(u"/dev/zero"_s, path) ? QString() : u"no /dev/zero link"_s;
    }
#endif
    return u"not on this system"_s;
}

} // namespace

class TestVelmoraMark : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void report_data();
    void report();
    void explain();
    void json();
    void batch();
    void lessonFolder_data();
    void lessonFolder();
    void badArguments_data();
    void badArguments();
    void missingPage_data();
    void missingPage();
    void hostilePage_data();
    void hostilePage();

private:
    QTemporaryDir m_dir;
};

void TestVelmoraMark::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QFile::exists(QDir(QStringLiteral(VELMORA_BIN_DIR)).filePath(u"velmora-mark"_s)) ||
            QFile::exists(QDir(QStringLiteral(VELMORA_BIN_DIR)).filePath(u"velmora-mark.exe"_s)));
}

void TestVelmoraMark::report_data()
{
    QTest::addColumn<int>("set");
    for (int set = marking::kFirstSet; set <= marking::kLastSet; ++set) {
        QTest::addRow("set %d full marks", set) << set;
    }
}

void TestVelmoraMark::report()
{
    QFETCH(int, set);
    const Run r = runMark({u"--set"_s, QString::number(set), fixturePath(set)});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, kFullReport);
    QCOMPARE(r.err, QString());
}

void TestVelmoraMark::explain()
{
    const QString page = writeSet1Missing2(m_dir.filePath(u"hu.htm"_s));
    QVERIFY(!page.isEmpty());
    const Run r = runMark({u"--set"_s, u"1"_s, u"--explain"_s, page});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith(u"批改结果如下：(每小题5分)\n第1题：5\n第2题：3\n"_s));
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    const QStringList checkLines = lines.mid(7); // header, five questions, total
    QCOMPARE(checkLines.size(), 10);             // set 1 has ten checks
    QCOMPARE(checkLines.filter(u" missed "_s).size(), 1);
    const QString missed = checkLines.filter(u" missed "_s).first();
    QVERIFY2(missed.startsWith(u"Q2 missed 2 "_s), qPrintable(missed));
    QVERIFY(missed.contains(u"From(\"</tr>\", 180)"_s));
    QCOMPARE(checkLines.filter(u" passed "_s).size(), 9);
}

void TestVelmoraMark::json()
{
    const QString page = writeSet1Missing2(m_dir.filePath(u"hu2.htm"_s));
    QVERIFY(!page.isEmpty());
    const Run r = runMark({u"--json"_s, u"--set"_s, u"1"_s, page});
    QCOMPARE(r.exitCode, 0);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonObject o = doc.object();
    QCOMPARE(o.value(u"set"_s).toInt(), 1);
    QCOMPARE(o.value(u"page"_s).toString(), page);
    QCOMPARE(o.value(u"total"_s).toInt(), 23);
    QCOMPARE(o.value(u"questions"_s).toArray(), QJsonArray({5, 3, 5, 5, 5}));
    const QJsonArray checks = o.value(u"checks"_s).toArray();
    QCOMPARE(checks.size(), 10);
    int missed = 0;
    for (const QJsonValue& v : checks) {
        const QJsonObject c = v.toObject();
        if (!c.value(u"passed"_s).toBool()) {
            ++missed;
            QCOMPARE(c.value(u"question"_s).toInt(), 2);
            QCOMPARE(c.value(u"kind"_s).toString(), u"Contains"_s);
            QCOMPARE(c.value(u"snippets"_s).toArray(), QJsonArray({u"center"_s}));
            QCOMPARE(c.value(u"points"_s).toInt(), 2);
        }
    }
    QCOMPARE(missed, 1);
    QCOMPARE(checks.first().toObject().value(u"snippets"_s).toArray(), QJsonArray({u"动物乐园"_s}));
}

void TestVelmoraMark::batch()
{
    QTemporaryDir cls;
    QVERIFY(cls.isValid());
    const QDir root(cls.path());
    for (const char* name : {"b02", "a01", "c03", "d,04", "+x", "=1+1", "-y", "@z", "e05", "f06"}) {
        QVERIFY(root.mkdir(QString::fromLatin1(name)));
    }
    QVERIFY(QFile::copy(fixturePath(1), root.filePath(u"a01/hu.htm"_s)));
    QVERIFY(!writeSet1Missing2(root.filePath(u"b02/hu.htm"_s)).isEmpty());
    QVERIFY(QFile::copy(fixturePath(1), root.filePath(u"d,04/Hu.HTM"_s)));
    // Saved under another case of the name: still the page (d,04).
    // Folder names that a spreadsheet would run as formulas.
    QVERIFY(QFile::copy(fixturePath(1), root.filePath(u"=1+1/hu.htm"_s)));
    QVERIFY(QFile::copy(fixturePath(1), root.filePath(u"+x/hu.htm"_s)));
    QVERIFY(QFile::copy(fixturePath(1), root.filePath(u"-y/hu.htm"_s)));
    // Pages that cannot be read: each folder gets a line of its own, the
    // others are still marked.
    QVERIFY(plantPage(u"sparse"_s, root.filePath(u"e05/hu.htm"_s)).isEmpty());
    const QString hostile = plantPage(u"fifo"_s, root.filePath(u"f06/hu.htm"_s)).isEmpty()
                                ? u"not a regular file"_s
                                : u"no hu.htm"_s;
    // c03 and @z have no page; a loose file beside the folders is not a student.
    QVERIFY(writeFileBytes(root.filePath(u"notes.txt"_s), "x").ok);
    const Run r = runMark({u"--set"_s, u"1"_s, u"--batch"_s, cls.path()});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, u"folder,q1,q2,q3,q4,q5,total\n"
                    u"'+x,5,5,5,5,5,25\n"
                    u"'-y,5,5,5,5,5,25\n"
                    u"'=1+1,5,5,5,5,5,25\n"
                    u"'@z,,,,,,\n"
                    u"a01,5,5,5,5,5,25\n"
                    u"b02,5,3,5,5,5,23\n"
                    u"c03,,,,,,\n"
                    u"\"d,04\",5,5,5,5,5,25\n"
                    u"e05,,,,,,\n"
                    u"f06,,,,,,\n"_s);
    const QStringList errors = r.err.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(errors.size(), 4);
    QVERIFY(errors.at(0).contains(u"@z"_s));
    QVERIFY(errors.at(1).contains(u"c03"_s));
    QVERIFY2(errors.at(2).contains(u"e05"_s) && errors.at(2).contains(u"larger than"_s),
             qPrintable(errors.at(2)));
    QVERIFY2(errors.at(3).contains(u"f06"_s) && errors.at(3).contains(hostile),
             qPrintable(errors.at(3)));
    const Run missing = runMark({u"--set"_s, u"1"_s, u"--batch"_s, root.filePath(u"nope"_s)});
    QCOMPARE(missing.exitCode, 1);
    QCOMPARE(missing.out, QString());
    QVERIFY(!missing.err.isEmpty());

    // The same marks as a workbook: one row per folder, a score per question.
    VELMORA_REQUIRE_XLSX_READER();
    QTemporaryDir out;
    const QString book = out.filePath(u"一班.xlsx"_s);
    const Run withBook = runMark({u"--set"_s, u"1"_s, u"--batch"_s, cls.path(), u"--xlsx"_s, book});
    QCOMPARE(withBook.exitCode, 0);
    QCOMPARE(withBook.out, r.out);
    QString error;
    const QList<XlsxSheet> sheets = readXlsx(book, &error);
    QVERIFY2(sheets.size() == 4, qPrintable(error));
    QCOMPARE(sheets.at(0).joined(),
             (QStringList{
                 u"文件夹|第1题|第2题|第3题|第4题|第5题|总分|套题"_s, u"+x|5|5|5|5|5|25|第一套"_s,
                 u"-y|5|5|5|5|5|25|第一套"_s, u"=1+1|5|5|5|5|5|25|第一套"_s, u"@z|||||||第一套"_s,
                 u"a01|5|5|5|5|5|25|第一套"_s, u"b02|5|3|5|5|5|23|第一套"_s, u"c03|||||||第一套"_s,
                 u"d,04|5|5|5|5|5|25|第一套"_s, u"e05|||||||第一套"_s, u"f06|||||||第一套"_s}));
    QCOMPARE(sheets.at(0).kinds.at(2).at(2), u"n"_s);
    QCOMPARE(sheets.at(1).joined(0, 4),
             (QStringList{u"文件夹|第一套|总分|平均分"_s, u"+x|25|25|25"_s, u"-y|25|25|25"_s,
                          u"=1+1|25|25|25"_s}));

    // A workbook that cannot be written is reported; the marks are still printed.
    const Run unwritable = runMark({u"--set"_s, u"1"_s, u"--batch"_s, cls.path(), u"--xlsx"_s,
                                    out.filePath(u"no-such/a.xlsx"_s)});
    QCOMPARE(unwritable.exitCode, 3);
    QCOMPARE(unwritable.out, r.out);
    QVERIFY(unwritable.err.contains(u"cannot write"_s));
}

// The lesson folder as Velcoll lays it out: <date>/<第N套>/<address>_<name>/.
void TestVelmoraMark::lessonFolder_data()
{
    QTest::addColumn<QStringList>("args"); // DIR relative to the lesson folder's parent
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");

    const QString header = u"folder,q1,q2,q3,q4,q5,total\n"_s;
    QTest::newRow("every set of the lesson")
        << QStringList{u"--batch"_s, u"2026-12-08"_s} << 0
        << header + u"第一套/10.0.0.5_张三,5,5,5,5,5,25\n第一套/10.0.0.6_李四,,,,,,\n"
                    u"第三套/10.0.0.5_张三,5,5,5,5,5,25\n"_s;
    QTest::newRow("one set of the lesson")
        << QStringList{u"--set"_s, u"3"_s, u"--batch"_s, u"2026-12-08"_s} << 0
        << header + u"第三套/10.0.0.5_张三,5,5,5,5,5,25\n"_s;
    QTest::newRow("a set folder names its set")
        << QStringList{u"--batch"_s, u"2026-12-08/第一套"_s} << 0
        << header + u"10.0.0.5_张三,5,5,5,5,5,25\n10.0.0.6_李四,,,,,,\n"_s;
    QTest::newRow("a set the lesson lacks")
        << QStringList{u"--set"_s, u"2"_s, u"--batch"_s, u"2026-12-08"_s} << 1 << QString();
    QTest::newRow("a set folder of another set")
        << QStringList{u"--set"_s, u"2"_s, u"--batch"_s, u"2026-12-08/第一套"_s} << 2 << QString();
}

void TestVelmoraMark::lessonFolder()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QTemporaryDir dir;
    const QDir lesson(dir.filePath(u"2026-12-08"_s));
    QVERIFY(QDir().mkpath(lesson.filePath(u"第一套/10.0.0.5_张三"_s)));
    QVERIFY(QDir().mkpath(lesson.filePath(u"第一套/10.0.0.6_李四"_s)));
    QVERIFY(QDir().mkpath(lesson.filePath(u"第三套/10.0.0.5_张三"_s)));
    // Work that Velcoll was still storing when it stopped: hidden, not marked.
    QVERIFY(QDir().mkpath(lesson.filePath(u"第一套/.10.0.0.7_.1f.velcoll-new"_s)));
    QVERIFY(QFile::copy(fixturePath(1), lesson.filePath(u"第一套/10.0.0.5_张三/hu.htm"_s)));
    QVERIFY(QFile::copy(fixturePath(3),
                        lesson.filePath(u"第三套/10.0.0.5_张三/"_s + marking::pageFileName(3))));
    args.last() = dir.filePath(args.last());
    const Run r = runMark(args);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, out);
}

void TestVelmoraMark::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("why"); // a line the error must hold; empty: only the usage
    const QString page = fixturePath(1);
    QTest::newRow("nothing") << QStringList{} << QString();
    QTest::newRow("no set") << QStringList{page} << QString();
    QTest::newRow("set 0") << QStringList{u"--set"_s, u"0"_s, page}
                           << u"the set must be a number from 1 to 9, not \"0\""_s;
    QTest::newRow("set 10") << QStringList{u"--set"_s, u"10"_s, page}
                            << u"the set must be a number from 1 to 9, not \"10\""_s;
    QTest::newRow("set not a number") << QStringList{u"--set"_s, u"one"_s, page}
                                      << u"the set must be a number from 1 to 9, not \"one\""_s;
    QTest::newRow("set without value") << QStringList{page, u"--set"_s} << QString();
    QTest::newRow("unknown option")
        << QStringList{u"--set"_s, u"1"_s, u"--fast"_s, page} << QString();
    QTest::newRow("no page") << QStringList{u"--set"_s, u"1"_s} << QString();
    QTest::newRow("two pages") << QStringList{u"--set"_s, u"1"_s, page, page} << QString();
    QTest::newRow("batch with page")
        << QStringList{u"--set"_s, u"1"_s, u"--batch"_s, m_dir.path(), page} << QString();
    QTest::newRow("xlsx without batch")
        << QStringList{u"--set"_s, u"1"_s, u"--xlsx"_s, m_dir.filePath(u"a.xlsx"_s), page}
        << QString();
    QTest::newRow("xlsx without file name")
        << QStringList{u"--set"_s, u"1"_s, u"--batch"_s, m_dir.path(), u"--xlsx"_s, u""_s}
        << QString();
    QTest::newRow("set twice") << QStringList{u"--set"_s, u"1"_s, u"--set"_s, u"2"_s, page}
                               << QString();
}

void TestVelmoraMark::badArguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, why);
    const Run r = runMark(args);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QString());
    QVERIFY(r.err.contains(u"Usage:"_s));
    QVERIFY2(r.err.contains(why), qPrintable(r.err));
}

void TestVelmoraMark::missingPage_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("report") << QString();
    QTest::newRow("explain") << u"--explain"_s;
}

void TestVelmoraMark::missingPage()
{
    QFETCH(QString, option);
    QStringList args{u"--set"_s, u"3"_s, m_dir.filePath(u"no-such/cjjj.htm"_s)};
    if (!option.isEmpty()) {
        args.prepend(option);
    }
    const Run r = runMark(args);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, kNoPageReport);
    QCOMPARE(r.err.count(u'\n'), 1);
    QVERIFY(r.err.contains(u"not found"_s));
}

void TestVelmoraMark::hostilePage_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // in the message
    QTest::newRow("error: sparse 100 GB page") << u"sparse"_s << u"larger than"_s;
    QTest::newRow("error: one byte over 16 MiB") << u"over"_s << u"larger than"_s;
    QTest::newRow("error: a pipe that nobody writes") << u"fifo"_s << u"not a regular file"_s;
    QTest::newRow("error: a link to /dev/zero") << u"zero"_s << u"not a regular file"_s;
    QTest::newRow("error: no permission") << u"no-permission"_s << u"ermission"_s;
}

void TestVelmoraMark::hostilePage()
{
#ifdef Q_OS_WIN
    if (QByteArray(QTest::currentDataTag()).contains("permission")) {
        QSKIP("file permissions are access lists on Windows");
    }
#endif
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString page = dir.filePath(u"hu.htm"_s);
    if (kind == u"no-permission") {
#ifdef Q_OS_UNIX
        if (::geteuid() == 0) {
            QSKIP("root reads any file");
        }
#endif
        QVERIFY(QFile::copy(fixturePath(1), page));
        QVERIFY(QFile::setPermissions(page, {}));
    } else if (const QString why = plantPage(kind, page); !why.isEmpty()) {
        QSKIP(qPrintable(why));
    }
    // Never blocks, never runs out of memory: a clear message and status 1.
    const Run r = runMark({u"--set"_s, u"1"_s, page});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, kNoPageReport);
    QCOMPARE(r.err.count(u'\n'), 1);
    QVERIFY2(r.err.startsWith(u"velmora-mark: cannot read page"_s), qPrintable(r.err));
    QVERIFY2(r.err.contains(reason), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(TestVelmoraMark)
#include "tst_velmora_mark.moc"
