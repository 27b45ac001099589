// SPDX-License-Identifier: MIT
#include "Marking.h"

#include "AnsiFile.h"
#include "Gbk.h"
#include "PageSearch.h"
#include "RuleTable.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <span>

namespace velmora::marking {

namespace {

const QString kHeader = QStringLiteral("批改结果如下：(每小题5分)");
const QString kTotalLabel = QStringLiteral("总分：");
constexpr QChar kCR = u'\r';

QString quoted(QStringView s)
{
    return u'"' + s.toString() + u'"';
}

// A segment in the rule sheet's own words, e.g. Span("<tr", "</tr>", 0).
QString describe(const Segment& seg)
{
    const QString name = kindName(seg.kind).toString();
    switch (seg.kind) {
    case SegmentKind::WholePage:
        return name;
    case SegmentKind::Span:
    case SegmentKind::ShiftedSpan:
        return name + u'(' + quoted(seg.a) + u", " + quoted(seg.b) + u", " +
               QString::number(seg.n) + u')';
    case SegmentKind::From:
    case SegmentKind::Before:
        return name + u'(' + quoted(seg.a) + u", " + QString::number(seg.n) + u')';
    case SegmentKind::Row:
        return name + u'(' + QString::number(seg.r) + u", " + quoted(seg.b) + u", " +
               QString::number(seg.n) + u')';
    }
    return name;
}

QString describeWhere(const Question& q, const Check& c)
{
    const auto seg = [&q](int i) { return describe(q.segments[std::size_t(i)]); };
    switch (c.kind) {
    case CheckKind::InBoth:
        return seg(c.segment) + u" & " + seg(c.segment2);
    case CheckKind::Guarded:
        return describe(Before(c.snippets[0], c.window));
    case CheckKind::RelativeLink:
        if (c.where == LinkScope::WholePage) {
            return seg(c.segment) + u", link in WholePage";
        }
        return seg(c.segment);
    default:
        return seg(c.segment);
    }
}

// Segments here are stretches of the folded page text: a folded snippet is
// searched case-sensitively, which matches letters of either case.
bool contains(QStringView segment, QStringView s)
{
    return PageSearch::contains(segment, s);
}

// A question's segments, formed once before its checks run. Whether a
// segment is free of "www" and "http" is asked by each of its links and
// worked out once.
class QuestionSegments
{
public:
    std::array<QStringView, kMaxSegments> segs{};

    bool linkFree(int i) const
    {
        signed char& known = m_linkFree[std::size_t(i)];
        if (known < 0) {
            const QStringView seg = segs[std::size_t(i)];
            known = !seg.isEmpty() && !contains(seg, u"www") && !contains(seg, u"http");
        }
        return known != 0;
    }

private:
    mutable std::array<signed char, kMaxSegments> m_linkFree{-1, -1, -1, -1};
};

// Judges one check of a question on segments already formed. A check never
// passes on an empty or absent segment.
bool passes(const Check& c, const QuestionSegments& q, const PageSearch& page)
{
    const QStringView seg = q.segs[std::size_t(c.segment)];
    const auto snippets = std::span(c.snippets).first(std::size_t(c.snippetCount));
    switch (c.kind) {
    case CheckKind::Contains:
        return contains(seg, snippets[0]);
    case CheckKind::ContainsAll:
        return std::all_of(snippets.begin(), snippets.end(),
                           [seg](QStringView s) { return contains(seg, s); });
    case CheckKind::ContainsAny:
        return std::any_of(snippets.begin(), snippets.end(),
                           [seg](QStringView s) { return contains(seg, s); });
    case CheckKind::RelativeLink: {
        if (!q.linkFree(c.segment)) {
            return false;
        }
        const QStringView where = c.where == LinkScope::WholePage ? page.folded() : seg;
        return contains(where, snippets[0]);
    }
    case CheckKind::InBoth:
        return contains(seg, snippets[0]) && contains(q.segs[std::size_t(c.segment2)], snippets[0]);
    case CheckKind::Guarded:
        // The window is formed only when the guard is in the page.
        return page.find(snippets[0]) != 0 &&
               contains(page.foldedSegment(Before(snippets[0], c.window)), snippets[1]);
    }
    return false;
}

// Appends a score as scoreText writes it, without a temporary string.
void appendScore(QString& out, int score)
{
    if (score < 0) {
        out += scoreText(score);
        return;
    }
    std::array<char16_t, 12> digits{};
    std::size_t at = digits.size();
    do {
        digits[--at] = char16_t(u'0' + score % 10);
        score /= 10;
    } while (score > 0);
    out.append(QStringView(digits.data() + at, qsizetype(digits.size() - at)));
}

// Static text of the rule tables, shared instead of copied.
QString rawText(QStringView text)
{
    return QString::fromRawData(reinterpret_cast<const QChar*>(text.utf16()), text.size());
}

// Every check of a set as an outcome that has not passed, built once per set:
// a run only copies the list and marks what passed.
QList<CheckOutcome> buildCheckList(const RuleTable& table)
{
    QList<CheckOutcome> list;
    for (int qi = 0; qi < kQuestions; ++qi) {
        const Question& q = table.questions[std::size_t(qi)];
        for (int ci = 0; ci < q.checkCount; ++ci) {
            const Check& c = q.checks[std::size_t(ci)];
            CheckOutcome outcome;
            outcome.question = qi + 1;
            outcome.kind = rawText(kindName(c.kind));
            for (int s = 0; s < c.snippetCount; ++s) {
                outcome.snippets.append(rawText(c.snippets[std::size_t(s)]));
            }
            outcome.segment = describeWhere(q, c);
            outcome.description = rawText(c.what);
            outcome.points = c.points;
            list.append(outcome);
        }
    }
    return list;
}

const QList<CheckOutcome>& checkList(int set)
{
    static const std::array<QList<CheckOutcome>, kLastSet> lists = [] {
        std::array<QList<CheckOutcome>, kLastSet> all;
        for (int i = kFirstSet; i <= kLastSet; ++i) {
            all[std::size_t(i - 1)] = buildCheckList(*ruleTable(i));
        }
        return all;
    }();
    return lists[std::size_t(set - 1)];
}
} // namespace

QString pageFileName(int set)
{
    const RuleTable* table = ruleTable(set);
    return table ? table->pageFile.toString() : QString();
}

QString scoreText(int score)
{
    return QString::number(score);
}

QString reportText(const MarkResult& result)
{
    QString report;
    report.reserve(kHeader.size() + kQuestions * 8 + kTotalLabel.size() + 8);
    report += kHeader;
    report += kCR;
    if (result.pageFound) {
        for (int i = 0; i < kQuestions; ++i) {
            report += u"第";
            appendScore(report, i + 1);
            report += u"题：";
            appendScore(report, result.questions[std::size_t(i)]);
            report += kCR;
        }
    }
    report += kCR;
    report += kTotalLabel;
    appendScore(report, result.total);
    report += kCR;
    return report;
}

namespace {

// The result of a page that is not there: no points, and the report says so.
MarkResult absentPageResult()
{
    MarkResult result;
    result.report = reportText(result);
    return result;
}

} // namespace

MarkResult markText(int set, const QString& pageText)
{
    const RuleTable* table = ruleTable(set);
    if (!table) {
        return absentPageResult();
    }
    MarkResult result;
    result.pageFound = true;
    result.checks = checkList(set);
    const PageSearch page(pageText);
    qsizetype next = 0; // index into result.checks, in table order
    for (int qi = 0; qi < kQuestions; ++qi) {
        const Question& q = table->questions[std::size_t(qi)];
        // All of a question's segments are formed first, then its checks run
        // in order; each passing check adds its points.
        QuestionSegments segs;
        for (int si = 0; si < q.segmentCount; ++si) {
            segs.segs[std::size_t(si)] = page.foldedSegment(q.segments[std::size_t(si)]);
        }
        int score = 0;
        for (int ci = 0; ci < q.checkCount; ++ci) {
            const Check& c = q.checks[std::size_t(ci)];
            if (passes(c, segs, page)) {
                result.checks[next].passed = true;
                score += c.points;
            }
            ++next;
        }
        result.questions[std::size_t(qi)] = score;
        result.total += score;
    }
    result.report = reportText(result);
    return result;
}

MarkResult markBytes(int set, QByteArrayView bytes)
{
    return markText(set, decodePage(bytes));
}

QString findPage(const QString& folder, const QString& fileName)
{
    const QDir dir(folder);
    const QString exact = dir.filePath(fileName);
    if (QFileInfo(exact).isFile()) {
        return exact;
    }
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : files) {
        if (name.compare(fileName, Qt::CaseInsensitive) == 0) {
            return dir.filePath(name);
        }
    }
    return exact;
}

MarkResult markFile(int set, const QString& pagePath)
{
    // Only a regular file of sensible size counts as the page. A folder, pipe
    // or device of that name, a page over the limit or one that cannot be
    // read is as good as absent; the reason goes with the result.
    const FileRead page = readRegularFile(pagePath, kMaxPageBytes);
    if (!page.bytes) {
        MarkResult result = absentPageResult();
        if (page.failure != ReadFailure::Missing) {
            result.readError = page.reason;
        }
        return result;
    }
    return markBytes(set, *page.bytes);
}

} // namespace velmora::marking
