// SPDX-License-Identifier: MIT
// Windows.
#include "Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <io.h>

namespace velmora::platform {

QString driveRoot()
{
    return QStringLiteral("C:\\");
}

QString displayPath(const QString& path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

bool openFolder(const QString& folder)
{
    // The file browser with its folder tree, rooted at the folder.
    QProcess process;
    process.setProgram(QStringLiteral("explorer.exe"));
    process.setNativeArguments(QStringLiteral("/e,/root, ") + QDir::toNativeSeparators(folder));
    return process.startDetached();
}

bool startSpreadsheet(const QString& workbook)
{
    const QString candidates[] = {
        QStringLiteral("C:\\Program Files\\Microsoft Office\\Office\\EXCEL.EXE"),
        QStringLiteral("C:\\Program Files\\Microsoft Office\\Office11\\EXCEL.EXE"),
    };
    for (const QString& excel : candidates) {
        if (!QFileInfo::exists(excel)) {
            continue;
        }
        QProcess process;
        process.setProgram(excel);
        process.setNativeArguments(QLatin1Char('"') + QDir::toNativeSeparators(workbook)
                                   + QLatin1Char('"'));
        if (process.startDetached()) {
            return true;
        }
    }
    return false;
}

bool syncToDisk(int handle)
{
    return handle >= 0 && ::_commit(handle) == 0;
}

} // namespace velmora::platform
