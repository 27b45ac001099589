// SPDX-License-Identifier: MIT
// Windows.
#include "Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include <io.h>
#include <windows.h>

namespace velmora::platform {

QString driveRoot()
{
    return QStringLiteral("C:\\");
}

QString systemSettingsFolder()
{
    QString data = qEnvironmentVariable("ProgramData");
    if (data.isEmpty()) {
        data = QStringLiteral("C:/ProgramData");
    }
    return QDir(data).filePath(QStringLiteral("Velmora"));
}

bool isInstalledProgramFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath()).toLower();
    for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
        const QString root = QDir::cleanPath(qEnvironmentVariable(name)).toLower();
        if (!root.isEmpty() && root != u"." && clean.startsWith(root + u'/')) {
            return true;
        }
    }
    return false;
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

void openFolder(const QString& folder, QObject* context, std::function<void()> failed)
{
    // The file browser with its folder tree, rooted at the folder. Explorer
    // reports nothing back, so only a missing folder or a failure to start
    // it is known.
    const QPointer<QObject> guard(context);
    QProcess process;
    process.setProgram(QStringLiteral("explorer.exe"));
    process.setNativeArguments(QStringLiteral("/e,/root, \"") + QDir::toNativeSeparators(folder) +
                               QLatin1Char('"'));
    if ((!QDir(folder).exists() || !process.startDetached()) && guard && failed) {
        failed();
    }
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
        process.setNativeArguments(QLatin1Char('"') + QDir::toNativeSeparators(workbook) +
                                   QLatin1Char('"'));
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

bool syncFolder(const QString&)
{
    // NTFS journals its folder entries; a rename is durable once done.
    return true;
}

void lowerThreadPriority()
{
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

bool sendNow(qintptr, QByteArrayView)
{
    return false;
}

qintptr duplicateSocket(qintptr)
{
    return -1;
}

bool discardIncoming(qintptr)
{
    return false;
}

void closeSocket(qintptr) {}

QString collectorDocumentsFolder()
{
    // %USERPROFILE%\Documents, wherever the user's profile keeps it.
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) {
        documents = QDir(QDir::homePath()).filePath(QStringLiteral("Documents"));
    }
    return QDir(documents).filePath(QStringLiteral("Velcoll"));
}

OpenResult openRegularFile(QFile& file, const QString& path, QString& why)
{
    // Pipes and devices have no place among the files of a Windows folder;
    // a name that still opens as one (CON, NUL ...) reads sequentially.
    if (!QFileInfo(path).isFile()) {
        return OpenResult::NotRegular;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
        return OpenResult::Failed;
    }
    if (file.isSequential()) {
        file.close();
        return OpenResult::NotRegular;
    }
    return OpenResult::Opened;
}

} // namespace velmora::platform
