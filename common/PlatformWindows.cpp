// SPDX-License-Identifier: MIT
// Windows.
#include "Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace velmora::platform {

QString driveRoot()
{
    return QStringLiteral("C:\\");
}

QString displayPath(const QString& path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

QString userSettingsFolder()
{
    // %APPDATA%\<organisation>\<program>, which roams with the user's profile.
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

bool openFolder(const QString& folder)
{
    if (!QDir(folder).exists()) {
        return false;
    }
    // The file browser with its folder tree, rooted at the folder.
    QProcess process;
    process.setProgram(QStringLiteral("explorer.exe"));
    process.setNativeArguments(QStringLiteral("/e,/root, \"") + QDir::toNativeSeparators(folder)
                               + QLatin1Char('"'));
    return process.startDetached();
}

bool startSpreadsheet(const QString& workbook)
{
    if (!QFileInfo::exists(workbook)) {
        return false;
    }
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

} // namespace velmora::platform
