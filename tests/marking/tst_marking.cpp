// SPDX-License-Identifier: MIT
#include "AnsiFile.h"
#include "Gbk.h"
#include "Marking.h"
#include "PageSearch.h"
#include "RuleTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::marking;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(velmora::marking::Segment)

using Scores = QList<int>;
// Text edits applied in order to a full-marks page: each pair replaces every
// occurrence of its first text with its second.
using Edits = QList<std::pair<QString, QString>>;

namespace {

const QString kHeader = QStringLiteral("批改结果如下：(每小题5分)");

QString fixturePath(int set)
{
    return QStringLiteral(VELMORA_SOURCE_DIR "/tests/marking/pages/set%1_full.htm").arg(set);
}

QString fullPage(int set)
{
    const auto text = readAnsiFile(fixturePath(set));
    return text.value_or(QString());
}

QString applyEdits(QString text, const Edits& edits)
{
    for (const auto& [from, to] : edits) {
        if (!text.contains(from)) {
            qWarning("edit target not in page: %s", qPrintable(from));
            return {};
        }
        text.replace(from, to);
    }
    return text;
}

Scores toScores(const MarkResult& r)
{
    return Scores(r.questions.begin(), r.questions.end());
}

QString reportFor(const Scores& q)
{
    QString s = kHeader + u'\r';
    int total = 0;
    for (int i = 0; i < q.size(); ++i) {
        s += QStringLiteral("第%1题：%2\r").arg(i + 1).arg(q[i]);
        total += q[i];
    }
    return s + QStringLiteral("\r总分：%1\r").arg(total);
}

// The question scores must be exactly the points of the passing checks.
bool checksAddUp(const MarkResult& r)
{
    std::array<int, 5> sums{};
    for (const CheckOutcome& c : r.checks) {
        if (c.passed) {
            sums[std::size_t(c.question - 1)] += c.points;
        }
    }
    return sums == r.questions;
}

} // namespace

class TestMarking : public QObject
{
    Q_OBJECT

private slots:
    void find_data();
    void find();
    void findAgreesWithQtCaseInsensitive_data();
    void findAgreesWithQtCaseInsensitive();
    void segments_data();
    void segments();
    void unformedSegments_data();
    void unformedSegments();

    void fullMarks_data();
    void fullMarks();
    void sameMarksWhateverTheSpelling_data();
    void sameMarksWhateverTheSpelling();
    void lostPoints_data();
    void lostPoints();
    void chineseCountsAsOneCharacter_data();
    void chineseCountsAsOneCharacter();
    void pageEncodings_data();
    void pageEncodings();

    void reportText_data();
    void reportText();
    void markingTwiceIsTheSame();
    void setTables_data();
    void setTables();

    void brokenPages_data();
    void brokenPages();
    void findPage_data();
    void findPage();
    void missingOrUnreadableFiles_data();
    void missingOrUnreadableFiles();
    void noRuleTable_data();
    void noRuleTable();
    void garbageBytesFinish();

private:
    QTemporaryDir m_dir;
};

void TestMarking::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("snippet");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("expected");

    QTest::newRow("first position is 1") << u"<tr>"_s << u"<tr"_s << 1 << 1;
    QTest::newRow("first occurrence") << u"ab<tr>x<tr>"_s << u"<tr"_s << 1 << 3;
    QTest::newRow("from skips earlier") << u"ab<tr>x<tr>"_s << u"<tr"_s << 4 << 8;
    QTest::newRow("from on the match") << u"ab<tr>x<tr>"_s << u"<tr"_s << 3 << 3;
    QTest::newRow("upper-case page") << u"ab<TR>"_s << u"<tr"_s << 1 << 3;
    QTest::newRow("upper-case snippet") << u"</body>"_s << u"</BODY>"_s << 1 << 1;
    QTest::newRow("hr inside href") << u"<a href=x>"_s << u"hr"_s << 1 << 4;
    QTest::newRow("center inside align") << u"align=\"center\""_s << u"center"_s << 1 << 8;
    QTest::newRow("chinese counts one") << u"动物乐园<tr"_s << u"<tr"_s << 1 << 5;
    QTest::newRow("not found") << u"abc"_s << u"<tr"_s << 1 << 0;
    QTest::newRow("from beyond end") << u"abc<tr"_s << u"<tr"_s << 50 << 0;
    QTest::newRow("empty text") << u""_s << u"<tr"_s << 1 << 0;
    QTest::newRow("no folding of blanks") << u"a  b"_s << u"a b"_s << 1 << 0;
}

void TestMarking::find()
{
    QFETCH(QString, text);
    QFETCH(QString, snippet);
    QFETCH(int, from);
    QFETCH(int, expected);
    QCOMPARE(PageSearch(text).find(snippet, from), qsizetype(expected));
}

void TestMarking::findAgreesWithQtCaseInsensitive_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("snippet");
    QTest::newRow("ascii") << u"<BODY BGCOLOR=\"#c0c0c0\">"_s << u"bgcolor=\"#C0C0C0\""_s;
    QTest::newRow("latin letters") << u"xÄÖü"_s << u"äöÜ"_s;
    QTest::newRow("greek sigma") << u"ΣΟΦΙΑ σοφια"_s << u"σοφ"_s;
    QTest::newRow("full-width letters") << u"ＡＢＣabc"_s << u"ａｂｃ"_s;
    QTest::newRow("kelvin sign") << u"100\u212A"_s << u"100k"_s;
    QTest::newRow("sharp s") << u"STRASSE straße"_s << u"straße"_s;
    QTest::newRow("chinese") << u"欢迎光临我的网上小家"_s << u"网上"_s;
    QTest::newRow("beyond the basic plane") << u"a\U00010400b"_s << u"\U00010428b"_s;
    QTest::newRow("lone surrogate") << u"a"_s + QChar(0xD800) + u"B"_s << u"b"_s;
    QTest::newRow("absent") << u"abc"_s << u"abd"_s;
}

void TestMarking::findAgreesWithQtCaseInsensitive()
{
    QFETCH(QString, text);
    QFETCH(QString, snippet);
    QCOMPARE(PageSearch(text).find(snippet), text.indexOf(snippet, 0, Qt::CaseInsensitive) + 1);
}

void TestMarking::segments_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Segment>("segment");
    QTest::addColumn<QString>("expected");

    QTest::newRow("whole page") << u"ab<tr>cd"_s << WholePage() << u"ab<tr>cd"_s;
    QTest::newRow("span k 0 stops before end anchor")
        << u"xx<tr>abc</tr>yy"_s << Span(u"<tr", u"</tr>", 0) << u"<tr>abc"_s;
    QTest::newRow("span k 5 takes end anchor")
        << u"xx<tr>abc</tr>yy"_s << Span(u"<tr", u"</tr>", 5) << u"<tr>abc</tr>"_s;
    QTest::newRow("span anchors in upper case")
        << u"xx<TR>abc</TR>yy"_s << Span(u"<tr", u"</tr>", 0) << u"<TR>abc"_s;
    QTest::newRow("span first table counts")
        << u"<table a>z<tr><table b><tr>"_s << Span(u"<table", u"<tr", 5) << u"<table a>z<tr><"_s;
    QTest::newRow("span cut at end of text")
        << u"a<body x"_s << Span(u"<body", u"x", 5) << u"<body x"_s;
    QTest::newRow("from") << u"ab</tr>0123456789"_s << From(u"</tr>", 7) << u"</tr>01"_s;
    QTest::newRow("from cut at end") << u"ab</tr>01"_s << From(u"</tr>", 180) << u"</tr>01"_s;
    QTest::newRow("before") << u"0123456789X"_s << Before(u"X", 3) << u"789"_s;
    QTest::newRow("before chinese characters")
        << u"一二三四五六X"_s << Before(u"X", 4) << u"三四五六"_s;
    QTest::newRow("before first occurrence") << u"abX cdX"_s << Before(u"x", 2) << u"ab"_s;
    QTest::newRow("shifted span") << u"xxxxxAyyyyB"_s << ShiftedSpan(u"A", u"B", 2) << u"xxAyy"_s;
    QTest::newRow("shifted span n 0") << u"xxAyyB"_s << ShiftedSpan(u"A", u"B", 0) << u"Ayy"_s;
    QTest::newRow("row 2 to first cell")
        << u"<table><tr><td>1</td></tr><tr><td>2</td><td>x</td></tr></table>"_s
        << Row(2, u"</td>", 5) << u"<tr><td>2<"_s;
    QTest::newRow("row 2 whole row")
        << u"<table><tr><td>1</td></tr><tr><td>2</td><td>x</td></tr></table>"_s
        << Row(2, u"</tr>", 5) << u"<tr><td>2</td><td>x</td><"_s;
    QTest::newRow("row with blanks before cell")
        << u"<table><tr>\r\n <td>ab</td></tr>"_s << Row(1, u"</td>", 5) << u"<tr>\r\n <td>"_s;
    QTest::newRow("row upper case") << u"<TABLE><TR><TD>1</TD></TR><TR><TD>2</TD></TR>"_s
                                    << Row(2, u"</td>", 5) << u"<TR><TD>2<"_s;
    QTest::newRow("row chain starts at position 5")
        << u"<tr><td>a</td></tr><tr><td>b</td></tr>"_s << Row(1, u"</td>", 5) << u"<tr><td>b<"_s;
}

void TestMarking::segments()
{
    QFETCH(QString, text);
    QFETCH(Segment, segment);
    QFETCH(QString, expected);
    QCOMPARE(PageSearch(text).segment(segment).toString(), expected);
}

void TestMarking::unformedSegments_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Segment>("segment");
    QTest::addColumn<QString>("expected");

    QTest::newRow("span start missing") << u"abc</tr>"_s << Span(u"<tr", u"</tr>", 5) << u""_s;
    QTest::newRow("span anchors reversed")
        << u"</tr>ab<tr>"_s << Span(u"<tr", u"</tr>", 0) << u""_s;
    QTest::newRow("span reversed by more than k")
        << u"<tr>xxxxxxxx<table"_s << Span(u"<table", u"<tr", 5) << u""_s;
    // The formula with find(b) = 0 leaves at most k - 1 characters.
    QTest::newRow("span end missing") << u"<body x"_s << Span(u"<body", u"<table", 5) << u"<bod"_s;
    QTest::newRow("from anchor missing") << u"abc"_s << From(u"</tr>", 180) << u""_s;
    QTest::newRow("before anchor missing") << u"abc"_s << Before(u"X", 3) << u""_s;
    QTest::newRow("before clamps to first character") << u"01X"_s << Before(u"X", 5) << u"01"_s;
    QTest::newRow("before anchor at start") << u"X0123"_s << Before(u"X", 5) << u""_s;
    QTest::newRow("shifted span reversed") << u"ByyyA"_s << ShiftedSpan(u"A", u"B", 2) << u""_s;
    QTest::newRow("shifted span end missing") << u"xxxA"_s << ShiftedSpan(u"A", u"B", 2) << u""_s;
    QTest::newRow("shifted span clamps and keeps end")
        << u"xxxxxAyyyyB"_s << ShiftedSpan(u"A", u"B", 7) << u"xxx"_s;
    QTest::newRow("shifted span ends before text")
        << u"xxxxxAyyyyB"_s << ShiftedSpan(u"A", u"B", 10) << u""_s;
    QTest::newRow("row too few rows")
        << u"<table><tr><td>1</td></tr><tr><td>2</td></tr>"_s << Row(3, u"</td>", 5) << u""_s;
    QTest::newRow("row no rows") << u"<table></table>"_s << Row(2, u"</tr>", 5) << u""_s;
    QTest::newRow("row end tag missing")
        << u"<table><tr><td>1<tr><td>2"_s << Row(2, u"</td>", 5) << u""_s;
    QTest::newRow("empty text") << u""_s << WholePage() << u""_s;
}

void TestMarking::unformedSegments()
{
    segments();
}

void TestMarking::fullMarks_data()
{
    QTest::addColumn<int>("set");
    for (int set = kFirstSet; set <= kLastSet; ++set) {
        QTest::addRow("set %d", set) << set;
    }
}

void TestMarking::fullMarks()
{
    QFETCH(int, set);
    const MarkResult r = markFile(set, fixturePath(set));
    QVERIFY(r.pageFound);
    QCOMPARE(toScores(r), Scores({5, 5, 5, 5, 5}));
    QCOMPARE(r.total, 25);
    QCOMPARE(r.report, reportFor({5, 5, 5, 5, 5}));
    QVERIFY(!r.checks.isEmpty());
    for (const CheckOutcome& c : r.checks) {
        QVERIFY2(c.passed, qPrintable(c.description));
        QVERIFY(!c.description.isEmpty());
        QVERIFY(!c.segment.isEmpty());
    }
}

void TestMarking::sameMarksWhateverTheSpelling_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<QString>("variant");
    for (int set = kFirstSet; set <= kLastSet; ++set) {
        QTest::addRow("set %d upper case", set) << set << u"upper"_s;
        QTest::addRow("set %d LF line ends", set) << set << u"lf"_s;
        QTest::addRow("set %d CR LF line ends", set) << set << u"crlf"_s;
    }
}

// Upper-case tags and attributes, and either line-end style, earn the same
// points as the page as FrontPage writes it.
void TestMarking::sameMarksWhateverTheSpelling()
{
    QFETCH(int, set);
    QFETCH(QString, variant);
    QString text = fullPage(set);
    QVERIFY(text.contains(QStringLiteral("\r\n")));
    if (variant == u"upper") {
        text = text.toUpper();
    } else if (variant == u"lf") {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    }
    QCOMPARE(toScores(markText(set, text)), Scores({5, 5, 5, 5, 5}));
}

void TestMarking::lostPoints_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<Edits>("edits");
    QTest::addColumn<Scores>("expected");
    const QString nl = QStringLiteral("\r\n");
    const QString filler(200, u'x');

    // Set 1
    QTest::newRow("s1 bar image not centred")
        << 1 << Edits{{u"<td width=\"100%\" align=\"center\"><img"_s, u"<td width=\"100%\"><img"_s}}
        << Scores{5, 3, 5, 5, 5};
    QTest::newRow("s1 bar image beyond 180 characters")
        << 1
        << Edits{{u"</tr>"_s + nl + u"  <tr>"_s + nl +
                      u"    <td width=\"100%\" align=\"center\"><img"_s,
                  u"</tr><!--"_s + filler + u"-->"_s + nl + u"  <tr>"_s + nl +
                      u"    <td width=\"100%\" align=\"center\"><img"_s}}
        << Scores{5, 0, 5, 5, 5};
    QTest::newRow("s1 title without typeface")
        << 1 << Edits{{u"face=\"隶书\" "_s, u""_s}} << Scores{4, 5, 5, 5, 5};
    QTest::newRow("s1 tiger in second row")
        << 1
        << Edits{{u"src=\"hu.jpg\""_s, u"src=\"tiger.gif\""_s},
                 {u"src=\"barflow.gif\""_s, u"src=\"barflow.gif\"><img src=\"hu.jpg\""_s}}
        << Scores{5, 5, 0, 5, 5};
    QTest::newRow("s1 tiger in later cell of third row")
        << 1
        << Edits{{u"<img border=\"0\" src=\"hu.jpg\" width=\"240\" height=\"180\">"_s, u"老虎"_s},
                 {u"<td width=\"65%\">"_s, u"<td width=\"65%\"><img src=\"hu.jpg\">"_s}}
        << Scores{5, 5, 0, 5, 5};
    QTest::newRow("s1 second table with no border does not count")
        << 1
        << Edits{{u"<table border=\"0\""_s, u"<table border=\"1\""_s},
                 {u"</body>"_s, u"<table border=\"0\"><tr><td>x</td></tr></table></body>"_s}}
        << Scores{5, 5, 5, 0, 5};
    QTest::newRow("s1 other backdrop")
        << 1 << Edits{{u"花.jpg"_s, u"草.jpg"_s}} << Scores{5, 5, 5, 5, 0};

    // Set 2
    QTest::newRow("s2 one absolute link costs all four")
        << 2 << Edits{{u"href=\"mhl.htm\""_s, u"href=\"http://zoo.example/mhl.htm\""_s}}
        << Scores{5, 1, 5, 5, 5};
    QTest::newRow("s2 www link costs all four")
        << 2 << Edits{{u"href=\"hu.htm\""_s, u"href=\"www.zoo.cn/hu.htm\""_s}}
        << Scores{5, 1, 5, 5, 5};
    QTest::newRow("s2 blank before tag end")
        << 2 << Edits{{u"ttn.htm\">"_s, u"ttn.htm\" >"_s}} << Scores{5, 4, 5, 5, 5};
    QTest::newRow("s2 link area not teal")
        << 2 << Edits{{u"bgcolor=\"#008080\""_s, u"bgcolor=\"#808000\""_s}}
        << Scores{5, 4, 5, 5, 5};
    QTest::newRow("s2 two of three font parts")
        << 2 << Edits{{u"size=\"4\""_s, u"size=\"5\""_s}} << Scores{5, 5, 4, 5, 5};
    QTest::newRow("s2 marquee scrolls one way")
        << 2 << Edits{{u" behavior=\"alternate\""_s, u""_s}} << Scores{5, 5, 4, 5, 5};
    QTest::newRow("s2 mail link with other text")
        << 2 << Edits{{u"阿禾</a>"_s, u"小禾</a>"_s}} << Scores{5, 5, 5, 0, 5};
    QTest::newRow("s2 mail to other address")
        << 2 << Edits{{u"ahe@example.com"_s, u"he@example.com"_s}} << Scores{5, 5, 5, 0, 5};
    QTest::newRow("s2 picture links elsewhere")
        << 2 << Edits{{u"www.kepu.net.cn"_s, u"www.example.cn"_s}} << Scores{0, 5, 5, 5, 5};

    // Set 3
    QTest::newRow("s3 hr inside href counts")
        << 3
        << Edits{{u"<hr color=\"#FF0000\">"_s,
                  u"<a href=\"x.htm\"><font color=\"#FF0000\">x</font></a>"_s}}
        << Scores{5, 5, 5, 5, 5};
    QTest::newRow("s3 rule not red")
        << 3 << Edits{{u"<hr color=\"#FF0000\">"_s, u"<hr>"_s}} << Scores{5, 3, 5, 5, 5};
    QTest::newRow("s3 title not bold")
        << 3 << Edits{{u"<b>"_s, u""_s}, {u"</b>"_s, u""_s}} << Scores{4, 5, 5, 5, 5};
    QTest::newRow("s3 border without quotes")
        << 3 << Edits{{u"<table border=\"0\""_s, u"<table border=0"_s}} << Scores{5, 5, 5, 5, 5};
    QTest::newRow("s3 border 1") << 3 << Edits{{u"<table border=\"0\""_s, u"<table border=\"1\""_s}}
                                 << Scores{5, 5, 5, 5, 0};
    QTest::newRow("s3 absolute home link")
        << 3 << Edits{{u"href=\"index.htm\""_s, u"href=\"http://www.example.cn/index.htm\""_s}}
        << Scores{5, 5, 5, 0, 5};
    QTest::newRow("s3 picture not centred")
        << 3 << Edits{{u"<p align=\"center\"><img"_s, u"<p><img"_s}} << Scores{5, 5, 3, 5, 5};

    // Set 4
    QTest::newRow("s4 absolute link before 春节简介")
        << 4 << Edits{{u"href=\"cjjj.htm\""_s, u"href=\"http://www.example.cn/cjjj.htm\""_s}}
        << Scores{5, 5, 3, 5, 5};
    QTest::newRow("s4 absolute link before 春节由来与传说")
        << 4 << Edits{{u"href=\"cjyl.htm\""_s, u"href=\"http://www.example.cn/cjyl.htm\""_s}}
        << Scores{5, 5, 2, 5, 5};
    QTest::newRow("s4 top inside another word")
        << 4 << Edits{{u"valign=\"top\" align=\"right\""_s, u"align=\"right\" title=\"desktop\""_s}}
        << Scores{5, 5, 5, 5, 5};
    QTest::newRow("s4 picture not aligned")
        << 4 << Edits{{u" valign=\"top\" align=\"right\""_s, u""_s}} << Scores{5, 0, 5, 5, 5};
    QTest::newRow("s4 picture only right")
        << 4 << Edits{{u" valign=\"top\""_s, u""_s}} << Scores{5, 2, 5, 5, 5};
    QTest::newRow("s4 search link elsewhere")
        << 4 << Edits{{u"www.baidu.com"_s, u"www.example.com"_s}} << Scores{5, 5, 5, 0, 5};
    QTest::newRow("s4 mail to other target")
        << 4 << Edits{{u"mailto:webmaster@example.com"_s, u"mailto:boss@example.com"_s}}
        << Scores{5, 5, 5, 5, 0};
    QTest::newRow("s4 address not link text")
        << 4 << Edits{{u">webmaster@example.com</a>"_s, u">站长</a>"_s}} << Scores{5, 5, 5, 5, 0};
    QTest::newRow("s4 page not grey")
        << 4 << Edits{{u"<body bgcolor=\"#C0C0C0\">"_s, u"<body>"_s}} << Scores{0, 5, 5, 5, 5};

    // Set 5
    QTest::newRow("s5 no door god")
        << 5
        << Edits{{u"<img border=\"0\" src=\"menshen.jpg\" width=\"150\" height=\"200\">"_s, u""_s}}
        << Scores{5, 5, 0, 5, 5};
    QTest::newRow("s5 home icon absolute")
        << 5 << Edits{{u"href=\"index.htm\""_s, u"href=\"http://www.example.cn/index.htm\""_s}}
        << Scores{5, 5, 5, 0, 5};
    QTest::newRow("s5 marquee in other typeface")
        << 5 << Edits{{u"隶书"_s, u"宋体"_s}} << Scores{5, 4, 5, 5, 5};
    QTest::newRow("s5 no red after home icon")
        << 5 << Edits{{u"<td width=\"100%\" bgcolor=\"#FF0000\">&nbsp;"_s, u"<td>&nbsp;"_s}}
        << Scores{5, 5, 5, 5, 0};
    QTest::newRow("s5 body end in upper case")
        << 5 << Edits{{u"</body>"_s, u"</BODY>"_s}} << Scores{5, 5, 5, 5, 5};

    // Set 6
    const QString s6cell =
        QStringLiteral(" bgcolor=\"#800000\" align=\"center\"><font color=\"#FFFF00\">");
    QTest::newRow("s6 dark red on first pair only")
        << 6
        << Edits{{s6cell + u"校园逸趣"_s, u" align=\"center\"><font color=\"#FFFF00\">校园逸趣"_s},
                 {s6cell + u"诗苑履痕"_s, u" align=\"center\"><font color=\"#FFFF00\">诗苑履痕"_s}}
        << Scores{5, 5, 5, 5, 4};
    QTest::newRow("s6 yellow on second pair only")
        << 6
        << Edits{{u"bgcolor=\"#800000\" "_s, u""_s},
                 {u"<font color=\"#FFFF00\">成长笔记"_s, u"<font>成长笔记"_s},
                 {u"<font color=\"#FFFF00\">创作园地"_s, u"<font>创作园地"_s}}
        << Scores{5, 5, 5, 5, 2};
    QTest::newRow("s6 dark red on one cell of a pair")
        << 6
        << Edits{{s6cell + u"创作园地"_s, u" align=\"center\"><font color=\"#FFFF00\">创作园地"_s}}
        << Scores{5, 5, 5, 5, 4};
    QTest::newRow("s6 extra row above marquee")
        << 6
        << Edits{{u"  <tr>"_s + nl + u"    <td width=\"100%\" colspan=\"4\">这里是"_s,
                  u"  <tr>"_s + nl + u"    <td>新</td>"_s + nl + u"  </tr>"_s + nl + u"  <tr>"_s +
                      nl + u"    <td width=\"100%\" colspan=\"4\">这里是"_s}}
        << Scores{5, 5, 5, 0, 5};
    QTest::newRow("s6 table not centred")
        << 6 << Edits{{u" align=\"center\">"_s + nl + u"  <tr>"_s, u">"_s + nl + u"  <tr>"_s}}
        << Scores{5, 0, 5, 5, 5};

    // Set 7
    QTest::newRow("s7 red rule without size")
        << 7 << Edits{{u" size=\"3\""_s, u""_s}} << Scores{5, 5, 3, 5, 5};
    QTest::newRow("s7 rule of size 3 not red")
        << 7 << Edits{{u"<hr color=\"#FF0000\" size=\"3\">"_s, u"<hr size=\"3\">"_s}}
        << Scores{5, 5, 4, 5, 5};
    QTest::newRow("s7 absolute link")
        << 7 << Edits{{u"href=\"czbj.htm\""_s, u"href=\"http://www.example.cn/czbj.htm\""_s}}
        << Scores{5, 5, 5, 5, 0};
    QTest::newRow("s7 leaves far from table end")
        << 7
        << Edits{{u"</tr>"_s + nl + u"</table>"_s,
                  u"</tr><!--"_s + filler + u"-->"_s + nl + u"</table>"_s}}
        << Scores{5, 5, 5, 0, 5};

    // Set 8
    QTest::newRow("s8 extra row on top moves every row")
        << 8
        << Edits{{u"bordercolor=\"#FF0000\">"_s, u"bordercolor=\"#FF0000\">"_s + nl + u"  <tr>"_s +
                                                     nl + u"    <td>奥运</td>"_s + nl +
                                                     u"  </tr>"_s}}
        << Scores{5, 0, 0, 0, 0};
    QTest::newRow("s8 marquee one way")
        << 8 << Edits{{u" behavior=\"alternate\""_s, u""_s}} << Scores{5, 5, 3, 5, 5};
    QTest::newRow("s8 border not red")
        << 8 << Edits{{u" bordercolor=\"#FF0000\""_s, u""_s}} << Scores{0, 5, 5, 5, 5};

    // Set 9
    QTest::newRow("s9 link instead of rule")
        << 9
        << Edits{{u"<hr color=\"#FF0000\" size=\"1\" width=\"90%\">"_s,
                  u"<a href=\"a.htm\">a</a>"_s}}
        << Scores{5, 5, 5, 5, 2};
    QTest::newRow("s9 border without quotes")
        << 9 << Edits{{u"<table border=\"0\""_s, u"<table border=0"_s}} << Scores{5, 5, 5, 5, 5};
    QTest::newRow("s9 border 1") << 9 << Edits{{u"<table border=\"0\""_s, u"<table border=\"1\""_s}}
                                 << Scores{5, 0, 5, 5, 5};
    QTest::newRow("s9 picture links elsewhere")
        << 9 << Edits{{u"www.beijing2008.cn"_s, u"www.example.cn"_s}} << Scores{0, 5, 5, 5, 5};
}

void TestMarking::lostPoints()
{
    QFETCH(int, set);
    QFETCH(Edits, edits);
    QFETCH(Scores, expected);
    const QString text = applyEdits(fullPage(set), edits);
    QVERIFY(!text.isEmpty());
    // Through a real GBK file, as the student program reads it.
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(QString::number(set) + u'_' + pageFileName(set));
    QVERIFY(writeAnsiFile(path, text).ok);
    const MarkResult r = markFile(set, path);
    QCOMPARE(toScores(r), expected);
    QCOMPARE(r.total, std::accumulate(expected.begin(), expected.end(), 0));
    QCOMPARE(r.report, reportFor(expected));
    QVERIFY(checksAddUp(r));
}

void TestMarking::chineseCountsAsOneCharacter_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("expected");
    // Set 3 question 1 looks at the 180 characters before the title; the
    // font tag is 62 characters. In bytes, 100 Chinese characters alone would
    // already fill the window.
    QTest::newRow("100 characters: all five in the window") << 100 << 5;
    QTest::newRow("150 characters: size and colour only") << 150 << 2;
}

void TestMarking::chineseCountsAsOneCharacter()
{
    QFETCH(int, count);
    QFETCH(int, expected);
    const QString text =
        applyEdits(fullPage(3), {{u"color=\"#FF0000\">春节简介"_s,
                                  u"color=\"#FF0000\">"_s + QString(count, u'的') + u"春节简介"}});
    QVERIFY(!text.isEmpty());
    const QString path = m_dir.filePath(QStringLiteral("cjjj.htm"));
    QVERIFY(writeAnsiFile(path, text).ok);
    QCOMPARE(markFile(3, path).questions[0], expected);
}

void TestMarking::pageEncodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Scores>("expected");
    const QString page = fullPage(1);
    const QString utf8Page =
        QString(page).replace(QStringLiteral("charset=gb2312"), QStringLiteral("charset=UTF-8"));
    QTest::newRow("gbk") << toGbk(page) << Scores{5, 5, 5, 5, 5};
    QTest::newRow("utf-8 with byte-order mark")
        << "\xEF\xBB\xBF" + page.toUtf8() << Scores{5, 5, 5, 5, 5};
    QTest::newRow("utf-8 declared") << utf8Page.toUtf8() << Scores{5, 5, 5, 5, 5};
    // Undeclared UTF-8 is read as GBK: the Chinese snippets no longer match.
    QTest::newRow("utf-8 undeclared") << page.toUtf8() << Scores{3, 5, 5, 5, 0};
}

void TestMarking::pageEncodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Scores, expected);
    const QString path = m_dir.filePath(QStringLiteral("hu.htm"));
    QVERIFY(writeFileBytes(path, bytes).ok);
    QCOMPARE(toScores(markFile(1, path)), expected);
}

void TestMarking::reportText_data()
{
    QTest::addColumn<bool>("pageFound");
    QTest::addColumn<Scores>("scores");
    QTest::addColumn<QString>("expected");
    QTest::newRow("full marks")
        << true << Scores{5, 5, 5, 5, 5}
        << u"批改结果如下：(每小题5分)\r第1题：5\r第2题：5\r第3题：5\r第4题：5\r第5题：5\r\r总分：25\r"_s;
    QTest::newRow("partial sum 23")
        << true << Scores{5, 3, 5, 5, 5}
        << u"批改结果如下：(每小题5分)\r第1题：5\r第2题：3\r第3题：5\r第4题：5\r第5题：5\r\r总分：23\r"_s;
    QTest::newRow("all zero")
        << true << Scores{0, 0, 0, 0, 0}
        << u"批改结果如下：(每小题5分)\r第1题：0\r第2题：0\r第3题：0\r第4题：0\r第5题：0\r\r总分：0\r"_s;
    QTest::newRow("no page") << false << Scores{0, 0, 0, 0, 0}
                             << u"批改结果如下：(每小题5分)\r\r总分：0\r"_s;
}

void TestMarking::reportText()
{
    QFETCH(bool, pageFound);
    QFETCH(Scores, scores);
    QFETCH(QString, expected);
    MarkResult r;
    r.pageFound = pageFound;
    for (int i = 0; i < 5; ++i) {
        r.questions[std::size_t(i)] = scores[i];
        r.total += scores[i];
    }
    QCOMPARE(velmora::marking::reportText(r), expected);
}

void TestMarking::markingTwiceIsTheSame()
{
    const QString text = applyEdits(fullPage(2), {{u"size=\"4\""_s, u"size=\"5\""_s}});
    const MarkResult first = markText(2, text);
    const MarkResult second = markText(2, text);
    QCOMPARE(first.report, second.report);
    QCOMPARE(first.total, 24);
    QCOMPARE(second.total, 24);
    QCOMPARE(first.checks.size(), second.checks.size());
    for (qsizetype i = 0; i < first.checks.size(); ++i) {
        QCOMPARE(first.checks[i].passed, second.checks[i].passed);
    }
}

void TestMarking::setTables_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("page");
    QTest::newRow("1") << 1 << u"第一套"_s << u"hu.htm"_s;
    QTest::newRow("2") << 2 << u"第二套"_s << u"index.htm"_s;
    QTest::newRow("3") << 3 << u"第三套"_s << u"cjjj.htm"_s;
    QTest::newRow("4") << 4 << u"第四套"_s << u"index.htm"_s;
    QTest::newRow("5") << 5 << u"第五套"_s << u"cjyl.htm"_s;
    QTest::newRow("6") << 6 << u"第六套"_s << u"home.htm"_s;
    QTest::newRow("7") << 7 << u"第七套"_s << u"home.htm"_s;
    QTest::newRow("8") << 8 << u"第八套"_s << u"aoyun.htm"_s;
    QTest::newRow("9") << 9 << u"第九套"_s << u"aoyun.htm"_s;
    QTest::newRow("10 has a folder but no table") << 10 << u"第十套"_s << u""_s;
    QTest::newRow("12") << 12 << u"第十二套"_s << u""_s;
    QTest::newRow("0") << 0 << u""_s << u""_s;
    QTest::newRow("13") << 13 << u""_s << u""_s;
    QTest::newRow("negative") << -1 << u""_s << u""_s;
}

void TestMarking::setTables()
{
    QFETCH(int, set);
    QFETCH(QString, folder);
    QFETCH(QString, page);
    QCOMPARE(setFolderName(set), folder);
    QCOMPARE(pageFileName(set), page);
}

void TestMarking::brokenPages_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Scores>("expected");

    for (int set = kFirstSet; set <= kLastSet; ++set) {
        QTest::addRow("set %d empty text", set) << set << QString() << Scores{0, 0, 0, 0, 0};
        QTest::addRow("set %d plain text", set)
            << set << QStringLiteral("这不是网页。") << Scores{0, 0, 0, 0, 0};
    }
    QTest::newRow("s1 no rows at all")
        << 1 << u"<html><body background=\"花.jpg\"><table border=\"0\"></table></body></html>"_s
        << Scores{0, 0, 0, 0, 5};
    QTest::newRow("s1 title row anchors reversed")
        << 1 << u"</tr>动物乐园 size=\"7\" face=\"隶书\" color=\"#0000FF\" center<tr>"_s
        << Scores{0, 2, 0, 0, 0}; // From("</tr>", 180) still sees "center"
    QTest::newRow("s1 table and body reversed")
        << 1 << u"<table border=\"0\"><tr><body background=\"花.jpg\">"_s << Scores{0, 0, 0, 5, 0};
    QTest::newRow("s2 links before the tiger")
        << 2
        << u"<p bgcolor=\"#008080\"><a href=\"yzs.htm\">鸭嘴兽</a> <a href=\"hu.htm\">虎</a></p>"_s
        << Scores{0, 0, 0, 0, 0};
    QTest::newRow("s2 tiger at page start")
        << 2 << u"虎 bgcolor=\"#008080\""_s + QString(120, u'.') + u"鸭嘴兽"_s
        << Scores{0, 1, 0, 0, 0};
    QTest::newRow("s4 guard at page start")
        << 4 << u"webmaster@example.com</a> mailto:webmaster@example.com"_s
        << Scores{0, 0, 0, 0, 0};
    QTest::newRow("s4 guard after mail link")
        << 4 << u"<a href=\"mailto:webmaster@example.com\">webmaster@example.com</a>"_s
        << Scores{0, 0, 0, 0, 5};
    QTest::newRow("s6 navigation at page start")
        << 6
        << u"<td bgcolor=\"#800000\">成长笔记<td bgcolor=\"#800000\">创作园地"_s
           u"<td>校园逸趣<td>诗苑履痕"_s
        << Scores{0, 0, 0, 0, 2}; // S1 starts at the first character; S3, S4 reach back
    QTest::newRow("s8 only three rows")
        << 8
        << u"<table bordercolor=\"#FF0000\"><tr><td>1</td></tr>"_s
           u"<tr><td bgcolor=\"#FF0000\"><marquee behavior=\"alternate\">北京欢迎您</marquee>"_s
           u"</td></tr><tr><td src=\"jingjing.jpg\">3</td></tr></table>"_s
        << Scores{5, 5, 5, 0, 0};
    QTest::newRow("s9 table end at page start")
        << 9 << u"</table><hr color=\"#FF0000\" size=\"1\" width=\"90%\">"_s
        << Scores{0, 0, 0, 0, 0};
}

// Missing or reversed anchors leave a question's segments empty: the run
// finishes, those checks fail, and the other checks still count.
void TestMarking::brokenPages()
{
    QFETCH(int, set);
    QFETCH(QString, text);
    QFETCH(Scores, expected);
    const MarkResult r = markText(set, text);
    QVERIFY(r.pageFound);
    QCOMPARE(toScores(r), expected);
    QCOMPARE(r.report, reportFor(expected));
    QVERIFY(checksAddUp(r));
}

void TestMarking::missingOrUnreadableFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("pageFound");
    QTest::addColumn<bool>("readError"); // a reason why the page is as good as absent
    QTest::newRow("absent file") << u"absent"_s << false << false;
    QTest::newRow("folder of the page's name") << u"folder"_s << false << true;
    QTest::newRow("empty file") << u"empty"_s << true << false;
    QTest::newRow("unreadable file") << u"unreadable"_s << false << true;
}

void TestMarking::missingOrUnreadableFiles()
{
    QFETCH(QString, kind);
    QFETCH(bool, pageFound);
    QFETCH(bool, readError);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("hu.htm"));
    if (kind == u"folder") {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("hu.htm")));
    } else if (kind == u"empty") {
        QVERIFY(writeFileBytes(path, {}).ok);
    } else if (kind == u"unreadable") {
        QVERIFY(writeFileBytes(path, toGbk(fullPage(1))).ok);
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        if (QFile file(path); file.open(QIODevice::ReadOnly)) {
            QSKIP("running with rights that read any file");
        }
    }
    const MarkResult r = markFile(1, path);
    QCOMPARE(r.pageFound, pageFound);
    QCOMPARE(r.total, 0);
    QCOMPARE(r.report, pageFound ? reportFor({0, 0, 0, 0, 0}) : kHeader + u"\r\r总分：0\r");
    QCOMPARE(r.checks.isEmpty(), !pageFound);
    QCOMPARE(!r.readError.isEmpty(), readError);
}

void TestMarking::findPage_data()
{
    QTest::addColumn<QStringList>("entries"); // in the folder; a trailing "/" makes a folder
    QTest::addColumn<QString>("found");       // empty: no page
    QTest::newRow("exact name") << QStringList{u"hu.htm"_s} << u"hu.htm"_s;
    QTest::newRow("first letter capital") << QStringList{u"Hu.htm"_s} << u"Hu.htm"_s;
    QTest::newRow("all capitals") << QStringList{u"HU.HTM"_s, u"hu.html"_s} << u"HU.HTM"_s;
    QTest::newRow("exact name wins over a cased twin")
        << QStringList{u"HU.htm"_s, u"hu.htm"_s, u"Hu.htm"_s} << u"hu.htm"_s;
    QTest::newRow("cased twins without the exact name: name order")
        << QStringList{u"hU.htm"_s, u"Hu.htm"_s} << u"Hu.htm"_s;
    QTest::newRow("a folder of a cased name is no page") << QStringList{u"Hu.htm/"_s} << QString();
    QTest::newRow("nothing like it") << QStringList{u"index.htm"_s} << QString();
}

void TestMarking::findPage()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, found);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QDir folder(dir.path());
    for (const QString& entry : std::as_const(entries)) {
        if (entry.endsWith(u'/')) {
            QVERIFY(folder.mkdir(entry.chopped(1)));
        } else {
            QVERIFY(writeFileBytes(folder.filePath(entry), toGbk(fullPage(1))).ok);
        }
    }
    if (folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size() != entries.size()) {
        QSKIP("this file system does not keep names that differ only by case apart");
    }
    const QString page = marking::findPage(dir.path(), u"hu.htm"_s);
    const QString expected = folder.filePath(found.isEmpty() ? u"hu.htm"_s : found);
#ifdef Q_OS_WIN
    // The file system itself ignores case: any spelling opens the page.
    QVERIFY2(page.compare(expected, Qt::CaseInsensitive) == 0, qPrintable(page));
#else
    QCOMPARE(page, expected);
#endif
    QCOMPARE(markFile(1, page).pageFound, !found.isEmpty());
}

void TestMarking::noRuleTable_data()
{
    QTest::addColumn<int>("set");
    QTest::newRow("0") << 0;
    QTest::newRow("10") << 10;
    QTest::newRow("negative") << -3;
}

void TestMarking::noRuleTable()
{
    QFETCH(int, set);
    const MarkResult r = markText(set, fullPage(1));
    QVERIFY(!r.pageFound);
    QCOMPARE(r.total, 0);
    QCOMPARE(r.report, kHeader + u"\r\r总分：0\r");
}

void TestMarking::garbageBytesFinish()
{
    // Invalid GBK, NULs and a large page: decoded and marked without harm.
    QByteArray bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes.append(char((i * 7919) % 256));
    }
    bytes += toGbk(fullPage(9));
    for (int set = kFirstSet; set <= kLastSet; ++set) {
        const MarkResult r = markBytes(set, bytes);
        QVERIFY(r.pageFound);
        QVERIFY(r.total >= 0 && r.total <= 25);
        QVERIFY(checksAddUp(r));
        QVERIFY(r.report.startsWith(kHeader));
    }
}

QTEST_GUILESS_MAIN(TestMarking)
#include "tst_marking.moc"
