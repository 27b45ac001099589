// SPDX-License-Identifier: MIT
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace velmora {

// What a program's command line asks for, worked out before any window (or
// display connection) exists, so --help and --version work on a bare console.
struct CommandLineOutcome
{
    bool exitNow = false;          // --help, --version or a bad argument: print and end
    int exitCode = 0;              // 0, or 2 for a bad argument
    QString out;                   // for standard output
    QString err;                   // for standard error
    QMap<QString, QString> values; // value options that were given, by long name
};

// A program's command line: --help, --version and options that each take one
// value (long name -> value name in the help). No positional arguments.
// arguments[0] is the program. Qt's own GUI options (-platform NAME,
// -style NAME, -reverse, ...) are passed over: the GUI application reads them.
// The help text is the caller's; the version is the project's.
CommandLineOutcome parseCommandLine(const QStringList& arguments, const QString& program,
                                    const QString& help, const QStringList& valueOptions);

// The program's arguments, decoded as Qt decodes them, read through a
// short-lived QCoreApplication: no display is needed, so this works before
// the GUI application object exists.
QStringList argumentsBeforeGui(int& argc, char** argv);

// "<program> <version>" as --version prints it.
QString versionLine(const QString& program);

// Writes the outcome's texts (UTF-8) and returns its exit code.
int printOutcome(const CommandLineOutcome& outcome);

} // namespace velmora
