// SPDX-License-Identifier: MIT
#include "ListExport.h"

#include "CsvWriter.h"

#include "ScoreTable.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace velmora::collector {

namespace {

struct TypeInfo
{
    ExportType type;
    const char16_t* filter;
    const char16_t* suffix; // lower case, without the dot; empty: none added
};

// Dialog order: the text type first, so that it is the default.
constexpr TypeInfo kTypes[] = {
    {ExportType::Text, u"文本文件(*.txt)", u""},
    {ExportType::Workbook, u"Excel 工作簿 (*.xlsx)", u"xlsx"},
    {ExportType::Csv, u"CSV UTF-8 (*.csv)", u"csv"},
};

} // namespace

const QStringList& ListExport::filters()
{
    static const QStringList list = [] {
        QStringList out;
        for (const TypeInfo& t : kTypes) {
            out << QString::fromUtf16(t.filter);
        }
        return out;
    }();
    return list;
}

QString ListExport::dialogFilter()
{
    return filters().join(QStringLiteral(";;"));
}

ExportTarget ListExport::target(const SaveChoice& choice)
{
    const QString suffix = QFileInfo(choice.path).suffix();
    for (const TypeInfo& t : kTypes) {
        if (t.suffix[0] != 0 &&
            suffix.compare(QString::fromUtf16(t.suffix), Qt::CaseInsensitive) == 0) {
            return {choice.path, t.type};
        }
    }
    for (const TypeInfo& t : kTypes) {
        if (choice.filter == QString::fromUtf16(t.filter)) {
            // The file name proper, not a dot in a folder name, decides.
            const bool bare = t.suffix[0] != 0 && !QFileInfo(choice.path).fileName().contains(u'.');
            return {bare ? choice.path + u'.' + QString::fromUtf16(t.suffix) : choice.path, t.type};
        }
    }
    return {choice.path, ExportType::Text};
}

QStringList ListExport::header()
{
    return {QStringLiteral("IP地址"), QStringLiteral("机器名"), QStringLiteral("姓名"),
            QStringLiteral("分数"),   QStringLiteral("套题"),   QStringLiteral("复核分"),
            QStringLiteral("作业")};
}

QList<QStringList> ListExport::liveRows(const ScoreTable& table)
{
    QList<QStringList> rows;
    for (int i = 1; i <= table.rec_count(); ++i) {
        if (table.arr_ip(i).isEmpty()) {
            continue; // deleted
        }
        const ScoreRow& r = table.row(i);
        rows.append({r.address, r.computer, r.name, r.score, r.set, r.remark,
                     QDir::toNativeSeparators(r.work)});
    }
    return rows;
}

QByteArray ListExport::csvBytes(const ScoreTable& table)
{
    reports::CsvWriter csv(QStringLiteral("\r\n"));
    csv.addRow(header());
    for (const QStringList& row : liveRows(table)) {
        csv.addRow(row);
    }
    return csv.utf8WithByteOrderMark();
}

reports::SummaryInput ListExport::summaryInput(const ScoreTable& table, const QDateTime& written)
{
    reports::SummaryInput in;
    in.gradeHeader = header();
    in.gradeRows = liveRows(table);
    for (const QStringList& r : std::as_const(in.gradeRows)) {
        in.entries.append(reports::SummaryEntry{r.at(0), r.at(1), r.at(2), r.at(4), r.at(3)});
    }
    in.program = QStringLiteral("Velcoll");
    in.written = written;
    return in;
}

WriteResult ListExport::write(const ScoreTable& table, const ExportTarget& target,
                              const QDateTime& written)
{
    switch (target.type) {
    case ExportType::Workbook:
        return reports::SummaryWorkbook::write(target.path, summaryInput(table, written));
    case ExportType::Csv:
        return writeFileBytes(target.path, csvBytes(table));
    case ExportType::Text:
        break;
    }
    return writeFileBytes(target.path, table.exportBytes());
}

QString ListExport::openQuestion()
{
    return QStringLiteral("已保存。是否现在打开？");
}

QString ListExport::notOpenedText(const QString& path)
{
    return QStringLiteral("没有找到能打开“") + QDir::toNativeSeparators(path) +
           QStringLiteral("”的程序，请在电子表格程序中手动打开它。");
}

} // namespace velmora::collector
