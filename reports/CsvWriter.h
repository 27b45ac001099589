// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velmora::reports {

// Builds a CSV text row by row: every cell goes through csvCell, the cells of
// a row are joined with commas and each row ends with the given line end.
class CsvWriter
{
public:
    explicit CsvWriter(QString lineEnd = QStringLiteral("\r\n"));

    void addRow(const QStringList& cells);

    const QString& text() const { return m_text; }
    // UTF-8 after a byte-order mark, which spreadsheet programs need to take
    // the file for UTF-8 rather than the system's code page.
    QByteArray utf8WithByteOrderMark() const;

private:
    QString m_lineEnd;
    QString m_text;
};

} // namespace velmora::reports
