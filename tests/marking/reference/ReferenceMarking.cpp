// SPDX-License-Identifier: MIT
#include "ReferenceMarking.h"

#include "RuleTable.h"

#include <algorithm>
#include <span>
#include <utility>

namespace velmora::marking::reference {

namespace {

// Simple case folding, one code point for one.
QString caseFolded(QStringView text)
{
    QString out(text.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const char16_t* src = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        if (c < 0x80) {
            dst[i] = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(src[i + 1])) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, src[i + 1]));
            dst[i] = QChar::highSurrogate(folded);
            dst[i + 1] = QChar::lowSurrogate(folded);
            ++i;
        } else {
            dst[i] = QChar::toCaseFolded(c);
        }
    }
    return out;
}

qsizetype indexOf(QStringView haystack, QStringView needle, qsizetype from = 0)
{
    if (needle.isEmpty()) {
        return from <= haystack.size() ? from : -1;
    }
    const QChar first = needle.front();
    const qsizetype last = haystack.size() - needle.size();
    for (qsizetype at = from; at <= last; ++at) {
        at = haystack.indexOf(first, at);
        if (at < 0 || at > last) {
            return -1;
        }
        if (haystack.sliced(at, needle.size()) == needle) {
            return at;
        }
    }
    return -1;
}

class Page
{
public:
    explicit Page(QStringView text) : m_text(text), m_folded(caseFolded(text)) {}

    QStringView folded() const { return m_folded; }

    qsizetype find(QStringView s, qsizetype from = 1) const
    {
        const qsizetype at = indexOf(m_folded, caseFolded(s), std::max<qsizetype>(from, 1) - 1);
        return at < 0 ? 0 : at + 1;
    }

    QStringView foldedSegment(const Segment& seg) const
    {
        const auto [at, length] = range(seg);
        return length > 0 ? QStringView(m_folded).sliced(at, length) : QStringView();
    }

private:
    std::pair<qsizetype, qsizetype> midRange(qsizetype start, qsizetype length) const
    {
        if (start < 1 || length <= 0 || start > m_text.size()) {
            return {0, 0};
        }
        return {start - 1, std::min(length, m_text.size() - start + 1)};
    }

    std::pair<qsizetype, qsizetype> range(const Segment& seg) const
    {
        switch (seg.kind) {
        case SegmentKind::WholePage:
            return {0, m_text.size()};
        case SegmentKind::Span: {
            const qsizetype a = find(seg.a);
            if (a == 0) {
                return {0, 0};
            }
            return midRange(a, find(seg.b) - a + seg.n);
        }
        case SegmentKind::From: {
            const qsizetype a = find(seg.a);
            return a == 0 ? std::pair<qsizetype, qsizetype>(0, 0) : midRange(a, seg.n);
        }
        case SegmentKind::Before: {
            const qsizetype a = find(seg.a);
            if (a == 0) {
                return {0, 0};
            }
            const qsizetype start = std::max<qsizetype>(a - seg.n, 1);
            return midRange(start, a - start);
        }
        case SegmentKind::ShiftedSpan: {
            const qsizetype a = find(seg.a);
            if (a == 0) {
                return {0, 0};
            }
            const qsizetype length = find(seg.b) - a;
            if (length <= 0) {
                return {0, 0};
            }
            const qsizetype end = a - seg.n + length;
            const qsizetype start = std::max<qsizetype>(a - seg.n, 1);
            return midRange(start, end - start);
        }
        case SegmentKind::Row: {
            qsizetype p = 1;
            for (int i = 1; i <= seg.r; ++i) {
                p = find(u"<tr", p + 4);
                if (p == 0) {
                    return {0, 0};
                }
            }
            return midRange(p, find(seg.b, p) - find(u"<td", p) + seg.n);
        }
        }
        return {0, 0};
    }

    QStringView m_text;
    QString m_folded;
};

bool contains(QStringView segment, QStringView s)
{
    return !segment.isEmpty() && indexOf(segment, caseFolded(s)) >= 0;
}

bool passes(const Check& c, const std::array<QStringView, kMaxSegments>& segs, const Page& page)
{
    const QStringView seg = segs[std::size_t(c.segment)];
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
        if (seg.isEmpty() || contains(seg, u"www") || contains(seg, u"http")) {
            return false;
        }
        const QStringView where = c.where == LinkScope::WholePage ? page.folded() : seg;
        return contains(where, snippets[0]);
    }
    case CheckKind::InBoth:
        return contains(seg, snippets[0]) && contains(segs[std::size_t(c.segment2)], snippets[0]);
    case CheckKind::Guarded:
        return page.find(snippets[0]) != 0 &&
               contains(page.foldedSegment(Before(snippets[0], c.window)), snippets[1]);
    }
    return false;
}

} // namespace

QString folded(QStringView text)
{
    return caseFolded(text);
}

Outcome mark(int set, const QString& text)
{
    Outcome out;
    const RuleTable* table = ruleTable(set);
    if (!table) {
        return out;
    }
    const Page page(text);
    for (int qi = 0; qi < kQuestions; ++qi) {
        const Question& q = table->questions[std::size_t(qi)];
        std::array<QStringView, kMaxSegments> segs{};
        for (int si = 0; si < q.segmentCount; ++si) {
            segs[std::size_t(si)] = page.foldedSegment(q.segments[std::size_t(si)]);
        }
        int score = 0;
        for (int ci = 0; ci < q.checkCount; ++ci) {
            const Check& c = q.checks[std::size_t(ci)];
            const bool ok = passes(c, segs, page);
            out.passed.push_back(ok);
            score += ok ? c.points : 0;
        }
        out.questions[std::size_t(qi)] = score;
        out.total += score;
    }
    out.report = QStringLiteral("批改结果如下：(每小题5分)\r");
    for (int i = 0; i < kQuestions; ++i) {
        out.report += QStringLiteral("第%1题：%2\r").arg(i + 1).arg(out.questions[std::size_t(i)]);
    }
    out.report += QStringLiteral("\r总分：%1\r").arg(out.total);
    return out;
}

} // namespace velmora::marking::reference
