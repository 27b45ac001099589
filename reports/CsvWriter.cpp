// SPDX-License-Identifier: MIT
#include "CsvWriter.h"

#include "CsvCell.h"

namespace velmora::reports {

CsvWriter::CsvWriter(QString lineEnd) : m_lineEnd(std::move(lineEnd)) {}

void CsvWriter::addRow(const QStringList& cells)
{
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0) {
            m_text += u',';
        }
        m_text += csvCell(cells.at(i));
    }
    m_text += m_lineEnd;
}

QByteArray CsvWriter::utf8WithByteOrderMark() const
{
    return QByteArray("\xEF\xBB\xBF") + m_text.toUtf8();
}

} // namespace velmora::reports
