// SPDX-License-Identifier: MIT
#pragma once

#include "AnsiFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace velmora::reports {

// One score of one student computer (or marked folder) in one set: what the
// class summary, the missing list and the chart are made of.
struct SummaryEntry
{
    QString key;      // the computer's address, or a folder name
    QString computer; // may be empty
    QString name;     // may be empty
    QString set;      // "第一套" ...
    QString score;    // as shown in the list
};

// Everything a summary workbook holds. The 成绩 sheet is written as given;
// 班级汇总 and 未交 are computed from the entries.
struct SummaryInput
{
    QStringList gradeHeader;
    QList<QStringList> gradeRows; // whole-number cells become numbers

    // Column headers of the summary's first columns; an empty header leaves
    // that column out (the key column is always there).
    QString keyHeader = QStringLiteral("IP地址");
    QString computerHeader = QStringLiteral("机器名");
    QString nameHeader = QStringLiteral("姓名");
    QString unitText = QStringLiteral("学生机（按IP地址）"); // what one summary row stands for
    QList<SummaryEntry> entries;

    QString program; // written in 说明
    QDateTime written;
};

// The .xlsx workbook with the sheets 成绩, 班级汇总, 未交 and 说明. This is
// the only place that uses libxlsxwriter.
class SummaryWorkbook
{
public:
    // True for text that is stored as a number: an optional minus sign and
    // at most nine digits, without leading zeros ("0", "25", "-3").
    static bool isWholeNumber(const QString& text);

    // The one rule for what the summary counts as a score: a whole number
    // from 0 to 25 once the blanks around it are gone (" 20" is 20). Anything
    // else ("缺考", "20.5", "30") is not handed in: it is shown as text and left
    // out of 交卷人数, the averages, the bands and the totals alike.
    static std::optional<int> scoreValue(const QString& text);

    // The sets of the entries in the order 第一套 ... 第九套, then any other
    // set name in order of first appearance.
    static QStringList orderedSets(const QList<SummaryEntry>& entries);

    // The workbook file's bytes, or nullopt with the library's reason.
    static std::optional<QByteArray> build(const SummaryInput& input, QString* error = nullptr);

    // Builds the workbook and writes it complete or not at all.
    static WriteResult write(const QString& path, const SummaryInput& input);
};

} // namespace velmora::reports
