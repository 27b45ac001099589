// SPDX-License-Identifier: MIT
#pragma once
// Reads a written .xlsx back through tests/collector/xlsx_cells.py, which
// unzips it with Python's zipfile and resolves the cells to text.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

// Skips the rest of a test where no Python is there to read the file back
// (a cross-built Windows run under Wine).
#define VELMORA_REQUIRE_XLSX_READER()                                                              \
    do {                                                                                           \
        if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())                   \
            QSKIP("python3 is needed to read .xlsx files back");                                   \
    } while (false)

struct XlsxSheet
{
    QString name;
    QList<QStringList> rows;  // cell text; numbers without trailing zeros
    QList<QStringList> kinds; // "n" number, "s" text, "" empty
    QString frozen;           // top-left cell of the scrolling part, "" when none
    QList<double> widths;
    int charts = 0;
    bool active = false; // the sheet the file opens on

    // The rows as "a|b|c", trailing empty cells dropped.
    QStringList joined(int from = 0, int count = -1) const
    {
        QStringList out;
        for (int r = from; r < rows.size() && (count < 0 || r < from + count); ++r) {
            out << rows.at(r).join(u'|');
        }
        return out;
    }
};

// The sheets in workbook order, or an empty list with *error set.
inline QList<XlsxSheet> readXlsx(const QString& path, QString* error)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        *error = QStringLiteral("python3 not found");
        return {};
    }
    QProcess p;
    p.start(python, {QStringLiteral(VELMORA_SOURCE_DIR "/tests/collector/xlsx_cells.py"), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        *error = QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    QList<XlsxSheet> out;
    const QJsonArray sheets =
        QJsonDocument::fromJson(p.readAllStandardOutput()).object().value(u"sheets").toArray();
    const auto strings = [](const QJsonValue& v) {
        QList<QStringList> rows;
        for (const QJsonValue& row : v.toArray()) {
            QStringList cells;
            for (const QJsonValue& c : row.toArray()) {
                cells << c.toString();
            }
            while (!cells.isEmpty() && cells.last().isEmpty()) {
                cells.removeLast();
            }
            rows << cells;
        }
        return rows;
    };
    for (const QJsonValue& v : sheets) {
        const QJsonObject o = v.toObject();
        XlsxSheet s;
        s.name = o.value(u"name").toString();
        s.rows = strings(o.value(u"rows"));
        s.kinds = strings(o.value(u"kinds"));
        s.frozen = o.value(u"frozen").toString();
        for (const QJsonValue& w : o.value(u"widths").toArray()) {
            s.widths << w.toDouble();
        }
        s.charts = o.value(u"charts").toInt();
        s.active = o.value(u"active").toBool();
        out << s;
    }
    return out;
}
