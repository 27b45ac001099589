// SPDX-License-Identifier: MIT
#include "CsvCell.h"

#include <algorithm>

namespace velmora {

namespace {

// A signed decimal number such as "-3" or "+2.5": a spreadsheet reads it as
// that number, so it needs no apostrophe.
bool isPlainNumber(QStringView text)
{
    qsizetype i = 1; // the sign
    qsizetype digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c >= u'0' && c <= u'9') {
            ++digits;
        } else if (c == u'.' && !point && digits > 0) {
            point = true;
            digits = 0;
        } else {
            return false;
        }
    }
    return (text.front() == u'-' || text.front() == u'+') && digits > 0;
}

} // namespace

QString csvCell(QStringView text)
{
    static constexpr QStringView formulaStarts = u"=+-@";
    static constexpr QStringView special = u",\"\r\n";
    QString cell;
    if (!text.isEmpty() && formulaStarts.contains(text.front()) && !isPlainNumber(text)) {
        cell += u'\'';
    }
    cell += text;
    if (std::none_of(cell.cbegin(), cell.cend(), [](QChar c) { return special.contains(c); })) {
        return cell;
    }
    cell.replace(u'"', QStringLiteral("\"\""));
    return u'"' + cell + u'"';
}

} // namespace velmora
