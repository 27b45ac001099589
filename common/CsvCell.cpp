// SPDX-License-Identifier: MIT
#include "CsvCell.h"

#include <algorithm>

namespace velmora {

QString csvCell(QStringView text)
{
    static constexpr QStringView formulaStarts = u"=+-@";
    static constexpr QStringView special = u",\"\r\n";
    QString cell;
    if (!text.isEmpty() && formulaStarts.contains(text.front())) {
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
