// SPDX-License-Identifier: MIT
#include "PageSearch.h"

#include <algorithm>

namespace velmora::marking {

qsizetype PageSearch::find(QStringView s, qsizetype from) const
{
    const qsizetype at = m_text.indexOf(s, std::max<qsizetype>(from, 1) - 1, Qt::CaseInsensitive);
    return at < 0 ? 0 : at + 1;
}

QStringView PageSearch::mid(qsizetype start, qsizetype length) const
{
    if (start < 1 || length <= 0 || start > m_text.size()) {
        return {};
    }
    return m_text.sliced(start - 1, std::min(length, m_text.size() - start + 1));
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
QStringView PageSearch::segment(const Segment& seg) const
{
    switch (seg.kind) {
    case SegmentKind::WholePage:
        return m_text;
    case SegmentKind::Span: {
        const qsizetype a = find(seg.a);
        if (a == 0) {
            return {};
        }
        return mid(a, find(seg.b) - a + seg.n);
    }
    case SegmentKind::From: {
        const qsizetype a = find(seg.a);
        return a == 0 ? QStringView() : mid(a, seg.n);
    }
    case SegmentKind::Before: {
        const qsizetype a = find(seg.a);
        if (a == 0) {
            return {};
        }
        const qsizetype start = std::max<qsizetype>(a - seg.n, 1);
        return mid(start, a - start);
    }
    case SegmentKind::ShiftedSpan: {
        const qsizetype a = find(seg.a);
        if (a == 0) {
            return {};
        }
        const qsizetype length = find(seg.b) - a;
        if (length <= 0) {
            return {};
        }
        const qsizetype end = a - seg.n + length; // one past the last character
        const qsizetype start = std::max<qsizetype>(a - seg.n, 1);
        return mid(start, end - start);
    }
    case SegmentKind::Row: {
        // p(0) = 1, p(i) = find("<tr", p(i-1) + 4): the r-th row start.
        qsizetype p = 1;
        for (int i = 1; i <= seg.r; ++i) {
            p = find(u"<tr", p + 4);
            if (p == 0) {
                return {};
            }
        }
        return mid(p, find(seg.b, p) - find(u"<td", p) + seg.n);
    }
    }
    return {};
}

} // namespace velmora::marking
