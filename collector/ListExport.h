// SPDX-License-Identifier: MIT
#pragma once

#include "AnsiFile.h"
#include "SummaryWorkbook.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace velmora::collector {

class ScoreTable;

// The three file types the save command offers.
enum class ExportType
{
    Text,     // the GBK export file, byte for byte as always
    Workbook, // .xlsx with the class summary
    Csv,      // UTF-8 CSV with a header row
};

// What the save dialog returned: the name as typed or picked, and the type
// (filter) that was selected. Built from a bare path, the type is the first.
struct SaveChoice
{
    SaveChoice(QString path = {}, QString filter = {})
        : path(std::move(path)), filter(std::move(filter))
    {
    }
    QString path;
    QString filter;
};

struct ExportTarget
{
    QString path;
    ExportType type = ExportType::Text;
};

// Turns the score table into the files the save command writes. No widgets.
class ListExport
{
public:
    // The dialog's types, text first: "文本文件(*.txt)", "Excel 工作簿 (*.xlsx)",
    // "CSV UTF-8 (*.csv)".
    static const QStringList& filters();
    static QString dialogFilter(); // the filters joined for QFileDialog

    // The file and type to write. A name ending in .xlsx or .csv is saved in
    // that type whatever was selected; with the workbook or CSV type a name
    // without an extension gets the type's extension; a text name is kept
    // exactly as typed.
    static ExportTarget target(const SaveChoice& choice);

    // 成绩 columns: IP地址, 机器名, 姓名, 分数, 套题.
    static QStringList header();
    // The live rows in list order, in the export file's field order.
    static QList<QStringList> liveRows(const ScoreTable& table);

    // UTF-8 with byte-order mark, header row, CR LF line ends; the cells as
    // reports::csvCell makes them.
    static QByteArray csvBytes(const ScoreTable& table);

    static reports::SummaryInput summaryInput(const ScoreTable& table, const QDateTime& written);

    // Writes the table in the target's type, complete or not at all.
    static WriteResult write(const ScoreTable& table, const ExportTarget& target,
                             const QDateTime& written = QDateTime::currentDateTime());

    // "已保存。是否现在打开？"
    static QString openQuestion();
    // Shown when no program opens the saved file.
    static QString notOpenedText(const QString& path);
};

} // namespace velmora::collector
