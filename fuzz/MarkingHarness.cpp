// SPDX-License-Identifier: MIT
#include "MarkingHarness.h"

#include "Gbk.h"
#include "Marking.h"

#include <QStringList>

#include <array>

namespace velmora::fuzz {

namespace {

using marking::MarkResult;

constexpr int kQuestions = 5;
constexpr int kQuestionPoints = 5;

// The report's lines, split at CR: header, five question lines, an empty
// line, the total and the empty rest after the last CR.
QString reportProblem(const MarkResult& r)
{
    const QStringList lines = r.report.split(u'\r');
    const qsizetype questionLines = r.pageFound ? kQuestions : 0;
    if (lines.size() != questionLines + 4) {
        return QStringLiteral("report has ") + QString::number(lines.size()) +
               QStringLiteral(" CR-separated parts");
    }
    if (r.report.contains(u'\n')) {
        return QStringLiteral("report holds a line feed");
    }
    if (lines.first() != QStringLiteral("批改结果如下：(每小题5分)")) {
        return QStringLiteral("report header is wrong");
    }
    for (qsizetype q = 0; q < questionLines; ++q) {
        const QString expected =
            u"第" + QString::number(q + 1) + u"题：" + QString::number(r.questions[std::size_t(q)]);
        if (lines.at(q + 1) != expected) {
            return QStringLiteral("question line ") + QString::number(q + 1) +
                   QStringLiteral(" is wrong");
        }
    }
    if (!lines.at(questionLines + 1).isEmpty() || !lines.last().isEmpty()) {
        return QStringLiteral("report lacks its empty line or final CR");
    }
    if (lines.at(questionLines + 2) != u"总分：" + QString::number(r.total)) {
        return QStringLiteral("report total line is wrong");
    }
    return {};
}

QString scoresProblem(const MarkResult& r)
{
    int sum = 0;
    for (int q = 0; q < kQuestions; ++q) {
        const int score = r.questions[std::size_t(q)];
        if (score < 0 || score > kQuestionPoints) {
            return QStringLiteral("question ") + QString::number(q + 1) +
                   QStringLiteral(" scored ") + QString::number(score);
        }
        sum += score;
    }
    if (r.total != sum) {
        return QStringLiteral("total ") + QString::number(r.total) +
               QStringLiteral(" is not the sum ") + QString::number(sum);
    }
    // The checks account for every point: 5 on offer per question, and the
    // passed ones make up the question's score.
    std::array<int, kQuestions> offered{};
    std::array<int, kQuestions> earned{};
    for (const marking::CheckOutcome& c : r.checks) {
        if (c.question < 1 || c.question > kQuestions) {
            return QStringLiteral("a check belongs to question ") + QString::number(c.question);
        }
        offered[std::size_t(c.question - 1)] += c.points;
        earned[std::size_t(c.question - 1)] += c.passed ? c.points : 0;
    }
    for (int q = 0; q < kQuestions; ++q) {
        if (offered[std::size_t(q)] != kQuestionPoints ||
            earned[std::size_t(q)] != r.questions[std::size_t(q)]) {
            return QStringLiteral("checks of question ") + QString::number(q + 1) +
                   QStringLiteral(" do not add up");
        }
    }
    return {};
}

bool sameMarks(const MarkResult& a, const MarkResult& b)
{
    if (a.pageFound != b.pageFound || a.questions != b.questions || a.total != b.total ||
        a.report != b.report || a.checks.size() != b.checks.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.checks.size(); ++i) {
        if (a.checks.at(i).passed != b.checks.at(i).passed) {
            return false;
        }
    }
    return true;
}

// Only ASCII letters change: every other character, and so every position,
// stays where it is.
QString asciiUpper(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c >= u'a' && c <= u'z') {
            c = QChar(c.unicode() - 32);
        }
    }
    return out;
}

QString inSet(int set, const QString& problem)
{
    return QStringLiteral("set ") + QString::number(set) + QStringLiteral(": ") + problem;
}

} // namespace

QString MarkingHarness::checkSet(int set, QByteArrayView page, const QString& text,
                                 const QString& upper)
{
    const MarkResult r = marking::markBytes(set, page);
    if (!r.pageFound) {
        return inSet(set, QStringLiteral("a page was marked as absent"));
    }
    if (r.checks.isEmpty()) {
        return inSet(set, QStringLiteral("no checks were run"));
    }
    for (const QString& problem : {scoresProblem(r), reportProblem(r)}) {
        if (!problem.isEmpty()) {
            return inSet(set, problem);
        }
    }
    if (!sameMarks(r, marking::markText(set, text))) {
        return inSet(set, QStringLiteral("bytes and their decoded text mark differently"));
    }
    if (!sameMarks(r, marking::markText(set, upper))) {
        return inSet(set, QStringLiteral("upper-case ASCII letters mark differently"));
    }
    return {};
}

QString MarkingHarness::check(QByteArrayView page)
{
    const QString text = decodePage(page);
    const QString upper = asciiUpper(text);
    for (int set = marking::kFirstSet; set <= marking::kLastSet; ++set) {
        if (QString problem = checkSet(set, page, text, upper); !problem.isEmpty()) {
            return problem;
        }
    }
    // Indices without a rule table give the absent-page result, never a crash.
    for (const int set : {0, 10, -1}) {
        const MarkResult r = marking::markBytes(set, page);
        if (r.pageFound || r.total != 0 || !r.checks.isEmpty() || !reportProblem(r).isEmpty()) {
            return inSet(set, QStringLiteral("a set without a rule table was marked"));
        }
    }
    return {};
}

} // namespace velmora::fuzz
