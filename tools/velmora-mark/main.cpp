// SPDX-License-Identifier: MIT
// velmora-mark: marks exercise pages from the command line, with the same
// engine and the same report as the student program's marking button.
#include "CommandLine.h"
#include "Marking.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>

using namespace velmora::marking;

namespace {

enum Exit
{
    Ok = 0,
    PageMissing = 1,
    BadArguments = 2
};

void write(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

const QString kUsage =
    QStringLiteral("Usage: velmora-mark --set N [--json | --explain] PAGE\n"
                   "       velmora-mark --set N --batch DIR\n"
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
                   "  -h, --help   show this help\n"
                   "  -v, --version  show the version\n"
                   "\n"
                   "Exit status: 0 marked, 1 page or folder missing, 2 bad arguments.\n");

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

// A CSV field, quoted when it holds a separator, a quote or a line break.
QString csvField(const QString& text)
{
    static const QString special = QStringLiteral(",\"\r\n");
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return special.contains(c); })) {
        return text;
    }
    QString doubled = text;
    doubled.replace(u'"', QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

int markBatch(int set, const QString& dirPath)
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
    for (const QString& folder : folders) {
        const QString path = dir.filePath(folder + u'/' + page);
        if (!QFileInfo(path).isFile()) {
            write(stderr, u"velmora-mark: no " + page + u" in " + folder + u'\n');
            out += csvField(folder) + u",,,,,,\n";
            continue;
        }
        const MarkResult result = markFile(set, path);
        out += csvField(folder);
        for (int q : result.questions) {
            out += u',' + scoreText(q);
        }
        out += u',' + scoreText(result.total) + u'\n';
    }
    write(stdout, out);
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
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(
        QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions(
        {setOption, jsonOption, explainOption, batchOption, helpOption, versionOption});
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
    if (!parser.isSet(setOption)) {
        return usageError(QStringLiteral("--set N is required"));
    }
    if (parser.values(setOption).size() > 1 || parser.values(batchOption).size() > 1) {
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
        return markBatch(set, parser.value(batchOption));
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
        write(stderr, u"velmora-mark: page not found: " + QDir::toNativeSeparators(page) + u'\n');
        return PageMissing;
    }
    return Ok;
}
