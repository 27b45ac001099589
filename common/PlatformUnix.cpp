// SPDX-License-Identifier: MIT
// Linux and other free desktops.
#include "Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace velmora::platform {

QString driveRoot()
{
    return QDir::homePath();
}

QString displayPath(const QString& path)
{
    const QString home = QDir::homePath();
    const QString clean = QDir::cleanPath(path);
    if (home != QStringLiteral("/") && (clean == home || clean.startsWith(home + u'/'))) {
        return u'~' + clean.sliced(home.size());
    }
    return QDir::toNativeSeparators(clean);
}

QString userSettingsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

bool openFolder(const QString& folder)
{
    if (!QDir(folder).exists()) {
        return false;
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        return false;
    }
    return QProcess::startDetached(opener, {QDir::toNativeSeparators(folder)});
}

bool startSpreadsheet(const QString& workbook)
{
    if (!QFileInfo::exists(workbook)) {
        return false;
    }
    const QString localc = QStandardPaths::findExecutable(QStringLiteral("localc"));
    if (!localc.isEmpty()) {
        return QProcess::startDetached(localc, {workbook});
    }
    const QString office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (!office.isEmpty()) {
        return QProcess::startDetached(office, {QStringLiteral("--calc"), workbook});
    }
    return false;
}

} // namespace velmora::platform
