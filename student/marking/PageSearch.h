// SPDX-License-Identifier: MIT
#pragma once

#include "RuleTable.h"

#include <QString>
#include <QStringView>

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
    // from, or 0 when there is none.
    qsizetype find(QStringView s, qsizetype from = 1) const;

    // The stretch of text a segment names; empty when it cannot be formed.
    QStringView segment(const Segment& seg) const;
    // The same stretch of the folded text.
    QStringView foldedSegment(const Segment& seg) const;

    // A snippet as it is searched for in the folded text.
    static QString fold(QStringView snippet);

    // Plain substring search (0-based, -1 when absent) tuned for page
    // sources: a vectorised scan for the first character, then a compare.
    static qsizetype indexOf(QStringView haystack, QStringView needle, qsizetype from = 0);

private:
    // First character (0-based) and length of a segment; length 0 when empty.
    std::pair<qsizetype, qsizetype> range(const Segment& seg) const;
    std::pair<qsizetype, qsizetype> midRange(qsizetype start, qsizetype length) const;

    QStringView m_text;
    QString m_folded;
};

} // namespace velmora::marking
