// SPDX-License-Identifier: MIT
// velmora-mark: marks exercise pages from the command line, with the same
// engine and the same report as the student program's marking button.
#include "CsvCell.h"
#include "Marking.h"
#include "SummaryWorkbook.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>

using namespace velmora::marking;
using velmora::csvCell;
using velmora::collector::SummaryEntry;
using velmora::collector::SummaryInput;
using velmora::collector::SummaryWorkbook;

namespace {

enum Exit
{
    Ok = 0,
    PageMissing = 1, // also a page that cannot be read
    BadArguments = 2,
    WriteFailed = 3
};

void write(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

const QString kUsage =
    QStringLiteral("Usage: velmora-mark --set N [--json | --explain] PAGE\n"
                   "       velmora-mark --set N --batch DIR [--xlsx FILE]\n"
                   "\n"
                   "Marks an exercise page against the rule table of set N (1 to 9) and prints\n"
                   "the marking report.\n"
                   "\n"
                   "  --set N      the exercise set, 1 to 9\n"
                   "  --json       print one JSON object with the scores and every check\n"
                   "  --explain    after the report, one line per check: passed or missed,\n"
                   "               its points and what it looks for\n"
                   "  --batch DIR  mark the set's page in every immediate subfolder of DIR and\n"
                   "               print CSV: folder,q1,q2,q3,q4,q5,total (sorted by folder)\n"
                   "  --xlsx FILE  with --batch, also write an Excel workbook: one row per\n"
                   "               folder with each question's score, a class summary, the\n"
                   "               folders without a page, and notes\n"
                   "  -h, --help   show this help\n"
                   "\n"
                   "Exit status: 0 marked, 1 page or folder missing or unreadable, 2 bad\n"
                   "arguments, 3 the workbook could not be written. A page must be a regular\n"
                   "file of at most 16 MiB.\n");

int usageError(const QString& why)
{
    write(stderr, u"velmora-mark: " + why + u'\n' + kUsage);
    return BadArguments;
}

// The report as the message box shows it, with line feeds for a terminal.
QString reportForTerminal(const MarkResult& result)
{
    QString text = result.report;
    text.replace(u'\r', u'\n');
    return text;
}

QString explainLines(const MarkResult& result)
{
    QString out;
    for (const CheckOutcome& c : result.checks) {
        QStringList quoted;
        for (const QString& s : c.snippets) {
            quoted.append(u'"' + s + u'"');
        }
        out += u"Q" + QString::number(c.question) +
               (c.passed ? QStringLiteral(" passed ") : QStringLiteral(" missed ")) +
               QString::number(c.points) + u' ' + c.description + u" [" + c.kind + u' ' +
               quoted.join(QStringLiteral(", ")) + u" in " + c.segment + u"]\n";
    }
    return out;
}

QString json(int set, const QString& page, const MarkResult& result)
{
    QJsonArray questions;
    for (int q : result.questions) {
        questions.append(q);
    }
    QJsonArray checks;
    for (const CheckOutcome& c : result.checks) {
        checks.append(QJsonObject{
            {QStringLiteral("question"), c.question},
            {QStringLiteral("kind"), c.kind},
            {QStringLiteral("snippets"), QJsonArray::fromStringList(c.snippets)},
            {QStringLiteral("segment"), c.segment},
            {QStringLiteral("description"), c.description},
            {QStringLiteral("points"), c.points},
            {QStringLiteral("passed"), c.passed},
        });
    }
    const QJsonObject object{
        {QStringLiteral("set"), set},
        {QStringLiteral("page"), page},
        {QStringLiteral("pageFound"), result.pageFound},
        {QStringLiteral("questions"), questions},
        {QStringLiteral("total"), result.total},
        {QStringLiteral("checks"), checks},
    };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + u'\n';
}

// The workbook of a batch: 成绩 holds one row per folder with the score of
// each question; the summary treats each folder as one student.
SummaryInput batchWorkbook(int set, const QList<QStringList>& rows)
{
    SummaryInput in;
    in.gradeHeader = QStringList{QStringLiteral("文件夹")};
    for (int q = 1; q <= 5; ++q) {
        in.gradeHeader << QStringLiteral("第%1题").arg(q);
    }
    in.gradeHeader << QStringLiteral("总分") << QStringLiteral("套题");
    in.gradeRows = rows;
    in.keyHeader = QStringLiteral("文件夹");
    in.computerHeader.clear();
    in.nameHeader.clear();
    in.unitText = QStringLiteral("学生文件夹");
    for (const QStringList& r : rows) {
        if (!r.at(6).isEmpty()) {
            in.entries.append(SummaryEntry{r.at(0), {}, {}, setFolderName(set), r.at(6)});
        }
    }
    in.program = QStringLiteral("velmora-mark");
    in.written = QDateTime::currentDateTime();
    return in;
}

int markBatch(int set, const QString& dirPath, const QString& workbook)
{
    const QDir dir(dirPath);
    if (!dir.exists()) {
        write(stderr,
              u"velmora-mark: no such folder: " + QDir::toNativeSeparators(dirPath) + u'\n');
        return PageMissing;
    }
    QString out = QStringLiteral("folder,q1,q2,q3,q4,q5,total\n");
    const QString page = pageFileName(set);
    const QStringList folders =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    QList<QStringList> rows;
    for (const QString& folder : folders) {
        const QString path = findPage(dir.filePath(folder), page);
        const MarkResult result = markFile(set, path);
        if (!result.pageFound) {
            // A line of its own for this folder; the others are still marked.
            const QString why =
                result.readError.isEmpty()
                    ? QString(u"no " + page + u" in " + folder)
                    : QString(u"cannot read " + page + u" in " + folder + u": " + result.readError);
            write(stderr, u"velmora-mark: " + why + u'\n');
            out += csvCell(folder) + u",,,,,,\n";
            rows.append({folder, {}, {}, {}, {}, {}, {}, setFolderName(set)});
            continue;
        }
        QStringList row{folder};
        out += csvCell(folder);
        for (int q : result.questions) {
            out += u',' + scoreText(q);
            row << scoreText(q);
        }
        out += u',' + scoreText(result.total) + u'\n';
        row << scoreText(result.total) << setFolderName(set);
        rows.append(row);
    }
    write(stdout, out);
    if (!workbook.isEmpty()) {
        const velmora::WriteResult written =
            SummaryWorkbook::write(workbook, batchWorkbook(set, rows));
        if (!written.ok) {
            write(stderr, u"velmora-mark: cannot write " + QDir::toNativeSeparators(workbook) +
                              u": " + written.error + u'\n');
            return WriteFailed;
        }
    }
    return Ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption setOption(QStringLiteral("set"), QString(), QStringLiteral("N"));
    const QCommandLineOption jsonOption(QStringLiteral("json"));
    const QCommandLineOption explainOption(QStringLiteral("explain"));
    const QCommandLineOption batchOption(QStringLiteral("batch"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption xlsxOption(QStringLiteral("xlsx"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({setOption, jsonOption, explainOption, batchOption, xlsxOption, helpOption});
    if (!parser.parse(app.arguments())) {
        return usageError(parser.errorText());
    }
    if (parser.isSet(helpOption)) {
        write(stdout, kUsage);
        return Ok;
    }
    if (!parser.isSet(setOption)) {
        return usageError(QStringLiteral("--set N is required"));
    }
    if (parser.values(setOption).size() > 1 || parser.values(batchOption).size() > 1 ||
        parser.values(xlsxOption).size() > 1) {
        return usageError(QStringLiteral("each option may be given once"));
    }
    bool isNumber = false;
    const int set = parser.value(setOption).toInt(&isNumber);
    if (!isNumber || set < kFirstSet || set > kLastSet) {
        return usageError(u"the set must be a number from 1 to 9, not \"" +
                          parser.value(setOption) + u'"');
    }
    const QStringList pages = parser.positionalArguments();
    if (parser.isSet(batchOption)) {
        if (!pages.isEmpty() || parser.isSet(jsonOption) || parser.isSet(explainOption)) {
            return usageError(QStringLiteral("--batch takes no PAGE, --json or --explain"));
        }
        if (parser.isSet(xlsxOption) && parser.value(xlsxOption).isEmpty()) {
            return usageError(QStringLiteral("--xlsx needs a file name"));
        }
        return markBatch(set, parser.value(batchOption), parser.value(xlsxOption));
    }
    if (parser.isSet(xlsxOption)) {
        return usageError(QStringLiteral("--xlsx is only for --batch"));
    }
    if (pages.size() != 1) {
        return usageError(pages.isEmpty() ? QStringLiteral("no PAGE given")
                                          : QStringLiteral("give exactly one PAGE"));
    }
    if (parser.isSet(jsonOption) && parser.isSet(explainOption)) {
        return usageError(QStringLiteral("--json and --explain cannot be combined"));
    }

    const QString page = pages.first();
    const MarkResult result = markFile(set, page);
    if (parser.isSet(jsonOption)) {
        write(stdout, json(set, page, result));
    } else {
        write(stdout, reportForTerminal(result));
        if (parser.isSet(explainOption)) {
            write(stdout, explainLines(result));
        }
    }
    if (!result.pageFound) {
        const QString shown = QDir::toNativeSeparators(page);
        const QString why = result.readError.isEmpty()
                                ? QString(u"page not found: " + shown)
                                : QString(u"cannot read page " + shown + u": " + result.readError);
        write(stderr, u"velmora-mark: " + why + u'\n');
        return PageMissing;
    }
    return Ok;
}
