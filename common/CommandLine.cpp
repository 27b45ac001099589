// SPDX-License-Identifier: MIT
#include "CommandLine.h"

#include "Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace velmora {

namespace {

// Options that QGuiApplication and QApplication take from the command line
// themselves; the first group is followed by a value.
const QStringList kQtOptionsWithValue = {
    QStringLiteral("-platform"),        QStringLiteral("-platformpluginpath"),
    QStringLiteral("-platformtheme"),   QStringLiteral("-plugin"),
    QStringLiteral("-qwindowgeometry"), QStringLiteral("-qwindowicon"),
    QStringLiteral("-qwindowtitle"),    QStringLiteral("-display"),
    QStringLiteral("-geometry"),        QStringLiteral("-style"),
    QStringLiteral("-stylesheet"),      QStringLiteral("-session")};
const QStringList kQtFlags = {QStringLiteral("-reverse"), QStringLiteral("-widgetcount")};

QStringList withoutQtGuiOptions(const QStringList& arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (i > 0 && kQtOptionsWithValue.contains(a)) {
            ++i; // and its value
            continue;
        }
        if (i > 0 &&
            (kQtFlags.contains(a) || (a.startsWith(u"-style=") || a.startsWith(u"-stylesheet=")))) {
            continue;
        }
        kept.append(a);
    }
    return kept;
}

CommandLineOutcome badArgument(const QString& program, const QString& why)
{
    CommandLineOutcome o;
    o.exitNow = true;
    o.exitCode = 2;
    o.err = program + u": " + why + u"\nTry '" + program + u" --help'.\n";
    return o;
}

void write(FILE* stream, const QString& text)
{
    if (text.isEmpty()) {
        return;
    }
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

QStringList argumentsBeforeGui(int& argc, char** argv)
{
    const QCoreApplication console(argc, argv);
    return QCoreApplication::arguments();
}

QString versionLine(const QString& program)
{
    return program + u' ' + QStringLiteral(VELMORA_VERSION) + u'\n';
}

CommandLineOutcome parseCommandLine(const QStringList& arguments, const QString& program,
                                    const QString& help, const QStringList& valueOptions)
{
    QCommandLineParser parser;
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(
        QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(helpOption);
    parser.addOption(versionOption);
    QList<QCommandLineOption> options;
    for (const QString& name : valueOptions) {
        options.append(QCommandLineOption(name, QString(), QStringLiteral("value")));
        parser.addOption(options.constLast());
    }
    if (!parser.parse(withoutQtGuiOptions(arguments))) {
        return badArgument(program, parser.errorText());
    }
    if (parser.isSet(helpOption)) {
        return {true, 0, help, {}, {}};
    }
    if (parser.isSet(versionOption)) {
        return {true, 0, versionLine(program), {}, {}};
    }
    if (!parser.positionalArguments().isEmpty()) {
        return badArgument(program, u"unexpected argument '" +
                                        parser.positionalArguments().constFirst() + u"'");
    }
    CommandLineOutcome outcome;
    for (const QCommandLineOption& option : options) {
        const QString name = option.names().constFirst();
        const QStringList given = parser.values(option);
        if (given.isEmpty()) {
            continue;
        }
        if (given.size() > 1) {
            return badArgument(program, u"--" + name + u" may be given once");
        }
        if (given.constFirst().trimmed().isEmpty()) {
            return badArgument(program, u"--" + name + u" needs a value");
        }
        outcome.values.insert(name, given.constFirst());
    }
    return outcome;
}

int printOutcome(const CommandLineOutcome& outcome)
{
    write(stdout, outcome.out);
    write(stderr, outcome.err);
    return outcome.exitCode;
}

} // namespace velmora
