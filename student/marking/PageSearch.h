// SPDX-License-Identifier: MIT
#pragma once

#include "RuleTable.h"

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <array>
#include <utility>

namespace velmora::marking {

// Searching and cutting one page text the way the rule sheet counts:
// positions start at 1, 0 means "not found", letters match in either case and
// a match is a plain substring match.
class PageSearch
{
public:
    explicit PageSearch(QStringView text);

    QStringView text() const { return m_text; }

    // The same text case-folded once: searching it case-sensitively for a
    // folded snippet finds exactly what a case-insensitive search of the text
    // finds (Qt compares letters case-insensitively by their simple case
    // folds, which keep every position), at a fraction of the cost.
    QStringView folded() const { return m_folded; }

    // Position (1-based) of the first occurrence of s at or after position
    // from, or 0 when there is none. The page does not change, so each answer
    // is remembered: a table asks for the same anchors again and again.
    qsizetype find(QStringView s, qsizetype from = 1) const;

    // The stretch of text a segment names; empty when it cannot be formed.
    QStringView segment(const Segment& seg) const;
    // The same stretch of the folded text.
    QStringView foldedSegment(const Segment& seg) const;

    // A snippet as it is searched for in the folded text.
    static QString fold(QStringView snippet);

    // True when a stretch of folded text holds the snippet in any letter
    // case; never true for an empty stretch. Nothing is allocated for
    // snippets of ordinary length.
    static bool contains(QStringView foldedText, QStringView snippet);

    // Plain substring search (0-based, -1 when absent) tuned for page
    // sources: a vectorised scan for one character of the needle, then a
    // compare. In short texts that character is the first; in longer ones it
    // is the one least common in HTML source, which stops far less often.
    static qsizetype indexOf(QStringView haystack, QStringView needle, qsizetype from = 0);

private:
    // First character (0-based) and length of a segment; length 0 when empty.
    std::pair<qsizetype, qsizetype> range(const Segment& seg) const;
    std::pair<qsizetype, qsizetype> midRange(qsizetype start, qsizetype length) const;
    // p(r): the position of the r-th "<tr" along the row chain, 0 when the
    // page has fewer rows.
    qsizetype rowStart(int r) const;

    // A remembered answer. The snippet is kept as a copy: the caller's text
    // may not outlive the search. Longer snippets are not remembered.
    struct Found
    {
        std::array<char16_t, 32> snippet{};
        qsizetype size = 0;
        qsizetype from = 0;
        qsizetype at = 0;
    };

    QStringView m_text;
    QString m_folded;
    // Answers of find() so far; a table asks for at most a dozen.
    mutable std::array<Found, 16> m_found{};
    mutable int m_foundCount = 0;
    // p(1), p(2), ... as far as they have been needed, and whether the chain
    // has run out of rows.
    mutable QVarLengthArray<qsizetype, 8> m_rows;
    mutable bool m_rowsEnded = false;
};

} // namespace velmora::marking
