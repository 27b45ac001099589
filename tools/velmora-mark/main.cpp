// SPDX-License-Identifier: MIT
// velmora-mark: marks exercise pages from the command line, with the same
// engine and the same report as the student program's marking button.
#include "CommandLine.h"
#include "CsvWriter.h"
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
using velmora::reports::CsvWriter;
using velmora::reports::SummaryEntry;
using velmora::reports::SummaryInput;
using velmora::reports::SummaryWorkbook;

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
                   "       velmora-mark [--set N] --batch DIR [--xlsx FILE]\n"
                   "\n"
                   "Marks an exercise page against the rule table of set N (1 to 9) and prints\n"
                   "the marking report.\n"
                   "\n"
                   "  --set N      the exercise set, 1 to 9\n"
                   "  --json       print one JSON object with the scores and every check\n"
                   "  --explain    after the report, one line per check: passed or missed,\n"
                   "               its points and what it looks for\n"
                   "  --batch DIR  mark the set's page in every immediate subfolder of DIR and\n"
                   "               print CSV: folder,q1,q2,q3,q4,q5,total (sorted by folder).\n"
                   "               DIR may be a lesson folder of Velcoll's collected work\n"
                   "               (<date> holding 第一套 ... 第九套, each holding one folder\n"
                   "               per student): then every set folder in it is marked with\n"
                   "               its own set (only set N with --set N), and each folder is\n"
                   "               given as <set folder>/<student folder>. For one set folder\n"
                   "               (第N套) --set may be left out.\n"
                   "  --xlsx FILE  with --batch, also write an Excel workbook: one row per\n"
                   "               folder with each question's score, a class summary, the\n"
                   "               folders without a page, and notes\n"
                   "  -h, --help   show this help\n"
                   "  -v, --version  show the version\n"
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
SummaryInput batchWorkbook(const QList<QStringList>& rows)
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
            in.entries.append(SummaryEntry{r.at(0), {}, {}, r.at(7), r.at(6)});
        }
    }
    in.program = QStringLiteral("velmora-mark");
    in.written = QDateTime::currentDateTime();
    return in;
}

// The set whose folder name is name ("第三套" -> 3), 0 for any other.
int setOfFolder(const QString& name)
{
    for (int set = kFirstSet; set <= kLastSet; ++set) {
        if (setFolderName(set) == name) {
            return set;
        }
    }
    return 0;
}

// One folder of student folders, all of one set; label goes before each
// student folder's name in the output.
struct BatchPart
{
    int set = 0;
    QString folder;
    QString label;
};

// Marks every immediate subfolder of each part; false when a part's folder is
// missing.
int markBatch(const QList<BatchPart>& parts, const QString& workbook)
{
    CsvWriter csv(QStringLiteral("\n"));
    csv.addRow({QStringLiteral("folder"), QStringLiteral("q1"), QStringLiteral("q2"),
                QStringLiteral("q3"), QStringLiteral("q4"), QStringLiteral("q5"),
                QStringLiteral("total")});
    // Each row: the CSV cells, then the set's folder name for the workbook.
    QList<QStringList> rows;
    for (const BatchPart& part : parts) {
        const QDir dir(part.folder);
        const int set = part.set;
        const QString page = pageFileName(set);
        const QStringList folders =
            dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
        for (const QString& name : folders) {
            // Velcoll's work being stored (or left by a crash) is no student's.
            if (name.startsWith(u'.') &&
                (name.endsWith(u".velcoll-new") || name.endsWith(u".velcoll-old"))) {
                continue;
            }
            const QString folder = part.label + name;
            const QString path = findPage(dir.filePath(name), page);
            const MarkResult result = markFile(set, path);
            if (!result.pageFound) {
                // A line of its own for this folder; the others are still marked.
                const QString why = result.readError.isEmpty()
                                        ? QString(u"no " + page + u" in " + folder)
                                        : QString(u"cannot read " + page + u" in " + folder +
                                                  u": " + result.readError);
                write(stderr, u"velmora-mark: " + why + u'\n');
                rows.append({folder, {}, {}, {}, {}, {}, {}, setFolderName(set)});
                csv.addRow(rows.last().first(7));
                continue;
            }
            QStringList row{folder};
            for (int q : result.questions) {
                row << scoreText(q);
            }
            row << scoreText(result.total);
            csv.addRow(row);
            row << setFolderName(set);
            rows.append(row);
        }
    }
    write(stdout, csv.text());
    if (!workbook.isEmpty()) {
        const velmora::WriteResult written = SummaryWorkbook::write(workbook, batchWorkbook(rows));
        if (!written.ok) {
            write(stderr, u"velmora-mark: cannot write " + QDir::toNativeSeparators(workbook) +
                              u": " + written.error + u'\n');
            return WriteFailed;
        }
    }
    return Ok;
}

// What --batch DIR marks: a lesson folder's set folders (those of `set` when
// it is given), a set folder of its own set, or DIR's subfolders as set `set`.
// Exit status when it cannot be done, else Ok with parts filled in.
int batchParts(int set, const QString& dirPath, QList<BatchPart>& parts)
{
    const QDir dir(dirPath);
    if (!dir.exists()) {
        write(stderr,
              u"velmora-mark: no such folder: " + QDir::toNativeSeparators(dirPath) + u'\n');
        return PageMissing;
    }
    QList<BatchPart> sets;
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (const int s = setOfFolder(name); s != 0) {
            sets.append({s, dir.filePath(name), name + u'/'});
        }
    }
    std::sort(sets.begin(), sets.end(),
              [](const BatchPart& a, const BatchPart& b) { return a.set < b.set; });
    if (!sets.isEmpty()) {
        for (const BatchPart& p : sets) {
            if (set == 0 || p.set == set) {
                parts.append(p);
            }
        }
        if (parts.isEmpty()) {
            write(stderr, u"velmora-mark: no " + setFolderName(set) + u" in " +
                              QDir::toNativeSeparators(dirPath) + u'\n');
            return PageMissing;
        }
        return Ok;
    }
    const int own = setOfFolder(QFileInfo(QDir::cleanPath(dir.absolutePath())).fileName());
    if (set == 0 && own == 0) {
        return usageError(
            QStringLiteral("--set N is required unless DIR is a lesson or set folder"));
    }
    if (set != 0 && own != 0 && set != own) {
        return usageError(u"DIR is the folder of " + setFolderName(own) + u", not of set " +
                          QString::number(set));
    }
    parts.append({set != 0 ? set : own, dirPath, {}});
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
    const QCommandLineOption versionOption(
        QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions(
        {setOption, jsonOption, explainOption, batchOption, xlsxOption, helpOption, versionOption});
    if (!parser.parse(app.arguments())) {
        return usageError(parser.errorText());
    }
    if (parser.isSet(helpOption)) {
        write(stdout, kUsage);
        return Ok;
    }
    if (parser.isSet(versionOption)) {
        write(stdout, velmora::versionLine(QStringLiteral("velmora-mark")));
        return Ok;
    }
    if (!parser.isSet(setOption) && !parser.isSet(batchOption)) {
        return usageError(QStringLiteral("--set N is required"));
    }
    if (parser.values(setOption).size() > 1 || parser.values(batchOption).size() > 1 ||
        parser.values(xlsxOption).size() > 1) {
        return usageError(QStringLiteral("each option may be given once"));
    }
    bool isNumber = false;
    const int set = parser.isSet(setOption) ? parser.value(setOption).toInt(&isNumber) : 0;
    if (parser.isSet(setOption) && (!isNumber || set < kFirstSet || set > kLastSet)) {
        return usageError(QStringLiteral("the set must be a number from %1 to %2, not \"%3\"")
                              .arg(kFirstSet)
                              .arg(kLastSet)
                              .arg(parser.value(setOption)));
    }
    const QStringList pages = parser.positionalArguments();
    if (parser.isSet(batchOption)) {
        if (!pages.isEmpty() || parser.isSet(jsonOption) || parser.isSet(explainOption)) {
            return usageError(QStringLiteral("--batch takes no PAGE, --json or --explain"));
        }
        if (parser.isSet(xlsxOption) && parser.value(xlsxOption).isEmpty()) {
            return usageError(QStringLiteral("--xlsx needs a file name"));
        }
        QList<BatchPart> parts;
        if (const int status = batchParts(set, parser.value(batchOption), parts); status != Ok) {
            return status;
        }
        return markBatch(parts, parser.value(xlsxOption));
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
