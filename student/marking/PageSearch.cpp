// SPDX-License-Identifier: MIT
#include "PageSearch.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace velmora::marking {

namespace {

// Below this many characters a search simply looks for the needle's first
// character; choosing a rarer one only pays on longer texts.
constexpr qsizetype kLongText = 256;

// Four UTF-16 code units below 0x80 in one word, 'A'..'Z' turned to lower
// case: a lane's bit 7 is set by the first sum from 'A' up and by the second
// from '[' up, so their difference marks the capitals, whose bit 5 is set.
std::uint64_t lowerAscii4(std::uint64_t x)
{
    const std::uint64_t fromA = x + 0x003F003F003F003FULL;
    const std::uint64_t fromBracket = x + 0x0025002500250025ULL;
    const std::uint64_t capitals = fromA & ~fromBracket & 0x0080008000800080ULL;
    return x | (capitals >> 2);
}

// Simple case folding, one code point for one, so every position stays where
// it is. Page sources are mostly ASCII, folded eight characters at a time;
// the CJK block has no letter case and is copied as it is.
void foldInto(const char16_t* src, qsizetype n, char16_t* dst)
{
    constexpr std::uint64_t kNonAscii = 0xFF80FF80FF80FF80ULL;
    qsizetype i = 0;
    while (i < n) {
        for (; i + 8 <= n; i += 8) {
            std::uint64_t lo;
            std::uint64_t hi;
            std::memcpy(&lo, src + i, sizeof lo);
            std::memcpy(&hi, src + i + 4, sizeof hi);
            if ((lo | hi) & kNonAscii) {
                break;
            }
            lo = lowerAscii4(lo);
            hi = lowerAscii4(hi);
            std::memcpy(dst + i, &lo, sizeof lo);
            std::memcpy(dst + i + 4, &hi, sizeof hi);
        }
        if (i >= n) {
            break;
        }
        const char16_t c = src[i];
        if (c < 0x80) {
            dst[i] = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        } else if (c >= 0x3000 && c < 0xA000) {
            dst[i] = c; // CJK symbols, kana, ideographs: no case
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(src[i + 1])) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, src[i + 1]));
            dst[i] = QChar::highSurrogate(folded);
            dst[i + 1] = QChar::lowSurrogate(folded);
            ++i;
        } else {
            dst[i] = QChar::toCaseFolded(c);
        }
        ++i;
    }
}

// A snippet folded into a buffer on the stack (snippets are short).
class FoldedSnippet
{
public:
    explicit FoldedSnippet(QStringView s) : m_buffer(s.size())
    {
        foldInto(s.utf16(), s.size(), m_buffer.data());
    }
    QStringView view() const { return {m_buffer.data(), m_buffer.size()}; }

private:
    QVarLengthArray<char16_t, 64> m_buffer;
};

// How common a character is in HTML source, for ASCII: markup punctuation
// and the letters of tag and attribute names come first. Characters that
// are not listed, and all others, are rarer than any listed one.
constexpr char kCommonInHtml[] = " \"=<>/etaroindslhcpbfgmu.:#0-_\r\nykwv12345x6789,;'&%()";

constexpr std::array<std::uint8_t, 128> commonness()
{
    std::array<std::uint8_t, 128> rank{};
    const std::size_t count = sizeof kCommonInHtml - 1;
    for (std::size_t i = 0; i < count; ++i) {
        rank[std::size_t(kCommonInHtml[i])] = std::uint8_t(count - i);
    }
    return rank;
}
constexpr std::array<std::uint8_t, 128> kCommonness = commonness();

// The index of the needle's least common character (the first of equals).
qsizetype rarestIndex(QStringView needle)
{
    qsizetype best = 0;
    int bestRank = 256;
    for (qsizetype i = 0; i < needle.size() && bestRank > 0; ++i) {
        const char16_t c = needle.utf16()[i];
        const int rank = c < 0x80 ? kCommonness[c] : 0;
        if (rank < bestRank) {
            best = i;
            bestRank = rank;
        }
    }
    return best;
}

} // namespace

PageSearch::PageSearch(QStringView text) : m_text(text), m_folded(text.size(), Qt::Uninitialized)
{
    foldInto(text.utf16(), text.size(), reinterpret_cast<char16_t*>(m_folded.data()));
}

QString PageSearch::fold(QStringView snippet)
{
    QString out(snippet.size(), Qt::Uninitialized);
    foldInto(snippet.utf16(), snippet.size(), reinterpret_cast<char16_t*>(out.data()));
    return out;
}

bool PageSearch::contains(QStringView foldedText, QStringView snippet)
{
    return !foldedText.isEmpty() && indexOf(foldedText, FoldedSnippet(snippet).view()) >= 0;
}

qsizetype PageSearch::indexOf(QStringView haystack, QStringView needle, qsizetype from)
{
    const qsizetype n = needle.size();
    if (n == 0) {
        return from <= haystack.size() ? from : -1;
    }
    const qsizetype last = haystack.size() - n; // the last start a match can have
    if (from > last) {
        return -1;
    }
    // Look for one character of the needle, k places into it; every match
    // starting at or after from has it there, found in order of start.
    const qsizetype k = haystack.size() - from >= kLongText ? rarestIndex(needle) : 0;
    const QChar key = needle[k];
    const QStringView scan = haystack.first(last + k + 1);
    const char16_t* h = haystack.utf16();
    const char16_t* wanted = needle.utf16();
    for (qsizetype at = from + k;; ++at) {
        at = scan.indexOf(key, at);
        if (at < 0) {
            return -1;
        }
        if (std::memcmp(h + at - k, wanted, std::size_t(n) * sizeof(char16_t)) == 0) {
            return at - k;
        }
    }
}

qsizetype PageSearch::find(QStringView s, qsizetype from) const
{
    from = std::max<qsizetype>(from, 1);
    for (int i = 0; i < m_foundCount; ++i) {
        const Found& f = m_found[std::size_t(i)];
        if (f.from == from && QStringView(f.snippet.data(), f.size) == s) {
            return f.at;
        }
    }
    const qsizetype at = indexOf(m_folded, FoldedSnippet(s).view(), from - 1) + 1;
    if (m_foundCount < int(m_found.size()) && s.size() <= qsizetype(Found().snippet.size())) {
        Found& f = m_found[std::size_t(m_foundCount++)];
        std::copy_n(s.utf16(), s.size(), f.snippet.begin());
        f.size = s.size();
        f.from = from;
        f.at = at;
    }
    return at;
}

qsizetype PageSearch::rowStart(int r) const
{
    // p(0) = 1, p(i) = find("<tr", p(i-1) + 4).
    if (r <= 0) {
        return 1;
    }
    while (m_rows.size() < r && !m_rowsEnded) {
        const qsizetype previous = m_rows.isEmpty() ? 1 : m_rows.last();
        const qsizetype at = indexOf(m_folded, u"<tr", previous + 4 - 1) + 1;
        if (at == 0) {
            m_rowsEnded = true;
        } else {
            m_rows.append(at);
        }
    }
    return r <= m_rows.size() ? m_rows[r - 1] : 0;
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
        const qsizetype p = rowStart(seg.r);
        if (p == 0) {
            return {0, 0};
        }
        return midRange(p, find(seg.b, p) - find(u"<td", p) + seg.n);
    }
    }
    return {0, 0};
}

} // namespace velmora::marking
