// SPDX-License-Identifier: MIT
// The marking engine against the plain reference engine in reference/: on
// every page at hand, cut short and in other letter cases, for all nine sets,
// both must give the same scores, the same passed checks and the same report.
#include "AnsiFile.h"
#include "Gbk.h"
#include "Marking.h"
#include "PageSearch.h"
#include "ReferenceMarking.h"
#include "RuleTable.h"

#include <QDir>
#include <QTest>

using namespace velmora;
using namespace velmora::marking;

namespace {

const QString kSourceDir = QStringLiteral(VELMORA_SOURCE_DIR);

// Every page the suite has: the fuzz seeds and saved inputs, the test pages
// and the model answers, as (row name, bytes).
QList<std::pair<QString, QByteArray>> pages()
{
    QList<std::pair<QString, QByteArray>> list;
    const QStringList folders{QStringLiteral("fuzz/corpus/marking"),
                              QStringLiteral("fuzz/regressions/marking"),
                              QStringLiteral("tests/marking/pages")};
    for (const QString& folder : folders) {
        const QDir dir(kSourceDir + u'/' + folder);
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            list.append({QString(folder + u'/' + name),
                         readFileBytes(dir.filePath(name)).value_or(QByteArray())});
        }
    }
    const QDir answers(kSourceDir + QStringLiteral("/tests/material/answers"));
    for (const QString& set : answers.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir dir(answers.filePath(set));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            list.append({QString(QStringLiteral("answers/") + set + u'/' + name),
                         readFileBytes(dir.filePath(name)).value_or(QByteArray())});
        }
    }
    return list;
}

// Text that exercises the folding and the search away from plain ASCII:
// letters of many scripts in both cases, full-width letters, characters
// beyond the basic plane, lone surrogates and Chinese, in odd lengths so that
// they fall across every boundary of an eight-character block.
QString mixedFiller(int length)
{
    static const QString pieces[] = {
        QStringLiteral("ÄÖÜäöüß"),        QStringLiteral("ΣΟΦΙΑσοφια"),
        QStringLiteral("ＡＢＣａｂｃ"),   QStringLiteral("\U00010400\U00010428"),
        QStringLiteral("动物乐园鸭嘴兽"), QStringLiteral("<TR><td>"),
        QStringLiteral("KELVIN\u212A"),   QStringLiteral("ǅǆǄ"),
        QStringLiteral("<Tr x>"),         QStringLiteral("http WWW"),
    };
    QString out;
    for (int i = 0; out.size() < length; ++i) {
        out += pieces[(i * 7) % std::size(pieces)];
        if (i % 3 == 0) {
            out += QChar(char16_t(0xD800 + i % 64)); // a lone high surrogate
        }
        out += QString(i % 5, QChar(u'a' + i % 26));
    }
    out.truncate(length);
    return out;
}

// Same scores, same checks passed, same report, and the check list in table
// order with the table's points and texts.
QString difference(int set, const QString& text)
{
    const MarkResult got = markText(set, text);
    const reference::Outcome want = reference::mark(set, text);
    if (got.questions != want.questions || got.total != want.total) {
        return QStringLiteral("set %1: scores differ").arg(set);
    }
    if (got.report != want.report) {
        return QStringLiteral("set %1: reports differ").arg(set);
    }
    if (std::size_t(got.checks.size()) != want.passed.size()) {
        return QStringLiteral("set %1: %2 checks, not %3")
            .arg(set)
            .arg(got.checks.size())
            .arg(want.passed.size());
    }
    const RuleTable& table = *ruleTable(set);
    qsizetype next = 0;
    for (int qi = 0; qi < kQuestions; ++qi) {
        const Question& q = table.questions[std::size_t(qi)];
        for (int ci = 0; ci < q.checkCount; ++ci, ++next) {
            const Check& c = q.checks[std::size_t(ci)];
            const CheckOutcome& o = got.checks[next];
            if (o.question != qi + 1 || o.points != c.points || o.description != c.what ||
                o.kind != kindName(c.kind) || o.snippets.first() != c.snippets[0]) {
                return QStringLiteral("set %1: check %2 is not the table's").arg(set).arg(next);
            }
            if (o.passed != want.passed[std::size_t(next)]) {
                return QStringLiteral("set %1: check %2 (%3) %4 here only")
                    .arg(set)
                    .arg(next)
                    .arg(o.description,
                         o.passed ? QStringLiteral("passes") : QStringLiteral("fails"));
            }
        }
    }
    return {};
}

} // namespace

class TestMarkingDifferential : public QObject
{
    Q_OBJECT

private slots:
    void sameResults_data();
    void sameResults();
    void foldingAgrees_data();
    void foldingAgrees();
};

void TestMarkingDifferential::sameResults_data()
{
    QTest::addColumn<QString>("page");
    const auto list = pages();
    QVERIFY2(list.size() >= 40, "pages are missing");
    for (const auto& [name, bytes] : list) {
        QTest::newRow(qPrintable(name)) << decodePage(bytes);
        // Long pages take the rare-character search and the long-text paths.
        QTest::newRow(qPrintable(name + QStringLiteral(" after 700 mixed characters")))
            << mixedFiller(700) + decodePage(bytes);
        QTest::newRow(qPrintable(name + QStringLiteral(" between mixed characters")))
            << mixedFiller(301) + decodePage(bytes) + mixedFiller(257);
    }
}

// The page, every cut of it 37 characters apart, and each of those in upper
// and in lower case, marked as a page of every set.
void TestMarkingDifferential::sameResults()
{
    QFETCH(QString, page);
    int compared = 0;
    for (qsizetype cut = 0; cut <= page.size() + 36; cut += 37) {
        const QString part = page.first(std::min(cut, page.size()));
        for (const QString& text : {part, part.toUpper(), part.toLower()}) {
            for (int set = kFirstSet; set <= kLastSet; ++set) {
                const QString problem = difference(set, text);
                QVERIFY2(
                    problem.isEmpty(),
                    qPrintable(problem + QStringLiteral(" on the first %1 characters").arg(cut)));
                ++compared;
            }
        }
    }
    QVERIFY(compared >= 27);
}

void TestMarkingDifferential::foldingAgrees_data()
{
    QTest::addColumn<QString>("text");
    QString bmp;
    for (char32_t c = 1; c < 0x10000; ++c) {
        bmp += QChar(char16_t(c));
    }
    QString astral;
    for (char32_t c = 0x10000; c < 0x1F000; c += 3) {
        astral += QString::fromUcs4(&c, 1);
    }
    QTest::newRow("every character of the basic plane") << bmp;
    QTest::newRow("every character, one place on") << bmp.sliced(1) + bmp.first(1);
    QTest::newRow("beyond the basic plane") << astral;
    QTest::newRow("beyond the basic plane, one place on") << u'a' + astral;
    QTest::newRow("mixed") << mixedFiller(5000);
}

// The page is folded once, with shortcuts for ASCII and for Chinese; it must
// still be exactly the simple case folding of every character.
void TestMarkingDifferential::foldingAgrees()
{
    QFETCH(QString, text);
    const PageSearch page(text);
    const QString want = reference::folded(text);
    QCOMPARE(page.folded().size(), want.size());
    for (qsizetype i = 0; i < want.size(); ++i) {
        if (page.folded()[i] != want[i]) {
            QFAIL(qPrintable(QStringLiteral("U+%1 at %2 folds to U+%3, not U+%4")
                                 .arg(text[i].unicode(), 4, 16, QChar(u'0'))
                                 .arg(i)
                                 .arg(page.folded()[i].unicode(), 4, 16, QChar(u'0'))
                                 .arg(want[i].unicode(), 4, 16, QChar(u'0'))));
        }
    }
    QCOMPARE(PageSearch::fold(text), want);
}

QTEST_GUILESS_MAIN(TestMarkingDifferential)
#include "tst_marking_differential.moc"
