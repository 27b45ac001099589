// SPDX-License-Identifier: MIT
#include "CsvCell.h"

#include <algorithm>

namespace velmora::reports {

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
    // A leading tab or CR also makes some spreadsheets read a formula after it.
    static constexpr QStringView formulaStarts = u"=+-@\t\r";
    static constexpr QStringView special = u",\"";
    QString cell;
    if (!text.isEmpty() && formulaStarts.contains(text.front()) && !isPlainNumber(text)) {
        cell += u'\'';
    }
    // Control characters become spaces, as in the list and the text file: a
    // cell never carries NUL, ESC, DEL or a line break into the file.
    for (QChar c : text) {
        cell += (c.unicode() < 0x20 || c.unicode() == 0x7F) ? QChar(u' ') : c;
    }
    if (std::none_of(cell.cbegin(), cell.cend(), [](QChar c) { return special.contains(c); })) {
        return cell;
    }
    cell.replace(u'"', QStringLiteral("\"\""));
    return u'"' + cell + u'"';
}

} // namespace velmora::reports
