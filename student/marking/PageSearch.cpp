// SPDX-License-Identifier: MIT
#include "PageSearch.h"

#include <algorithm>

namespace velmora::marking {

namespace {

// Simple case folding, one code point for one, so every position stays where
// it is. Page sources are mostly ASCII, which takes the quick path.
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

} // namespace

PageSearch::PageSearch(QStringView text) : m_text(text), m_folded(caseFolded(text)) {}

QString PageSearch::fold(QStringView snippet)
{
    return caseFolded(snippet);
}

qsizetype PageSearch::indexOf(QStringView haystack, QStringView needle, qsizetype from)
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

qsizetype PageSearch::find(QStringView s, qsizetype from) const
{
    const qsizetype at = indexOf(m_folded, fold(s), std::max<qsizetype>(from, 1) - 1);
    return at < 0 ? 0 : at + 1;
}

// At most length characters from position start, cut at the end of the text;
// empty when length is not positive or start lies beyond the end.
std::pair<qsizetype, qsizetype> PageSearch::midRange(qsizetype start, qsizetype length) const
{
    if (start < 1 || length <= 0 || start > m_text.size()) {
        return {0, 0};
    }
    return {start - 1, std::min(length, m_text.size() - start + 1)};
}

QStringView PageSearch::segment(const Segment& seg) const
{
    const auto [at, length] = range(seg);
    return length > 0 ? m_text.sliced(at, length) : QStringView();
}

QStringView PageSearch::foldedSegment(const Segment& seg) const
{
    const auto [at, length] = range(seg);
    return length > 0 ? QStringView(m_folded).sliced(at, length) : QStringView();
}

// Segments that cannot be formed as written (a missing anchor, anchors in the
// other order, too few rows) are given a defined outcome so that the run
// always finishes:
// - a segment exists only when its start anchor is found; a Row exists only
//   when the page has at least r "<tr" counted along the row chain;
// - its length follows the formula, and a length below 1 gives an empty
//   segment;
// - a Before or ShiftedSpan window that would begin before the first
//   character begins at the first character and keeps its end.
// No check passes on an empty or absent segment; the question's other checks
// still count.
std::pair<qsizetype, qsizetype> PageSearch::range(const Segment& seg) const
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
        const qsizetype end = a - seg.n + length; // one past the last character
        const qsizetype start = std::max<qsizetype>(a - seg.n, 1);
        return midRange(start, end - start);
    }
    case SegmentKind::Row: {
        // p(0) = 1, p(i) = find("<tr", p(i-1) + 4): the r-th row start.
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

} // namespace velmora::marking
