// SPDX-License-Identifier: MIT
#include "BatchCsv.h"

#include <QStringList>

namespace velmora::bench {

BatchCsv BatchCsv::parse(QByteArrayView output)
{
    BatchCsv csv;
    QStringList rows = QString::fromUtf8(output).split(u'\n');
    if (!rows.isEmpty() && rows.last().isEmpty()) {
        rows.removeLast(); // the final line end
    }
    if (rows.isEmpty() || rows.first() != QStringLiteral("folder,q1,q2,q3,q4,q5,total")) {
        csv.error = QStringLiteral("no CSV header");
        return csv;
    }
    for (qsizetype r = 1; r < rows.size(); ++r) {
        // The folders this benchmark makes need no quoting; a quoted field is
        // not ours and shows up as a wrong field count.
        const QStringList fields = rows[r].split(u',');
        if (fields.size() != 7 || fields[0].isEmpty()) {
            csv.error = QStringLiteral("line %1 does not have 7 fields: ").arg(r + 1) + rows[r];
            return csv;
        }
        Line line;
        line.folder = fields[0];
        if (!fields[6].isEmpty()) {
            bool ok = false;
            line.total = fields[6].toInt(&ok);
            if (!ok || line.total < 0 || line.total > 25) {
                csv.error =
                    QStringLiteral("line %1 has no total of 0 to 25: ").arg(r + 1) + rows[r];
                return csv;
            }
        }
        csv.lines.append(line);
    }
    csv.ok = true;
    return csv;
}

} // namespace velmora::bench
