// SPDX-License-Identifier: MIT
#pragma once

#include "RuleTable.h"

#include <QString>
#include <QStringView>

namespace velmora::marking {

// Searching and cutting one page text the way the rule sheet counts:
// positions start at 1, 0 means "not found", letters match in either case and
// a match is a plain substring match.
class PageSearch
{
public:
    explicit PageSearch(QStringView text) : m_text(text) {}

    QStringView text() const { return m_text; }

    // Position (1-based) of the first occurrence of s at or after position
    // from, or 0 when there is none.
    qsizetype find(QStringView s, qsizetype from = 1) const;

    // At most length characters from position start, cut at the end of the
    // text; empty when length is not positive or start lies beyond the end.
    QStringView mid(qsizetype start, qsizetype length) const;

    // The stretch of text a segment names; empty when it cannot be formed.
    QStringView segment(const Segment& seg) const;

private:
    QStringView m_text;
};

} // namespace velmora::marking
