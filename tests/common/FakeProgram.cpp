// SPDX-License-Identifier: MIT
// Stands in for a program that the platform layer starts (Explorer, Excel):
// writes the command line it was given, without its own name, as UTF-8 to
// started.txt beside itself.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <windows.h>

int main()
{
    const QString line = QString::fromWCharArray(GetCommandLineW());
    // The first token is the program, quoted when it holds spaces.
    qsizetype end = 0;
    if (line.startsWith(u'"')) {
        end = line.indexOf(u'"', 1) + 1;
    } else {
        end = line.indexOf(u' ');
    }
    const QString arguments = end <= 0 ? QString() : line.sliced(end).trimmed();

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    QFile out(
        QFileInfo(QString::fromWCharArray(self)).dir().filePath(QStringLiteral("started.txt")));
    if (!out.open(QIODevice::WriteOnly)) {
        return 1;
    }
    out.write(arguments.toUtf8());
    return 0;
}
